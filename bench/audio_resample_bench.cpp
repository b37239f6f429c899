// The rate converter as a whole process against sox's "rate" effect: each
// reads the same 10-minute WAV, converts it and writes a 16-bit WAV
// (`qd-audio resample in.wav out.wav --rate R` against
// `sox in.wav -r R out.wav`; see ProcessBenchSupport.h), up, down and by
// two, in stereo and mono.

#include "ProcessBenchSupport.h"

#include <string>
#include <unistd.h>

namespace {

using bench::RunToolOk;

class Fixture
{
public:
    // A music-like test signal: pink noise under a few tones, made once per rate and channel count.
    std::string Input(int rate, int channels)
    {
        const std::string path =
            dir_.Path("in-" + std::to_string(rate) + "-" + std::to_string(channels) + ".wav");
        if (access(path.c_str(), R_OK) != 0 && !RunToolOk({"sox",
                                                           "-n",
                                                           "-r",
                                                           std::to_string(rate),
                                                           "-c",
                                                           std::to_string(channels),
                                                           "-b",
                                                           "16",
                                                           path,
                                                           "synth",
                                                           std::to_string(bench::kProcessBenchSeconds),
                                                           "pinknoise",
                                                           "sine",
                                                           "440",
                                                           "sine",
                                                           "3000",
                                                           "remix",
                                                           "-",
                                                           "gain",
                                                           "-6",
                                                           "channels",
                                                           std::to_string(channels)}))
            return {};
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

void BM_Resample_vs_Sox(benchmark::State& state)
{
    const int inRate = static_cast<int>(state.range(0));
    const std::string outRate = std::to_string(state.range(1));
    const int channels = static_cast<int>(state.range(2));
    const std::string in = TheFixture().Input(inRate, channels);
    if (in.empty()) {
        state.SkipWithError("sox is needed to make the material and as the reference");
        return;
    }
    bench::ComparePaired(
        state, {{bench::QdAudio(), "resample", in, TheFixture().Output("ours.wav"), "--rate", outRate}},
        {{"sox", in, "-r", outRate, TheFixture().Output("sox.wav")}},
        {"sox", double(bench::kProcessBenchSeconds)});
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
