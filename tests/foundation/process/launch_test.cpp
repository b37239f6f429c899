#include "foundation/process/LChildProcess.h"
#include "foundation/process/LDesktopEntry.h"
#include "foundation/process/LLaunchApplication.h"
#include "foundation/process/ProcessTestSupport.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

using quorin::test::PathExists;
using quorin::test::ReadFileBytes;
using quorin::test::RecordingContext;
using quorin::test::WaitUntil;
using quorin::test::WriteScript;

namespace {

TEST(SplitCommand, ProgramAndTheRest)
{
    struct Case
    {
        const char* text;
        bool ok;
        const char* program;
        const char* arguments;
    } cases[] = {
        {"\"/A B/c\" x y", true, "/A B/c", " x y"},
        {"/usr/bin/tool -v file", true, "/usr/bin/tool", "-v file"},
        {"tool", true, "tool", ""},
        {"\"/open quote", true, "/open quote", ""},
        {"", false, "", ""},
        {nullptr, false, "", ""},
    };
    for (const Case& c : cases) {
        char program[260] = "junk";
        LStringLong arguments("junk");
        EXPECT_EQ(LSplitCommand(program, &arguments, c.text), c.ok) << (c.text ? c.text : "(null)");
        EXPECT_STREQ(program, c.program);
        EXPECT_STREQ(arguments.Text(), c.arguments);
    }
}

TEST(SplitCommand, ProgramThatDoesNotFitIsRefused)
{
    char program[260];
    LStringLong arguments;
    const std::string text = "/" + std::string(300, 'p') + " arg";
    EXPECT_FALSE(LSplitCommand(program, &arguments, text.c_str()));
}

TEST(DesktopExec, FieldCodesAndQuoting)
{
    LDesktopEntry entry;
    entry.name = "My App";
    entry.icon = "my-icon";
    entry.path = "/usr/share/applications/my.desktop";
    const std::vector<std::string> two = {"/a b.wav", "c.wav"};
    struct Case
    {
        const char* exec;
        std::vector<std::string> files;
        std::vector<std::string> expected;
    } cases[] = {
        {"app %F", two, {"app", "/a b.wav", "c.wav"}},
        {"app %U --x", {}, {"app", "--x"}},
        {"app %f", two, {"app", "/a b.wav"}},
        {"app %f", {}, {"app"}},
        {"app --file=%f", two, {"app", "--file=/a b.wav"}},
        {"app %i %c %k", {}, {"app", "--icon", "my-icon", "My App", "/usr/share/applications/my.desktop"}},
        {"app 100%%", {}, {"app", "100%"}},
        {"app %d %D %n %N %v %m", {}, {"app"}},
        {"\"/opt/My App/bin/app\" \"%F\" \"a \\\"q\\\" \\\\ \\$x\"",
         two,
         {"/opt/My App/bin/app", "%F", "a \"q\" \\ $x"}},
    };
    for (const Case& c : cases) {
        entry.exec = c.exec;
        std::vector<std::string> argv;
        ASSERT_TRUE(LExpandDesktopExec(entry, c.files, &argv)) << c.exec;
        EXPECT_EQ(argv, c.expected) << c.exec;
    }
    entry.exec = "\"unclosed";
    std::vector<std::string> argv;
    EXPECT_FALSE(LExpandDesktopExec(entry, {}, &argv));
    entry.exec = "";
    EXPECT_FALSE(LExpandDesktopExec(entry, {}, &argv));
}

class Launch : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        const char* dirs = std::getenv("XDG_DATA_DIRS");
        savedDirs_ = dirs ? std::optional<std::string>(dirs) : std::nullopt;
        bin_ = home_.Path("bin");
        applications_ = home_.Path(".local/share/applications");
        std::filesystem::create_directories(bin_);
        std::filesystem::create_directories(applications_);
        setenv("PATH", (bin_ + ":" + savedPath_).c_str(), 1);
        // No system entries: only what the test puts in the user's folder.
        setenv("XDG_DATA_DIRS", home_.Path("system").c_str(), 1);
        // The fake program records its arguments one per line, waits until
        // the test lets it go (or a second), and marks its end.
        WriteScript(bin_ + "/fake-viewer", "for a in \"$@\"; do echo \"$a\"; done > \"" + home_.Path("args") +
                                               "\"\n"
                                               "i=0; while [ ! -e \"" +
                                               home_.Path("release") +
                                               "\" ] && [ $i -lt 100 ]; do sleep 0.01; i=$((i+1)); done\n"
                                               "echo ended > \"" +
                                               home_.Path("ended") + "\"\n");
    }
    void TearDown() override
    {
        setenv("PATH", savedPath_.c_str(), 1);
        if (savedDirs_)
            setenv("XDG_DATA_DIRS", savedDirs_->c_str(), 1);
        else
            unsetenv("XDG_DATA_DIRS");
    }

    void WriteEntry(const std::string& id, const std::string& body)
    {
        std::ofstream(applications_ + "/" + id + ".desktop") << "[Desktop Entry]\n" << body;
    }

    void Release() { std::ofstream(home_.Path("release")) << "go"; }

    std::string bin_, applications_, savedPath_;
    std::optional<std::string> savedDirs_;
};

TEST_F(Launch, DesktopApplicationIsFoundStartedAndWaitedFor)
{
    WriteEntry("org.example.Viewer", "Type=Application\nName=Fake Viewer\nName[de]=Falsch\n"
                                     "Exec=fake-viewer --open %F\n# comment\n[Other Group]\nExec=wrong\n");
    RecordingContext context;
    Release();
    EXPECT_EQ(LLaunchApplicationAndWait(&context, "org.example.Viewer \"/music/a b.wav\" c.wav"), 0);
    // It returned only after the program ended.
    EXPECT_TRUE(PathExists(home_.Path("ended")));
    EXPECT_EQ(ReadFileBytes(home_.Path("args")), "--open\n/music/a b.wav\nc.wav\n");
    const auto lines = context.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::make_pair(1, std::string("Waiting for Fake Viewer")));
    EXPECT_EQ(lines[1], std::make_pair(2, std::string("Quorin will resume when Fake Viewer has exited.")));
    EXPECT_EQ(quorin::test::CountZombieChildren(), 0);
}

TEST_F(Launch, OwnApplicationsAreWaitedForWithoutStatusLines)
{
    WriteEntry("com.oxbelsoftware.Helper", "Type=Application\nName=Helper\nExec=fake-viewer\n");
    RecordingContext context;
    Release();
    const std::string path = applications_ + "/com.oxbelsoftware.Helper.desktop";
    EXPECT_EQ(LLaunchApplicationAndWait(&context, ("\"" + path + "\" x").c_str()), 0);
    EXPECT_TRUE(PathExists(home_.Path("ended")));
    EXPECT_TRUE(context.Lines().empty());
}

TEST_F(Launch, StopEndsTheWaitAndTheApplicationGoesOn)
{
    WriteEntry("org.example.Viewer", "Type=Application\nName=Viewer\nExec=fake-viewer\n");
    RecordingContext context;
    std::thread stopper([&] {
        WaitUntil([&] { return PathExists(home_.Path("args")); });
        context.stop.Signal();
    });
    EXPECT_EQ(LLaunchApplicationAndWait(&context, "org.example.Viewer"), 1);
    stopper.join();
    EXPECT_FALSE(PathExists(home_.Path("ended")));
    Release();
    EXPECT_TRUE(WaitUntil([&] { return PathExists(home_.Path("ended")); }));
    EXPECT_TRUE(WaitUntil([] { return quorin::test::CountZombieChildren() == 0; }));
}

TEST_F(Launch, PlainProgramOnThePath)
{
    RecordingContext context;
    Release();
    EXPECT_EQ(LLaunchApplicationAndWait(&context, "fake-viewer one \"two words\""), 0);
    EXPECT_TRUE(PathExists(home_.Path("ended")));
    EXPECT_EQ(ReadFileBytes(home_.Path("args")), "one\ntwo words\n");
    EXPECT_TRUE(context.Lines().empty());
}

TEST_F(Launch, WithoutWaitReturnsAtOnce)
{
    RecordingContext context;
    EXPECT_EQ(LLaunchApplicationNoWait(&context, (bin_ + "/fake-viewer arg").c_str()), 0);
    EXPECT_FALSE(PathExists(home_.Path("ended")));
    Release();
    EXPECT_TRUE(WaitUntil([&] { return PathExists(home_.Path("ended")); }));
    EXPECT_TRUE(WaitUntil([] { return quorin::test::CountZombieChildren() == 0; }));
}

TEST_F(Launch, WhatCannotBeFoundIsReported)
{
    WriteEntry("org.example.Gone", "Type=Application\nName=Gone\nExec=fake-viewer\nHidden=true\n");
    WriteEntry("org.example.NoTry",
               "Type=Application\nName=NoTry\nExec=fake-viewer\nTryExec=not-installed\n");
    WriteEntry("org.example.NoExec", "Type=Application\nName=NoExec\n");
    struct Case
    {
        const char* request;
        const char* message;
    } cases[] = {
        {"no-such-program-xyz --x", "no-such-program-xyz doesn't exist"},
        {"/no/such/file.desktop", "/no/such/file.desktop doesn't exist"},
        {"org.example.Gone", nullptr},
        {"org.example.NoTry", nullptr},
        {"org.example.NoExec", nullptr},
    };
    for (const Case& c : cases) {
        RecordingContext context;
        EXPECT_EQ(LLaunchApplicationAndWait(&context, c.request), 2) << c.request;
        const auto lines = context.Lines();
        ASSERT_EQ(lines.size(), 1u) << c.request;
        if (c.message) {
            EXPECT_EQ(lines[0].second, c.message);
        }
    }
    EXPECT_FALSE(PathExists(home_.Path("args")));
}

TEST_F(Launch, InstalledApplicationsAndTheirFolders)
{
    WriteEntry("org.example.Viewer", "Type=Application\nName=V\nExec=fake-viewer\n");
    char path[260];
    ASSERT_TRUE(LFindInstalledApplication(path, "org.example.Viewer"));
    EXPECT_EQ(std::string(path), applications_ + "/org.example.Viewer.desktop");
    ASSERT_TRUE(LFindInstalledApplication(path, "org.example.Viewer.desktop"));
    EXPECT_FALSE(LFindInstalledApplication(path, "org.example.Missing"));
    EXPECT_FALSE(LFindInstalledApplication(path, "../applications/org.example.Viewer"));
    ASSERT_TRUE(LGetApplicationsFolder(path));
    EXPECT_EQ(std::string(path), applications_);
    ASSERT_TRUE(LGetSystemApplicationsFolder(path));
    EXPECT_EQ(std::string(path), home_.Path("system/applications"));
}

TEST_F(Launch, SystemEntriesComeAfterTheUsersOwn)
{
    std::filesystem::create_directories(home_.Path("system/applications"));
    std::ofstream(home_.Path("system/applications/org.example.Both.desktop"))
        << "[Desktop Entry]\nName=System\nExec=x\n";
    std::ofstream(home_.Path("system/applications/org.example.SystemOnly.desktop"))
        << "[Desktop Entry]\nName=System\nExec=x\n";
    WriteEntry("org.example.Both", "Name=User\nExec=x\n");
    std::string path;
    ASSERT_TRUE(LFindDesktopEntryFile("org.example.Both", &path));
    EXPECT_EQ(path, applications_ + "/org.example.Both.desktop");
    ASSERT_TRUE(LFindDesktopEntryFile("org.example.SystemOnly", &path));
    EXPECT_EQ(path, home_.Path("system/applications/org.example.SystemOnly.desktop"));
}

TEST_F(Launch, ExitWatcherSeesAnyProcessEnd)
{
    const char* argv[] = {"/bin/sh", "-c", "sleep 0.1", nullptr};
    LChildProcess child;
    ASSERT_TRUE(child.Start(argv));
    RecordingContext context;
    LProcessExitWatcher watcher;
    ASSERT_TRUE(watcher.Start(&context, "/bin/sh", child.Pid()));
    EXPECT_EQ(watcher.Wait(), 0);
    watcher.Stop();
    const pid_t gone = child.Pid();
    child.WaitToEnd();

    // Once reaped, the process is gone.
    EXPECT_FALSE(watcher.Start(&context, "/usr/bin/Some Tool.bin", gone));
    EXPECT_EQ(watcher.Wait(), 2);
    const auto lines = context.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].second, "Some Tool is not running.");
}

TEST_F(Launch, ExitWatcherWaitEndsOnStop)
{
    const char* argv[] = {"/bin/sh", "-c", "sleep 2", nullptr};
    LChildProcess child;
    ASSERT_TRUE(child.Start(argv));
    RecordingContext context;
    LProcessExitWatcher watcher;
    ASSERT_TRUE(watcher.Start(&context, "/bin/sh", child.Pid()));
    context.stop.Signal();
    EXPECT_EQ(watcher.Wait(), 1);
    kill(child.Pid(), SIGKILL);
}

TEST_F(Launch, FindsARunningProcessByItsProgram)
{
    const std::string program = bin_ + "/quorin-test-sleeper";
    std::filesystem::copy_file("/bin/sleep", program);
    chmod(program.c_str(), 0755);
    const char* argv[] = {program.c_str(), "5", nullptr};
    LChildProcess child;
    ASSERT_TRUE(child.Start(argv));
    RecordingContext context;
    pid_t found = -1;
    EXPECT_TRUE(LFindProcessByBundlePath(&context, &found, program.c_str()));
    EXPECT_EQ(found, child.Pid());
    WriteEntry("org.example.Sleeper", "Name=S\nExec=quorin-test-sleeper 5\n");
    found = -1;
    EXPECT_TRUE(
        LFindProcessByBundlePath(&context, &found, (applications_ + "/org.example.Sleeper.desktop").c_str()));
    EXPECT_EQ(found, child.Pid());
    context.stop.Signal();
    EXPECT_FALSE(LFindProcessByBundlePath(&context, &found, program.c_str()));
    kill(child.Pid(), SIGKILL);
    child.WaitToEnd();
    context.stop.Reset();
    EXPECT_FALSE(LFindProcessByBundlePath(&context, &found, program.c_str()));
}

} // namespace
