// The qd-net tool against the test server: its exit codes, the reason it
// prints on failure, and the fields and decision of check-update.

#include "OnlineTestSupport.h"
#include "foundation/process/LHelperSocket.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

std::string QdNet()
{
    return Quote(BuildDir() + "/tools/qd-net/qd-net");
}

} // namespace

TEST(QdNet, GetAndCheckUpdateReportAsTheyShould)
{
    TempHome home;
    TempDir dir;
    TestCertificates certs(dir.Path());
    ASSERT_TRUE(certs.Made());
    const std::string versionFile = dir.Path("v.txt");
    std::ofstream(versionFile) << "version=2.90&info=file:///etc/passwd&download=https://x/y";
    TestServer server;
    std::vector<std::string> options = certs.ServerOptions("good");
    options.insert(options.end(), {"--version-file", versionFile});
    ASSERT_TRUE(server.Start(dir.Path(), options));

    const std::string out = dir.Path("out.bin");
    int status = -1;
    CaptureCommand(QdNet() + " get " + Quote(server.Url("https", "localhost", "/plain")) + " " + Quote(out),
                   &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadWhole(out), ServerBody(200000));

    const std::string err =
        CaptureCommand(QdNet() + " get " + Quote(server.Url("https", "localhost", "/404")) + " " +
                           Quote(dir.Path("x")) + " 2>&1",
                       &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("answered 404"), std::string::npos) << err;

    const std::string post =
        CaptureCommand(QdNet() + " get " + Quote(server.Url("https", "localhost", "/post")) + " " +
                           Quote(dir.Path("answer")) + " --post 'a=1 2'",
                       &status);
    EXPECT_EQ(status, 0) << post;
    EXPECT_EQ(ReadWhole(dir.Path("answer")), "thanks");

    const std::string site =
        "QUORIN_SITE=" + Quote("https://localhost:" + std::to_string(server.Port())) + " ";
    const std::string check = CaptureCommand(site + QdNet() + " check-update", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(check, "version=2.90\ninfo=file:///etc/passwd\ndownload=https://x/y\ninfo-page=refused\n"
                     "decision=current\n");
}

TEST(QdNet, AFormAnswerThatCannotBeStoredKeepsTheOldFile)
{
    TempHome home;
    TempDir dir;
    TestServer server;
    ASSERT_TRUE(server.Start(dir.Path(), {}));
    const std::string out = dir.Path("answer");
    std::ofstream(out) << "old answer";
    // A file size limit of 10 KiB stands for a full disk: the 200 KB answer
    // cannot be written whole.
    int status = -1;
    const std::string err = CaptureCommand("trap '' XFSZ; ulimit -f 20; " + QdNet() + " get " +
                                               Quote(server.Url("http", "127.0.0.1", "/post-big")) + " " +
                                               Quote(out) + " --post a=1 2>&1",
                                           &status);
    EXPECT_EQ(status, 2) << err;
    EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
    EXPECT_EQ(ReadWhole(out), "old answer");

    CaptureCommand(QdNet() + " get " + Quote(server.Url("http", "127.0.0.1", "/post-big")) + " " +
                       Quote(out) + " --post a=1",
                   &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadWhole(out), ServerBody(200000));
}

TEST(QdNet, ADownloadKilledOnTheWayLeavesNothingThatTheNextOneDoesNotClean)
{
    TempHome home;
    TempDir dir;
    TestServer server;
    ASSERT_TRUE(server.Start(dir.Path(), {}));
    const std::string out = dir.Path("out.bin");
    // Started and reaped here, so that its process is gone once killed.
    const std::string program = BuildDir() + "/tools/qd-net/qd-net";
    const std::string url = server.Url("http", "127.0.0.1", "/drip");
    const pid_t child = fork();
    if (child == 0) {
        if (freopen("/dev/null", "w", stderr) == nullptr)
            _exit(127);
        execl(program.c_str(), program.c_str(), "get", url.c_str(), out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    const std::string copyStart = ".quorin-" + std::to_string(child) + "-";
    auto copies = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            if (e.path().filename().string().rfind(copyStart, 0) == 0)
                names.push_back(e.path().string());
        return names;
    };
    for (int i = 0; i < 1000 && (copies().empty() || ReadWhole(copies()[0]).empty()); ++i)
        usleep(10000);
    const size_t running = copies().size();
    EXPECT_FALSE(FileExists(out)) << "a part of the body sits under the final name";
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(running, 1u) << "the download does not write beside its file";
    EXPECT_FALSE(FileExists(out));
    ASSERT_EQ(copies().size(), 1u);

    int status = -1;
    CaptureCommand(QdNet() + " get " + Quote(server.Url("http", "127.0.0.1", "/plain")) + " " + Quote(out),
                   &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadWhole(out), ServerBody(200000));
    EXPECT_TRUE(copies().empty()) << "the killed download's copy stays";
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

TEST(QdNet, ServerTextOnStandardErrorIsEscaped)
{
    TempHome home;
    TempDir dir;
    TestServer server;
    ASSERT_TRUE(server.Start(dir.Path(), {}));
    int status = -1;
    const std::string err =
        CaptureCommand(QdNet() + " get " + Quote(server.Url("http", "127.0.0.1", "/escape")) + " " +
                           Quote(dir.Path("out")) + " 2>&1",
                       &status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err.find('\x1b'), std::string::npos) << "an escape sequence reached the terminal";
    EXPECT_NE(err.find("\\x1b[2J"), std::string::npos) << err;
}

TEST(QdNet, HelpAndScheduleSayWhatTheyDo)
{
    TempHome home;
    int status = -1;
    const std::string help =
        CaptureCommand("QUORIN_SITE=https://127.0.0.1:9 " + QdNet() + " help tag-editor", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(help.rfind("https://127.0.0.1:9/help/en/quorin/mac/tag-editor.html?software=Quorin&", 0), 0u)
        << help;
    CaptureCommand(QdNet() + " help ../../etc/passwd 2>/dev/null", &status);
    EXPECT_EQ(status, 2);

    const std::string units = home.Path(".config/systemd/user");
    const std::string schedule =
        CaptureCommand(QdNet() + " schedule '2031-05-06 07:08' --name Test --program /bin/true", &status);
    EXPECT_EQ(status, 0) << schedule;
    EXPECT_EQ(schedule, "timer=" + units + "/com.oxbelsoftware.quorin.schedule.Test.timer\nservice=" + units +
                            "/com.oxbelsoftware.quorin.schedule.Test.service\ncalendar=2031-05-06 07:08:00\n"
                            "state=written\n");
    EXPECT_NE(ReadWhole(units + "/com.oxbelsoftware.quorin.schedule.Test.timer")
                  .find("OnCalendar=2031-05-06 07:08:00\n"),
              std::string::npos);
    const std::string weekly = CaptureCommand(
        QdNet() + " schedule weekly --name Test --at 21:30 --days 1,5 --program /bin/true", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(weekly.find("calendar=Mon,Fri *-*-* 21:30:00\n"), std::string::npos) << weekly;
    CaptureCommand(QdNet() + " unschedule --name Test", &status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(FileExists(units + "/com.oxbelsoftware.quorin.schedule.Test.timer"));
    CaptureCommand(QdNet() + " schedule 'tomorrow' 2>/dev/null", &status);
    EXPECT_EQ(status, 2);
    // Bytes that are not UTF-8 in the argument or the program's path: no
    // unit that systemd would half ignore.
    for (const std::string options :
         {"--program /bin/true --arg $'caf\\xe9'", "--program $'/bin/tr\\xffue'"}) {
        SCOPED_TRACE(options);
        const std::string refused = CaptureCommand(
            "bash -c " + Quote(QdNet() + " schedule daily --name Test " + options + " 2>&1"), &status);
        EXPECT_EQ(status, 2) << refused;
        EXPECT_EQ(refused.find("state="), std::string::npos) << refused;
        EXPECT_FALSE(FileExists(units + "/com.oxbelsoftware.quorin.schedule.Test.service"));
    }
}

TEST(QdNet, HandOverReportsWhatTheSiblingDid)
{
    TempHome home;
    TempDir dir;
    int status = -1;
    EXPECT_EQ(CaptureCommand(QdNet() + " handover Tessary /music/a.wav", &status), "not running\n");
    EXPECT_EQ(status, 1);

    // A running copy (the test's stand-in) that reads the record.
    char socketPath[260];
    ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
    const std::string record = dir.Path("record");
    const std::string listen = "/usr/bin/python3 " + Quote(SourceDir() + "/tests/online/fake_sibling.py") +
                               " --listen " + Quote(socketPath) + " " + Quote(record);
    RunCommand(listen + " & ");
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        usleep(10000);
    const std::string name = "/music/side \"A\" $HOME.wav";
    EXPECT_EQ(CaptureCommand(QdNet() + " handover Tessary " + Quote(name), &status), "delivered\n");
    EXPECT_EQ(status, 0);
    for (int i = 0; i < 500 && access(record.c_str(), F_OK) != 0; ++i)
        usleep(10000);
    const std::string bytes = ReadWhole(record);
    ASSERT_EQ(bytes.size(), 33284u);
    EXPECT_STREQ(bytes.c_str() + 264, name.c_str());

    // A path longer than the record holds is refused, never cut.
    unlink(socketPath);
    unlink(record.c_str());
    RunCommand(listen + " & ");
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        usleep(10000);
    const std::string longName = "/music/" + std::string(275, 'x') + "_take2.wav";
    EXPECT_EQ(CaptureCommand(
                  QdNet() + " handover Tessary " + Quote(longName) + " 2>" + Quote(dir.Path("err")), &status),
              "too long\n");
    EXPECT_EQ(status, 1);
    EXPECT_NE(ReadWhole(dir.Path("err")).find("292 bytes"), std::string::npos) << ReadWhole(dir.Path("err"));
    for (int i = 0; i < 500 && access(record.c_str(), F_OK) != 0; ++i)
        usleep(10000);
    EXPECT_EQ(ReadWhole(record).size(), 0u) << "the sibling got a cut path";

    // One that never reads: the limit ends the wait.
    unlink(socketPath);
    RunCommand(listen + " --never-read & echo $! > " + Quote(dir.Path("pid")));
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        usleep(10000);
    EXPECT_EQ(CaptureCommand(QdNet() + " handover Tessary /music/a.wav --limit 500", &status), "failed\n");
    EXPECT_EQ(status, 1);
    RunCommand("kill " + ReadWhole(dir.Path("pid")));
}

TEST(QdNet, InstallProgramInstallsAProgramFolderAndNamesThePageOtherwise)
{
    if (!HaveTool("unzip"))
        GTEST_SKIP() << "unzip is needed (tools/install-deps.sh)";
    TempHome home;
    TempDir dir;
    TestCertificates certs(dir.Path());
    ASSERT_TRUE(certs.Made());
    ASSERT_EQ(RunCommand("mkdir -p " + Quote(dir.Path("site/components"))), 0);
    const std::string makeZip = "/usr/bin/python3 " + Quote(SourceDir() + "/tests/online/make_zip.py") + " ";
    ASSERT_EQ(RunCommand(makeZip + Quote(dir.Path("site/components/corvanemaci.zip")) +
                         " 'corvane/corvane=#!/bin/sh'"),
              0);
    ASSERT_EQ(RunCommand(makeZip + Quote(dir.Path("site/components/pyrocastellemaci.zip")) +
                         " 'pyrocastelle-setup.run=#!/bin/sh'"),
              0);
    TestServer server;
    std::vector<std::string> options = certs.ServerOptions("good");
    options.insert(options.end(), {"--files", dir.Path("site")});
    ASSERT_TRUE(server.Start(dir.Path(), options));
    const std::string site =
        "QUORIN_SITE=" + Quote("https://localhost:" + std::to_string(server.Port())) + " ";

    int status = -1;
    const std::string installed = CaptureCommand(site + QdNet() + " install-program Corvane", &status);
    EXPECT_EQ(status, 0) << installed;
    EXPECT_NE(installed.find("status 0: Download install-on-demand\n"), std::string::npos) << installed;
    EXPECT_NE(installed.find("installed=" + std::string(getenv("XDG_DATA_HOME")) +
                             "/applications/corvane/corvane\n"),
              std::string::npos)
        << installed;

    const std::string refused = CaptureCommand(site + QdNet() + " install-program Pyrocastelle", &status);
    EXPECT_EQ(status, 3) << refused;
    EXPECT_NE(refused.find("page=https://localhost:" + std::to_string(server.Port()) + "/burn/\n"),
              std::string::npos)
        << refused;
    EXPECT_EQ(refused.find("installed="), std::string::npos) << refused;
}
