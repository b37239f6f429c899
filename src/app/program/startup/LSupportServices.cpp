#include "app/program/startup/LSupportServices.h"

#include "app/program/LMainWindow.h"
#include "app/program/menus/LApplicationMenus.h"
#include "app/program/startup/LAppStartup.h"
#include "app/program/suite/LSuiteLauncherDialog.h"
#include "foundation/dates/LDateTime.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LBundle.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/process/LProcessStartup.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LThreadNames.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"
#include "online/LHelpTopics.h"
#include "online/LOnlineSite.h"
#include "online/LUpdateCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/utsname.h>
#include <unistd.h>

const char* const kMakerSite = kQuorinSite;
const char* const kMakerSecondSite = kQuorinSecondSite;
const char* const kMakerFacebookPage = kQuorinFacebookPage;
const char* const kMakerTwitterPage = kQuorinTwitterPage;

namespace {

bool IsSet(const char* value)
{
    return value[0] != '\0' && value[0] != '0';
}

// ---- crash detection state ----
struct CrashLock
{
    char path[260] = {};
    int fd = -1;
    bool abnormalEnd = false;
};

CrashLock& Lock()
{
    static CrashLock lock;
    return lock;
}

void PutLittleEndian(unsigned char* out, int64_t value)
{
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<unsigned char>(static_cast<uint64_t>(value) >> (8 * i));
}

int64_t GetLittleEndian(const unsigned char* in)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | in[i];
    return static_cast<int64_t>(value);
}

int64_t WallClockMs()
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_usec / 1000;
}

} // namespace

bool LTakeCrashLockFile()
{
    CrashLock& lock = Lock();
    const int64_t nowSeconds = static_cast<int64_t>(time(nullptr));
    const int64_t nowMs = WallClockMs();
    if (lock.fd >= 0) {
        close(lock.fd);
        lock.fd = -1;
    }
    if (!LGetCrashLockFilePath(lock.path))
        return false;
    int fd = open(lock.path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd >= 0) {
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return false;
        }
        unsigned char record[16];
        PutLittleEndian(record, nowSeconds);
        PutLittleEndian(record + 8, nowMs);
        if (write(fd, record, sizeof record) != static_cast<ssize_t>(sizeof record)) {
            // Without its record the file cannot tell anything later.
        }
        lock.fd = fd;
        return false;
    }
    fd = open(lock.path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        close(fd); // another copy runs and holds it
        return false;
    }
    unsigned char record[16] = {};
    const ssize_t got = read(fd, record, sizeof record);
    (void)got; // a short read leaves zeros
    close(fd);
    unlink(lock.path);
    // The stored times must agree with each other as the clocks now do;
    // otherwise the clock was changed and the file tells nothing.
    const int64_t storedSeconds = GetLittleEndian(record);
    const int64_t storedMs = GetLittleEndian(record + 8);
    const int64_t elapsed = nowSeconds - storedSeconds;
    const int64_t expected = storedMs + elapsed * 1000;
    return nowMs > expected - 2000 && nowMs < expected + 2000;
}

namespace {

std::string Encode(const char* text);

void AskAboutAbnormalEnd(const LCrashMarker* marker)
{
    LMessageBox question(
        nullptr,
        "Did Quorin hang or crash when last run?\r\n\r\nClick 'It Crashed' if Quorin failed. Click "
        "'Something Else' if it was because of something else (a hard logoff for example) or if "
        "you did not notice anything wrong or don't remember.",
        "Abnormal Termination Detected");
    question.SetButton(1, "It Crashed");
    question.SetButton(2, "Something Else");
    if (question.Show() != 1)
        return;
    // Whole, even when a signal interrupts the sleep.
    struct timespec rest = {0, 600 * 1000 * 1000};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
    LMessageBox report(
        nullptr,
        "Oops! Quorin had an abnormal termination. Help us fix this problem by clicking 'Report "
        "Bug' below and entering a bug report for our developers.\r\n\r\nWe appreciate your help!",
        "Abnormal Termination Detected");
    report.SetButton(1, "Report Bug");
    report.SetButton(2, "No");
    if (report.Show() == 1)
        LOpenAbnormalEndReport(marker);
}

// The thread part of a crash code: the short name ("Unknown" for a thread
// without one, nothing for a name that is only the thread's number), its
// activity, and on the main thread the run phase.
std::string CrashThreadText(bool known, const char* name, const char* activity, bool mainThread, int phase,
                            int lastCommand)
{
    std::string text;
    if (!known)
        text = "Unknown";
    else if (!(name[0] >= '0' && name[0] <= '9'))
        text = name;
    text += activity;
    if (mainThread) {
        char phaseText[260];
        LFormatRunPhaseText(phase, lastCommand, phaseText);
        text += phaseText;
    }
    return text;
}

std::string Encode(const char* text)
{
    return LPercentEncode(text, 260);
}

} // namespace

// ---- Crash and hang detection ----

bool LGetCrashLockFilePath(char* dest)
{
    dest[0] = '\0';
    char caches[260];
    if (!LGetCachesFolder(caches))
        return false;
    const char* login = std::getenv("LOGNAME");
    if (login == nullptr)
        login = std::getenv("USER");
    char name[260];
    std::snprintf(name, sizeof name, "_quorin_rl_%s", login != nullptr ? login : "");
    // A login name is one file name, never a path.
    for (char* p = name; *p != '\0'; ++p)
        if (*p == '/')
            *p = '_';
    return LPathCombine(dest, caches, name, "");
}

void LStartCrashDetection()
{
    // The marker follows the folders of this run's environment.
    LUpdateCrashMarkerPath();
    const bool leftLockFile = LTakeCrashLockFile();
    LCrashMarker marker;
    const bool crashed = LTakeCrashMarker(&marker);
    Lock().abnormalEnd = leftLockFile || crashed;
    if (crashed) {
        // What the bug-report command of the Help menu sends later.
        char code[260], signal[32];
        std::snprintf(signal, sizeof signal, "%d", marker.signalNumber);
        LMakeCrashCodeFromMarker(code, signal, "UnknownModule", marker);
        LSettingsSetInt("RDF", "Time", marker.time != 0 ? marker.time : static_cast<int64_t>(time(nullptr)));
        LSettingsSetString("RDF", "ID", code);
        LSettingsSetString("RDF", "Thread", marker.threadKnown ? marker.thread : "Unknown");
    }
    if (Lock().abnormalEnd)
        AskAboutAbnormalEnd(crashed ? &marker : nullptr);
}

bool LTakeCrashMarker(LCrashMarker* out)
{
    char path[260];
    if (!LGetCrashMarkerPath(path))
        return false;
    const bool found = LReadCrashMarker(path, out);
    unlink(path);
    return found;
}

std::string LCrashPlatformText()
{
    struct utsname names;
    std::string machine = uname(&names) == 0 ? names.machine : "";
    if (machine == "x86_64")
        machine = "X64";
    else if (machine == "aarch64")
        machine = "Arm64";
    const int os = LCurrentOsCode();
    char text[260];
    std::snprintf(text, sizeof text, "Linux%s%d%02d", machine.c_str(), os / 100, os % 100);
    return text;
}

void LMakeCrashCode(char* dest, const char* code, const char* module)
{
    // The table is read under its lock here; the signal handler reads it
    // without, as it must.
    const uint32_t tid = LCurrentThreadId();
    bool known = false;
    char name[8] = {}, activity[32] = {};
    {
        static std::mutex tableReader;
        std::lock_guard<std::mutex> hold(tableReader);
        if (const LThreadNameEntry* entry = LGetThreadNameTable().Find(tid)) {
            known = true;
            std::memcpy(name, entry->shortName, sizeof name - 1);
            std::memcpy(activity, entry->activity, sizeof activity - 1);
        }
    }
    const std::string thread = CrashThreadText(known, name, activity, LIsMainThread(), LGetAppRunPhase(),
                                               LGetCrashState().lastCommand);
    std::snprintf(dest, 260, "%s-%s-%s-%s", code, LCrashPlatformText().c_str(), module, thread.c_str());
}

void LMakeCrashCodeFromMarker(char* dest, const char* code, const char* module, const LCrashMarker& marker)
{
    const std::string thread = CrashThreadText(marker.threadKnown, marker.thread, marker.activity,
                                               marker.mainThread, marker.phase, marker.lastCommand);
    std::snprintf(dest, 260, "%s-%s-%s-%s", code, LCrashPlatformText().c_str(), module, thread.c_str());
}

std::string LAbnormalEndReportUrl(const LCrashMarker* marker)
{
    char iid[260];
    LSettingsGetString("Software", "IID", "", iid);
    std::string xi;
    if (marker != nullptr) {
        char code[260], signal[32];
        std::snprintf(signal, sizeof signal, "%d", marker->signalNumber);
        LMakeCrashCodeFromMarker(code, signal, "UnknownModule", *marker);
        xi = "GUI-" + std::string(code);
    } else {
        const int os = LCurrentOsCode();
        char text[64];
        std::snprintf(text, sizeof text, "AbTermOrHang-Linux%d%02d", os / 100, os % 100);
        xi = text;
    }
    return LSiteUrl(
        ("/software/bug.html?software=Quorin&version=3.00&xi=" + Encode(xi.c_str()) + "&iid=" + Encode(iid))
            .c_str());
}

void LOpenAbnormalEndReport(const LCrashMarker* marker)
{
    LOpenURL(LAbnormalEndReportUrl(marker).c_str());
}

void LStopCrashDetection()
{
    CrashLock& lock = Lock();
    if (lock.fd < 0)
        return; // another copy's file, or none: not ours to delete
    close(lock.fd);
    lock.fd = -1;
    unlink(lock.path);
}

bool LAbnormalEndDetected()
{
    return Lock().abnormalEnd;
}

void LBuildCrashReportQuery(char* dest)
{
    dest[0] = '\0';
    if (LSettingsGetInt64("RDF", "Time", 0) == 0)
        return;
    char id[260], thread[260];
    LSettingsGetString("RDF", "ID", "", id);
    LSettingsGetString("RDF", "Thread", "", thread);
    std::string inner = "id=" + Encode(id) + "&th=" + Encode(thread) + "&cs=";
    if (inner.size() > 259)
        inner.resize(259);
    const std::string outer = Encode(inner.c_str());
    std::snprintf(dest, 260, "%s", outer.c_str());
}

// ---- Usage counters and end-of-run feedback ----

void LCountRun()
{
    char text[32];
    std::snprintf(text, sizeof text, "%d", LSettingsGetInt("Settings", "Runs", 0) + 1);
    LSettingsSetString("Settings", "Runs", text);
    std::snprintf(text, sizeof text, "%d", LSettingsGetInt("Settings", "RunsSinceLastInstall", 0) + 1);
    LSettingsSetString("Settings", "RunsSinceLastInstall", text);
}

std::string LThanksPageUrl(const char* path)
{
    std::string url = LSiteUrl(path);
    LAppendSiteQuery(url);
    LAppendUsageParam(url);
    return url;
}

bool LOpenLongTermThanks()
{
    const int shown = LSettingsGetInt("Settings", "LongTermDays", 0);
    if (shown > 364)
        return false;
    int days = 0;
    if (!LGetDaysSinceFirstInstall(&days) || days < 180)
        return false;
    // Once after half a year, once more after a year.
    if (!(shown < 180 || days >= 365))
        return false;
    std::string url = LThanksPageUrl("/software/thanksforusing.html");
    char tail[64];
    std::snprintf(tail, sizeof tail, "&days=%d&runs=%d", days, LSettingsGetInt("Settings", "Runs", 0));
    url += tail;
    if (url.size() > kHelpUrlCapacity)
        url.resize(kHelpUrlCapacity);
    LOpenURL(url.c_str());
    LSettingsSetInt("Settings", "LongTermDays", days);
    return true;
}

LScheduleResult LOpenThanksAndScheduleSurvey(time_t now)
{
    char thanks[260];
    LSettingsGetString("Settings", "Thanks", "", thanks);
    if (IsSet(thanks))
        return kScheduleFailed;
    LSettingsSetString("Settings", "Thanks", "1");
    std::string url = LThanksPageUrl("/software/thanks.html");
    if (url.size() > kHelpUrlCapacity)
        url.resize(kHelpUrlCapacity);
    LOpenURL(url.c_str());

    // Only every second user (every tenth once the build is three weeks old)
    // is asked.
    const int64_t divisor = now - LGetBuildDate().seconds < 1814400 ? 2 : 10;
    if (now % divisor != 0)
        return kScheduleFailed;
    const unsigned q = static_cast<unsigned>((now / divisor) & 0xFF);
    time_t when = now + 172800;
    if ((q & 1) == 0) {
        when = now + 45;
        LSettingsSetString("Software", "ShowSurveyNow", "1");
    }
    char executable[260];
    if (!LGetExecutablePath(executable, sizeof executable))
        return kScheduleFailed;
    LScheduleRecord once;
    return LScheduleLaunch(once, "LikeSurvey", executable, "-surveysched", when);
}

void LRunEndSurveyHook(LWindow* mainWindow)
{
    (void)mainWindow;
    LOpenLongTermThanks();
    LOpenThanksAndScheduleSurvey(time(nullptr));
    char show[260];
    LSettingsGetString("Software", "ShowSurvey", "", show);
    if (IsSet(show)) {
        LSettingsDelete("Software", "ShowSurvey");
        LSettingsSetString("Software", "ShowSurveyNow", "1");
        LRemoveScheduledLaunch("LikeSurvey");
        return;
    }
    LCountRun();
}

// ---- Web pages and share links ----

std::string LProductPageUrl(const char* page)
{
    const char* name = page != nullptr ? page : "";
    std::string url = name[0] == '+' ? std::string(kMakerSecondSite) + "/" + (name + 1)
                                     : std::string(kMakerSite) + "/" + name;
    url += ".html";
    if (url.size() > 259)
        url.resize(259);
    return url;
}

void LOpenProductPage(const char* page)
{
    LOpenURL(LApplySiteOverride(LProductPageUrl(page).c_str()).c_str());
}

bool LOnShareCommand(LWindow* mainWindow, int command)
{
    const std::string product = LHomePageUrl();
    std::string url;
    switch (command) {
    case LToolBar::kShareCommand: {
        LMainWindow* main = dynamic_cast<LMainWindow*>(mainWindow);
        return main != nullptr && main->ToolBar().ShowDropDownMenu(LToolBar::kShareCommand);
    }
    case 9310:
        url = "https://www.facebook.com/sharer/sharer.php?u=" + product;
        break;
    case 9311:
        url = "https://twitter.com/?status=" +
              Encode("I just downloaded Quorin Dizer od OD Udivezeve. Try it here: ") + product;
        break;
    case 9316:
        url = "https://www.linkedin.com/shareArticle?url=" + product + "&title=Oxbel+Software&mini=true";
        break;
    case 9320:
        url = kMakerFacebookPage;
        break;
    default:
        return false;
    }
    LOpenURL(url.c_str());
    return true;
}

void LOpenSuiteLauncher(LViewHandle parentView, const char* initialTab)
{
    LOpenSuiteLauncherDialog(parentView, initialTab);
}
