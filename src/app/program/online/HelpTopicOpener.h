#pragma once
// Joins the windows' help to the online help: the window framework only
// records the topics its windows ask for (LOpenHelpTopic), and the online
// layer, which knows no windows, finds and opens their pages.

// From now on LOpenHelpTopic opens the topic with LShowHelpTopic.
void LInstallHelpTopicOpener();
