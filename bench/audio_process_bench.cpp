// The audio engine's main work as whole processes: `qd-audio` against sox
// (and ffmpeg for track finding) on the same 10-minute stereo recording,
// each pair run in one iteration (see ProcessBenchSupport.h):
//   - decoding a WAV to raw 16-bit samples;
//   - the full restoration chain (DC offset, high-pass 20 Hz, clicks, noise
//     gate, RIAA, normalize) against sox's `highpass 20 riaa norm`, and the
//     chain of just those three tools against the same; each pinned to one
//     core, where "cpu_ratio" is the figure (goals: all tools at most 1.0,
//     the three at most 0.75), and unpinned, where "ratio" (wall time) is;
//   - resampling to 48 kHz;
//   - finding the tracks of a side, against sox cutting out its silences and
//     against ffmpeg's silencedetect.

#include "ProcessBenchSupport.h"

#include <string>
#include <vector>

namespace {

using bench::ComparePaired;
using bench::ProcessRun;
using bench::QdAudio;

bench::ScratchFolder& Scratch()
{
    static bench::ScratchFolder scratch("process");
    return scratch;
}

// Ten minutes of stereo music-like sound at 44.1 kHz with quiet gaps, made once.
const std::string& Recording()
{
    static std::string path;
    if (path.empty() && Scratch().Exists()) {
        const std::string made = Scratch().Path("side.wav");
        if (bench::RunToolOk({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", made, "synth",
                              std::to_string(bench::kProcessBenchSeconds), "pinknoise", "sine", "440",
                              "tremolo", "0.02", "100", "gain", "-12"}))
            path = made;
    }
    return path;
}

// Skips the benchmark when the recording could not be made; else its path.
bool Ready(benchmark::State& state, std::string& in)
{
    in = Recording();
    if (in.empty())
        state.SkipWithError("sox could not make the 10-minute recording");
    return !in.empty();
}

constexpr double kSeconds = bench::kProcessBenchSeconds;

void BM_Decode_vs_Sox(benchmark::State& state)
{
    std::string in;
    if (Ready(state, in))
        ComparePaired(state, {{QdAudio(), "decode", in, Scratch().Path("ours.raw"), "--s16"}},
                      {{"sox", in, "-t", "s16", Scratch().Path("sox.raw")}}, {"sox", kSeconds});
}

const std::vector<std::string> kAllTools = {"--dc",    "--highpass", "20",   "--clicks", "--noise",
                                             "-60",     "--riaa",     "--normalize", "100"};
const std::vector<std::string> kSharedTools = {"--highpass", "20", "--riaa", "--normalize", "100"};

void RestoreVsSox(benchmark::State& state, const std::vector<std::string>& tools, bool pinned)
{
    std::string in;
    if (!Ready(state, in))
        return;
    ProcessRun ours{{QdAudio(), "restore", in, Scratch().Path("ours.wav")}};
    ours.args.insert(ours.args.end(), tools.begin(), tools.end());
    bench::PairOptions options{"sox", kSeconds};
    options.pinToOneCore = pinned;
    ComparePaired(state, ours, {{"sox", in, Scratch().Path("sox.wav"), "highpass", "20", "riaa", "norm"}},
                  options);
}

void BM_FullChain_vs_Sox_Pinned(benchmark::State& state)
{
    RestoreVsSox(state, kAllTools, true);
}

void BM_FullChain_vs_Sox_Unpinned(benchmark::State& state)
{
    RestoreVsSox(state, kAllTools, false);
}

void BM_SharedToolsChain_vs_Sox_Pinned(benchmark::State& state)
{
    RestoreVsSox(state, kSharedTools, true);
}

void BM_SharedToolsChain_vs_Sox_Unpinned(benchmark::State& state)
{
    RestoreVsSox(state, kSharedTools, false);
}

void BM_Resample_vs_Sox(benchmark::State& state)
{
    std::string in;
    if (Ready(state, in))
        ComparePaired(state, {{QdAudio(), "resample", in, Scratch().Path("ours48.wav"), "--rate", "48000"}},
                      {{"sox", in, "-r", "48000", Scratch().Path("sox48.wav")}}, {"sox", kSeconds});
}

void BM_Tracks_vs_SoxSilence(benchmark::State& state)
{
    // sox's nearest work: cutting the silences out of the same file.
    std::string in;
    if (Ready(state, in))
        ComparePaired(
            state, {{QdAudio(), "tracks", in}},
            {{"sox", in, Scratch().Path("soxtracks.wav"), "silence", "1", "0.1", "1%", "-1", "2.0", "1%"}},
            {"sox", kSeconds});
}

void BM_Tracks_vs_FfmpegSilencedetect(benchmark::State& state)
{
    // The track finder's default floor, -25 dB on its scale, is -37 dBFS.
    std::string in;
    if (Ready(state, in))
        ComparePaired(state, {{QdAudio(), "tracks", in}},
                      {{"ffmpeg", "-nostdin", "-v", "error", "-i", in, "-af", "silencedetect=noise=-37dB:d=2",
                        "-f", "null", "-"}},
                      {"ffmpeg", kSeconds});
}

} // namespace

BENCHMARK(BM_Decode_vs_Sox)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullChain_vs_Sox_Pinned)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullChain_vs_Sox_Unpinned)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedToolsChain_vs_Sox_Pinned)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedToolsChain_vs_Sox_Unpinned)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample_vs_Sox)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tracks_vs_SoxSilence)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tracks_vs_FfmpegSilencedetect)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
