#pragma once
// The menu bar and the commands that belong to the application rather than to
// the list of recordings: About, Preferences, Quit, Hide, the Window menu, the
// Help menu's links and the toolbar toggle. The main window builds the bar in
// two steps (LBuildMainMenu when it is initialised, LSetupMenus with its own
// table once it has its controls) and hands every command that is not its
// own to LHandleApplicationCommand.

#include "gui/framework/LKey.h"
#include "gui/framework/LPopupMenu.h"
#include "online/LOnlineSite.h"

#include <cstddef>
#include <cstdint>

#include <string>

class LApplicationCommandHost;

// The process-wide main menu: the menu bar's contents, owned by the main
// window once LBuildMainMenu ran.
LPopupMenu& LGetMainMenuObject();
// Deletes the main menu and its menus (the toolkit's objects must go before
// the toolkit does at the end of the run).
void LReleaseMainMenu();

// Makes the menu bar ("MainMenu") of the host's main window and the
// application menu: "About Quorin", "Preferences..." (Ctrl+,), "Hide Quorin"
// (Ctrl+H), "Quit Quorin" (Ctrl+Q). Run again, it starts the bar afresh.
void LBuildMainMenu(LApplicationCommandHost& host);

// Adds the menus of the table (an existing menu of the same title is
// replaced, so a second call does not duplicate them), then rebuilds the
// Window and Help menus after them. Shortcuts come from the accelerators.
void LSetupMenus(LApplicationCommandHost& host, const LMenuItemDef* table, size_t count,
                 const LKeyToCommandMap* accelerators, size_t acceleratorCount);
// Removes the "Window" and "Help" menus from the bar.
void LRemoveWindowAndHelpMenus();
// Appends the Window and Help menus, and "Close Window" (Ctrl+W) at the end of
// the File menu (or of the bar's second menu when there is no "File").
void LAddWindowAndHelpMenus(LApplicationCommandHost& host);

// The title of the Window menu's toolbar item: what choosing it does next.
const char* LToolbarToggleTitle(bool toolbarVisible);

// Runs an application command for the host's main window. False when the
// command is not one of these; the main window then passes it to the
// framework's own handling.
bool LHandleApplicationCommand(LApplicationCommandHost& host, int command, int extra);

// The addresses the Help menu opens (whole, ready for the browser).
std::string LHomePageUrl();
std::string LSupportPageUrl();
// The bug-report page with the installation id and the crash-report query;
// cut to 2084 bytes at most.
std::string LBugReportUrl(const char* installationId, const char* crashQuery);
// The newsletter page, with the user's e-mail address when one is known.
std::string LNewsletterUrl(const char* email);
// The suggestions page; the suggestion is percent-encoded (at most 259
// encoded bytes, never a partial escape), nothing when it is empty.
std::string LFeedbackPageUrl(const char* suggestion);
void LOpenFeedbackPage(const char* suggestion);
