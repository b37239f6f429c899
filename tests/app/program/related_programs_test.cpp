// Files reach a sibling program as arguments of their own: names with
// quotes, dollars, backticks and newlines arrive exactly as they are; a
// window stays responsive while a running copy is slow to take a file; a
// program that is not installed is offered for installing from the maker's
// site or by its web page.

#include "app/program/RelatedPrograms.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/process/LHelperSocket.h"
#include "gui/qt/PaintControlTestSupport.h"
#include "online/DialogAnswerer.h"
#include "online/OnlineTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace quorin::test;

namespace {

class RelatedProgramsTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        savedPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        // A stand-in for the editor that writes each argument it got,
        // ended by a NUL byte, into a file.
        const std::string script = bin_.Path("tessary");
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > "
                              << Quote(out_) << ".part\nmv " << Quote(out_) << ".part " << Quote(out_)
                              << "\n";
        chmod(script.c_str(), 0755);
        setenv("PATH", (bin_.Path() + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    std::vector<std::string> ArgumentsReceived()
    {
        for (int i = 0; i < 500; ++i) {
            std::ifstream in(out_);
            if (in) {
                std::string bytes((std::istreambuf_iterator<char>(in)), {});
                std::vector<std::string> args;
                std::string current;
                for (char c : bytes) {
                    if (c == '\0') {
                        args.push_back(current);
                        current.clear();
                    } else {
                        current += c;
                    }
                }
                return args;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {"(the program never ran)"};
    }

    TempDir bin_;
    std::string out_ = bin_.Path("received");
    std::string savedPath_;
};

} // namespace

TEST_F(RelatedProgramsTest, AFileNameArrivesAsOneArgumentWhateverItHolds)
{
    const std::string name = "/music/it's $HOME \"x\" `date` \\ ;|&\nline two.wav";
    EXPECT_EQ(LRunRelatedProgramDialog(nullptr, "Run Tessary", "Tessary", name, false), 0);
    EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{name});
}

TEST_F(RelatedProgramsTest, WithoutAFileTheProgramStartsAlone)
{
    EXPECT_EQ(LLaunchRelatedProgram("Tessary", {}), 0);
    EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{});
}

TEST_F(RelatedProgramsTest, AMissingProgramIsReportedNotStarted)
{
    EXPECT_EQ(LLaunchRelatedProgram("Corvane", {"/music/a.wav"}), 2);
    // No copy of Tessary listens, so nothing is handed over.
    EXPECT_EQ(LSendFileToRelatedProgram(nullptr, "Tessary", "/music/a.wav", false, "Run Tessary"),
              LSendFileResult::NotTaken);
}

TEST_F(RelatedProgramsTest, WithTheWaitFlagTheFileArrivesAndTheCallReturnsAfterTheEnd)
{
    GuiApp();
    const std::string name = "/music/side \"B\" $PATH.wav";
    EXPECT_EQ(LRunRelatedProgramDialog(nullptr, "Run Tessary", "Tessary", name, true), 0);
    // The stand-in writes what it got as its last act: it is there at once.
    std::ifstream in(out_);
    EXPECT_TRUE(in.good()) << "returned before the program ended";
    EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{name});
}

TEST_F(RelatedProgramsTest, AWindowKeepsRepaintingWhileASlowCopyTakesTheFile)
{
    auto window = MakePaintHost(200, 100);
    window->ShowModeless(nullptr, LPlacementNone);
    QWidget* host = LQtWidget(window->GetView())->findChildren<QWidget*>().value(0);
    ASSERT_NE(host, nullptr);
    PaintRecorder recorder(host);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [host] { host->update(); });
    ticker.start(30);

    // A running copy that reads the record only after a second.
    char socketPath[260];
    ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
    const std::string record = bin_.Path("record");
    const std::string script = SourceDir() + "/tests/online/fake_sibling.py";
    const char* argv[] = {"/usr/bin/python3", script.c_str(), "--listen", socketPath,
                          record.c_str(),     "--read-after", "1",        nullptr};
    LChildProcess sibling;
    ASSERT_TRUE(sibling.Start(argv));
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    recorder.paints = 0;
    EXPECT_EQ(LSendFileToRelatedProgram(window.get(), "Tessary", "/music/a.wav", false, "Run Tessary"),
              LSendFileResult::HandedOver);
    ticker.stop();
    EXPECT_GE(recorder.paints, 5) << "the window did not repaint while the copy was slow";
    EXPECT_EQ(sibling.Wait(nullptr, 5000), LChildEnded);
    std::ifstream in(record, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes.size(), 33284u);
    window->EndDialog(kCommandCancel);
}

TEST_F(RelatedProgramsTest, ACopyThatNeverReadsFailsWithinTheBoundWhileTheWindowRepaints)
{
    auto window = MakePaintHost(200, 100);
    window->ShowModeless(nullptr, LPlacementNone);
    QWidget* host = LQtWidget(window->GetView())->findChildren<QWidget*>().value(0);
    ASSERT_NE(host, nullptr);
    PaintRecorder recorder(host);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [host] { host->update(); });
    ticker.start(30);

    // A running copy that accepts the connection and then never reads.
    char socketPath[260];
    ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
    const std::string script = SourceDir() + "/tests/online/fake_sibling.py";
    const std::string record = bin_.Path("record");
    const char* argv[] = {"/usr/bin/python3", script.c_str(), "--listen", socketPath,
                          record.c_str(),     "--never-read", nullptr};
    LChildProcess sibling;
    ASSERT_TRUE(sibling.Start(argv));
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    recorder.paints = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LSendFileToRelatedProgram(window.get(), "Tessary", "/music/a.wav", false, "Run Tessary"),
              LSendFileResult::NotTaken);
    const auto waited = std::chrono::steady_clock::now() - start;
    ticker.stop();
    // The bound is about 15 seconds; a generous margin keeps a loaded
    // machine from failing the test, while the old budget took minutes.
    EXPECT_LT(waited, std::chrono::seconds(60)) << "the hand-over outlasted its bound";
    EXPECT_GE(recorder.paints, 20) << "the window did not repaint while the copy held the file";
    EXPECT_FALSE(std::ifstream(record).good());
    kill(sibling.Pid(), SIGKILL);
    sibling.Wait(nullptr, 5000);
    window->EndDialog(kCommandCancel);
}

TEST_F(RelatedProgramsTest, WithTheWaitFlagAHandOverWaitsForTheCopyThatTookTheFile)
{
    GuiApp();
    // The running copy is a script: its process runs the interpreter, not
    // the program file, so only the socket can tell which process took the file.
    char socketPath[260];
    ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
    const std::string script = SourceDir() + "/tests/online/fake_sibling.py";
    const std::string record = bin_.Path("record");
    const char* argv[] = {"/usr/bin/python3", script.c_str(), "--listen", socketPath,
                          record.c_str(),     "--stay",       "1",        nullptr};
    LChildProcess sibling;
    ASSERT_TRUE(sibling.Start(argv));
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    const std::string name = "/music/side \"B\" $PATH.wav";
    EXPECT_EQ(LSendFileToRelatedProgram(nullptr, "Tessary", name.c_str(), true, "Run Tessary"),
              LSendFileResult::HandedOver);
    // The copy writes this as its last act: it is there when the wait is over.
    EXPECT_TRUE(std::ifstream(record + ".ended").good()) << "returned before the copy ended";
    std::ifstream in(record, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 33284u);
    EXPECT_STREQ(bytes.c_str() + 264, name.c_str());
    EXPECT_TRUE(std::ifstream(out_).fail()) << "the program was started as well";
    sibling.Wait(nullptr, 5000);
}

TEST_F(RelatedProgramsTest, TheWaitForACopyThatTookTheFileCanBeCancelled)
{
    GuiApp();
    char socketPath[260];
    ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
    const std::string script = SourceDir() + "/tests/online/fake_sibling.py";
    const std::string record = bin_.Path("record");
    const char* argv[] = {"/usr/bin/python3", script.c_str(), "--listen", socketPath,
                          record.c_str(),     "--stay",       "600",      nullptr};
    LChildProcess sibling;
    ASSERT_TRUE(sibling.Start(argv));
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    // The answerer runs on the window's events: it can press Cancel only
    // while the wait keeps them coming.
    DialogAnswerer answerer;
    answerer.Expect("Run Tessary", "Cancel");
    answerer.Start();
    EXPECT_EQ(LSendFileToRelatedProgram(nullptr, "Tessary", "/music/a.wav", true, "Run Tessary"),
              LSendFileResult::NotTaken);
    EXPECT_TRUE(answerer.Done());
    ASSERT_TRUE(std::ifstream(record).good()) << "the copy never got the file";
    EXPECT_EQ(kill(sibling.Pid(), 0), 0) << "cancelling the wait ended the copy";
    kill(sibling.Pid(), SIGKILL);
    sibling.Wait(nullptr, 5000);
}

TEST_F(RelatedProgramsTest, AMissingProgramIsOfferedByItsWebPage)
{
    GuiApp();
    setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
    const std::string opened = bin_.Path("opened");
    std::ofstream(bin_.Path("xdg-open")) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " << Quote(opened) << "\n";
    chmod(bin_.Path("xdg-open").c_str(), 0700);
    DialogAnswerer answerer;
    answerer.Expect("Corvane is not installed.", "Open Web Page");
    answerer.Start();
    EXPECT_EQ(LRunRelatedProgramDialog(nullptr, "Run Corvane", "Corvane", "/music/a.wav", false), 2);
    EXPECT_TRUE(answerer.Done());
    EXPECT_TRUE(PumpUntil([&] { return std::ifstream(opened).good(); }, 3000));
    std::ifstream in(opened);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "https://127.0.0.1:8443/converter/");
    unsetenv("QUORIN_SITE");
}

// The maker's site on the test CA's HTTPS server, serving one archive for
// Corvane; the install goes into the private home's applications folder.
class RelatedProgramsInstallTest : public RelatedProgramsTest
{
protected:
    void SetUp() override
    {
        RelatedProgramsTest::SetUp();
        if (!HaveTool("unzip"))
            GTEST_SKIP() << "unzip is needed (tools/install-deps.sh)";
        ASSERT_TRUE(certs_.Made()) << "openssl could not make the test certificates";
        std::ofstream(bin_.Path("xdg-open"))
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " << Quote(opened_) << "\n";
        chmod(bin_.Path("xdg-open").c_str(), 0700);
    }
    void TearDown() override
    {
        unsetenv("QUORIN_SITE");
        RelatedProgramsTest::TearDown();
    }

    void Serve(const std::vector<std::string>& members)
    {
        RemoveTree(site_.Path("components"));
        ASSERT_EQ(RunCommand("mkdir -p " + Quote(site_.Path("components"))), 0);
        std::string command = "/usr/bin/python3 " + Quote(SourceDir() + "/tests/online/make_zip.py") + " " +
                              Quote(site_.Path("components/corvanemaci.zip"));
        for (const std::string& m : members)
            command += " " + Quote(m);
        ASSERT_EQ(RunCommand(command), 0);
        ASSERT_TRUE(
            server_.Start(site_.Path(), {"--files", site_.Path(), "--tls", certs_.ServerOptions("good")[1],
                                         certs_.ServerOptions("good")[2]}));
        setenv("QUORIN_SITE", ("https://localhost:" + std::to_string(server_.Port())).c_str(), 1);
    }

    TempDir site_;
    TestCertificates certs_{site_.Path()};
    TestServer server_;
    std::string opened_ = bin_.Path("opened");
};

TEST_F(RelatedProgramsInstallTest, AMissingProgramInstalledOnOfferIsStartedWithTheFile)
{
    GuiApp();
    // The converter's stand-in writes its arguments like the editor's.
    ASSERT_NO_FATAL_FAILURE(
        Serve({"corvane/corvane=#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > " + Quote(out_) +
               "\n"}));
    DialogAnswerer answerer;
    answerer.Expect("Corvane is not installed.", "Install");
    answerer.Start();
    const std::string name = "/music/it's \"$HOME\" a b.wav";
    EXPECT_EQ(LRunRelatedProgramDialog(nullptr, "Run Corvane", "Corvane", name, false), 0);
    EXPECT_TRUE(answerer.Done());
    EXPECT_TRUE(LIsRelatedProgramInstalled("Corvane"));
    EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{name});
    EXPECT_FALSE(FileExists(opened_)) << "a web page was opened as well";
}

TEST_F(RelatedProgramsInstallTest, AnInstallerThatCannotBeCheckedIsNotRunButItsWebPageOffered)
{
    GuiApp();
    const std::string marker = bin_.Path("installer-ran");
    ASSERT_NO_FATAL_FAILURE(Serve({"corvane-setup.sh=#!/bin/sh\ntouch " + Quote(marker) + "\n"}));
    DialogAnswerer answerer;
    answerer.Expect("Corvane is not installed.", "Install");
    answerer.Expect("Corvane could not be installed.", "Open Web Page");
    answerer.Start();
    EXPECT_EQ(LRunRelatedProgramDialog(nullptr, "Run Corvane", "Corvane", "/music/a.wav", false), 2);
    EXPECT_TRUE(answerer.Done());
    EXPECT_FALSE(LIsRelatedProgramInstalled("Corvane"));
    EXPECT_FALSE(FileExists(marker)) << "the installer ran";
    EXPECT_TRUE(PumpUntil([&] { return !ReadWhole(opened_).empty(); }, 3000));
    EXPECT_EQ(ReadWhole(opened_), "https://localhost:" + std::to_string(server_.Port()) + "/converter/\n");
}
