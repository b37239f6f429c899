#pragma once
// Shared pieces of the recording wizard's tests: answers given in advance
// in place of the user, sides made with sox, and reading a WAV file back.

#include "app/program/wizard/WizardRun.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/threads/LProcessContext.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace quorin::test {

// Answers the wizard's questions from a list (2, the second button, when
// it runs out) and keeps what was asked and told.
class ScriptedWizardUi : public WizardUi
{
public:
    int Ask(LWindow*, const char* text, const char*, const char*, const char*) override
    {
        asked.push_back(text);
        if (answers.empty())
            return 2;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Tell(LWindow*, const char* text, const char*, int) override { told.push_back(text); }

    std::deque<int> answers;
    std::vector<std::string> asked;
    std::vector<std::string> told;
};

// A context that answers "stop" from the nth stop test on (never when n < 0).
class StoppingContext : public LProcessContext
{
public:
    explicit StoppingContext(int stopAt = -1) : stopAt_(stopAt) {}
    bool IsStopRequested() override { return stopAt_ >= 0 && ++asked_ > stopAt_; }
    bool WaitForStop(uint32_t) override { return IsStopRequested(); }
    int WaitForStopOrSignal(const LSignalObject*, uint32_t) override { return 0; }
    int WaitForStopOrPollSet(LPollSet*, uint32_t) override { return 0; }
    void MessageLevel(const char* text, int level) override
    {
        if (level == 0)
            messages.push_back(text);
    }
    std::vector<std::string> messages;

private:
    int stopAt_;
    int asked_ = 0;
};

// A side of four tones of toneSeconds separated by gaps of gapSeconds at
// -60 dB (a quiet hiss, as between the tracks of a record), 44.1 kHz stereo.
inline void MakeSide(const std::string& path, double toneSeconds, double gapSeconds, int tones = 4)
{
    std::string parts;
    const std::string dir = path + ".parts";
    ASSERT_EQ(RunCommand("mkdir -p " + Quote(dir)), 0);
    for (int i = 0; i < tones; ++i) {
        const std::string tone = dir + "/t" + std::to_string(i) + ".wav";
        const std::string gap = dir + "/g" + std::to_string(i) + ".wav";
        ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(tone) + " synth " +
                             std::to_string(toneSeconds) + " sine " + std::to_string(300 + 100 * i) +
                             " vol 0.5"),
                  0);
        ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(gap) + " synth " +
                             std::to_string(gapSeconds) + " whitenoise vol -60dB"),
                  0);
        parts += " " + Quote(gap) + " " + Quote(tone);
    }
    ASSERT_EQ(RunCommand("sox -q" + parts + " " + Quote(path)), 0);
    RunCommand("rm -rf " + Quote(dir));
}

inline double SoxSeconds(const std::string& path)
{
    int status = 0;
    const std::string out = CaptureCommand("soxi -D " + Quote(path) + " 2>/dev/null", &status);
    return status == 0 && !out.empty() ? std::stod(out) : -1;
}

inline std::vector<int32_t> ReadWav(const std::string& path, int32_t* rate = nullptr,
                                    int32_t* channels = nullptr)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    std::vector<int32_t> all;
    if (source->GetStatus() != kSoundStatusOk)
        return all;
    if (rate != nullptr)
        *rate = source->GetRate();
    if (channels != nullptr)
        *channels = source->GetChannels();
    all.resize(static_cast<size_t>(source->GetLength() * source->GetChannels()));
    int64_t done = 0;
    while (done < source->GetLength()) {
        const int64_t got =
            source->Read(all.data() + done * source->GetChannels(), source->GetLength() - done);
        if (got <= 0)
            break;
        done += got;
    }
    all.resize(static_cast<size_t>(done * source->GetChannels()));
    return all;
}

inline std::string FileSum(const std::string& path)
{
    return CaptureCommand("md5sum < " + Quote(path));
}

} // namespace quorin::test
