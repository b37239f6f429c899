#pragma once
// The support services the application calls at fixed points of its run: the
// update checks (from the online layer), crash detection, the usage
// counters and the end-of-run feedback, the maker's web pages and the share
// links.

#include "foundation/process/LCrashSignalHandler.h"
#include "gui/framework/LView.h"
#include "online/LScheduledLaunch.h"
#include "online/LUpdateCheck.h"
#include "online/LUsageCounters.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
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
// Reads and deletes the marker a crashed run left; true with it filled.
bool LTakeCrashMarker(LCrashMarker* out);
// "Linux<machine><os major><os minor, two digits>", e.g. "LinuxX641200".
std::string LCrashPlatformText();
// "<code>-<platform>-<module>-<thread>" (260 bytes) for the calling thread:
// its short name ("Unknown" when it has none, nothing when the name is its
// number), its activity and, on the main thread, the run phase text.
void LMakeCrashCode(char* dest, const char* code, const char* module);
// The same for the thread and phase a crash marker recorded.
void LMakeCrashCodeFromMarker(char* dest, const char* code, const char* module, const LCrashMarker& marker);
// The bug-report page for an abnormal end: with a marker the crash code
// ("xi=GUI-<code>"), without one a hang or unknown end
// ("xi=AbTermOrHang-Linux<os>"); values percent-encoded.
std::string LAbnormalEndReportUrl(const LCrashMarker* marker);
void LOpenAbnormalEndReport(const LCrashMarker* marker);
// The crash-report query of the bug-report page (260 bytes), "" when no
// crash was recorded.
void LBuildCrashReportQuery(char* dest);

// ---- Usage counters and end-of-run feedback ----
// The end of a run, when the main window goes: the survey state and the run count.
void LRunEndSurveyHook(LWindow* mainWindow);
// The maker's page with the site query and the usage parameter.
std::string LThanksPageUrl(const char* path);
// The long-term thank-you page, once after 180 days since the first
// installation and once more after 365; true when it opened.
bool LOpenLongTermThanks();
// The first thank-you page, once ("Thanks" of section "Settings"); for one
// user in two (one in ten when the build is older than three weeks), the
// survey launch "LikeSurvey" in two days or, with "ShowSurveyNow", in 45
// seconds. The schedule's result; kScheduleFailed when none was made.
LScheduleResult LOpenThanksAndScheduleSurvey(time_t now);
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
