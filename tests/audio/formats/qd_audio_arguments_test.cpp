// `qd-audio` reads the arguments of every command the same way, and its
// messages say what is wrong with the path it names.

#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

using namespace quorin::test;

namespace {

std::string Tool()
{
    return Quote(BuildDir() + "/tools/qd-audio/qd-audio");
}

class QdAudioArguments : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(dir_.Path("-in.wav")) +
                             " synth 0.5 sine 440 gain -6"),
                  0);
    }
    // Runs the tool in the test folder; the status and the standard error.
    std::string Run(const std::string& args, int& status)
    {
        return CaptureCommand("cd " + Quote(dir_.Path()) + " && timeout 20 " + Tool() + " " + args +
                                  " 2>&1 >/dev/null",
                              &status);
    }
    TempDir dir_;
};

TEST_F(QdAudioArguments, NamesThatBeginWithADashFollowTheEndOfOptions)
{
    const char* const commands[] = {
        "info -- -in.wav",
        "tracks --floor -40 -- -in.wav",
        "decode -- -in.wav -out.raw",
        "encode --tag 1 -- -in.wav -enc.wav",
        "restore --dc --noise -60 -- -in.wav -restored.wav",
        "resample --rate 22050 -- -in.wav -resampled.wav",
    };
    for (const char* args : commands) {
        SCOPED_TRACE(args);
        int status = -1;
        const std::string err = Run(args, status);
        EXPECT_EQ(status, 0) << err;
    }
    for (const char* made : {"-out.raw", "-enc.wav", "-restored.wav", "-resampled.wav"})
        EXPECT_TRUE(PathExists(dir_.Path(made))) << made;
}

TEST_F(QdAudioArguments, OptionsMayComeBeforeOrAfterTheNames)
{
    int status = -1;
    EXPECT_EQ(Run("restore --dc -- -in.wav a.wav", status), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Run("resample a.wav b.wav --rate 22050", status), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Run("resample --rate 22050 a.wav c.wav", status), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFileBytes(dir_.Path("b.wav")), ReadFileBytes(dir_.Path("c.wav")));
}

TEST_F(QdAudioArguments, MistakesFailInOneLineBeforeAnythingIsTouched)
{
    struct Case
    {
        const char* args;
        const char* message;
    } cases[] = {
        {"info -in.wav", "unknown option '-in.wav'"},
        {"restore -- -in.wav out.wav --dc", "usage: qd-audio restore"},
        {"restore -- -in.wav", "usage: qd-audio restore"},
        {"resample -- -in.wav out.wav --rate", "usage: qd-audio resample"},
        {"resample --rate", "--rate needs a value"},
        {"tracks --floor", "--floor needs a value"},
        {"encode --bogus -- -in.wav out.wav", "unknown option '--bogus'"},
        {"info", "usage: qd-audio info"},
        {"info a b", "usage: qd-audio info"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        int status = -1;
        const std::string err = Run(c.args, status);
        EXPECT_EQ(status, 2);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"-in.wav"});
}

TEST_F(QdAudioArguments, MessagesNameThePathAndWhatIsWrong)
{
    ASSERT_EQ(mkdir(dir_.Path("folder").c_str(), 0700), 0);
    ASSERT_EQ(
        RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(dir_.Path("song.aiff")) + " synth 0.1 sine 440"), 0);
    struct Case
    {
        const char* args;
        const char* message;
    } cases[] = {
        {"info folder", "folder: is a folder"},
        {"info /dev/urandom", "/dev/urandom: not a regular file"},
        {"info /dev/null", "/dev/null: not a regular file"},
        {"tracks /dev/zero", "/dev/zero: not a regular file"},
        {"info song.aiff", "song.aiff: not a WAV or MP3 file"},
        {"info missing.wav", "missing.wav: cannot be opened: No such file or directory"},
        {"restore --dc -- -in.wav no/such/out.wav",
         "no/such/out.wav: cannot be written: No such file or directory"},
        {"resample --rate 8000 -- -in.wav folder", "folder: cannot be written: Is a directory"},
        {"encode --tag 1 --rate 1000000 -- -in.wav fast.wav",
         "fast.wav: cannot be written as format tag 1 at 1000000 Hz"},
        {"decode -- -in.wav no/such/out.raw",
         "no/such/out.raw: cannot be written: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        int status = -1;
        const std::string err = Run(c.args, status);
        EXPECT_EQ(status, 2);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_FALSE(PathExists(dir_.Path("fast.wav")));
}

} // namespace
