#include "app/program/startup/LSupportServices.h"

#include "app/program/menus/LApplicationMenus.h"
#include "app/program/suite/LSuiteLauncherDialog.h"
#include "foundation/dates/LDateTime.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"
#include "online/LOnlineSite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
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

void OpenAbnormalEndReport()
{
    char iid[260];
    LSettingsGetString("Software", "IID", "", iid);
    std::string url = std::string(kMakerSite) +
                      "/software/bug.html?software=Quorin&version=3.00&xi=AbTermOrHang-Linux&iid=" +
                      LPercentEncode(iid, 260);
    LOpenURL(url.c_str());
}

void AskAboutAbnormalEnd()
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
    usleep(600 * 1000);
    LMessageBox report(
        nullptr,
        "Oops! Quorin had an abnormal termination. Help us fix this problem by clicking 'Report "
        "Bug' below and entering a bug report for our developers.\r\n\r\nWe appreciate your help!",
        "Abnormal Termination Detected");
    report.SetButton(1, "Report Bug");
    report.SetButton(2, "No");
    if (report.Show() == 1)
        OpenAbnormalEndReport();
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
    Lock().abnormalEnd = LTakeCrashLockFile();
    if (Lock().abnormalEnd)
        AskAboutAbnormalEnd();
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

std::vector<uint64_t>& LUsageCounters()
{
    static std::vector<uint64_t> counters(64, 0);
    return counters;
}

bool LGetUsageCountersPath(char* dest)
{
    dest[0] = '\0';
    char caches[260];
    return LGetCachesFolder(caches) && LPathCombine(dest, caches, "QuorinCounts", ".txt");
}

void LLoadUsageCounters()
{
    char path[260];
    if (!LGetUsageCountersPath(path))
        return;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (!LFileLockWait(fd, LOCK_SH | LOCK_NB, 1000)) {
        close(fd);
        return;
    }
    unsigned char head[4];
    if (read(fd, head, 4) == 4) {
        const uint32_t count = head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
        const uint32_t n = count < 256 ? count : 256;
        std::vector<uint64_t>& counters = LUsageCounters();
        if (counters.size() < n)
            counters.resize(n, 0);
        for (uint32_t i = 0; i < n; ++i) {
            unsigned char entry[8];
            if (read(fd, entry, 8) != 8)
                break;
            counters[i] = static_cast<uint64_t>(GetLittleEndian(entry));
        }
    }
    close(fd);
}

void LSaveUsageCounters()
{
    char path[260];
    if (!LGetUsageCountersPath(path))
        return;
    const std::vector<uint64_t>& counters = LUsageCounters();
    std::vector<unsigned char> data(4 + 8 * counters.size());
    const uint32_t count = static_cast<uint32_t>(counters.size());
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<unsigned char>(count >> (8 * i));
    for (size_t i = 0; i < counters.size(); ++i)
        PutLittleEndian(&data[4 + 8 * i], static_cast<int64_t>(counters[i]));
    // Written whole beside the file and renamed over it.
    char temp[260];
    const int fd = LCreateFileBeside(path, temp, sizeof temp, 0644);
    if (fd < 0)
        return;
    const bool written = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    close(fd);
    if (!written || rename(temp, path) != 0)
        unlink(temp);
}

void LDeleteUsageCounters()
{
    LSettingsDelete("Software", "SVar");
    char path[260];
    if (LGetUsageCountersPath(path))
        unlink(path);
}

void LCountRun()
{
    char text[32];
    std::snprintf(text, sizeof text, "%d", LSettingsGetInt("Settings", "Runs", 0) + 1);
    LSettingsSetString("Settings", "Runs", text);
    std::snprintf(text, sizeof text, "%d", LSettingsGetInt("Settings", "RunsSinceLastInstall", 0) + 1);
    LSettingsSetString("Settings", "RunsSinceLastInstall", text);
}

void LRunEndSurveyHook(LWindow* mainWindow)
{
    (void)mainWindow;
    // The thank-you pages and the survey schedule belong to the online
    // layer; the survey state and the run count are kept here.
    char show[260];
    LSettingsGetString("Software", "ShowSurvey", "", show);
    if (IsSet(show)) {
        LSettingsDelete("Software", "ShowSurvey");
        LSettingsSetString("Software", "ShowSurveyNow", "1");
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
    (void)mainWindow;
    const std::string product = LHomePageUrl();
    std::string url;
    switch (command) {
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
