// The rate converter against sox's "rate" effect, file to file, measured side
// by side in the same iterations: ours opens the WAV, resamples it and writes
// a 16-bit WAV through the processing pump; the reference runs
// `sox in.wav -r R out.wav`. The "ratio" counter is our time divided by
// sox's (below 1 means faster); "x_realtime" is how many times faster than
// real time our conversion runs.

#include "audio/effects/LProcessingPump.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/threads/LLocalProcessContext.h"

#include "BenchSupport.h"

#include <string>
#include <unistd.h>

namespace {

using bench::RunTool;
constexpr int kSeconds = 20;

class Fixture
{
public:
    // A music-like test signal: pink noise under a few tones, made once per rate and channel count.
    std::string Input(int rate, int channels)
    {
        const std::string path =
            dir_.Path("in-" + std::to_string(rate) + "-" + std::to_string(channels) + ".wav");
        if (access(path.c_str(), R_OK) != 0)
            RunTool({"sox",
                     "-n",
                     "-r",
                     std::to_string(rate),
                     "-c",
                     std::to_string(channels),
                     "-b",
                     "16",
                     path,
                     "synth",
                     std::to_string(kSeconds),
                     "pinknoise",
                     "sine",
                     "440",
                     "sine",
                     "3000",
                     "remix",
                     "-",
                     "gain",
                     "-6"});
        return path;
    }
    std::string Output(const char* name) const { return dir_.Path(name); }

private:
    bench::ScratchFolder dir_{"resample"};
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

bool ResampleWithEngine(const std::string& in, const std::string& out, int rate)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, in.c_str());
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, static_cast<uint32_t>(rate), source->GetChannels(), 16);
    LSoundProcessJob job;
    job.input = source;
    CreateSoundSinkForFormat(job.output, out.c_str(), format);
    LLocalProcessContext context;
    const int32_t result = ProcessSoundToSink(&context, job);
    return job.output->Finish() && result == kPumpDone;
}

void BM_Resample_vs_Sox(benchmark::State& state)
{
    const int inRate = static_cast<int>(state.range(0));
    const int outRate = static_cast<int>(state.range(1));
    const int channels = static_cast<int>(state.range(2));
    if (RunTool({"sox", "--version"}) != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    const std::string in = TheFixture().Input(inRate, channels);
    const std::string ours = TheFixture().Output("ours.wav");
    const std::string theirs = TheFixture().Output("sox.wav");
    bench::CompareWithReference(
        state, [&] { return ResampleWithEngine(in, ours, outRate); },
        [&] {
            return RunTool({"sox", in, "-r", std::to_string(outRate), theirs}) == 0;
        },
        {"ref", false, double(kSeconds)});
}
BENCHMARK(BM_Resample_vs_Sox)
    ->Args({44100, 48000, 2})
    ->Args({48000, 44100, 2})
    ->Args({22050, 44100, 2})
    ->Args({44100, 48000, 1})
    ->ArgNames({"in", "out", "ch"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
