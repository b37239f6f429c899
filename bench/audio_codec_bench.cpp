// Decoding of compressed WAV codings as whole processes: `qd-audio decode`
// against sox, each reading the same 10-minute coded file and writing its
// samples as 16-bit raw PCM (see ProcessBenchSupport.h). Speech-like sound
// at 8 kHz for GSM 6.10 and mono IMA ADPCM, music-like stereo at 44.1 kHz
// for stereo IMA ADPCM.

#include "ProcessBenchSupport.h"

#include <string>

namespace {

using bench::RunToolOk;

// The coded files, made once by sox.
class Material
{
public:
    static Material& Get()
    {
        static Material material;
        return material;
    }
    bool ok = false;
    bench::ScratchFolder folder{"codec"};
    std::string Path(const char* name) const { return folder.Path(name); }

private:
    Material()
    {
        const std::string seconds = std::to_string(bench::kProcessBenchSeconds);
        // A voice-like buzz gliding in pitch, with a little noise, in bursts.
        ok = folder.Exists() && RunToolOk({"sox",        "-D",    "-n",       "-r",     "8000",
                                           "-c",         "1",     "-b",       "16",     Path("speech8k.wav"),
                                           "synth",      seconds, "sawtooth", "90-180", "synth",
                                           "whitenoise", "mix",   "tremolo",  "2",      "60",
                                           "gain",       "-8"}) &&
             RunToolOk({"sox", "-D", "-n", "-r", "44100", "-c", "2", "-b", "16", Path("music44k.wav"),
                        "synth", seconds, "pinknoise", "sine", "440", "gain", "-10"}) &&
             RunToolOk({"sox", "-D", Path("speech8k.wav"), "-e", "gsm-full-rate", Path("gsm.wav")}) &&
             RunToolOk({"sox", "-D", Path("speech8k.wav"), "-e", "ima-adpcm", Path("ima-mono.wav")}) &&
             RunToolOk({"sox", "-D", Path("music44k.wav"), "-e", "ima-adpcm", Path("ima-stereo.wav")});
    }
};

void CompareDecoding(benchmark::State& state, const char* file)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox is needed to make the coded files and as the reference");
        return;
    }
    const std::string in = m.Path(file);
    bench::ComparePaired(state, {{bench::QdAudio(), "decode", in, m.Path("ours.raw"), "--s16"}},
                         {{"sox", in, "-t", "raw", "-e", "signed", "-b", "16", m.Path("sox.raw")}},
                         {"sox", double(bench::kProcessBenchSeconds)});
}

void BM_GsmDecode_vs_Sox(benchmark::State& state)
{
    CompareDecoding(state, "gsm.wav");
}
BENCHMARK(BM_GsmDecode_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

void BM_ImaMonoDecode_vs_Sox(benchmark::State& state)
{
    CompareDecoding(state, "ima-mono.wav");
}
BENCHMARK(BM_ImaMonoDecode_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

void BM_ImaStereoDecode_vs_Sox(benchmark::State& state)
{
    CompareDecoding(state, "ima-stereo.wav");
}
BENCHMARK(BM_ImaStereoDecode_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

} // namespace

BENCHMARK_MAIN();
