// Installing a component from the test CA's HTTPS server (QUORIN_SITE points
// the program at it): a good archive installs and records its version; bad
// archives, bad transports and a process killed mid-install leave the
// installed component as it was; two processes at once install once.
// Archives are made at test time with Python's zipfile.

#include "DialogAnswerer.h"
#include "OnlineTestSupport.h"

#include "app/program/online/InstallOnDemandDialogs.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"
#include "foundation/settings/LSharedSettings.h"
#include "gui/GuiTestSupport.h"
#include "online/LComponentInstall.h"
#include "online/LComponentsFolder.h"
#include "online/LHttpClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/wait.h>

using namespace quorin::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kName = "testcomp";

// Records the status lines and the messages of an install.
class InstallContext : public RecordingContext
{
public:
    void Message(const char* text) override { lines.push_back(std::string("message:") + text); }
};

class Components : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("unzip"))
            GTEST_SKIP() << "unzip is needed (tools/install-deps.sh)";
        ASSERT_TRUE(certs_.Made()) << "openssl could not make the test certificates";
        files_ = dir_.Path("files");
        fs::create_directories(files_ + "/components/mac");
        fs::create_directories(files_ + "/versions/components");
        std::ofstream(files_ + "/versions/components/testcomp_mac.txt") << "name=testcomp&version=1.25\n";
        ASSERT_TRUE(LGetComponentsFolder(folder_));
        getLog_ = dir_.Path("gets.log");
    }
    void TearDown() override { unsetenv("QUORIN_SITE"); }

    // The archive served for the test component, members as make_zip.py takes them.
    void ServeZip(const std::vector<std::string>& members, const std::string& extra = "")
    {
        std::string command = "/usr/bin/python3 " + Quote(SourceDir() + "/tests/online/make_zip.py") + " " +
                              Quote(files_ + "/components/mac/testcompi.zip");
        for (const std::string& m : members)
            command += " " + Quote(m);
        ASSERT_EQ(RunCommand(command + extra), 0);
    }

    // Serves an archive whose component is `size` zero bytes, its headers
    // claiming `declared` (make_zeros_zip.py).
    void ServeZeros(uint64_t size, uint64_t declared)
    {
        ASSERT_EQ(RunCommand("/usr/bin/python3 " + Quote(SourceDir() + "/tests/online/make_zeros_zip.py") +
                             " " + Quote(files_ + "/components/mac/testcompi.zip") + " testcomp " +
                             std::to_string(size) + " " + std::to_string(declared)),
                  0);
    }

    // Starts a server over the files and points QUORIN_SITE at it.
    void StartServer(TestServer& server, const std::string& certificate = "good",
                     std::vector<std::string> options = {})
    {
        std::vector<std::string> all = {"--files", files_, "--get-log", getLog_};
        if (!certificate.empty()) {
            const std::vector<std::string> tls = certs_.ServerOptions(certificate);
            all.insert(all.end(), tls.begin(), tls.end());
        }
        all.insert(all.end(), options.begin(), options.end());
        ASSERT_TRUE(server.Start(dir_.Path(), all));
        setenv("QUORIN_SITE",
               ((certificate.empty() ? "http" : "https") + std::string("://localhost:") +
                std::to_string(server.Port()))
                   .c_str(),
               1);
    }

    std::string Installed() const { return std::string(folder_) + "/" + kName; }

    // What the components folder holds besides the lock file.
    std::set<std::string> FolderEntries() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            if (entry.path().filename() != ".install.lock")
                names.insert(entry.path().filename().string());
        return names;
    }

    int ZipFetches() const
    {
        std::ifstream in(getLog_);
        int count = 0;
        for (std::string line; std::getline(in, line);)
            count += line == "/components/mac/testcompi.zip";
        return count;
    }

    TempDir dir_;
    TestCertificates certs_{dir_.Path()};
    std::string files_, getLog_;
    char folder_[260] = {};
};

std::string QdNet()
{
    return Quote(BuildDir() + "/tools/qd-net/qd-net");
}

TEST_F(Components, AGoodArchiveInstallsAndRecordsItsVersion)
{
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp=new code"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    RecordingContext context;
    char path[260];
    ASSERT_EQ(LDownloadAndInstallComponent(&context, kName, path), 0) << LHttpLastError();
    EXPECT_EQ(std::string(path), Installed());
    EXPECT_EQ(ReadWhole(Installed()), "new code");
    EXPECT_EQ(fs::status(Installed()).permissions() & fs::perms::others_write, fs::perms::none);
    char version[64];
    LSharedSettingsGetString("ComponentVersions", kName, "", version);
    EXPECT_STREQ(version, "1.25");
    EXPECT_EQ(context.lines, (std::vector<std::string>{"0:Download install-on-demand", "1:testcomp"}));
    // Neither the zip nor the unpack folder stays.
    EXPECT_EQ(FolderEntries(), std::set<std::string>{kName});
    EXPECT_EQ(ZipFetches(), 1);

    // Usable now: asked again, nothing is fetched.
    ASSERT_EQ(LDownloadAndInstallComponent(&context, kName, path), 0);
    EXPECT_EQ(ZipFetches(), 1);
}

// Each case serves something that must not be installed; the working
// component from before stays as it was.
struct RefusedCase
{
    const char* what;
    std::vector<std::string> members;
    std::string zipExtra;    // further make_zip.py arguments
    std::string certificate; // "" serves plain HTTP
    std::vector<std::string> serverOptions;
    const char* refusal = nullptr; // why an archive that came whole was refused
};

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

// The one message of a failed install, without its "message:".
std::string FailureMessage(const std::vector<std::string>& lines)
{
    std::string found;
    for (const std::string& line : lines)
        if (StartsWith(line, "message:")) {
            EXPECT_TRUE(found.empty()) << "a second message: " << line;
            found = line.substr(8);
        }
    return found;
}

TEST_F(Components, NothingButACompleteVerifiedSafeArchiveReplacesTheInstalledOne)
{
    const std::string outside = dir_.Path("escaped");
    const RefusedCase cases[] = {
        {"body cut short by the server", {"testcomp=new code"}, "", "good", {"--truncate-files"}},
        {"archive cut short", {"testcomp=new code", "other=more"}, " --cut -60", "good", {}, "unzip"},
        {"member climbing out", {"testcomp=new code", "../../escaped=x"}, "", "good", {}, "leads out"},
        {"absolute member", {"testcomp=new code", outside + "=x"}, "", "good", {}, "leads out"},
        {"link to a file outside", {"testcomp@/etc/passwd"}, "", "good", {}, "a link"},
        {"link beside the component", {"testcomp=new code", "lib@" + outside}, "", "good", {}, "a link"},
        {"hidden link", {"testcomp=new code", ".lib@/etc/passwd"}, "", "good", {}, "a link"},
        {"plain HTTP", {"testcomp=new code"}, "", "", {}},
        {"certificate for another host", {"testcomp=new code"}, "", "wronghost", {}},
        {"self-signed certificate", {"testcomp=new code"}, "", "selfsigned", {}},
        {"archive without the component", {"something=else"}, "", "good", {}, "no item named testcomp"},
        // Swapped in, a folder would leave no usable component and take the
        // working one with it.
        {"folder named like the component", {"testcomp/lib.so=new code"}, "", "good", {}, "is a folder"},
        {"build for another computer",
         {"testcomp=\xfe\xed\xfa\xce old build"},
         "",
         "good",
         {},
         "another kind"},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(Installed()) << "old code";
        LSharedSettingsSetString("ComponentVersions", kName, "1.00");
        ASSERT_NO_FATAL_FAILURE(ServeZip(c.members, c.zipExtra));
        TestServer server;
        ASSERT_NO_FATAL_FAILURE(StartServer(server, c.certificate, c.serverOptions));
        InstallContext context;
        char path[260];
        EXPECT_EQ(LDownloadAndInstallComponent(&context, kName, path, true), 2);
        EXPECT_EQ(ReadWhole(Installed()), "old code");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Installed())));
        EXPECT_FALSE(fs::exists(fs::symlink_status(outside)));
        for (const char* up : {"/../escaped", "/../../escaped"})
            EXPECT_FALSE(fs::exists(fs::symlink_status(std::string(folder_) + up)));
        EXPECT_EQ(FolderEntries(), std::set<std::string>{kName});
        char version[64];
        LSharedSettingsGetString("ComponentVersions", kName, "", version);
        EXPECT_STREQ(version, "1.00");
        // A download that failed says so; an archive that came whole and
        // was refused says why.
        const std::string message = FailureMessage(context.lines);
        EXPECT_TRUE(StartsWith(message, "Error downloading component testcomp")) << message;
        const std::string error = LComponentInstallLastError();
        EXPECT_FALSE(error.empty());
        if (c.refusal != nullptr) {
            EXPECT_NE(message.find("refused: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
            EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
        } else {
            EXPECT_EQ(message, "Error downloading component testcomp");
        }
    }
}

// Archives that inflate to far more than they are: refused from what their
// directory claims, or, when it lies, as soon as the bytes inflated pass
// the bound; nothing of them stays and the working component is kept.
TEST_F(Components, AnArchiveThatUnpacksBeyondItsBoundsIsRefusedAndSaysWhy)
{
    constexpr uint64_t kMiB = 1 << 20;
    struct Case
    {
        const char* what;
        uint64_t size, declared;
    };
    const Case cases[] = {
        {"about 4 GiB from 4 MB", 4095 * kMiB, 4095 * kMiB},
        {"about 4 GiB from 4 MB, the headers claiming 10 bytes", 4095 * kMiB, 10},
        {"20 MiB from 20 KB, beyond the ratio", 20 * kMiB, 20 * kMiB},
        {"20 MiB from 20 KB, the headers claiming 10 bytes", 20 * kMiB, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(Installed()) << "old code";
        ASSERT_NO_FATAL_FAILURE(ServeZeros(c.size, c.declared));
        TestServer server;
        ASSERT_NO_FATAL_FAILURE(StartServer(server));
        InstallContext context;
        char path[260];
        EXPECT_EQ(LDownloadAndInstallComponent(&context, kName, path, true), 2);
        EXPECT_EQ(ReadWhole(Installed()), "old code");
        EXPECT_EQ(FolderEntries(), std::set<std::string>{kName});
        const std::string message = FailureMessage(context.lines);
        EXPECT_NE(message.find("it unpacks to more than"), std::string::npos) << message;
        EXPECT_NE(std::string(LComponentInstallLastError()).find("it unpacks to more than"),
                  std::string::npos);
    }

    // Below the floor any ratio is allowed: 12 MiB of zeros from 12 KB installs.
    ASSERT_NO_FATAL_FAILURE(ServeZeros(12 * kMiB, 12 * kMiB));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    RecordingContext context;
    char path[260];
    ASSERT_EQ(LDownloadAndInstallComponent(&context, kName, path, true), 0) << LComponentInstallLastError();
    EXPECT_EQ(fs::file_size(Installed()), 12 * kMiB);
}

TEST(ArchiveBounds, WhatAnArchiveMayUnpackTo)
{
    constexpr uint64_t kMiB = 1 << 20;
    EXPECT_EQ(LAllowedUnpackedBytes(0), 16 * kMiB);
    EXPECT_EQ(LAllowedUnpackedBytes(100 * 1024), 16 * kMiB);
    EXPECT_EQ(LAllowedUnpackedBytes(1 * kMiB), 100 * kMiB);
    EXPECT_EQ(LAllowedUnpackedBytes(4 * kMiB), 400 * kMiB);
    EXPECT_EQ(LAllowedUnpackedBytes(64 * kMiB), 512 * kMiB);
    EXPECT_EQ(LAllowedUnpackedBytes(UINT64_MAX), 512 * kMiB);
}

TEST_F(Components, QdNetSaysWhyADownloadedArchiveWasRefused)
{
    std::ofstream(Installed()) << "old code";
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp/lib.so=new code"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    const std::string out = dir_.Path("out");
    EXPECT_EQ(RunCommand(QdNet() + " install-component testcomp --update > " + Quote(out) + " 2>&1"), 2);
    const std::string printed = ReadWhole(out);
    EXPECT_NE(printed.find("testcomp was not installed: the archive was downloaded but refused: its testcomp "
                           "is a folder"),
              std::string::npos)
        << printed;
    EXPECT_EQ(ReadWhole(Installed()), "old code");
}

TEST_F(Components, OnlyADecimalVersionOfTheVersionKeyIsRecorded)
{
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp=new code"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    for (const char* file : {"name=testcomp&version=0x400\n", "name=testcomp&xversion=9\n"}) {
        SCOPED_TRACE(file);
        std::ofstream(files_ + "/versions/components/testcomp_mac.txt") << file;
        LSharedSettingsSetString("ComponentVersions", kName, "1.00");
        RecordingContext context;
        char path[260];
        ASSERT_EQ(LDownloadAndInstallComponent(&context, kName, path, true), 0)
            << LComponentInstallLastError();
        EXPECT_EQ(ReadWhole(Installed()), "new code");
        char version[64];
        LSharedSettingsGetString("ComponentVersions", kName, "", version);
        EXPECT_STREQ(version, "1.00");
    }
}

TEST_F(Components, AnUpdateReplacesTheWorkingComponentInOneStep)
{
    std::ofstream(Installed()) << "old code";
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp=new code"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    RecordingContext context;
    char path[260];
    ASSERT_EQ(LDownloadAndInstallComponent(&context, kName, path, true), 0) << LHttpLastError();
    EXPECT_EQ(ReadWhole(Installed()), "new code");
    EXPECT_EQ(FolderEntries(), std::set<std::string>{kName});
}

TEST_F(Components, TwoProcessesInstallingAtOnceInstallOnce)
{
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp=new code"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server, "good", {"--delay-ms", "1500"}));
    const std::string command = QdNet() + " install-component testcomp > " + Quote(dir_.Path("out")) + "-";
    ASSERT_EQ(RunCommand(command + "1 & a=$!; " + command + "2 & b=$!; wait $a && wait $b"), 0);
    EXPECT_EQ(ZipFetches(), 1);
    EXPECT_EQ(ReadWhole(Installed()), "new code");
    for (const char* n : {"-1", "-2"})
        EXPECT_NE(ReadWhole(dir_.Path("out") + n).find("installed=" + Installed()), std::string::npos);
    EXPECT_EQ(FolderEntries(), std::set<std::string>{kName});
}

TEST_F(Components, AProcessKilledMidInstallLeavesTheOldComponentUsable)
{
    std::ofstream(Installed()) << "old code";
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp=new code"}));
    {
        TestServer slow;
        ASSERT_NO_FATAL_FAILURE(StartServer(slow, "good", {"--delay-ms", "20000"}));
        const pid_t child = fork();
        if (child == 0) {
            const std::string qdNet = BuildDir() + "/tools/qd-net/qd-net";
            execl(qdNet.c_str(), "qd-net", "install-component", kName, "--update",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(child, 0);
        for (int i = 0; i < 400 && ZipFetches() == 0; ++i)
            usleep(25000);
        ASSERT_EQ(ZipFetches(), 1);
        usleep(200000); // the download is under way
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    EXPECT_EQ(ReadWhole(Installed()), "old code");
    char path[260];
    EXPECT_TRUE(LGetComponentPath(kName, path));

    // The lock died with its holder; the next install cleans up after it.
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    RecordingContext context;
    ASSERT_EQ(LDownloadAndInstallComponent(&context, kName, path, true), 0) << LHttpLastError();
    EXPECT_EQ(ReadWhole(Installed()), "new code");
    EXPECT_EQ(FolderEntries(), std::set<std::string>{kName});
}

TEST_F(Components, InstallOnDemandRunsInItsProgressWindow)
{
    GuiApp();
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp=new code"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    // The user is asked first; once installed, never again.
    DialogAnswerer answerer;
    answerer.Expect("Install-on-Demand", "Download");
    answerer.Start();
    char path[260];
    EXPECT_TRUE(LComponentInstallOnDemand(kName, path, nullptr));
    EXPECT_TRUE(answerer.Done());
    EXPECT_EQ(ReadWhole(Installed()), "new code");
    EXPECT_TRUE(LComponentInstallOnDemand(kName, path, nullptr));
    EXPECT_EQ(ZipFetches(), 1);
}

// The MP3 encoder a test binary looks for: none beside it, none in the
// throwaway home; when missing, the user is offered its download.
class Mp3EncoderOnDemand : public Components
{
protected:
    void SetUp() override
    {
        Components::SetUp();
        if (IsSkipped())
            return;
        GuiApp();
        if (LMp3EncoderComponent().IsLoaded())
            GTEST_SKIP() << "an MP3 encoder is found beside the test program";
    }

    // The archive served for the encoder: its one member "quavex4x64" holds
    // the bytes of the file given.
    void ServeEncoder(const std::string& library)
    {
        ASSERT_EQ(RunCommand("/usr/bin/python3 -c " +
                             Quote("import sys, zipfile\n"
                                   "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                   "    z.write(sys.argv[2], 'quavex4x64')\n") +
                             " " + Quote(files_ + "/components/mac/quavex4x64i.zip") + " " + Quote(library)),
                  0);
    }

    int EncoderFetches() const
    {
        std::ifstream in(getLog_);
        int count = 0;
        for (std::string line; std::getline(in, line);)
            count += line == "/components/mac/quavex4x64i.zip";
        return count;
    }

    std::string Encoder() const { return std::string(folder_) + "/quavex4x64"; }
};

TEST_F(Mp3EncoderOnDemand, AMissingEncoderIsOfferedAndADeclinedOfferFetchesNothing)
{
    ASSERT_NO_FATAL_FAILURE(ServeZip({"testcomp=unused"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    DialogAnswerer answerer;
    answerer.Expect("Install-on-Demand", "Cancel");
    answerer.Start();
    char path[260];
    EXPECT_FALSE(LComponentInstallOnDemand(kMp3EncoderComponentName, path, nullptr));
    EXPECT_TRUE(answerer.Done());
    EXPECT_EQ(EncoderFetches(), 0);
    EXPECT_FALSE(fs::exists(Encoder()));
}

TEST_F(Mp3EncoderOnDemand, AnAcceptedOfferInstallsTheEncoderThatThenLoads)
{
    std::error_code error;
    const std::string built = fs::canonical(mp3enc::BuiltComponent(), error).string();
    if (error)
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    ASSERT_NO_FATAL_FAILURE(ServeEncoder(built));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    DialogAnswerer answerer;
    answerer.Expect("Install-on-Demand", "Download");
    answerer.Start();
    char path[260];
    EXPECT_TRUE(LComponentInstallOnDemand(kMp3EncoderComponentName, path, nullptr)) << LHttpLastError();
    EXPECT_EQ(std::string(path), Encoder());
    EXPECT_EQ(EncoderFetches(), 1);
    EXPECT_TRUE(LMp3EncoderComponent().IsLoaded());
    // Found now: asked again, nothing is offered or fetched.
    EXPECT_TRUE(LComponentInstallOnDemand(kMp3EncoderComponentName, path, nullptr));
    EXPECT_EQ(EncoderFetches(), 1);
}

TEST_F(Mp3EncoderOnDemand, ADownloadThatDoesNotLoadIsRemovedAndTold)
{
    const std::string junk = dir_.Path("junk");
    std::ofstream(junk) << "not a library";
    ASSERT_NO_FATAL_FAILURE(ServeEncoder(junk));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    InstallContext context;
    char path[260];
    EXPECT_EQ(LDownloadAndInstallComponent(&context, kMp3EncoderComponentName, path), 2);
    EXPECT_EQ(context.lines, (std::vector<std::string>{"0:Download install-on-demand", "1:quavex4x64",
                                                       "message:Error downloading component quavex4x64"}));
    EXPECT_EQ(EncoderFetches(), 1);
    // Left there, it would hide the encoder the program ships for good.
    EXPECT_FALSE(fs::exists(Encoder()));
}

TEST(ComponentPaths, EachNameHasItsPlaceAndOnlyFolderComponentsMayBeFolders)
{
    quorin::test::TempHome home;
    char folder[260];
    ASSERT_TRUE(LGetComponentsFolder(folder));
    const std::string f = folder;
    auto file = [&](const std::string& name, const std::string& bytes = "code") {
        fs::create_directories(fs::path(f + "/" + name).parent_path());
        std::ofstream(f + "/" + name) << bytes;
    };
    const std::string powerPc("\xFE\xED\xFA\xCE rest", 9);
    file("quavex4x64");
    file("snappy.so");
    file("libfreetype.so.6");
    file("flacenc", powerPc); // a codec is taken as it is
    file("oldcomp", powerPc); // anything else of that build goes
    file("unrar/libunrar.so");
    file("minizipx64/libminizip.so");
    for (const char* library : {"libavcodec.so", "libavformat.so", "libavutil.so", "libswscale.so"}) {
        file(std::string("ffmpeg4x64/") + library);
        file(std::string("ffmpeg/") + library);
    }
    for (const char* library : {"libavcodec.so", "libavformat.so", "libavutil.so"})
        file(std::string("ffmpeg3/") + library);
    fs::create_directories(f + "/libunrarx64.so/inner");
    fs::create_directories(f + "/plainfolder");
    file("minizip/libminizip.so");

    struct Case
    {
        const char* name;
        std::string path;
        bool usable;
    } const cases[] = {
        {"infozip", "/usr/bin/unzip", fs::exists("/usr/bin/unzip")},
        {"InfoZIP-3", "/usr/bin/unzip", fs::exists("/usr/bin/unzip")},
        {"quavex4x64", f + "/quavex4x64", true},
        {"snappy", f + "/snappy.so", true},
        {"freetype", f + "/libfreetype.so.6", true},
        {"ccittfaxmac", f + "/ccittfaxmac.so", false},
        {"libunrarx64", f + "/libunrarx64.so", false}, // a folder in a file's place
        {"flacenc", f + "/flacenc", true},
        {"oldcomp", f + "/oldcomp", false},
        {"unrar", f + "/unrar", true},
        {"minizipx64", f + "/minizipx64", true},
        {"minizip", f + "/minizip", false},
        {"ffmpeg4x64", f + "/ffmpeg4x64", true},
        {"ffmpeg3", f + "/ffmpeg3", false}, // a library short
        {"ffmpeg", f + "/ffmpeg", false},   // no version
        {"plainfolder", f + "/plainfolder", false},
        {"missing", f + "/missing", false},
    };
    for (const Case& c : cases) {
        char path[260];
        EXPECT_EQ(LGetComponentPath(c.name, path), c.usable) << c.name;
        EXPECT_EQ(std::string(path), c.path) << c.name;
    }
    EXPECT_TRUE(fs::exists(f + "/flacenc"));
    EXPECT_FALSE(fs::exists(f + "/oldcomp")) << "a build for the old Macs is deleted";

    // zlib is the system's, wherever the loader has it.
    char zlib[260];
    EXPECT_TRUE(LGetComponentPath("ZLIB", zlib)) << zlib;
    EXPECT_NE(std::string(zlib).find("libz.so"), std::string::npos) << zlib;

    // No components folder to be had: false, with the folder it would be.
    fs::remove_all(f);
    std::ofstream(f) << "a file in the folder's place";
    char path[260];
    EXPECT_FALSE(LGetComponentPath("quavex4x64", path));
    EXPECT_EQ(std::string(path), f);
}

TEST(ComponentNames, CodecComponentsKeepTheirZipName)
{
    EXPECT_EQ(LComponentZipName("flacenc2"), "flacenc2.zip");
    EXPECT_EQ(LComponentZipName("quavex4x64"), "quavex4x64i.zip");
    EXPECT_EQ(LComponentZipName("flacenc2x"), "flacenc2xi.zip");
}

} // namespace
