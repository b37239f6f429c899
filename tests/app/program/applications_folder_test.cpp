// The installer launch's parts in a throwaway home: which programs count as
// installed, the copy into the user's ~/.local with its version record, the
// installed copy that is kept, the copy with administrator rights when the
// user's own folder refuses it (a stand-in for pkexec) and its two messages,
// and the start of the installed program. The program copied is this test.

#include "app/program/startup/LApplicationsFolder.h"
#include "app/program/startup/LFirstRun.h"
#include "foundation/platform/LBundle.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using quorin::test::GuiApp;
using quorin::test::PumpUntil;
using quorin::test::Quote;

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
    chmod(path.c_str(), mode);
}

std::string RunningProgram()
{
    char path[260];
    return LGetExecutablePath(path, sizeof path) ? path : "";
}

// Each message box that shows: its message line and its text, answered
// with its only button.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        GuiApp();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box == nullptr || !box->isVisible() || box->property("recorded").toBool())
                    continue;
                box->setProperty("recorded", true);
                QString text = box->text();
                boxes.push_back(text.remove("<b>").remove("</b>").toStdString() + " | " +
                                box->informativeText().toStdString());
                QAbstractButton* button = box->buttons().value(0);
                QTimer::singleShot(0, box, [button] { button->click(); });
            }
        });
        timer_.start(10);
    }
    std::vector<std::string> boxes;

private:
    QTimer timer_;
};

class ApplicationsFolder : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        LAppBundlePath[0] = '\0';
        prefix_ = home_.Path(".local");
        program_ = prefix_ + "/bin/quorin";
    }
    void TearDown() override
    {
        LSetInstallElevatorForTesting(nullptr);
        LSetRelaunchForTesting(nullptr);
    }

    // A stand-in for pkexec: a shell script with the body given.
    std::string Elevator(const std::string& body)
    {
        const std::string path = home_.Path("elevator");
        WriteText(path, "#!/bin/sh\n" + body + "\n", 0755);
        LSetInstallElevatorForTesting(path.c_str());
        return path;
    }

    std::string prefix_, program_;
};

TEST_F(ApplicationsFolder, OnlyAPrefixInAPlaceForProgramsCountsAsInstalled)
{
    // A prefix: the program in bin, its resources in share/quorin.
    auto makePrefix = [&](const std::string& prefix) {
        WriteText(prefix + "/bin/quorin", "program", 0755);
        fs::create_directories(prefix + "/share/quorin");
        return prefix + "/bin/quorin";
    };
    fs::create_symlink(home_.Root(), home_.Path("home-link"));
    WriteText(home_.Path("build/src/app/quorin"), "program", 0755);
    WriteText(home_.Path(".local/lonely/bin/quorin"), "program", 0755);
    struct Case
    {
        std::string executable;
        bool installed;
    } const cases[] = {
        {makePrefix(prefix_), true},
        // The same place spelled through a link.
        {home_.Path("home-link/.local/bin/quorin"), true},
        // A prefix under the user's place.
        {makePrefix(prefix_ + "/opt/quorin"), true},
        // An unpacked archive with the layout of an installation.
        {makePrefix(home_.Path("Downloads/quorin-3.00")), false},
        // A build tree: the resources beside the program.
        {home_.Path("build/src/app/quorin"), false},
        // A bin without share/quorin beside it.
        {home_.Path(".local/lonely/bin/quorin"), false},
        {RunningProgram(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LIsInstalledProgram(c.executable.c_str()), c.installed) << c.executable;
    EXPECT_FALSE(LIsRunningFromApplicationsFolder());
}

TEST_F(ApplicationsFolder, TheProgramIsCopiedWithItsVersionAndAnInstalledCopyNotOlderIsKept)
{
    ASSERT_TRUE(LInstallIntoApplications());
    EXPECT_STREQ(LAppBundlePath, prefix_.c_str());
    ASSERT_TRUE(fs::is_regular_file(program_));
    EXPECT_EQ(fs::file_size(program_), fs::file_size(RunningProgram()));
    struct stat info;
    ASSERT_EQ(stat(program_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_EQ(ReadText(prefix_ + "/share/quorin/version"), "3.00\n");
    int major = 0, minor = 0;
    EXPECT_TRUE(LGetInstalledVersion(prefix_.c_str(), &major, &minor));
    EXPECT_EQ(major * 100 + minor, 300);
    // No stage of the copy stays behind.
    for (const std::string& folder : {prefix_ + "/bin", prefix_ + "/share"})
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();

    // An installed copy of this version or a newer one is the one used;
    // an older one is replaced.
    struct Case
    {
        const char* version;
        bool replaced;
    } const cases[] = {{"3.00", false}, {"3.10", false}, {"4.00", false},
                       {"2.10", true},  {"2.99", true},  {"", true}};
    for (const Case& c : cases) {
        WriteText(program_, "installed before", 0755);
        WriteText(prefix_ + "/share/quorin/version", std::string(c.version) + "\n");
        LAppBundlePath[0] = '\0';
        ASSERT_TRUE(LInstallIntoApplications()) << c.version;
        EXPECT_STREQ(LAppBundlePath, prefix_.c_str());
        EXPECT_EQ(ReadText(program_) != "installed before", c.replaced) << c.version;
    }
}

TEST_F(ApplicationsFolder, WhenTheUserCannotCopyTheAdministratorCopiesOrTheUserIsTold)
{
    BoxRecorder recorder;
    const std::string bin = prefix_ + "/bin";
    const std::string authenticate =
        "Failed to authenticate installing of Quorin Dizer od OD Udivezeve Version 3.00 | "
        "Please move quorin to " +
        bin + " folder and launch it from there.";
    const std::string install =
        "Failed to install Quorin Dizer od OD Udivezeve Version 3.00 | Please move quorin to " + bin +
        " and run.";
    struct Case
    {
        const char* what;
        std::string elevator; // the stand-in's body; "" for none there
        std::string box;
    } const cases[] = {
        {"dismissed", "exit 126", authenticate},
        {"not authorised", "exit 127", authenticate},
        {"the copy failed", "exit 1", install},
        {"no elevating program", "", install},
        // The administrator's copy runs where the user's could not.
        {"copied", "exec \"$@\"", ""},
    };
    for (const Case& c : cases) {
        // A file where the folder of programs belongs: no copy as the user.
        fs::remove_all(bin);
        fs::remove_all(prefix_ + "/share/quorin");
        WriteText(bin, "not a folder");
        if (c.elevator.empty())
            LSetInstallElevatorForTesting(home_.Path("no-such-elevator").c_str());
        else
            Elevator(c.elevator == "exec \"$@\"" ? "rm -f " + Quote(bin) + "\n" + c.elevator : c.elevator);
        recorder.boxes.clear();
        LAppBundlePath[0] = '\0';
        const bool installed = LInstallIntoApplications();
        EXPECT_EQ(installed, c.box.empty()) << c.what;
        if (c.box.empty()) {
            EXPECT_TRUE(recorder.boxes.empty()) << c.what << ": " << recorder.boxes.front();
            EXPECT_STREQ(LAppBundlePath, prefix_.c_str());
            EXPECT_EQ(fs::file_size(program_), fs::file_size(RunningProgram()));
            EXPECT_EQ(ReadText(prefix_ + "/share/quorin/version"), "3.00\n");
        } else {
            EXPECT_EQ(recorder.boxes, std::vector<std::string>{c.box}) << c.what;
            EXPECT_STREQ(LAppBundlePath, "") << c.what;
        }
    }
}

std::vector<std::string> gRelaunched;

int RecordRelaunch(const char* executable, const char* argument)
{
    gRelaunched.push_back(std::string(executable) + "|" + (argument != nullptr ? argument : "(none)"));
    return 1;
}

TEST_F(ApplicationsFolder, TheInstalledCopyIsStartedAndItsDesktopEntryNamesIt)
{
    LSetRelaunchForTesting(RecordRelaunch);
    gRelaunched.clear();
    ASSERT_TRUE(LInstallIntoApplications());
    LRelaunchFromAppPath();
    EXPECT_EQ(gRelaunched, std::vector<std::string>{program_ + "|(none)"});

    // The menu entry starts the installed copy, not the one that installed it.
    LInstallDesktopEntry();
    const std::string entry = LDesktopEntryPath();
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_NE(ReadText(entry).find("\nExec=" + program_ + " %F\n"), std::string::npos) << ReadText(entry);
    if (quorin::test::HaveTool("desktop-file-validate")) {
        EXPECT_EQ(quorin::test::RunCommand("desktop-file-validate " + Quote(entry)), 0) << ReadText(entry);
    }

    // Without an installed program there is nothing to start.
    gRelaunched.clear();
    fs::remove(program_);
    LRelaunchFromAppPath();
    EXPECT_TRUE(gRelaunched.empty());
}

// LRelaunchApplication from a process of its own (as the installer is): the
// program starts only once that process has ended, with its own path and
// the argument as its only arguments, and none of the process's descriptors.
TEST_F(ApplicationsFolder, TheStartedProgramRunsOnceTheStarterHasEnded)
{
    const std::string script = home_.Path("program.sh");
    const std::string out = home_.Path("started");
    WriteText(script,
              "#!/bin/sh\n"
              "fd=closed; [ -e /proc/$$/fd/$LEAKED_FD ] && fd=open\n"
              "printf '%s|%s|%s|%s' \"$0\" \"$#\" \"$1\" \"$fd\" > " +
                  Quote(out + ".part") + "\nmv " + Quote(out + ".part") + " " + Quote(out) + "\n",
              0755);
    struct Case
    {
        const char* argument;
        std::string expected;
    } const cases[] = {
        {nullptr, script + "|0||"},
        {"-x y", script + "|1|-x y|"},
    };
    for (const Case& c : cases) {
        fs::remove(out);
        int hold[2];
        ASSERT_EQ(pipe(hold), 0);
        const pid_t starter = fork();
        if (starter == 0) {
            close(hold[1]);
            // A descriptor anyone may leave open across exec.
            const int leaked = open("/dev/null", O_RDONLY);
            setenv("LEAKED_FD", std::to_string(leaked).c_str(), 1);
            const int started = LRelaunchApplication(script.c_str(), c.argument);
            char byte;
            while (read(hold[0], &byte, 1) < 0) {
            }
            _exit(started == 1 ? 0 : 1);
        }
        close(hold[0]);
        // While the starter lives, the program waits.
        quorin::test::PumpFor(300);
        EXPECT_FALSE(fs::exists(out)) << "started before the starter ended";
        close(hold[1]);
        int status = 0;
        ASSERT_EQ(waitpid(starter, &status, 0), starter);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_TRUE(PumpUntil([&] { return fs::exists(out); }, 8000)) << "the program was not started";
        const std::string seen = ReadText(out);
        EXPECT_EQ(seen, c.expected + "closed") << seen;
    }
}

} // namespace
