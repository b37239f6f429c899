// The restoration chain and the silence detector against the nearest
// reference tools, measured side by side in the same iterations:
//   - the chain, file to file through the processing pump, against
//     `sox in.wav out.wav highpass 150 riaa norm` (the tools sox shares with
//     it), once with those same tools and once with every tool of the chain;
//   - the track finder against ffmpeg's `silencedetect` over a side.
// The "ratio" counter is our time divided by the reference's (below 1 means
// faster); "x_realtime" is how many times faster than real time ours runs
// on one core. Both are wall-clock figures; the "cpu_" counters give the
// same from processor time (ours from this thread, the reference's from
// its child process), which a busy machine disturbs far less.

#include "BenchSupport.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/effects/LRestorationChain.h"
#include "audio/effects/LSilenceDetector.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>


namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChainSeconds = 30;
constexpr int kSideSeconds = 120;

// Processor time (user and system) of the children waited for so far.
double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}


class Fixture
{
public:
    Fixture()
    {
        char pattern[] = "/tmp/quorin-restore-bench-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            dir_ = pattern;
    }
    ~Fixture()
    {
        if (!dir_.empty())
            bench::RunTool({"rm", "-rf", dir_});
    }
    // A music-like stereo transfer: plucked chords over pink noise, with a little DC.
    std::string Music()
    {
        const std::string path = dir_ + "/music.wav";
        if (access(path.c_str(), R_OK) != 0)
            bench::RunTool({"sox",
                   "-n",
                   "-r",
                   "44100",
                   "-c",
                   "2",
                   "-b",
                   "16",
                   path,
                   "synth",
                   std::to_string(kChainSeconds),
                   "pluck",
                   "C3",
                   "pluck",
                   "E3",
                   "pluck",
                   "G3",
                   "pinknoise",
                   "remix",
                   "-",
                   "-",
                   "gain",
                   "-8",
                   "dcshift",
                   "0.01"});
        return path;
    }
    // A side of tracks separated by quiet gaps: 20 s of music, 3 s of hiss, repeated.
    std::string Side()
    {
        const std::string path = dir_ + "/side.wav";
        if (access(path.c_str(), R_OK) != 0) {
            const std::string track = dir_ + "/track.wav", gap = dir_ + "/gap.wav";
            bench::RunTool({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", track, "synth", "20", "pinknoise",
                   "sine", "440", "remix", "-", "-", "gain", "-10"});
            bench::RunTool({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", gap, "synth", "3", "whitenoise", "vol",
                   "0.002"});
            std::vector<std::string> args = {"sox"};
            for (int i = 0; i < kSideSeconds / 23; ++i) {
                args.push_back(track);
                args.push_back(gap);
            }
            args.push_back(path);
            bench::RunTool(args);
        }
        return path;
    }
    std::string Output(const char* name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

bool RestoreWithEngine(const std::string& in, const std::string& out, const LRestorationTools& tools)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, in.c_str());
    LLocalProcessContext context;
    if (ApplyRestorationTools(&context, source, tools) != 0)
        return false;
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, static_cast<uint32_t>(source->GetRate()), source->GetChannels(), 16);
    LSoundProcessJob job;
    job.input = source;
    CreateSoundSinkForFormat(job.output, out.c_str(), format);
    const int32_t result = ProcessSoundToSink(&context, job);
    return job.output->Finish() && result == kPumpDone;
}

template <typename Ours, typename Reference>
void Compare(benchmark::State& state, double seconds, Ours ours, Reference reference)
{
    double oursTotal = 0, referenceTotal = 0, oursCpu = 0, referenceCpu = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = ThreadCpuSeconds();
        if (!ours()) {
            state.SkipWithError("the engine failed");
            return;
        }
        oursCpu += ThreadCpuSeconds() - c0;
        const auto t1 = Clock::now();
        const double r0 = ChildrenCpuSeconds();
        if (!reference()) {
            state.SkipWithError("the reference tool failed");
            return;
        }
        referenceCpu += ChildrenCpuSeconds() - r0;
        const auto t2 = Clock::now();
        const double o = std::chrono::duration<double>(t1 - t0).count();
        oursTotal += o;
        referenceTotal += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(o);
    }
    state.counters["cpu_ratio"] = benchmark::Counter(referenceCpu > 0 ? oursCpu / referenceCpu : 0);
    state.counters["cpu_x_realtime"] =
        benchmark::Counter(oursCpu > 0 ? seconds * state.iterations() / oursCpu : 0);
    state.counters["ours_ms"] = benchmark::Counter(oursTotal * 1e3 / state.iterations());
    state.counters["ref_ms"] = benchmark::Counter(referenceTotal * 1e3 / state.iterations());
    state.counters["ratio"] = benchmark::Counter(referenceTotal > 0 ? oursTotal / referenceTotal : 0);
    state.counters["x_realtime"] =
        benchmark::Counter(oursTotal > 0 ? seconds * state.iterations() / oursTotal : 0);
}

// Argument 0: the tools sox has too (high-pass, RIAA, normalize); 1: every tool.
void BM_RestorationChain_vs_Sox(benchmark::State& state)
{
    if (bench::RunTool({"sox", "--version"}) != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    LRestorationTools tools;
    tools.highPass = true;
    tools.riaa = true;
    tools.normalize = true;
    if (state.range(0) == 1) {
        tools.dcOffset = true;
        tools.clickPop = true;
        tools.noiseReduction = true;
    }
    const std::string in = TheFixture().Music();
    const std::string ours = TheFixture().Output("ours.wav");
    const std::string theirs = TheFixture().Output("sox.wav");
    Compare(
        state, kChainSeconds, [&] { return RestoreWithEngine(in, ours, tools); },
        [&] {
            return bench::RunTool({"sox", in, theirs, "highpass", "150", "riaa", "norm", "-1.9"}) == 0;
        });
}
BENCHMARK(BM_RestorationChain_vs_Sox)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("all_tools")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_SilenceDetector_vs_FfmpegSilencedetect(benchmark::State& state)
{
    if (bench::RunTool({"ffmpeg", "-version"}) != 0 || bench::RunTool({"sox", "--version"}) != 0) {
        state.SkipWithError("ffmpeg or sox is not installed");
        return;
    }
    const std::string side = TheFixture().Side();
    size_t regions = 0;
    Compare(
        state, kSideSeconds,
        [&] {
            LSoundSourcePtr source;
            LOpenAudioFileSource(source, side.c_str());
            if (source->GetStatus() != kSoundStatusOk)
                return false;
            LLocalProcessContext context;
            SoundRegion* head = nullptr;
            SilenceSplitParams params; // -25 dB, 2000 ms
            const int result = FindSilentRegions(&context, params, source, &head);
            regions = 0;
            for (SoundRegion* r = head; r; r = r->next)
                ++regions;
            FreeSoundRegions(&head);
            return result == 0;
        },
        [&] {
            // -25 dB on the detector's scale is -37 dBFS.
            return bench::RunTool({"ffmpeg", "-nostdin", "-v", "error", "-i", side, "-af",
                          "silencedetect=noise=-37dB:d=2", "-f", "null", "-"}) == 0;
        });
    state.counters["regions"] = benchmark::Counter(static_cast<double>(regions));
}
BENCHMARK(BM_SilenceDetector_vs_FfmpegSilencedetect)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
