#pragma once
// The commands of the program's main window and of the application, in the
// one command space of menus, toolbar buttons, keys and controls.

#include "gui/framework/LCommands.h"

#include <cstdint>

// The main window's own commands (the list of recordings and what acts on it).
enum LProgramCommand : int32_t {
    kCmdOpenRecordingWizard = 2001,
    kCmdStartRecordingSession = 2002,
    kCmdAddFiles = 2003,
    kCmdRemoveFiles = 2004,
    kCmdCopyTo = 2005,
    kCmdEditWithTessary = 2006,
    kCmdRenameFile = 2007,
    kCmdPlayFile = 2008,
    kCmdJoinFiles = 2009,
    kCmdSelectAll = 2010,
    kCmdBurnAudioCd = 2011,
    kCmdOpenMusicFolder = 2013,
    kCmdPreferences = 2014,
    kCmdEditTag = 2019,
    kCmdEditSelectedTags = 2020,
    kCmdMoveFileUp = 2021,
    kCmdMoveFileDown = 2022,
    kCmdViewLogs = 2023,
    kCmdViewRecordingsFolder = 2024,
    kCmdEjectDisc = 2053,
};

// The application's commands: its menu, the Window and Help menus.
constexpr int32_t kCmdAbout = LFourCharCode("abou");
constexpr int32_t kCmdCloseWindow = LFourCharCode("clos");
constexpr int32_t kCmdHide = LFourCharCode("hide");
constexpr int32_t kCmdHideOthers = LFourCharCode("hido");
constexpr int32_t kCmdShowAll = LFourCharCode("shal");
constexpr int32_t kCmdMinimize = LFourCharCode("mini");
constexpr int32_t kCmdMinimizeAll = LFourCharCode("mina");
constexpr int32_t kCmdMaximize = LFourCharCode("maxi");
constexpr int32_t kCmdBringAllToFront = LFourCharCode("bfrt");
constexpr int32_t kCmdArrangeInFront = LFourCharCode("frnt");
constexpr int32_t kCmdQuitCancelled = LFourCharCode("QtNc");
constexpr int32_t kCmdShowHelp = 9020;
constexpr int32_t kCmdHomePage = 3333;
constexpr int32_t kCmdSupportPage = 3336;
constexpr int32_t kCmdSendFeedback = 3337;
constexpr int32_t kCmdBugReport = 3338;
constexpr int32_t kCmdMakerHomePage = 3339;
constexpr int32_t kCmdNewsletter = 3340;
constexpr int32_t kCmdFacebookPage = 9030;
constexpr int32_t kCmdTwitterPage = 9031;
constexpr int32_t kCmdCheckForUpdates = 9405;
constexpr int32_t kCmdSuiteLauncher = 98;
