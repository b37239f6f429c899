// The rate converter against sox's "rate" effect, file to file, measured side
// by side in the same iterations: ours opens the WAV, resamples it and writes
// a 16-bit WAV through the processing pump; the reference runs
// `sox in.wav -r R out.wav`. The "ratio" counter is our time divided by
// sox's (below 1 means faster); "x_realtime" is how many times faster than
// real time our conversion runs.

#include "audio/LAudioFileOpener.h"
#include "audio/LProcessingPump.h"
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
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSeconds = 20;

int Spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Fixture
{
public:
    Fixture()
    {
        char pattern[] = "/tmp/quorin-resample-bench-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            dir_ = pattern;
    }
    ~Fixture()
    {
        if (!dir_.empty())
            Spawn({"rm", "-rf", dir_});
    }
    // A music-like test signal: pink noise under a few tones, made once per rate and channel count.
    std::string Input(int rate, int channels)
    {
        const std::string path =
            dir_ + "/in-" + std::to_string(rate) + "-" + std::to_string(channels) + ".wav";
        if (access(path.c_str(), R_OK) != 0)
            Spawn({"sox",
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
    std::string Output(const char* name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
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
    if (Spawn({"sox", "--version"}) != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    const std::string in = TheFixture().Input(inRate, channels);
    const std::string ours = TheFixture().Output("ours.wav");
    const std::string theirs = TheFixture().Output("sox.wav");
    double oursTotal = 0, referenceTotal = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!ResampleWithEngine(in, ours, outRate)) {
            state.SkipWithError("the engine's conversion failed");
            return;
        }
        const auto t1 = Clock::now();
        if (Spawn({"sox", in, "-r", std::to_string(outRate), theirs}) != 0) {
            state.SkipWithError("sox failed");
            return;
        }
        const auto t2 = Clock::now();
        const double o = std::chrono::duration<double>(t1 - t0).count();
        oursTotal += o;
        referenceTotal += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(o);
    }
    state.counters["ours_ms"] = benchmark::Counter(oursTotal * 1e3 / state.iterations());
    state.counters["ref_ms"] = benchmark::Counter(referenceTotal * 1e3 / state.iterations());
    state.counters["ratio"] = benchmark::Counter(referenceTotal > 0 ? oursTotal / referenceTotal : 0);
    state.counters["x_realtime"] =
        benchmark::Counter(oursTotal > 0 ? kSeconds * state.iterations() / oursTotal : 0);
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
