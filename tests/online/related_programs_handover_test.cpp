// Sibling programs: the hand-over record over a running copy's socket (whole,
// bounded in time), finding an installed copy, and starting one with a file
// that arrives as one argument, waiting for it when asked.

#include "foundation/files/LPath.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/process/LHelperSocket.h"
#include "foundation/settings/LPreferenceStore.h"
#include "foundation/settings/LSettings.h"
#include "online/LRelatedPrograms.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace quorin::test;

namespace {

const char* const kAwkwardNames[] = {
    "/music/side \"A\" $HOME `id` & more.wav",
    "/music/it's a 'quote'.wav",
    "/music/two  blanks\tand a tab.wav",
    "/music/Übergröße – ♫.wav",
};

std::string SiblingScript()
{
    return SourceDir() + "/tests/online/fake_sibling.py";
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

bool WaitForFile(const std::string& path)
{
    for (int i = 0; i < 1000; ++i) {
        if (access(path.c_str(), F_OK) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class RelatedProgramsHandOverTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        savedPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        setenv("PATH", (bin_.Path() + ":" + savedPath_).c_str(), 1);
        unsetenv("SIBLING_SLEEP");
        setenv("SIBLING_OUT", out_.c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", savedPath_.c_str(), 1);
        unsetenv("SIBLING_OUT");
        unsetenv("SIBLING_SLEEP");
    }

    // The sibling as a running copy of "Tessary", listening on its socket.
    void StartListening(const std::vector<std::string>& mode)
    {
        char socketPath[kLPathSize];
        ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
        std::vector<std::string> words = {"/usr/bin/python3", SiblingScript(), "--listen", socketPath,
                                          record_};
        words.insert(words.end(), mode.begin(), mode.end());
        std::vector<const char*> argv;
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        argv.push_back(nullptr);
        ASSERT_TRUE(listener_.Start(argv.data()));
        ASSERT_TRUE(WaitForFile(socketPath)) << "the sibling never listened";
    }

    // The sibling installed as the program "tessary" in the folder.
    void Install(const std::string& folder)
    {
        mkdir(folder.c_str(), 0700);
        const std::string program = folder + "/tessary";
        ASSERT_EQ(symlink(SiblingScript().c_str(), program.c_str()), 0);
    }

    std::vector<std::string> ArgumentsReceived()
    {
        if (!WaitForFile(out_))
            return {"(the program never ran)"};
        std::vector<std::string> args;
        std::string current;
        for (char c : ReadWhole(out_)) {
            if (c == '\0') {
                args.push_back(current);
                current.clear();
            } else {
                current += c;
            }
        }
        return args;
    }

    TempDir bin_;
    TempDir work_;
    std::string out_ = work_.Path("arguments");
    std::string record_ = work_.Path("record");
    std::string savedPath_;
    LChildProcess listener_;
};

} // namespace

TEST_F(RelatedProgramsHandOverTest, TheRecordCarriesCommandTwoTheProgramAndTheFile)
{
    const std::vector<uint8_t> record = LMakeHandOverRecord("Tessary", kAwkwardNames[0]);
    ASSERT_EQ(record.size(), 33284u);
    EXPECT_EQ(record[0], 2);
    EXPECT_EQ(record[1] | record[2] | record[3], 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(record.data() + 4), "Tessary");
    EXPECT_STREQ(reinterpret_cast<const char*>(record.data() + 264), kAwkwardNames[0]);
    for (size_t i = 264 + std::strlen(kAwkwardNames[0]); i < record.size(); ++i)
        ASSERT_EQ(record[i], 0) << "byte " << i;

    // A name of 259 bytes fills its field; one byte more makes no record,
    // never a cut one (a cut path names another file).
    const std::string longest = "/" + std::string(258, 'a');
    const std::vector<uint8_t> full = LMakeHandOverRecord("Tessary", longest.c_str());
    ASSERT_EQ(full.size(), 33284u);
    EXPECT_STREQ(reinterpret_cast<const char*>(full.data() + 264), longest.c_str());
    EXPECT_TRUE(LMakeHandOverRecord("Tessary", (longest + "b").c_str()).empty());
    EXPECT_TRUE(LMakeHandOverRecord(std::string(260, 'T').c_str(), "/music/a.wav").empty());
}

TEST_F(RelatedProgramsHandOverTest, APathTooLongForTheRecordReachesTheCopyNeitherCutNorAtAll)
{
    StartListening({});
    const std::string name = "/music/" + std::string(275, 'x') + "_take2.wav";
    ASSERT_EQ(name.size(), 292u);
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", name.c_str(), kHandOverLimitMs, nullptr),
              LHandOverResult::TooLong);
    // The copy saw a connection that carried nothing.
    ASSERT_TRUE(WaitForFile(record_));
    EXPECT_EQ(ReadWhole(record_).size(), 0u);
    EXPECT_EQ(listener_.Wait(nullptr, 5000), LChildEnded);
    // With no copy running there is nothing to refuse: the caller starts the
    // program with the path as its argument.
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", name.c_str(), 1000, nullptr), LHandOverResult::NotRunning);
}

TEST_F(RelatedProgramsHandOverTest, ARunningCopyReadsTheWholeRecord)
{
    StartListening({});
    int idleCalls = 0;
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", kAwkwardNames[0], kHandOverLimitMs,
                                        [&] {
                                            ++idleCalls;
                                            return false;
                                        }),
              LHandOverResult::Delivered);
    ASSERT_TRUE(WaitForFile(record_));
    const std::string bytes = ReadWhole(record_);
    ASSERT_EQ(bytes.size(), 33284u);
    EXPECT_EQ(std::string(bytes, 0, 4), std::string("\x02\0\0\0", 4));
    EXPECT_STREQ(bytes.c_str() + 4, "Tessary");
    EXPECT_STREQ(bytes.c_str() + 264, kAwkwardNames[0]);
    EXPECT_EQ(listener_.Wait(nullptr, 5000), LChildEnded);
}

TEST_F(RelatedProgramsHandOverTest, ACopyThatNeverReadsFailsWithinTheLimitWhileIdleKeepsRunning)
{
    // The whole record fits into the socket's buffer: only the copy reading
    // it counts as taking the file.
    StartListening({"--never-read"});
    int idleCalls = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", "/music/a.wav", 1000,
                                        [&] {
                                            ++idleCalls;
                                            return false;
                                        }),
              LHandOverResult::Failed);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(idleCalls, 5) << "the caller's window was not given its turns";
    EXPECT_LT(waited, std::chrono::seconds(30)) << "the limit was not kept";

    // The caller can give up at once.
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", "/music/a.wav", kHandOverLimitMs, [] { return true; }),
              LHandOverResult::Failed);
    kill(listener_.Pid(), SIGTERM);
}

TEST_F(RelatedProgramsHandOverTest, ASlowCopyStillGetsTheRecordWithinTheLimit)
{
    StartListening({"--read-after", "0.5"});
    int idleCalls = 0;
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", "/music/a.wav", kHandOverLimitMs,
                                        [&] {
                                            ++idleCalls;
                                            return false;
                                        }),
              LHandOverResult::Delivered);
    EXPECT_GE(idleCalls, 2);
    ASSERT_TRUE(WaitForFile(record_));
    EXPECT_EQ(ReadWhole(record_).size(), 33284u);
}

TEST_F(RelatedProgramsHandOverTest, NoCopyListeningIsNotRunning)
{
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", "/music/a.wav", 1000, nullptr),
              LHandOverResult::NotRunning);

    // A socket file left behind by a copy that ended.
    char socketPath[kLPathSize];
    ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(std::strlen(socketPath), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath, std::strlen(socketPath) + 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    EXPECT_EQ(LHandOverToRelatedProgram("Tessary", "/music/a.wav", 1000, nullptr),
              LHandOverResult::NotRunning);
}

TEST_F(RelatedProgramsHandOverTest, TheProgramIsFoundOnThePathThenInTheUsersApplicationsFolder)
{
    char found[kLPathSize];
    EXPECT_FALSE(LFindRelatedProgram(found, "Tessary"));
    EXPECT_FALSE(LIsRelatedProgramInstalled("Tessary"));

    char folder[kLPathSize];
    ASSERT_TRUE(LGetRelatedProgramFolder(folder, "Tessary"));
    EXPECT_EQ(std::string(folder), home_.Path(".local/share/applications/tessary"));
    const std::string dataHome = std::getenv("XDG_DATA_HOME") != nullptr ? std::getenv("XDG_DATA_HOME") : "";
    EXPECT_EQ(std::string(folder), dataHome + "/applications/tessary");

    // A file there that cannot be run is not the program.
    RunCommand("mkdir -p " + Quote(folder));
    std::ofstream(std::string(folder) + "/tessary") << "not a program\n";
    EXPECT_FALSE(LFindRelatedProgram(found, "Tessary"));
    unlink((std::string(folder) + "/tessary").c_str());

    Install(folder);
    ASSERT_TRUE(LFindRelatedProgram(found, "Tessary"));
    EXPECT_EQ(std::string(found), std::string(folder) + "/tessary");

    // The PATH comes first.
    Install(bin_.Path());
    ASSERT_TRUE(LFindRelatedProgram(found, "Tessary"));
    EXPECT_EQ(std::string(found), bin_.Path("tessary"));

    // Names that would leave the folder are no program.
    for (const char* name : {"", "../tessary", "a/b", ".."})
        EXPECT_FALSE(LFindRelatedProgram(found, name)) << name;
}

TEST_F(RelatedProgramsHandOverTest, AFileNameArrivesAsOneArgumentWhateverItHolds)
{
    Install(bin_.Path());
    for (const char* name : kAwkwardNames) {
        unlink(out_.c_str());
        LRelatedLaunchRequest request;
        request.program = "Tessary";
        request.arguments = {name};
        request.wait = true;
        ASSERT_EQ(LLaunchRelatedProgram(nullptr, request), 0) << name;
        EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{name});
    }
    // Starting it records that it is installed, in its own settings.
    std::string prefs;
    ASSERT_TRUE(LPreferenceStore::PathFor(kLSettingsCurrentUser, "com.oxbelsoftware.tessary", &prefs));
    const std::string text = ReadWhole(prefs);
    EXPECT_NE(text.find("RelatedProgramsInstalled=1"), std::string::npos) << text;
}

TEST_F(RelatedProgramsHandOverTest, WithTheWaitFlagTheCallReturnsWhenTheProgramHasEnded)
{
    Install(bin_.Path());
    setenv("SIBLING_SLEEP", "1", 1);
    LRelatedLaunchRequest request;
    request.program = "Tessary";
    request.arguments = {kAwkwardNames[1]};
    request.wait = true;
    ASSERT_EQ(LLaunchRelatedProgram(nullptr, request), 0);
    EXPECT_EQ(access((out_ + ".ended").c_str(), F_OK), 0) << "returned before the program ended";

    // Without it the call does not wait for the end.
    unlink((out_ + ".ended").c_str());
    unlink(out_.c_str());
    setenv("SIBLING_SLEEP", "3", 1);
    request.wait = false;
    ASSERT_EQ(LLaunchRelatedProgram(nullptr, request), 0);
    EXPECT_NE(access((out_ + ".ended").c_str(), F_OK), 0);
    EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{kAwkwardNames[1]});
}

TEST_F(RelatedProgramsHandOverTest, AProgramThatIsNotInstalledIsNotStarted)
{
    LRelatedLaunchRequest request;
    request.program = "Corvane";
    request.arguments = {"/music/a.wav"};
    EXPECT_EQ(LLaunchRelatedProgram(nullptr, request), 2);
}
