#pragma once
// Where LOpenHelpTopic (LWindow.h) sends a topic: the window layer only
// records it; the program installs the opener that finds the topic's page
// (local help file or online help) and hands it to the browser.

using LHelpTopicOpenerFunction = void (*)(const char* topic);

// Null removes the opener: topics are then only recorded.
void LSetHelpTopicOpener(LHelpTopicOpenerFunction opener);
