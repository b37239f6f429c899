#pragma once
// Whether a newer version of the program exists: a small version file on the
// maker's server ("version=3.10&info=<page>&download=<address>"), fetched
// over HTTPS. The silent check remembers the newest version seen, and the
// start-up check may offer the new version before the main window opens.
// This layer has no windows: what the checks show and ask goes through
// LUpdateCheckPrompts, which the program's windows fill
// (app/program/online/UpdateCheckDialogs.h, with the Help menu's check).

#include "foundation/dates/LDateTime.h"
#include "online/LVersionFile.h"

#include <cstddef>
#include <functional>
#include <string>

class LProcessContext;

// The running version, compared as a number.
inline constexpr char kQuorinVersionText[] = "3.00";
inline constexpr int kQuorinVersionHundredths = 300;
// Where the version file lies on the maker's site.
inline constexpr char kVersionFilePath[] = "/versions/quorin_mac.txt";
// The most of the version file that is read.
inline constexpr size_t kVersionFileSize = 2048;

// A version as the settings keep it: hundredths, rounded (2.3 is 230).
int LVersionHundredths(double version);

// The page of a version file's "info=" value when it may be opened: an
// http(s) address ("http://" put in front of a text without a scheme);
// "" for anything else (file:, javascript:, ...).
std::string LUpdateInfoPageUrl(const char* info);

// Fetches and reads the version file, reporting on the context's status
// lines: 0 with the record filled, 1 stopped, 2 failed.
int LUpdateCheck(LProcessContext* context, LVersionInfo* out);

// What the checks need from a user's screen: the fetch where it can be
// watched and stopped, and the start-up's offer of the new version.
struct LUpdateCheckPrompts
{
    // Runs LUpdateCheck and returns its result (0 with *info filled, 1
    // stopped, 2 failed).
    std::function<int(LVersionInfo* info)> runCheck;
    // Offers the new version with the text; true when the user chose to get it.
    std::function<bool(const std::string& text)> offerNewVersion;
};

// The newest version known: the remembered one when it is newer than this
// program, otherwise what the server says now (then remembered). 0, 1 stopped, 2 failed.
int LSilentUpdateCheck(const LUpdateCheckPrompts& prompts, double* version);

// The clock, build date and system the start-up check decides by.
struct LStartupCheckFacts
{
    LDateTime now;
    LDateTime buildDate;
    int osCode = 0; // major x 100 + minor of the distribution's version
};
// This moment, this program's build date and the running system.
LStartupCheckFacts LCurrentStartupCheckFacts();

// The start-up check, before the main window exists; false stops the
// start-up (the user chose to get the new version, whose page is then
// opened). Linux has no system the program stops supporting, so the
// required mode never triggers and the flag is only kept for the caller.
bool LStartupUpdateCheckWith(bool osCheckRequired, const LStartupCheckFacts& facts,
                             const LUpdateCheckPrompts& prompts);

// The running system's code: os-release VERSION_ID "12" is 1200, "22.04" is
// 2204; the kernel's version when there is none.
int LCurrentOsCode();
