// The queue as a user's processes see it: qd-queue adds, lists and runs
// jobs; outputs are checked with sox, mpg123 and mutagen; and a run killed
// with SIGKILL at random moments loses and doubles nothing.

#include "app/queue/OutputNames.h"
#include "app/queue/ProcessQueueFile.h"
#include "audio/formats/LAudioFileOpener.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace quorin::test;

namespace {

std::string QdQueue()
{
    return BuildDir() + "/tools/qd-queue/qd-queue";
}

int64_t FramesOf(const std::string& path)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    return source->GetStatus() == kSoundStatusOk ? source->GetLength() : -1;
}

// Tags a file through mutagen: an "id3 " chunk in a WAV, ID3v2 in an MP3.
void TagWithMutagen(const std::string& path, const std::string& title, const std::string& artist)
{
    const std::string script = "from mutagen.id3 import TIT2, TPE1\n"
                               "import mutagen, sys\n"
                               "f = mutagen.File(sys.argv[1])\n"
                               "if f.tags is None: f.add_tags()\n"
                               "f.tags.add(TIT2(encoding=3, text=sys.argv[2]))\n"
                               "f.tags.add(TPE1(encoding=3, text=sys.argv[3]))\n"
                               "f.save()\n";
    ASSERT_EQ(RunCommand("/usr/bin/python3 -c " + Quote(script) + " " + Quote(path) + " " + Quote(title) +
                         " " + Quote(artist)),
              0);
}

// "TITLE|ARTIST" as mutagen reads the file's tags.
std::string MutagenTags(const std::string& path)
{
    const std::string script = "import mutagen, sys\n"
                               "f = mutagen.File(sys.argv[1])\n"
                               "t = f.tags\n"
                               "print(str(t['TIT2']) + '|' + str(t['TPE1']))\n";
    return CaptureCommand("/usr/bin/python3 -c " + Quote(script) + " " + Quote(path) + " 2>&1");
}

class QdQueueTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        char path[260];
        ASSERT_TRUE(GetProcessQueuePath(path));
        queuePath_ = path;
    }
    std::string Tone(const std::string& path, double seconds, int rate = 44100, int channels = 2)
    {
        EXPECT_EQ(RunCommand("sox -q -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                             " -b 16 " + Quote(path) + " synth " + std::to_string(seconds) +
                             " sine 300-900 vol 0.5"),
                  0);
        return path;
    }
    int Add(const std::string& source, const std::string& folder, const std::string& extension,
            const std::string& extra = "")
    {
        return RunCommand(QdQueue() + " add " + Quote(source) + " " + Quote(folder) + " " + extension + " " +
                          extra);
    }
    std::string queuePath_;
    TempDir dir_;
    TempDir out_;
};

} // namespace

TEST_F(QdQueueTest, WavAndMp3JobsGiveWholeTaggedFilesUnderTheTemplatesNames)
{
    QUORIN_REQUIRE_TOOL("mpg123");
    QUORIN_REQUIRE_TOOL("lame");
    QUORIN_REQUIRE_TOOL("/usr/bin/python3");
    struct Job
    {
        std::string source;
        const char* extension;
        const char* title;
        int64_t frames;
    };
    std::vector<Job> jobs = {
        {Tone(dir_.Path("side one.wav"), 3.0), ".mp3", "Side One", 132300},
        {Tone(dir_.Path("mono.wav"), 2.5, 22050, 1), ".wav", "Mono Take", 55125},
        {Tone(dir_.Path("second.wav"), 1.2, 48000, 2), ".MP3", "Second", 57600},
    };
    // An MP3 recording converted to WAV.
    Tone(dir_.Path("for-mp3.wav"), 2.0);
    ASSERT_EQ(RunCommand("lame --quiet -b 192 " + Quote(dir_.Path("for-mp3.wav")) + " " +
                         Quote(dir_.Path("found.mp3"))),
              0);
    jobs.push_back({dir_.Path("found.mp3"), ".wav", "Found", FramesOf(dir_.Path("found.mp3"))});
    ASSERT_GT(jobs.back().frames, 0);

    ProcessQueueFile queue(queuePath_.c_str());
    std::vector<std::string> outputs;
    std::string expectedList;
    for (const Job& job : jobs) {
        TagWithMutagen(job.source, job.title, "The Band");
        char name[260];
        ASSERT_TRUE(MakeNextOutputNameIn(name, out_.Path().c_str(), "Take %autonumber%", queue));
        const std::string output = out_.Path(std::string(name) + job.extension);
        ASSERT_EQ(Add(job.source, out_.Path(), job.extension, "--dest " + Quote(output)), 0);
        outputs.push_back(output);
        expectedList += job.source + "\t" + output + "\t" + job.extension + "\n";
    }
    EXPECT_EQ(CaptureCommand(QdQueue() + " list"), expectedList);

    int status = -1;
    const std::string lines = CaptureCommand(QdQueue() + " run", &status);
    EXPECT_EQ(status, 0) << lines;
    EXPECT_EQ(CaptureCommand(QdQueue() + " list"), "");
    EXPECT_EQ(FolderEntries(out_.Path()),
              (std::vector<std::string>{"Take 01.mp3", "Take 02.wav", "Take 03.MP3", "Take 04.wav"}));

    for (size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(outputs[i]);
        const Job& job = jobs[i];
        EXPECT_TRUE(PathExists(job.source)) << "no job asked to delete its source";
        if (std::string(job.extension) == ".wav") {
            EXPECT_EQ(CaptureCommand("soxi -s " + Quote(outputs[i])), std::to_string(job.frames) + "\n");
        } else {
            // mpg123's whole decoded output: the encoder's exact length.
            const std::string raw = dir_.Path("decoded.raw");
            ASSERT_EQ(RunCommand("mpg123 -q -s " + Quote(outputs[i]) + " > " + Quote(raw)), 0);
            const int channels = std::string(job.title) == "Mono Take" ? 1 : 2;
            EXPECT_EQ(static_cast<int64_t>(ReadFileBytes(raw).size()) / (2 * channels), job.frames);
        }
        EXPECT_EQ(MutagenTags(outputs[i]), std::string(job.title) + "|The Band\n");
    }
}

TEST_F(QdQueueTest, AFailedJobIsReportedRemovedAndTheRestStillRun)
{
    Tone(dir_.Path("good.wav"), 0.5);
    ASSERT_EQ(Add(dir_.Path("gone.wav"), out_.Path(), ".wav", "--delete-source"), 0);
    ASSERT_EQ(Add(dir_.Path("good.wav"), out_.Path(), ".wav", "--delete-source"), 0);
    int status = -1;
    const std::string lines = CaptureCommand(QdQueue() + " run 2>/dev/null", &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(lines, "FAILED\t" + dir_.Path("gone.wav") + "\t" + out_.Path("gone.wav") + "\ndone\t" +
                         dir_.Path("good.wav") + "\t" + out_.Path("good.wav") + "\n");
    EXPECT_EQ(FolderEntries(out_.Path()), std::vector<std::string>{"good.wav"});
    EXPECT_FALSE(PathExists(dir_.Path("good.wav")));
    EXPECT_EQ(CaptureCommand(QdQueue() + " list"), "");
}

// A run while another process works the queue has not worked it through:
// exit 1, as the usage says, with the reason.
TEST_F(QdQueueTest, ARunWhileAnotherProcessWorksTheQueueExitsOne)
{
    ASSERT_EQ(Add(Tone(dir_.Path("a.wav"), 0.2), out_.Path(), ".wav"), 0);
    ProcessQueueFile queue(queuePath_.c_str());
    LFile held;
    ASSERT_TRUE(queue.TryLockWorker(held));
    int status = -1;
    const std::string out = CaptureCommand(QdQueue() + " run 2>&1", &status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("another process is running the queue"), std::string::npos) << out;
}

TEST_F(QdQueueTest, StartUpsResumeTwiceThenDiscardTheQueueButNotTheRecording)
{
    const std::string source = Tone(dir_.Path("take.wav"), 0.2);
    ASSERT_EQ(Add(source, out_.Path(), ".wav"), 0);
    EXPECT_EQ(CaptureCommand(QdQueue() + " resume"), "resumed 1\n");
    EXPECT_EQ(CaptureCommand(QdQueue() + " resume"), "resumed 1\n");
    EXPECT_EQ(CaptureCommand(QdQueue() + " resume"), "discarded-crashes\n");
    EXPECT_EQ(CaptureCommand(QdQueue() + " list"), "");
    EXPECT_TRUE(PathExists(source));
    // With a job finished in between, the count starts again.
    ASSERT_EQ(Add(source, out_.Path(), ".wav"), 0);
    ASSERT_EQ(Add(source, out_.Path(), ".wav", "--dest " + Quote(out_.Path("again.wav"))), 0);
    EXPECT_EQ(CaptureCommand(QdQueue() + " resume"), "resumed 2\n");
    EXPECT_EQ(CaptureCommand(QdQueue() + " resume"), "resumed 2\n");
}

TEST_F(QdQueueTest, AddToAQueueWithADamagedHeaderKeepsAndRunsItsJobs)
{
    ASSERT_EQ(Add(Tone(dir_.Path("a.wav"), 0.2), out_.Path(), ".wav"), 0);
    ASSERT_EQ(Add(Tone(dir_.Path("b.wav"), 0.2), out_.Path(), ".wav"), 0);
    std::string damaged = ReadFileBytes(queuePath_);
    damaged.replace(0, 8, "garbage!");
    WriteFileBytes(queuePath_, damaged);
    ASSERT_EQ(Add(Tone(dir_.Path("c.wav"), 0.2), out_.Path(), ".wav"), 0);
    EXPECT_EQ(ReadFileBytes(queuePath_ + ".damaged"), damaged);
    int status = -1;
    CaptureCommand(QdQueue() + " run 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(FolderEntries(out_.Path()), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    // The log says where the damaged file went.
    const std::string logs = CaptureCommand("find " + Quote(home_.Root()) + " -path '*/Logs/*' -type f -exec cat {} +");
    EXPECT_NE(logs.find(queuePath_ + ".damaged"), std::string::npos) << logs;
}

// SIGKILL at random moments of "qd-queue run", at least 20 times, with new
// jobs added whenever a run got through the queue; then one more run. Every
// job's output must exist once and whole, and every source must survive
// until its output does.
TEST_F(QdQueueTest, KilledAtRandomMomentsLosesAndDoublesNothing)
{
    // One recording, tagged once and copied for every job.
    const std::string wavTemplate = Tone(dir_.Path("template.wav"), 1.0);
    const int64_t frames = 44100;
    if (HaveTool("/usr/bin/python3"))
        TagWithMutagen(wavTemplate, "Kill Test", "The Band");

    struct Job
    {
        std::string source;
        std::string output;
        bool deleteSource;
    };
    std::vector<Job> jobs;
    // Jobs are added in-process (as the recording window does), copies of
    // the template made with a plain file copy: the loop's time goes to the
    // runs being killed.
    ProcessQueueFile queue(queuePath_.c_str());
    const std::string templateBytes = ReadFileBytes(wavTemplate);
    auto addBatch = [&]() {
        for (int i = 0; i < 3; ++i) {
            const int n = static_cast<int>(jobs.size());
            Job job;
            job.source = dir_.Path("rec" + std::to_string(n) + ".wav");
            WriteFileBytes(job.source, templateBytes);
            const char* extension = n % 2 ? ".mp3" : ".wav";
            job.output = out_.Path("rec" + std::to_string(n) + extension);
            job.deleteSource = n % 3 != 0;
            ProcessQueueRecord record;
            SetQueueText(record.sourcePath, job.source.c_str());
            SetQueueText(record.outputFolder, out_.Path().c_str());
            SetQueueText(record.outputExtension, extension);
            SetQueueText(record.durationText, "0:00:01.000");
            record.deleteSource = job.deleteSource;
            ASSERT_EQ(queue.Append(record), QueueStatus::kOk);
            jobs.push_back(job);
        }
    };
    addBatch();

    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delayUs(0, 150000);
    const std::string tool = QdQueue();
    char* argv[] = {const_cast<char*>(tool.c_str()), const_cast<char*>("run"), nullptr};
    int kills = 0;
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    for (int runs = 0; kills < 20 && runs < 400; ++runs) {
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, tool.c_str(), &quiet, nullptr, argv, environ), 0);
        usleep(static_cast<useconds_t>(delayUs(random)));
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a run failed: " << status;
            addBatch(); // it got through the queue: more work for the next kill
            continue;
        }
        kill(pid, SIGKILL);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (WIFSIGNALED(status))
            ++kills;
        else
            addBatch();
    }
    posix_spawn_file_actions_destroy(&quiet);
    ASSERT_GE(kills, 20);

    int status = -1;
    const std::string last = CaptureCommand(tool + " run 2>&1", &status);
    ASSERT_EQ(status, 0) << last;
    EXPECT_EQ(CaptureCommand(tool + " list"), "");

    std::vector<std::string> expected;
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.output);
        expected.push_back(job.output.substr(out_.Path().size() + 1));
        EXPECT_EQ(FramesOf(job.output), frames) << "output missing or not whole";
        EXPECT_EQ(PathExists(job.source), !job.deleteSource);
    }
    std::sort(expected.begin(), expected.end());
    // Exactly the outputs: nothing doubled, no work file left behind.
    EXPECT_EQ(FolderEntries(out_.Path()), expected);
    std::cout << jobs.size() << " jobs, " << kills << " kills\n";
}
