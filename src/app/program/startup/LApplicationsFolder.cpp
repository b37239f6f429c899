#include "app/program/startup/LApplicationsFolder.h"

#include "app/program/startup/LFirstRun.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LBundle.h"
#include "foundation/platform/LRunElevated.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/platform/LVersionInfo.h"
#include "foundation/text/LTextBuffer.h"
#include "gui/framework/LMessageBox.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

char LAppBundlePath[kLPathSize] = {};

namespace {

namespace fs = std::filesystem;

constexpr const char* kProductName = "Quorin Dizer od OD Udivezeve";
constexpr const char* kElevator = "pkexec";
// The exit codes of pkexec when the user dismissed the authentication and
// when the user is not authorised.
constexpr int kElevatorDismissed = 126;
constexpr int kElevatorRefused = 127;
constexpr int kRelaunchWaitMs = 10000;

std::string gElevator = kElevator;
LRelaunchFunction gRelaunch = nullptr;

// What a resources folder holds of the program, by the names the program
// looks them up with: its pictures and sounds, its help, the files every
// user starts with, and the MP3 encoder it ships. Anything else beside a
// program in a build tree is the build's.
const char* const kResourceEntries[] = {"resources", "help", "install", kMp3EncoderComponentName};

bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool SameObject(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// A text for the shell, whatever it holds.
std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string VersionText()
{
    return std::string(kProgramVersionText) + "\n";
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

// The running program's file and resources folder.
bool RunningProgram(char* executable, char* resources)
{
    return LGetExecutablePath(executable, kLPathSize) && LGetResourcesFolder(resources, kLPathSize);
}

// The resources of the running program, copied into a new folder beside
// their place and then put there in one rename; the folder they replace
// goes afterwards.
bool CopyResources(const char* from, const std::string& share)
{
    const std::string target = share + "/quorin";
    std::string stage = share + "/.quorin-install-XXXXXX";
    if (mkdtemp(stage.data()) == nullptr)
        return false;
    std::error_code error;
    bool copied = true;
    for (const char* entry : kResourceEntries) {
        const fs::path source = fs::path(from) / entry;
        if (!fs::exists(fs::symlink_status(source, error)))
            continue;
        // A link stays a link: the encoder a build ships is the system's library.
        fs::copy(source, fs::path(stage) / entry,
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
        if (error) {
            LLogWarningF("Installing: %s could not be copied: %s", source.c_str(), error.message().c_str());
            copied = false;
            break;
        }
    }
    if (copied)
        copied = WriteTextFile(stage + "/version", VersionText()) &&
                 chmod(stage.c_str(), 0777 & ~LCurrentUmask()) == 0;
    if (copied) {
        if (IsFolder(target)) {
            copied = renameat2(AT_FDCWD, stage.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0;
        } else {
            fs::remove(target, error); // a file in the folder's place
            copied = rename(stage.c_str(), target.c_str()) == 0;
        }
    }
    // After the exchange the stage holds the former resources.
    fs::remove_all(stage, error);
    return copied;
}

bool CopyProgramFile(const char* executable, const std::string& bin)
{
    const std::string target = bin + "/" + kProgramFileName;
    char temp[kLPathSize];
    const int out = LCreateFileBeside(target.c_str(), temp, sizeof temp, 0777);
    if (out < 0)
        return false;
    const int in = open(executable, O_RDONLY | O_CLOEXEC);
    bool copied = in >= 0;
    char buffer[1 << 16];
    while (copied) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            copied = n == 0;
            break;
        }
        copied = LWriteAll(out, buffer, static_cast<size_t>(n));
    }
    if (in >= 0)
        close(in);
    copied = fsync(out) == 0 && copied;
    // Whoever replaces a running copy leaves it running: the rename gives the
    // new program a new file. The lock on the new file is held until then.
    if (!copied || rename(temp, target.c_str()) != 0) {
        unlink(temp);
        close(out);
        return false;
    }
    close(out);
    return true;
}

// The same copy as the administrator, as one shell script run through the
// elevating program; what it makes belongs to the user. 0 copied, 1 the
// authentication was dismissed or refused, 2 failed.
int CopyProgramElevated(const char* prefix)
{
    char executable[kLPathSize], resources[kLPathSize];
    if (!RunningProgram(executable, resources))
        return 2;
    const std::string bin = std::string(prefix) + "/bin";
    const std::string share = std::string(prefix) + "/share";
    const std::string target = share + "/quorin";
    const std::string owner = std::to_string(getuid()) + ":" + std::to_string(getgid());
    std::string script = "set -e\numask 022\n";
    for (const std::string& folder : {std::string(prefix), bin, share})
        script += "if [ ! -d " + ShellQuote(folder) + " ]; then mkdir " + ShellQuote(folder) + "; chown " +
                  owner + " " + ShellQuote(folder) + "; fi\n";
    script += "rm -rf " + ShellQuote(target) + "\nmkdir " + ShellQuote(target) + "\n";
    for (const char* entry : kResourceEntries) {
        const std::string source = std::string(resources) + "/" + entry;
        struct stat info;
        if (lstat(source.c_str(), &info) == 0)
            script += "cp -RP " + ShellQuote(source) + " " + ShellQuote(target + "/") + "\n";
    }
    script +=
        "printf '%s\\n' " + ShellQuote(kProgramVersionText) + " > " + ShellQuote(target + "/version") + "\n";
    const std::string program = bin + "/" + kProgramFileName;
    script += "cp -f " + ShellQuote(executable) + " " + ShellQuote(program + ".new") + "\n";
    script += "chmod 755 " + ShellQuote(program + ".new") + "\n";
    script += "mv -f " + ShellQuote(program + ".new") + " " + ShellQuote(program) + "\n";
    script += "chown -R " + owner + " " + ShellQuote(program) + " " + ShellQuote(target) + "\n";

    const char* tmp = getenv("TMPDIR");
    std::string path = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/quorin-install-XXXXXX";
    // The command line keeps a path in double quotes; one with a quote of
    // its own cannot be given.
    if (path.find('"') != std::string::npos)
        return 2;
    const int fd = mkstemp(path.data());
    if (fd < 0)
        return 2;
    const bool written = LWriteAll(fd, script.data(), script.size());
    close(fd);
    if (!written) {
        unlink(path.c_str());
        return 2;
    }
    char text[512];
    std::snprintf(text, sizeof text, "Installing %s Version %s.", kProductName, kProgramVersionText);
    LLogInfo(text);
    int status = -1;
    const std::string command = "/bin/sh \"" + path + "\"";
    const int result = LRunElevatedWith(gElevator.c_str(), nullptr, command.c_str(), true, &status);
    unlink(path.c_str());
    if (result == 1 || status == kElevatorDismissed || status == kElevatorRefused)
        return 1;
    return result == 0 ? 0 : 2;
}

void TellFailure(const char* message, const char* informative)
{
    LMessageBox box(nullptr, informative, message);
    box.style = LMessageBoxCriticalStyle;
    box.SetButton(1, "OK");
    box.Show();
}

// The program's new process: waits for this one to end, then becomes the program.
int RelaunchAfterExit(const char* executable, const char* argument)
{
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        return 0;
    if (pid > 0)
        return 1;
    for (int waited = 0; getppid() == parent && waited < kRelaunchWaitMs; waited += 20)
        usleep(20 * 1000);
    // Nothing this process opened goes on into the program.
    close_range(3, ~0U, 0);
    char* argv[] = {const_cast<char*>(executable), const_cast<char*>(argument), nullptr};
    execv(executable, argv);
    _exit(127);
}

} // namespace

void LSetAppBundlePathToRunningProgram()
{
    if (!LGetBundlePath(LAppBundlePath, sizeof LAppBundlePath))
        LAppBundlePath[0] = '\0';
}

bool LGetUserApplicationsFolder(char* dest)
{
    char home[kLPathSize];
    dest[0] = '\0';
    return LGetHomeFolder(home) && LPathCombine(dest, home, ".local", "");
}

bool LGetBundleExecutable(const char* bundle, char* dest)
{
    dest[0] = '\0';
    if (bundle == nullptr || bundle[0] == '\0')
        return false;
    const std::string path = std::string(bundle) + "/bin/" + kProgramFileName;
    if (path.size() >= kLPathSize || !IsFile(path))
        return false;
    std::memcpy(dest, path.c_str(), path.size() + 1);
    return true;
}

bool LGetInstalledVersion(const char* bundle, int* major, int* minor)
{
    *major = 0;
    *minor = 0;
    FILE* file = std::fopen((std::string(bundle) + "/share/quorin/version").c_str(), "re");
    if (file == nullptr)
        return false;
    char text[64] = {};
    const bool read = std::fgets(text, sizeof text, file) != nullptr;
    std::fclose(file);
    return read && LGetBundleVersion(text, major, minor);
}

bool LIsRunningFromApplicationsFolder()
{
    char executable[kLPathSize];
    return LGetExecutablePath(executable, sizeof executable) && LIsInstalledProgram(executable);
}

bool LIsInstalledProgram(const char* executable)
{
    char bundle[kLPathSize], resources[kLPathSize];
    if (!LGetBundleLayout(executable, bundle, sizeof bundle, resources, sizeof resources))
        return false;
    // A build tree or an unpacked archive keeps its resources beside the
    // program: not a prefix, so not installed.
    if (std::strcmp(bundle, resources) == 0)
        return false;
    std::vector<struct stat> places;
    char user[kLPathSize];
    std::vector<std::string> names = {"/usr", "/usr/local", "/opt"};
    if (LGetUserApplicationsFolder(user))
        names.push_back(user);
    for (const std::string& name : names) {
        struct stat info;
        if (stat(name.c_str(), &info) == 0)
            places.push_back(info);
    }
    struct stat root;
    if (stat("/", &root) != 0)
        return false;
    for (std::string folder = bundle; !folder.empty(); folder = ParentOf(folder)) {
        struct stat info;
        if (stat(folder.c_str(), &info) != 0)
            return false;
        for (const struct stat& place : places)
            if (SameObject(info, place))
                return true;
        if (SameObject(info, root))
            return false;
    }
    return false;
}

bool LCopyProgramInto(const char* prefix)
{
    char executable[kLPathSize], resources[kLPathSize];
    if (!RunningProgram(executable, resources))
        return false;
    const std::string bin = std::string(prefix) + "/bin";
    const std::string share = std::string(prefix) + "/share";
    std::error_code error;
    fs::create_directories(bin, error);
    fs::create_directories(share, error);
    if (!IsFolder(bin) || !IsFolder(share))
        return false;
    // The resources first: a program file that is there is a complete install.
    return CopyResources(resources, share) && CopyProgramFile(executable, bin);
}

bool LInstallIntoApplications()
{
    char prefix[kLPathSize], running[kLPathSize], installed[kLPathSize];
    if (!LGetUserApplicationsFolder(prefix))
        return false;
    LGetBundlePath(running, sizeof running);
    if (LGetBundleExecutable(prefix, installed)) {
        int major = 0, minor = 0;
        LGetInstalledVersion(prefix, &major, &minor);
        int ownMajor = 0, ownMinor = 0;
        LGetBundleVersion(kProgramVersionText, &ownMajor, &ownMinor);
        const bool older = major < ownMajor || (major == ownMajor && minor < ownMinor);
        if (!older || running[0] == '\0') {
            LStrCopyText(LAppBundlePath, prefix, sizeof LAppBundlePath);
            return true;
        }
    } else if (running[0] == '\0') {
        LStrCopyText(LAppBundlePath, prefix, sizeof LAppBundlePath);
        return true;
    }

    if (LCopyProgramInto(prefix) && LGetBundleExecutable(prefix, installed)) {
        LStrCopyText(LAppBundlePath, prefix, sizeof LAppBundlePath);
        return true;
    }
    LLogWarningF("Installing: the copy into %s failed; trying with administrator rights", prefix);

    const std::string bin = std::string(prefix) + "/bin";
    char message[512], informative[1024];
    const int result = CopyProgramElevated(prefix);
    if (result == 1) {
        std::snprintf(message, sizeof message, "Failed to authenticate installing of %s Version %s",
                      kProductName, kProgramVersionText);
        std::snprintf(informative, sizeof informative,
                      "Please move %s to %s folder and launch it from there.", kProgramFileName, bin.c_str());
        TellFailure(message, informative);
        return false;
    }
    if (result != 2 && LGetBundleExecutable(prefix, installed)) {
        LStrCopyText(LAppBundlePath, prefix, sizeof LAppBundlePath);
        return true;
    }
    std::snprintf(message, sizeof message, "Failed to install %s Version %s", kProductName,
                  kProgramVersionText);
    std::snprintf(informative, sizeof informative, "Please move %s to %s and run.", kProgramFileName,
                  bin.c_str());
    TellFailure(message, informative);
    return false;
}

void LRelaunchFromAppPath()
{
    char executable[kLPathSize];
    if (!LGetBundleExecutable(LAppBundlePath, executable)) {
        LLogWarningF("Installing: no program to start in %s", LAppBundlePath);
        return;
    }
    LRelaunchApplication(executable, nullptr);
}

int LRelaunchApplication(const char* executable, const char* argument)
{
    if (gRelaunch != nullptr)
        return gRelaunch(executable, argument);
    return RelaunchAfterExit(executable, argument);
}

void LSetInstallElevatorForTesting(const char* elevator)
{
    gElevator = elevator != nullptr ? elevator : kElevator;
}

void LSetRelaunchForTesting(LRelaunchFunction relaunch)
{
    gRelaunch = relaunch;
}
