// PCM WAV reading and writing as whole processes against sox, on the same
// 10-minute stereo files (see ProcessBenchSupport.h): reading a WAV into raw
// 16-bit samples (`qd-audio decode` against `sox in.wav -t s16 out.raw`), and
// copying a WAV into a new PCM WAV of the same depth (`qd-audio encode
// --tag 1` against `sox in.wav out.wav`), at 16 and at 24 bits.

#include "ProcessBenchSupport.h"

#include <string>

namespace {

using bench::RunToolOk;

// Ten minutes of stereo music-like material at 16 and 24 bits, made once by sox.
class Material
{
public:
    static Material& Get()
    {
        static Material material;
        return material;
    }
    bool ok = false;
    bench::ScratchFolder folder{"wav"};
    std::string Path(const std::string& name) const { return folder.Path(name); }

private:
    Material()
    {
        const std::string seconds = std::to_string(bench::kProcessBenchSeconds);
        ok = folder.Exists() &&
             RunToolOk({"sox", "-D", "-n", "-r", "44100", "-c", "2", "-b", "16", Path("s16.wav"), "synth",
                        seconds, "pinknoise", "sine", "440", "gain", "-6"}) &&
             RunToolOk({"sox", "-D", "-n", "-r", "48000", "-c", "2", "-b", "24", Path("s24.wav"), "synth",
                        seconds, "pinknoise", "sine", "440", "gain", "-6"});
    }
};

bool Ready(benchmark::State& state)
{
    if (!Material::Get().ok)
        state.SkipWithError("sox is needed to make the material and as the reference");
    return Material::Get().ok;
}

constexpr double kSeconds = bench::kProcessBenchSeconds;

void BM_Pcm16Read_vs_Sox(benchmark::State& state)
{
    if (!Ready(state))
        return;
    const Material& m = Material::Get();
    bench::ComparePaired(
        state, {{bench::QdAudio(), "decode", m.Path("s16.wav"), m.Path("ours.raw"), "--s16"}},
        {{"sox", "-D", m.Path("s16.wav"), "-t", "s16", m.Path("sox.raw")}}, {"sox", kSeconds});
}
BENCHMARK(BM_Pcm16Read_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void CompareCopy(benchmark::State& state, const char* file, const char* bits)
{
    if (!Ready(state))
        return;
    const Material& m = Material::Get();
    bench::ComparePaired(
        state, {{bench::QdAudio(), "encode", m.Path(file), m.Path("ours.wav"), "--tag", "1", "--bits", bits}},
        {{"sox", "-D", m.Path(file), m.Path("sox.wav")}}, {"sox", kSeconds});
}

void BM_Pcm16Copy_vs_Sox(benchmark::State& state)
{
    CompareCopy(state, "s16.wav", "16");
}
BENCHMARK(BM_Pcm16Copy_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Pcm24Copy_vs_Sox(benchmark::State& state)
{
    CompareCopy(state, "s24.wav", "24");
}
BENCHMARK(BM_Pcm24Copy_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
