// Installing a missing sibling program from the test CA's HTTPS server
// (QUORIN_SITE points the program at it) into the user's applications
// folder: a program folder installs and runs; anything else installs nothing,
// runs nothing and leaves nothing behind.

#include "OnlineTestSupport.h"

#include "foundation/files/LPath.h"
#include "online/LHttpClient.h"
#include "online/LRelatedProgramInstall.h"
#include "online/LRelatedPrograms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace quorin::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "Tessary";

class InstallContext : public RecordingContext
{
public:
    void Message(const char* text) override { lines.push_back(std::string("message:") + text); }
};

class RelatedProgramInstall : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("unzip"))
            GTEST_SKIP() << "unzip is needed (tools/install-deps.sh)";
        ASSERT_TRUE(certs_.Made()) << "openssl could not make the test certificates";
        files_ = dir_.Path("files");
        fs::create_directories(files_ + "/components");
        fs::create_directories(files_ + "/tes");
        getLog_ = dir_.Path("gets.log");
        char folder[kLPathSize];
        ASSERT_TRUE(LGetRelatedProgramFolder(folder, kKey));
        programFolder_ = folder;
        applications_ = fs::path(programFolder_).parent_path().string();
        // The stand-in for the program writes down its arguments, one a line.
        program_ = "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + Quote(dir_.Path("ran")) + "\n";
    }
    void TearDown() override { unsetenv("QUORIN_SITE"); }

    // The archive served at the path below the files, members as make_zip.py takes them.
    void Serve(const std::string& path, const std::vector<std::string>& members,
               const std::string& extra = "")
    {
        std::string command = "/usr/bin/python3 " + Quote(SourceDir() + "/tests/online/make_zip.py") + " " +
                              Quote(files_ + path);
        for (const std::string& m : members)
            command += " " + Quote(m);
        ASSERT_EQ(RunCommand(command + extra), 0);
    }

    void StartServer(TestServer& server, const std::string& certificate = "good",
                     const std::vector<std::string>& options = {})
    {
        std::vector<std::string> all = {"--files", files_, "--get-log", getLog_};
        all.insert(all.end(), options.begin(), options.end());
        if (!certificate.empty()) {
            const std::vector<std::string> tls = certs_.ServerOptions(certificate);
            all.insert(all.end(), tls.begin(), tls.end());
        }
        ASSERT_TRUE(server.Start(dir_.Path(), all));
        setenv("QUORIN_SITE",
               ((certificate.empty() ? "http" : "https") + std::string("://localhost:") +
                std::to_string(server.Port()))
                   .c_str(),
               1);
    }

    std::vector<std::string> Fetches() const
    {
        std::vector<std::string> paths;
        std::ifstream in(getLog_);
        for (std::string line; std::getline(in, line);)
            paths.push_back(line);
        return paths;
    }

    // The applications folder's entries besides the lock file.
    std::set<std::string> Entries() const
    {
        std::set<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(applications_, error))
            if (entry.path().filename() != ".install.lock")
                names.insert(entry.path().filename().string());
        return names;
    }

    static bool WritableByOthers(const fs::path& path)
    {
        const fs::perms p = fs::symlink_status(path).permissions();
        return (p & (fs::perms::group_write | fs::perms::others_write)) != fs::perms::none;
    }

    TempDir dir_;
    TestCertificates certs_{dir_.Path()};
    std::string files_, getLog_, programFolder_, applications_, program_;
};

TEST(RelatedProgramInstallNames, TheArchiveIsNamedByTheKeyAndFoundOnBothHosts)
{
    unsetenv("QUORIN_SITE");
    EXPECT_EQ(LRelatedProgramZipName("Tessary"), "tessarymaci.zip");
    EXPECT_EQ(LRelatedProgramDownloadUrl("Tessary", 0, 0),
              "https://www.oxbelsoftware.com/components/tessarymaci.zip");
    EXPECT_EQ(LRelatedProgramDownloadUrl("Tessary", 0, 1),
              "https://www.oxbelsoftware.com/tes/tessarymaci.zip");
    EXPECT_EQ(LRelatedProgramDownloadUrl("Corvane", 1, 1), "https://www.oxbel.com/cor/corvanemaci.zip");
}

TEST_F(RelatedProgramInstall, AProgramFolderInstallsIntoTheApplicationsFolderAndRuns)
{
    // Modes as a careless archive might carry them: none of them survives.
    ASSERT_NO_FATAL_FAILURE(Serve("/components/tessarymaci.zip",
                                  {"--mode", "0666", "tessary/tessary=" + program_, "--mode", "4777",
                                   "tessary/lib/helper=data", "tessary/share/readme=text"}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    // An applications folder others may write is closed to them first.
    fs::create_directories(applications_);
    fs::permissions(applications_, fs::perms::all);

    InstallContext context;
    ASSERT_EQ(LDownloadAndInstallRelatedProgram(&context, kKey), 0) << LHttpLastError();
    EXPECT_EQ(context.lines, (std::vector<std::string>{"0:Download install-on-demand", "1:Tessary"}));
    char found[kLPathSize];
    ASSERT_TRUE(LFindRelatedProgram(found, kKey));
    EXPECT_EQ(std::string(found), programFolder_ + "/tessary");
    EXPECT_FALSE(WritableByOthers(applications_));
    for (const auto& entry : fs::recursive_directory_iterator(programFolder_)) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_FALSE(WritableByOthers(entry.path()));
        EXPECT_EQ(fs::symlink_status(entry.path()).permissions() & (fs::perms::set_uid | fs::perms::set_gid),
                  fs::perms::none);
    }
    // Neither the archive nor an unpack folder stays.
    EXPECT_EQ(Entries(), std::set<std::string>{"tessary"});
    EXPECT_EQ(Fetches(), std::vector<std::string>{"/components/tessarymaci.zip"});

    // It runs, with a file name as one argument.
    LRelatedLaunchRequest request;
    request.wait = true;
    request.program = kKey;
    request.arguments = {"/music/it's \"$HOME\" a b.wav"};
    ASSERT_EQ(LLaunchRelatedProgram(nullptr, request), 0);
    EXPECT_EQ(ReadWhole(dir_.Path("ran")), "/music/it's \"$HOME\" a b.wav\n");

    // Installed now: asked again, nothing is fetched.
    ASSERT_EQ(LDownloadAndInstallRelatedProgram(&context, kKey), 0);
    EXPECT_EQ(Fetches().size(), 1u);
}

TEST_F(RelatedProgramInstall, TheProductsOwnFolderOnTheSiteIsTriedSecond)
{
    ASSERT_NO_FATAL_FAILURE(Serve("/tes/tessarymaci.zip", {"tessary/tessary=" + program_}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    InstallContext context;
    ASSERT_EQ(LDownloadAndInstallRelatedProgram(&context, kKey), 0) << LHttpLastError();
    EXPECT_TRUE(LIsRelatedProgramInstalled(kKey));
    EXPECT_EQ(Fetches(), (std::vector<std::string>{"/components/tessarymaci.zip", "/tes/tessarymaci.zip"}));
}

TEST_F(RelatedProgramInstall, MissingDataFoldersAreMadeWithoutTouchingASharedFolderAboveThem)
{
    // A data folder still to be made below a folder that everyone shares:
    // only what the install makes is the user's alone; the shared one keeps
    // its modes.
    const std::string shared = dir_.Path("shared");
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    setenv("XDG_DATA_HOME", (shared + "/deep/data").c_str(), 1);
    char folder[kLPathSize];
    ASSERT_TRUE(LGetRelatedProgramFolder(folder, kKey));
    programFolder_ = folder;
    applications_ = fs::path(programFolder_).parent_path().string();

    ASSERT_NO_FATAL_FAILURE(Serve("/components/tessarymaci.zip", {"tessary/tessary=" + program_}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server));
    InstallContext context;
    ASSERT_EQ(LDownloadAndInstallRelatedProgram(&context, kKey), 0) << LHttpLastError();
    EXPECT_EQ(fs::status(shared).permissions(), fs::perms::all | fs::perms::sticky_bit);
    for (const std::string& made : {shared + "/deep", shared + "/deep/data", applications_, programFolder_})
        EXPECT_FALSE(WritableByOthers(made)) << made;
    EXPECT_TRUE(LIsRelatedProgramInstalled(kKey));
}

TEST_F(RelatedProgramInstall, TwoInstallsAtOnceFetchOnce)
{
    ASSERT_NO_FATAL_FAILURE(Serve("/components/tessarymaci.zip", {"tessary/tessary=" + program_}));
    TestServer server;
    ASSERT_NO_FATAL_FAILURE(StartServer(server, "good", {"--delay-ms", "1500"}));
    // Each install opens the lock file anew, so the two hold separate locks
    // as two processes would.
    int results[2] = {-1, -1};
    std::thread first([&] {
        InstallContext context;
        results[0] = LDownloadAndInstallRelatedProgram(&context, kKey);
    });
    std::thread second([&] {
        InstallContext context;
        results[1] = LDownloadAndInstallRelatedProgram(&context, kKey);
    });
    first.join();
    second.join();
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], 0);
    EXPECT_EQ(Fetches(), std::vector<std::string>{"/components/tessarymaci.zip"});
    EXPECT_TRUE(LIsRelatedProgramInstalled(kKey));
    EXPECT_EQ(Entries(), std::set<std::string>{"tessary"});
}

// Each case serves something that must not be installed: nothing is
// installed, nothing in the archive runs, nothing stays behind.
struct RefusedCase
{
    const char* what;
    std::vector<std::string> members; // empty: nothing is served
    std::string certificate;          // "" serves plain HTTP
    int result;
};

TEST_F(RelatedProgramInstall, NothingButAProgramFolderOverVerifiedHttpsIsInstalled)
{
    const std::string marker = dir_.Path("installer-ran");
    const std::string installer = "#!/bin/sh\ntouch " + Quote(marker) + "\n";
    const std::string outside = dir_.Path("escaped");
    const RefusedCase cases[] = {
        {"an installer script", {"tessary-setup.sh=" + installer}, "good", kRelatedInstallNotInstallable},
        {"an installer inside the folder",
         {"tessary/install.sh=" + installer},
         "good",
         kRelatedInstallNotInstallable},
        {"the program as a lone file", {"tessary=" + installer}, "good", kRelatedInstallNotInstallable},
        {"the program as a link", {"tessary/tessary@/bin/sh"}, "good", kRelatedInstallNotInstallable},
        {"a link beside the program",
         {"tessary/tessary=" + installer, "tessary/lib@" + outside},
         "good",
         kRelatedInstallNotInstallable},
        {"a member climbing out",
         {"tessary/tessary=" + installer, "../../escaped=x"},
         "good",
         kRelatedInstallNotInstallable},
        {"an absolute member",
         {"tessary/tessary=" + installer, outside + "=x"},
         "good",
         kRelatedInstallNotInstallable},
        {"nothing on the site", {}, "good", 2},
        {"plain HTTP", {"tessary/tessary=" + installer}, "", 2},
        {"a certificate for another host", {"tessary/tessary=" + installer}, "wronghost", 2},
        {"a self-signed certificate", {"tessary/tessary=" + installer}, "selfsigned", 2},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(files_ + "/components/tessarymaci.zip");
        if (!c.members.empty()) {
            ASSERT_NO_FATAL_FAILURE(Serve("/components/tessarymaci.zip", c.members));
        }
        TestServer server;
        ASSERT_NO_FATAL_FAILURE(StartServer(server, c.certificate));
        InstallContext context;
        EXPECT_EQ(LDownloadAndInstallRelatedProgram(&context, kKey), c.result);
        EXPECT_FALSE(LIsRelatedProgramInstalled(kKey));
        EXPECT_FALSE(fs::exists(fs::symlink_status(programFolder_)));
        EXPECT_FALSE(FileExists(marker)) << "something in the archive ran";
        EXPECT_FALSE(fs::exists(fs::symlink_status(outside)));
        EXPECT_EQ(Entries(), std::set<std::string>{});
        const bool told = std::find(context.lines.begin(), context.lines.end(),
                                    "message:Download failed, please check your internet connection and try "
                                    "again") != context.lines.end();
        EXPECT_EQ(told, c.result == 2);
    }
}

TEST_F(RelatedProgramInstall, AnInstallKeepsTheProgramThatIsThereUntilTheNewOneIsComplete)
{
    // An update over an installed copy goes through the same archive check:
    // a refused archive leaves the old copy as it was.
    fs::create_directories(programFolder_);
    std::ofstream(programFolder_ + "/tessary") << "old";
    ASSERT_NO_FATAL_FAILURE(Serve("/components/tessarymaci.zip", {"tessary/setup.run=x"}));
    EXPECT_EQ(LInstallRelatedProgramZip(kKey, (files_ + "/components/tessarymaci.zip").c_str()),
              kRelatedInstallNotInstallable);
    EXPECT_EQ(ReadWhole(programFolder_ + "/tessary"), "old");

    ASSERT_NO_FATAL_FAILURE(Serve("/components/tessarymaci.zip", {"tessary/tessary=new"}));
    EXPECT_EQ(LInstallRelatedProgramZip(kKey, (files_ + "/components/tessarymaci.zip").c_str()), 0);
    EXPECT_EQ(ReadWhole(programFolder_ + "/tessary"), "new");
    EXPECT_EQ(Entries(), std::set<std::string>{"tessary"});
}

} // namespace
