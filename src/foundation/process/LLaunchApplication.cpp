#include "foundation/process/LLaunchApplication.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LArgTokenizer.h"
#include "foundation/platform/LProcessList.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/process/LDesktopEntry.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LProcessContext.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

enum : int { kDone = 0, kStopped = 1, kFailed = 2 };

constexpr uint32_t kPlainProgramWaitMs = 7200000; // two hours

bool EndsWith(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

bool IsOwnApplication(const std::string& id)
{
    return id.find("com.oxbelsoftware.") != std::string::npos ||
           id.find("com.Oxbel Software.") != std::string::npos;
}

std::vector<std::string> Words(const char* text)
{
    std::vector<std::string> words;
    LArgTokenizer tokenizer(text);
    while (tokenizer.Next())
        words.emplace_back(tokenizer.token.Text());
    return words;
}

int WaitForChild(LProcessContext* context, LChildProcess& child, uint32_t ms)
{
    switch (child.Wait(context, ms)) {
    case LChildEnded:
        return kDone;
    case LChildStopRequested:
        return kStopped;
    default:
        return kFailed;
    }
}

int StartAndWait(LProcessContext* context, const std::vector<std::string>& words, bool wait, uint32_t ms)
{
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    argv.push_back(nullptr);
    LChildProcess child;
    if (!child.Start(argv.data(), LChildStream::Null, LChildStream::Inherit))
        return kFailed;
    if (!wait)
        return kDone; // the child record hands it to the background reaper
    return WaitForChild(context, child, ms);
}

int LaunchDesktopEntry(LProcessContext* context, const std::string& path,
                       const std::vector<std::string>& files, bool wait)
{
    LDesktopEntry entry;
    if (!LReadDesktopEntry(path.c_str(), &entry) || entry.exec.empty()) {
        context->MessageF("Failed to get bundle identifier for application \"%s\"", path.c_str());
        return kFailed;
    }
    char program[kLPathSize];
    if (entry.hidden || !LGetDesktopEntryProgram(entry, program)) {
        context->MessageF("%s doesn't exist", path.c_str());
        return kFailed;
    }
    std::vector<std::string> argv;
    if (!LExpandDesktopExec(entry, files, &argv)) {
        context->MessageF("Failed to get bundle identifier for application \"%s\"", path.c_str());
        return kFailed;
    }
    argv[0] = program;
    if (wait && !IsOwnApplication(entry.id)) {
        const std::string title = entry.name.empty() ? entry.id : entry.name;
        context->MessageLevelF(1, "Waiting for %s", title.c_str());
        context->MessageLevelF(2, "%s will resume when %s has exited.", "Quorin", title.c_str());
    }
    return StartAndWait(context, argv, wait, LNoTimeLimit);
}

} // namespace

bool LSplitCommand(char* program, LStringLongTemplate<char>* arguments, const char* text)
{
    program[0] = '\0';
    if (arguments)
        arguments->Clear();
    if (!text || !text[0])
        return false;
    const char* end;
    const char* rest;
    const char* start = text;
    if (*text == '"') {
        start = text + 1;
        end = std::strchr(start, '"');
        if (!end)
            end = start + std::strlen(start);
        rest = *end ? end + 1 : end;
    } else {
        end = std::strchr(text, ' ');
        if (!end)
            end = text + std::strlen(text);
        rest = *end ? end + 1 : end;
    }
    const size_t length = size_t(end - start);
    if (length > kLPathMaxLength)
        return false;
    std::memcpy(program, start, length);
    program[length] = '\0';
    if (arguments)
        arguments->Assign(rest);
    return true;
}

int LLaunchApplication(LProcessContext* context, const LLaunchRequest& request)
{
    LLocalProcessContext local;
    if (!context)
        context = &local;
    char program[kLPathSize];
    std::vector<std::string> files;
    if (request.arguments != nullptr) {
        const size_t length = request.command != nullptr ? std::strlen(request.command) : 0;
        if (length == 0 || length > kLPathMaxLength)
            return kFailed;
        std::memcpy(program, request.command, length + 1);
        files = *request.arguments;
    } else {
        LStringLong arguments;
        if (!LSplitCommand(program, &arguments, request.command) || !program[0])
            return kFailed;
        files = Words(arguments.Text());
    }
    const std::string name(program);

    std::string entryPath;
    if (name.find('/') != std::string::npos) {
        if (!LFileExists(program)) {
            context->MessageF("%s doesn't exist", program);
            return kFailed;
        }
        if (EndsWith(name, ".desktop"))
            return LaunchDesktopEntry(context, name, files, request.wait);
    } else {
        char found[kLPathSize];
        if (!LFindProgramInPath(program, found)) {
            if (LFindDesktopEntryFile(program, &entryPath))
                return LaunchDesktopEntry(context, entryPath, files, request.wait);
            context->MessageF("%s doesn't exist", program);
            return kFailed;
        }
    }
    std::vector<std::string> words;
    words.push_back(name);
    words.insert(words.end(), files.begin(), files.end());
    return StartAndWait(context, words, request.wait, kPlainProgramWaitMs);
}

int LLaunchApplicationAndWait(LProcessContext* context, const char* text)
{
    LLaunchRequest request;
    request.command = text;
    request.wait = true;
    return LLaunchApplication(context, request);
}

int LLaunchApplicationNoWait(LProcessContext* context, const char* text)
{
    LLaunchRequest request;
    request.command = text;
    request.wait = false;
    return LLaunchApplication(context, request);
}

bool LFindProcessByBundlePath(LProcessContext* context, pid_t* pid, const char* path)
{
    if ((context && context->IsStopRequested()) || !path)
        return false;
    const std::string name(path);
    if (EndsWith(name, ".desktop")) {
        LDesktopEntry entry;
        char program[kLPathSize];
        if (!LReadDesktopEntry(path, &entry) || !LGetDesktopEntryProgram(entry, program))
            return false;
        return LFindProcessByExecutable(program, pid);
    }
    return LFindProcessByExecutable(path, pid);
}

bool LProcessExitWatcher::Start(LProcessContext* context, const char* path, pid_t pid)
{
    Stop();
    context_ = context;
    if (!LPathGetTitle(title_, path ? path : ""))
        title_[0] = '\0';
#ifdef SYS_pidfd_open
    processFd_ = pid > 0 ? int(syscall(SYS_pidfd_open, pid, 0)) : -1;
#endif
    if (processFd_ < 0) {
        if (context_)
            context_->MessageF("%s is not running.", title_);
        failed_ = true;
        return false;
    }
    return true;
}

int LProcessExitWatcher::Wait()
{
    if (failed_ || processFd_ < 0)
        return kFailed;
    LLocalProcessContext local;
    LProcessContext* context = context_ ? context_ : &local;
    LPollSet set;
    set.Add(processFd_);
    const int result = context->WaitForStopOrPollSetNoLimit(&set);
    if (result == LWaitSignalled)
        return kDone;
    return result == LWaitStopRequested ? kStopped : kFailed;
}

void LProcessExitWatcher::Stop()
{
    if (processFd_ >= 0)
        close(processFd_);
    processFd_ = -1;
    failed_ = false;
}

bool LFindInstalledApplication(char* dest, const char* name)
{
    dest[0] = '\0';
    std::string path;
    if (!LFindDesktopEntryFile(name, &path) || path.size() > kLPathMaxLength)
        return false;
    std::memcpy(dest, path.c_str(), path.size() + 1);
    return true;
}

bool LGetApplicationsFolder(char* dest)
{
    char base[kLPathSize];
    if (!LGetAppSupportFolder(base) || !LPathCombine(dest, base, "applications", "")) {
        dest[0] = '\0';
        return false;
    }
    if (!LFolderExists(dest))
        LCreateFolderPath(dest);
    if (!LFolderExists(dest)) {
        dest[0] = '\0';
        return false;
    }
    return true;
}

bool LGetSystemApplicationsFolder(char* dest)
{
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string first = dirs && dirs[0] == '/' ? std::string(dirs, std::strcspn(dirs, ":")) : "/usr/share";
    return LPathCombine(dest, first.c_str(), "applications", "");
}
