// Whole processes against whole processes: `qd-audio` and sox each start,
// read the same 10-minute stereo file, do the same work and write their
// result, as a user would run them. Every iteration runs both once, one
// after the other (which one first alternates); the ratio reported is the
// median of the per-pair ratios, so a busy moment of the machine spoils one
// pair rather than the figure.

#include "BenchSupport.h"

#include <algorithm>
#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The qd-audio program of the build folder this benchmark belongs to.
std::string QdAudio()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    folder = folder.substr(0, folder.rfind('/')); // build/bench
    return folder.substr(0, folder.rfind('/')) + "/tools/qd-audio/qd-audio";
}

// Ten minutes of stereo music-like sound at 44.1 kHz with quiet gaps, made once.
const std::string& LongRecording(const bench::ScratchFolder& scratch)
{
    static std::string path;
    if (path.empty()) {
        const std::string made = scratch.Path("side.wav");
        if (bench::RunToolOk({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", made, "synth", "600",
                              "pinknoise", "sine", "440", "tremolo", "0.02", "100", "gain", "-12"}))
            path = made;
    }
    return path;
}

bench::ScratchFolder& Scratch()
{
    static bench::ScratchFolder scratch("process");
    return scratch;
}

double Seconds(const std::vector<std::string>& args, bool& ok)
{
    const auto start = bench::Clock::now();
    ok = bench::RunToolOk(args) && ok;
    return std::chrono::duration<double>(bench::Clock::now() - start).count();
}

void ComparePaired(benchmark::State& state, const std::vector<std::string>& ours,
                   const std::vector<std::string>& reference)
{
    if (!Scratch().Exists() || LongRecording(Scratch()).empty()) {
        state.SkipWithError("sox could not make the 10-minute recording");
        return;
    }
    std::vector<double> ratios;
    double oursTotal = 0;
    double referenceTotal = 0;
    bool ok = true;
    bool oursFirst = true;
    for (auto _ : state) {
        double a;
        double b;
        if (oursFirst) {
            a = Seconds(ours, ok);
            b = Seconds(reference, ok);
        } else {
            b = Seconds(reference, ok);
            a = Seconds(ours, ok);
        }
        oursFirst = !oursFirst;
        oursTotal += a;
        referenceTotal += b;
        ratios.push_back(b > 0 ? a / b : 0);
        state.SetIterationTime(a);
    }
    if (!ok) {
        state.SkipWithError("a process failed");
        return;
    }
    std::sort(ratios.begin(), ratios.end());
    const double runs = static_cast<double>(ratios.size());
    state.counters["ours_s"] = oursTotal / runs;
    state.counters["sox_s"] = referenceTotal / runs;
    state.counters["ratio"] = ratios[ratios.size() / 2];
}

void BM_Decode(benchmark::State& state)
{
    const std::string in = LongRecording(Scratch());
    ComparePaired(state, {QdAudio(), "decode", in, Scratch().Path("ours.raw"), "--s16"},
                  {"sox", in, "-t", "s16", Scratch().Path("sox.raw")});
}

void BM_FullChain(benchmark::State& state)
{
    const std::string in = LongRecording(Scratch());
    ComparePaired(state,
                  {QdAudio(), "restore", in, Scratch().Path("ours.wav"), "--dc", "--highpass", "150",
                   "--clicks", "--noise", "-60", "--riaa", "--normalize", "100"},
                  {"sox", in, Scratch().Path("sox.wav"), "highpass", "150", "riaa", "norm"});
}

void BM_Resample(benchmark::State& state)
{
    const std::string in = LongRecording(Scratch());
    ComparePaired(state, {QdAudio(), "resample", in, Scratch().Path("ours48.wav"), "--rate", "48000"},
                  {"sox", in, "-r", "48000", Scratch().Path("sox48.wav")});
}

void BM_Tracks(benchmark::State& state)
{
    const std::string in = LongRecording(Scratch());
    // sox's nearest work: cutting the silences out of the same file.
    ComparePaired(
        state, {QdAudio(), "tracks", in},
        {"sox", in, Scratch().Path("soxtracks.wav"), "silence", "1", "0.1", "1%", "-1", "2.0", "1%"});
}

} // namespace

BENCHMARK(BM_Decode)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullChain)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tracks)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
