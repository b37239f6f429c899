#include "app/program/RelatedPrograms.h"

#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/process/LLaunchApplication.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LProgressDialog.h"
#include "gui/framework/LWindow.h"
#include "online/LRelatedProgramInstall.h"
#include "online/LSuiteProducts.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// Waits under the progress window until the program has ended: a copy that
// took the file over its socket is watched; otherwise the program is started
// with the file and waited for.
class RunRelatedProgramTask : public LProgressDialog
{
public:
    // running: a copy took the file over its socket; reader is its process
    // (0 when unknown: then the process of the installed program is looked for).
    RunRelatedProgramTask(const char* title, const char* program, const std::string& argument, bool running,
                          pid_t reader = 0)
        : LProgressDialog(title), program_(program), argument_(argument), running_(running), reader_(reader)
    {
    }

    int64_t Process() override
    {
        if (running_)
            return WaitForRunningCopy();
        LRelatedLaunchRequest request;
        request.wait = true;
        request.program = program_;
        if (!argument_.empty())
            request.arguments.push_back(argument_);
        return LLaunchRelatedProgram(this, request);
    }

private:
    int64_t WaitForRunningCopy()
    {
        char path[kLPathSize];
        pid_t pid = reader_;
        if (!LFindRelatedProgram(path, program_))
            std::snprintf(path, sizeof path, "%s", program_);
        if (pid <= 0 && !LFindProcessByBundlePath(this, &pid, path))
            return 0; // it has ended already
        MessageLevelF(0, "Waiting for %s", program_);
        MessageLevelF(1, "%s will resume when %s has exited.", "Quorin", program_);
        // Waiting through this window keeps it painting and its Cancel
        // working: the copy may run for hours. Cancel ends the wait, not the copy.
        if (kill(pid, 0) != 0 && errno == ESRCH)
            return 0; // it has ended already
        LProcessExitWatcher watcher;
        if (!watcher.Start(this, path, pid))
            return 0;
        return watcher.Wait();
    }

    const char* program_;
    std::string argument_;
    bool running_;
    pid_t reader_;
};

// The install of a missing program, under its progress window.
class LRelatedInstallTask : public LProgressDialog
{
public:
    explicit LRelatedInstallTask(const char* program) : LProgressDialog("Install Program"), program_(program)
    {
    }
    int64_t Process() override
    {
        result = LDownloadAndInstallRelatedProgram(this, program_);
        return 1;
    }

    int result = 2;

private:
    const char* program_;
};

LViewHandle ViewOf(LWindow* window)
{
    return window != nullptr ? window->GetView() : nullptr;
}

} // namespace

LSendFileResult LSendFileToRelatedProgram(LWindow* parent, const char* program, const char* argument,
                                          bool wait, const char* title)
{
    // The window keeps repainting while a slow copy takes its time.
    pid_t reader = 0;
    const LHandOverResult result = LHandOverToRelatedProgram(
        program, argument, kHandOverLimitMs,
        [] {
            LProcessPendingEvents();
            return false;
        },
        &reader);
    if (result == LHandOverResult::TooLong) {
        LLogWarningF("%s: a path of %zu bytes is too long to hand over", program, std::strlen(argument));
        return LSendFileResult::Refused;
    }
    if (result == LHandOverResult::Failed)
        LLogWarningF("%s did not take the file within %u seconds", program, kHandOverLimitMs / 1000);
    if (result != LHandOverResult::Delivered)
        return LSendFileResult::NotTaken;
    if (!wait)
        return LSendFileResult::HandedOver;
    RunRelatedProgramTask task(title, program, std::string(), true, reader);
    return task.Run(ViewOf(parent)) == 0 ? LSendFileResult::HandedOver : LSendFileResult::NotTaken;
}

LRelatedMessage LHandOverRefusal(const char* program, const char* argument)
{
    LRelatedMessage message;
    message.line = std::string("The file cannot be handed to ") + program + ".";
    char why[600];
    // Cut, the path would name another file or none; started anew, the
    // program takes it whole as its argument.
    std::snprintf(why, sizeof why,
                  "Its path is %zu bytes long, and a running %s takes at most %zu. Quit %s and try again: "
                  "Quorin then starts it with the file.",
                  std::strlen(argument), program, kHandOverTextMax, program);
    message.text = why;
    return message;
}

int LLaunchRelatedProgram(const char* program, const std::vector<std::string>& arguments)
{
    LRelatedLaunchRequest request;
    request.program = program;
    request.arguments = arguments;
    const int result = LLaunchRelatedProgram(nullptr, request);
    if (result != 0)
        LLogWarningF("%s could not be started", program);
    return result;
}

int LRunRelatedProgramDialog(LWindow* parent, const char* title, const char* program,
                             const std::string& argument, bool wait)
{
    if (!LIsRelatedProgramInstalled(program) && !LOfferRelatedProgramInstall(ViewOf(parent), program))
        return 2;
    if (!wait) {
        std::vector<std::string> arguments;
        if (!argument.empty())
            arguments.push_back(argument);
        return LLaunchRelatedProgram(program, arguments);
    }
    RunRelatedProgramTask task(title, program, argument, false);
    return static_cast<int>(task.Run(ViewOf(parent)));
}

std::string LRelatedProgramPageUrl(const char* program)
{
    const std::string key = LSuiteProductKeyFromName(program);
    for (const LSuiteProductName& row : LSuiteProductNames) {
        if (key != row.key)
            continue;
        const LSuiteProductInfo* info = LSuiteFindProductInfo(row.name);
        return LSuiteProductPageUrl(info != nullptr ? info->webFolder : row.webFolder);
    }
    return LSuiteProductPageUrl(LSuiteWebFolderFromKey(key.c_str()).c_str());
}

int LInstallRelatedProgram(LViewHandle parent, const char* program)
{
    LRelatedInstallTask task(program);
    task.Run(parent);
    return task.result;
}

bool LOfferRelatedProgramInstall(LViewHandle parent, const char* program)
{
    char message[300];
    std::snprintf(message, sizeof message, "%s is not installed.", program);
    const std::string explanation = std::string("Quorin can download ") + program +
                                    " from Oxbel Software and install it for you, or open its web page.";
    LMessageBox box(parent, explanation.c_str(), message);
    box.SetButton(1, "Install");
    box.SetButton(2, "Cancel");
    box.SetButton(3, "Open Web Page");
    const int answer = box.Show();
    if (answer == 3) {
        LOpenURL(LRelatedProgramPageUrl(program).c_str());
        return LIsRelatedProgramInstalled(program);
    }
    if (answer != 1)
        return false;
    const int result = LInstallRelatedProgram(parent, program);
    if (result == 0)
        return LIsRelatedProgramInstalled(program);
    if (result == 1)
        return false; // the user stopped it
    // What cannot be installed here is offered where the user can get it.
    std::snprintf(message, sizeof message, "%s could not be installed.", program);
    const std::string why =
        result == kRelatedInstallNotInstallable
            ? std::string("Quorin cannot install the download of ") + program +
                  " by itself. Its web page tells how to install it."
            : std::string("The download of ") + program +
                  " did not succeed. You can download it from its web page, install it and try again.";
    LMessageBox failed(parent, why.c_str(), message);
    failed.style = LMessageBoxCriticalStyle;
    failed.SetButton(1, "Open Web Page");
    failed.SetButton(2, "Cancel");
    if (failed.Show() == 1)
        LOpenURL(LRelatedProgramPageUrl(program).c_str());
    return LIsRelatedProgramInstalled(program);
}
