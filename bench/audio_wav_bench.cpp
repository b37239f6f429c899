// PCM WAV reading and writing against `sox in.wav out.wav`, measured side by
// side in the same iterations. Our read decodes a whole file through the WAV
// opener; our write encodes the same samples through the PCM sink; our copy
// does both, which is what sox's run does. The "ratio" counter is our time
// divided by sox's: below 1 means faster.

#include "audio/LSoundSink.h"
#include "audio/LSoundSource.h"
#include "audio/formats/pcm/LWavPcmSoundSink.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t kBlock = 8192;

bool Run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Two minutes of stereo music-like material at 16 and 24 bits, made once by sox.
class Material
{
public:
    static Material& Get()
    {
        static Material material;
        return material;
    }
    bool ok = false;
    std::string folder;
    std::string Path(const std::string& name) const { return folder + "/" + name; }

private:
    Material()
    {
        char tmpl[] = "/tmp/quorin-wav-bench-XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        folder = tmpl;
        ok = Run({"sox", "-D", "-n", "-r", "44100", "-c", "2", "-b", "16", Path("s16.wav"), "synth", "120",
                  "pinknoise", "sine", "440", "gain", "-6"}) &&
             Run({"sox", "-D", "-n", "-r", "48000", "-c", "2", "-b", "24", Path("s24.wav"), "synth", "120",
                  "pinknoise", "sine", "440", "gain", "-6"});
    }
    ~Material()
    {
        if (!folder.empty())
            Run({"rm", "-rf", folder});
    }
};

// Reads the whole file; returns the samples when keep is set.
bool ReadOurs(const std::string& in, std::vector<int32_t>* keep, int* channels, int32_t* rate)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, in.c_str());
    if (source->GetStatus() != kSoundStatusOk)
        return false;
    *channels = source->GetChannels();
    *rate = source->GetRate();
    const int64_t length = source->GetLength();
    std::vector<int32_t> block(static_cast<size_t>(kBlock) * *channels);
    if (keep)
        keep->resize(static_cast<size_t>(length) * *channels);
    for (int64_t at = 0; at < length; at += kBlock) {
        const int64_t n = length - at < kBlock ? length - at : kBlock;
        int32_t* into = keep ? keep->data() + at * *channels : block.data();
        source->Read(into, n);
    }
    benchmark::DoNotOptimize(block.data());
    return true;
}

bool WriteOurs(const std::string& out, const std::vector<int32_t>& samples, int channels, int32_t rate,
               int bits)
{
    LSoundSinkPtr sink;
    CreatePcmSinkByBits(sink, out.c_str(), static_cast<uint32_t>(rate), static_cast<uint8_t>(channels),
                        static_cast<uint32_t>(bits), 0);
    const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
    for (int64_t at = 0; at < frames && !sink->IsFailed(); at += kBlock)
        sink->Write(samples.data() + at * channels, frames - at < kBlock ? frames - at : kBlock);
    return sink->Finish();
}

bool CopyOurs(const std::string& in, const std::string& out, int bits)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, in.c_str());
    if (source->GetStatus() != kSoundStatusOk)
        return false;
    const int channels = source->GetChannels();
    LSoundSinkPtr sink;
    CreatePcmSinkByBits(sink, out.c_str(), static_cast<uint32_t>(source->GetRate()),
                        static_cast<uint8_t>(channels), static_cast<uint32_t>(bits), 0);
    std::vector<int32_t> block(static_cast<size_t>(kBlock) * channels);
    const int64_t length = source->GetLength();
    for (int64_t at = 0; at < length && !sink->IsFailed(); at += kBlock) {
        const int64_t n = length - at < kBlock ? length - at : kBlock;
        source->Read(block.data(), n);
        sink->Write(block.data(), n);
    }
    return sink->Finish();
}

enum class Side { Read, Write, Copy };

void Compare(benchmark::State& state, Side side, const char* file, int bits)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox is needed to make the material and as the reference");
        return;
    }
    const std::string in = m.Path(file), ours = m.Path("ours.wav"), theirs = m.Path("sox.wav");
    std::vector<int32_t> samples;
    int channels = 0;
    int32_t rate = 0;
    if (side == Side::Write && !ReadOurs(in, &samples, &channels, &rate)) {
        state.SkipWithError("our reader failed");
        return;
    }
    double oursTotal = 0, soxTotal = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bool ok = true;
        switch (side) {
        case Side::Read:
            ok = ReadOurs(in, nullptr, &channels, &rate);
            break;
        case Side::Write:
            ok = WriteOurs(ours, samples, channels, rate, bits);
            break;
        case Side::Copy:
            ok = CopyOurs(in, ours, bits);
            break;
        }
        const auto t1 = Clock::now();
        if (!ok) {
            state.SkipWithError("our side failed");
            return;
        }
        if (!Run({"sox", "-D", in, theirs})) {
            state.SkipWithError("sox failed");
            return;
        }
        const auto t2 = Clock::now();
        const double o = std::chrono::duration<double>(t1 - t0).count();
        oursTotal += o;
        soxTotal += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(o);
    }
    state.counters["ours_ms"] = benchmark::Counter(oursTotal * 1e3 / state.iterations());
    state.counters["sox_ms"] = benchmark::Counter(soxTotal * 1e3 / state.iterations());
    state.counters["ratio"] = benchmark::Counter(soxTotal > 0 ? oursTotal / soxTotal : 0);
}

void BM_Pcm16Read_vs_SoxCopy(benchmark::State& state)
{
    Compare(state, Side::Read, "s16.wav", 16);
}
BENCHMARK(BM_Pcm16Read_vs_SoxCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Pcm16Write_vs_SoxCopy(benchmark::State& state)
{
    Compare(state, Side::Write, "s16.wav", 16);
}
BENCHMARK(BM_Pcm16Write_vs_SoxCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Pcm16Copy_vs_SoxCopy(benchmark::State& state)
{
    Compare(state, Side::Copy, "s16.wav", 16);
}
BENCHMARK(BM_Pcm16Copy_vs_SoxCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Pcm24Copy_vs_SoxCopy(benchmark::State& state)
{
    Compare(state, Side::Copy, "s24.wav", 24);
}
BENCHMARK(BM_Pcm24Copy_vs_SoxCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
