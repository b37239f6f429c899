#pragma once
// The support services the application calls at fixed points of its run: the
// update checks (from the online layer), crash detection, the usage
// counters and the end-of-run feedback, the maker's web pages and the share
// links.

#include "gui/framework/LView.h"
#include "online/LUpdateCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class LWindow;

// ---- Crash and hang detection ----
// Run start: takes the run's lock file in the caches folder; a lock file left
// unlocked by a run that died is removed and reported as an abnormal end
// (LAbnormalEndDetected). A second copy running at once asks nothing.
void LStartCrashDetection();
// The lock-file part of it, without the question: true when the previous
// run ended abnormally (its file is then deleted and this run makes none).
bool LTakeCrashLockFile();
// Normal exit: releases and deletes the lock file.
void LStopCrashDetection();
// Whether the last LStartCrashDetection found the previous run ended abnormally.
bool LAbnormalEndDetected();
// The lock file's path (260 bytes): "_quorin_rl_" + login name in the caches folder.
bool LGetCrashLockFilePath(char* dest);
// The crash-report query of the bug-report page (260 bytes), "" when no
// crash was recorded.
void LBuildCrashReportQuery(char* dest);

// ---- Usage counters and end-of-run feedback ----
// The process-wide counters (64 entries at start): id in bits 0-15, count in
// bits 32-63.
std::vector<uint64_t>& LUsageCounters();
// "QuorinCounts.txt" in the caches folder.
bool LGetUsageCountersPath(char* dest);
// Loads at most 256 entries; a missing or locked file leaves them as they are.
void LLoadUsageCounters();
// Writes all entries (mode 0644 less the umask, through a temporary file).
void LSaveUsageCounters();
// Deletes the setting "SVar" and the counters file (new installation).
void LDeleteUsageCounters();
// The end of a run, when the main window goes: the survey state and the run count.
void LRunEndSurveyHook(LWindow* mainWindow);
// "Runs" and "RunsSinceLastInstall" + 1.
void LCountRun();

// ---- Web pages and share links ----
// The maker's page: a name beginning with '+' is on the second site.
std::string LProductPageUrl(const char* page);
void LOpenProductPage(const char* page);
// Share and social commands of the main window; false when not one of them.
bool LOnShareCommand(LWindow* mainWindow, int command);
// The suite launcher dialog over the view, opened on a tab.
void LOpenSuiteLauncher(LViewHandle parentView, const char* initialTab);

// The maker's addresses (the online layer's, QUORIN_SITE not applied).
extern const char* const kMakerSite;
extern const char* const kMakerSecondSite;
extern const char* const kMakerFacebookPage;
extern const char* const kMakerTwitterPage;
