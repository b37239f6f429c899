#pragma once
// Whether a newer version of the program exists: a small version file on the
// maker's server ("version=3.10&info=<page>&download=<address>"), fetched
// over HTTPS. The Help menu's check asks and reports, the silent check
// remembers the newest version seen, and the start-up check may offer the
// new version before the main window opens.

#include "foundation/dates/LDateTime.h"
#include "gui/framework/LProgressDialog.h"
#include "online/LVersionFile.h"

#include <cstddef>
#include <string>

class LProcessContext;
class LWindow;

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

// The progress window around LUpdateCheck.
class LUpdateCheckDialog : public LProgressDialog
{
public:
    LUpdateCheckDialog();
    int64_t Process() override;

    int result = 2;
    LVersionInfo info;
};

// The Help menu's "Check for New Version", over the main window.
void LCheckForUpdates(LWindow* mainWindow);

// The newest version known: the remembered one when it is newer than this
// program and was seen within the last 6 months, otherwise what the server
// says now (then remembered). 0, 1 stopped, 2 failed.
int LSilentUpdateCheck(double* version);

// The start-up check, before the main window exists; false stops the
// start-up (the user chose to get the new version). Linux has no system
// the program stops supporting, so the required mode never triggers and the
// flag is only kept for the caller.
bool LStartupUpdateCheck(bool osCheckRequired);

// The clock, build date and system the start-up check decides by.
struct LStartupCheckFacts
{
    LDateTime now;
    LDateTime buildDate;
    int osCode = 0; // major x 100 + minor of the distribution's version
};
bool LStartupUpdateCheckWith(bool osCheckRequired, const LStartupCheckFacts& facts);

// The running system's code: os-release VERSION_ID "12" is 1200, "22.04" is
// 2204; the kernel's version when there is none.
int LCurrentOsCode();
