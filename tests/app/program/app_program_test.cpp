// The quorin program as a process: its options and exit codes, the first
// start in an empty home, the shipped components, and the hand-over of a
// second start to the first.

#include "app/program/startup/LFirstRun.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LSingleInstance.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <QIcon>
#include <QSvgRenderer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using quorin::test::BuildDir;
using quorin::test::GuiApp;
using quorin::test::PumpUntil;
using quorin::test::Quote;

namespace fs = std::filesystem;

namespace {

std::string Program()
{
    return BuildDir() + "/src/app/quorin";
}

// Starts the program with the arguments in the folder; its pid.
pid_t Start(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0)
            _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Runs the program to its end while this process keeps its own events
// flowing; the exit status, or -1 when it did not end within the bound. A
// start that opens the main window keeps running: once it has had time to
// come up it is asked to quit (SIGTERM, which quits as a log-out does).
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder = {})
{
    const pid_t pid = Start(program, arguments, folder);
    int status = 0;
    if (!PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 8000))
        kill(pid, SIGTERM);
    else
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30000)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Setting(const char* section, const char* name)
{
    char value[260];
    LSettingsGetString(section, name, "(none)", value);
    return value;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class AppProgram : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!fs::exists(Program()))
            GTEST_SKIP() << "the quorin program is not built at " << Program();
    }
};

TEST_F(AppProgram, OptionsEndWithTheirExitCodes)
{
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
    } const cases[] = {
        {{"-exe", "NoSuchHelperEntry"}, 1},
        {{"-elevated", "a", "b"}, 1},
        {{"-elevated", "a"}, 1},
        // Alone, they are no options: an ordinary start follows.
        {{"-exe"}, 0},
        {{"-elevated"}, 0},
        {{"-psn_0_12345"}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunProgram(Program(), c.arguments), c.status)
            << c.arguments[0] << " +" << c.arguments.size() - 1;
    // "-exe" runs no start-up: it leaves no first-run records behind.
    EXPECT_EQ(RunProgram(Program(), {"-exe", "NoSuchHelperEntry"}), 1);
}

TEST_F(AppProgram, FirstStartWritesTheRecordsAndADesktopEntryTheSecondSkipsThem)
{
    ASSERT_EQ(RunProgram(Program(), {}), 0);
    EXPECT_EQ(Setting("Settings", "CurrentVersion"), "3.00");
    // Written by the first run and consumed by the start-up checks that follow.
    EXPECT_EQ(Setting("Settings", "OSCheckRequired"), "(none)");
    EXPECT_EQ(Setting("Settings", "RunsSinceLastInstall"), "0");
    const std::string installDate = Setting("Settings", "InstallDate");
    EXPECT_EQ(Setting("Settings", "InstallDateFirst"), installDate);
    EXPECT_EQ(Setting("Settings", "PreviousVersion"), "(none)");

    const std::string entry = home_.Path(".local/share/applications/com.oxbelsoftware.quorin.desktop");
    const std::string icon =
        home_.Path(".local/share/icons/hicolor/scalable/apps/com.oxbelsoftware.quorin.svg");
    ASSERT_TRUE(fs::exists(entry));
    // The entry names the icon by the file's stem, which the icon theme
    // finds under hicolor/scalable/apps; the file is the program's drawing.
    EXPECT_TRUE(QSvgRenderer(QString::fromStdString(icon)).isValid()) << icon;
    quorin::test::GuiApp();
    QIcon::setThemeSearchPaths(
        {QString::fromStdString(home_.Path(".local/share/icons")), "/usr/share/icons"});
    QIcon::setThemeName("hicolor");
    EXPECT_FALSE(QIcon::fromTheme("com.oxbelsoftware.quorin").pixmap(64, 64).isNull())
        << "the icon does not resolve";
    EXPECT_NE(ReadText(entry).find("\nIcon=com.oxbelsoftware.quorin\n"), std::string::npos)
        << ReadText(entry);
    EXPECT_EQ(ModeOf(entry) & 0022, 0u);
    if (quorin::test::HaveTool("desktop-file-validate")) {
        EXPECT_EQ(quorin::test::RunCommand("desktop-file-validate " + Quote(entry)), 0) << ReadText(entry);
    }
    EXPECT_NE(ReadText(entry).find("Exec=" + Program() + " %F\n"), std::string::npos) << ReadText(entry);

    fs::remove(entry);
    ASSERT_EQ(RunProgram(Program(), {}), 0);
    EXPECT_FALSE(fs::exists(entry)) << "the second start wrote the entry again";
    EXPECT_EQ(Setting("Settings", "InstallDate"), installDate);
}

TEST_F(AppProgram, AnUpgradeKeepsTheFirstInstallationAndNamesThePreviousVersion)
{
    LSettingsSetString("Settings", "CurrentVersion", "2.10");
    LSettingsSetString("Settings", "InstallDate", "1000");
    LSettingsSetString("Settings", "InstallDateFirst", "1000");
    LSettingsSetString("Settings", "Thanks", "1");
    ASSERT_EQ(RunProgram(Program(), {}), 0);
    EXPECT_EQ(Setting("Settings", "CurrentVersion"), "3.00");
    EXPECT_EQ(Setting("Settings", "PreviousVersion"), "2.10");
    EXPECT_EQ(Setting("Settings", "InstallDateFirst"), "1000");
    EXPECT_NE(Setting("Settings", "InstallDate"), "1000");
    EXPECT_EQ(Setting("Settings", "Thanks"), "(none)");
    EXPECT_EQ(Setting("Settings", "OSCheckRequired"), "(none)") << "not a first installation";
}

TEST_F(AppProgram, OnlyAFirstInstallationAsksForTheStartUpCheck)
{
    LWriteNewVersionRecord();
    EXPECT_EQ(Setting("Settings", "OSCheckRequired"), "1");
    LSettingsDelete("Settings", "OSCheckRequired");
    LWriteNewVersionRecord(); // a former "CurrentVersion" now exists
    EXPECT_EQ(Setting("Settings", "OSCheckRequired"), "(none)");
}

TEST_F(AppProgram, AProgramNewerThanItsInstallationCountsAsANewOne)
{
    LSettingsSetString("Settings", "CurrentVersion", "3.00");
    LSettingsSetString("Settings", "InstallDate", "1000"); // long before the program was built
    EXPECT_TRUE(LIsNewInstallation());
    LSettingsSetString("Settings", "InstallDate", std::to_string(time(nullptr) + 60).c_str());
    EXPECT_FALSE(LIsNewInstallation());
    LSettingsSetString("Settings", "CurrentVersion", "3.01");
    EXPECT_TRUE(LIsNewInstallation());
}

TEST_F(AppProgram, ShippedComponentsAreInstalledWithSafeModes)
{
    if (!quorin::test::HaveTool("unzip") || !quorin::test::HaveTool("zip"))
        GTEST_SKIP() << "unzip and zip are needed (tools/install-deps.sh)";
    // An installed layout: <prefix>/bin/quorin with <prefix>/share/quorin.
    const std::string prefix = home_.Path("opt");
    fs::create_directories(prefix + "/bin");
    const std::string shipped = prefix + "/share/quorin/resources/components";
    fs::create_directories(shipped);
    fs::copy_file(Program(), prefix + "/bin/quorin");

    std::ofstream(shipped + "/alpha") << "alpha code";
    chmod((shipped + "/alpha").c_str(), 0666);
    std::ofstream(shipped + "/gammai") << "new gamma";
    fs::create_directories(shipped + "/empty");
    const std::string work = home_.Path("zipwork");
    fs::create_directories(work + "/inner");
    std::ofstream(work + "/beta") << "beta code";
    std::ofstream(work + "/escape") << "should never land";
    ASSERT_EQ(quorin::test::RunCommand("cd " + Quote(work) + " && zip -q " + Quote(shipped + "/betai.zip") +
                                       " beta"),
              0);
    // A member that climbs out of the folder it is unpacked into.
    ASSERT_EQ(quorin::test::RunCommand("cd " + Quote(work + "/inner") + " && zip -q " +
                                       Quote(shipped + "/evili.zip") + " ../escape"),
              0);

    const std::string components = home_.Path(".local/share/Quorin/Components");
    fs::create_directories(components);
    std::ofstream(components + "/gamma") << "old gamma";
    std::ofstream(components + "/loose") << "left open";
    chmod((components + "/loose").c_str(), 0666);
    chmod(components.c_str(), 0777);

    ASSERT_EQ(RunProgram(prefix + "/bin/quorin", {}), 0);
    const mode_t code = 0755 & ~(LCurrentUmask() | S_IWOTH);
    EXPECT_EQ(ReadText(components + "/alpha"), "alpha code");
    EXPECT_EQ(ModeOf(components + "/alpha"), code);
    EXPECT_EQ(ReadText(components + "/beta"), "beta code");
    EXPECT_EQ(ModeOf(components + "/beta"), code);
    EXPECT_EQ(ReadText(components + "/gamma"), "old gamma") << "a usable component is not replaced";
    EXPECT_FALSE(fs::exists(components + "/empty"));
    EXPECT_FALSE(fs::exists(components + "/evil"));
    EXPECT_FALSE(fs::exists(home_.Path(".local/share/Quorin/escape")));
    EXPECT_TRUE(fs::exists(shipped + "/betai.zip")) << "shipped archives stay";
    // Nothing in the folder is left writable by others.
    EXPECT_EQ(ModeOf(components + "/loose") & S_IWOTH, 0u);
    EXPECT_EQ(ModeOf(components) & S_IWOTH, 0u);
}

// The processes whose program file is `path`.
std::vector<pid_t> ProcessesOf(const std::string& path)
{
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
        if (!error && exe == path)
            found.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return found;
}

TEST_F(AppProgram, AnInstallerLaunchFromTheBuildTreeInstallsForTheUserAndGoesOnInTheCopy)
{
    const std::string prefix = home_.Path(".local");
    const std::string installed = prefix + "/bin/quorin";
    // The installer ends once the copy is made and started.
    ASSERT_EQ(RunProgram(Program(), {"-installer"}), 0);
    ASSERT_TRUE(fs::is_regular_file(installed));
    EXPECT_EQ(fs::file_size(installed), fs::file_size(Program()));
    EXPECT_EQ(ModeOf(installed) & 0111, 0111u);
    // Its resources where an installed program looks for them.
    const std::string resources = prefix + "/share/quorin";
    EXPECT_TRUE(fs::exists(resources + "/resources/svg/304.svg"));
    EXPECT_TRUE(fs::exists(resources + "/resources/wav/364.wav"));
    if (fs::exists(fs::symlink_status(BuildDir() + "/src/app/quavex4x64")))
        EXPECT_EQ(fs::read_symlink(resources + "/quavex4x64"),
                  fs::read_symlink(BuildDir() + "/src/app/quavex4x64"));
    EXPECT_EQ(ReadText(resources + "/version"), "3.00\n");
    EXPECT_FALSE(fs::exists(resources + "/CMakeFiles")) << "the build's files came along";
    EXPECT_EQ(Setting("Settings", "CurrentVersion"), "3.00");

    // The menu entry and its icon start the installed copy.
    const std::string entry = home_.Path(".local/share/applications/com.oxbelsoftware.quorin.desktop");
    EXPECT_NE(ReadText(entry).find("\nExec=" + installed + " %F\n"), std::string::npos) << ReadText(entry);
    EXPECT_TRUE(
        fs::exists(home_.Path(".local/share/icons/hicolor/scalable/apps/com.oxbelsoftware.quorin.svg")));
    if (quorin::test::HaveTool("desktop-file-validate")) {
        EXPECT_EQ(quorin::test::RunCommand("desktop-file-validate " + Quote(entry)), 0) << ReadText(entry);
    }

    // The copy runs on in the installer's place: started from the installed path.
    std::vector<pid_t> copies;
    EXPECT_TRUE(PumpUntil(
        [&] {
            copies = ProcessesOf(installed);
            return !copies.empty();
        },
        15000))
        << "the installed copy was not started";
    for (pid_t pid : copies)
        kill(pid, SIGTERM);
    if (!PumpUntil([&] { return ProcessesOf(installed).empty(); }, 30000))
        for (pid_t pid : ProcessesOf(installed))
            kill(pid, SIGKILL);

    // Started as the installer from the installed place, it copies nothing
    // and runs on itself.
    fs::remove(resources + "/version");
    ASSERT_EQ(RunProgram(installed, {"-installer"}), 0);
    EXPECT_FALSE(fs::exists(resources + "/version"));
}

class Receiver : public LSingleInstance::Handler
{
public:
    void OnOpenDocuments(const std::vector<std::string>& paths) override
    {
        opened.insert(opened.end(), paths.begin(), paths.end());
        order += "o";
    }
    void OnReopen() override { order += "r"; }

    std::vector<std::string> opened;
    std::string order;
};

TEST_F(AppProgram, ASecondStartHandsItsFilesToTheFirstAndEnds)
{
    Receiver receiver;
    LSingleInstance first("quorin");
    ASSERT_EQ(first.SocketPath(), home_.Path(".run/quorin.socket"));
    ASSERT_EQ(first.Claim({}, &receiver), LSingleInstance::kFirst);
    EXPECT_EQ(ModeOf(first.SocketPath()) & 077, 0u) << "only the user may connect";

    const std::string folder = home_.Path("music");
    fs::create_directories(folder);
    const std::string odd = "it's $HOME \"x\"\n`y`.wav";
    ASSERT_EQ(RunProgram(Program(), {"a.wav", odd, "/abs/b.mp3"}, folder), 0);
    const std::vector<std::string> expected = {folder + "/a.wav", folder + "/" + odd, "/abs/b.mp3"};
    EXPECT_EQ(receiver.opened, expected);
    EXPECT_EQ(receiver.order, "or");
    // The second start ran nothing of its own.
    EXPECT_EQ(Setting("Settings", "CurrentVersion"), "(none)");

    // Without files it is the reopen alone.
    ASSERT_EQ(RunProgram(Program(), {}), 0);
    EXPECT_EQ(receiver.order, "orr");
}

TEST_F(AppProgram, ASocketLeftByAKilledRunIsTakenOver)
{
    LSingleInstance probe("quorin");
    const std::string path = probe.SocketPath();
    ASSERT_FALSE(path.empty());
    // A bound socket nobody listens on any more.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    ASSERT_TRUE(fs::exists(path));

    Receiver receiver;
    EXPECT_EQ(probe.Claim({}, &receiver), LSingleInstance::kFirst);
    ASSERT_EQ(RunProgram(Program(), {"c.wav"}, home_.Root()), 0);
    EXPECT_EQ(receiver.opened, std::vector<std::string>{home_.Path("c.wav")});
}

TEST_F(AppProgram, WithoutARuntimeFolderAPrivateOneIsUsed)
{
    unsetenv("XDG_RUNTIME_DIR");
    const std::string folder = LSingleInstance::RuntimeFolder();
    ASSERT_FALSE(folder.empty());
    struct stat info
    {
    };
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, getuid());
    EXPECT_EQ(info.st_mode & 077, 0u);
}

} // namespace
