#pragma once
// Help topics and the common query of the maker's pages. A topic opens from
// the help folder among the program's resources when its file is there
// ("help/<topic>.html"), and from the maker's online help otherwise. Every
// value put into a query is percent-encoded, so that a setting holding '&'
// or '#' stays one parameter.

#include <string>

// The most an address may hold (the browser hand-over's limit).
inline constexpr size_t kHelpUrlCapacity = 2084;

// Appends '?' and the pairs that identify the program and the installation:
// software, appname, version, base, domain, then ref and svar when set, then
// instby, iid and help (the count of help topics opened).
void LAppendSiteQuery(std::string& text);

// Days since the first installation ("InstallDateFirst" of section
// "Settings"), rounded to the nearest day; false (0) when it is not known.
bool LGetDaysSinceFirstInstall(int* days);

// The online help page of a topic; without beta, followed by the site
// query, the usage parameter and "&days=..&runs=..".
std::string LOnlineHelpUrl(const char* topic, bool beta);

// "file://" + the local help file when it exists, else LOnlineHelpUrl; ""
// for a topic that is no relative name ("..", absolute, control characters).
std::string LResolveHelpTopic(const char* topic);

// The maker's knowledge-base article: the main site's page
// "/kb/<number>.html" (QUORIN_SITE applies).
std::string LKnowledgeBaseArticleUrl(int article);
// Opens the article in the browser; true when the browser was started.
bool LOpenKnowledgeBaseArticle(int article);

// Counts the opening ("HelpOpens" of section "Software"), resolves the topic
// and hands the address to the desktop. The window framework's
// LOpenHelpTopic lands here once the program ran LInstallHelpTopicOpener
// (app/program/online/HelpTopicOpener.h).
bool LShowHelpTopic(const char* topic);
