// MP3 decoding speed against mpg123, measured side by side in the same
// iterations: each side decodes the same file and writes 16-bit raw PCM
// (mpg123 started as a process, as a user would run it), or only decodes
// (mpg123's test mode). The "ratio" counter
// is our time divided by mpg123's: below 1 means faster.

#include "audio/core/LSoundSamples.h"
#include "audio/formats/mp3/LMp3SoundSource.h"

#include "AudioBenchSupport.h"
#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::RunToolOk;

// Three minutes of busy music-like material in the common encodings, made once.
class Material
{
public:
    static Material& Get()
    {
        static Material material;
        return material;
    }
    bool ok = false;
    bench::ScratchFolder folder{"mp3"};
    std::string Path(const char* name) const { return folder.Path(name); }

private:
    Material()
    {
        const std::string wav = Path("music.wav");
        ok = folder.Exists() &&
             RunToolOk({"sox",       "-n",    "-r",      "44100", "-c",      "2",    "-b",  "16",
                        wav,         "synth", "180",     "sine",  "80-6000", "sine", "330", "synth",
                        "pinknoise", "mix",   "tremolo", "5",     "60",      "gain", "-3"}) &&
             RunToolOk({"lame", "--quiet", "-b", "128", wav, Path("cbr128.mp3")}) &&
             RunToolOk({"lame", "--quiet", "-b", "320", wav, Path("cbr320.mp3")}) &&
             RunToolOk({"lame", "--quiet", "-V", "2", wav, Path("vbr2.mp3")}) &&
             RunToolOk({"lame", "--quiet", "--resample", "22.05", "-b", "64", wav, Path("mpeg2.mp3")});
    }
};

// Our side: decode everything and write 16-bit raw.
bool DecodeOurs(const std::string& in, const std::string& out)
{
    LMp3SoundSource source(in.c_str(), false, true);
    return bench::DecodeToRaw16(source, out);
}

// Our side without output: the decoder alone.
bool DecodeOnly(const std::string& in)
{
    LMp3SoundSource source(in.c_str(), false, true);
    if (source.GetStatus() != kSoundStatusOk)
        return false;
    std::vector<int32_t> samples(static_cast<size_t>(8192) * source.GetChannels());
    while (source.GetPosition() < source.GetLength())
        source.Read(samples.data(), std::min<int64_t>(8192, source.GetLength() - source.GetPosition()));
    return true;
}

void CompareDecoding(benchmark::State& state, const char* file, bool withOutput = true)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox, lame and mpg123 are needed to make the files and as the reference");
        return;
    }
    const std::string in = m.Path(file), ours = m.Path("ours.raw"), theirs = m.Path("mpg123.raw");
    bench::CompareWithReference(
        state, [&] { return withOutput ? DecodeOurs(in, ours) : DecodeOnly(in); },
        [&] {
            // Without output mpg123 runs its test mode: decoding only.
            return withOutput ? RunToolOk({"mpg123", "-q", "-s", in}, theirs.c_str())
                              : RunToolOk({"mpg123", "-q", "-t", in});
        },
        {"mpg123"});
}

void BM_Mp3Cbr128_vs_Mpg123(benchmark::State& state)
{
    CompareDecoding(state, "cbr128.mp3");
}
BENCHMARK(BM_Mp3Cbr128_vs_Mpg123)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Mp3Cbr320_vs_Mpg123(benchmark::State& state)
{
    CompareDecoding(state, "cbr320.mp3");
}
BENCHMARK(BM_Mp3Cbr320_vs_Mpg123)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Mp3Vbr2_vs_Mpg123(benchmark::State& state)
{
    CompareDecoding(state, "vbr2.mp3");
}
BENCHMARK(BM_Mp3Vbr2_vs_Mpg123)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Mp3Mpeg2_vs_Mpg123(benchmark::State& state)
{
    CompareDecoding(state, "mpeg2.mp3");
}
BENCHMARK(BM_Mp3Mpeg2_vs_Mpg123)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The decoders alone, nothing written.
void BM_Mp3Cbr128DecodeOnly_vs_Mpg123(benchmark::State& state)
{
    CompareDecoding(state, "cbr128.mp3", false);
}
BENCHMARK(BM_Mp3Cbr128DecodeOnly_vs_Mpg123)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Mp3Vbr2DecodeOnly_vs_Mpg123(benchmark::State& state)
{
    CompareDecoding(state, "vbr2.mp3", false);
}
BENCHMARK(BM_Mp3Vbr2DecodeOnly_vs_Mpg123)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Seeking: a seek to each of 200 spread positions and one frame read after it.
void BM_Mp3Seek(benchmark::State& state)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox and lame are needed to make the file");
        return;
    }
    LMp3SoundSource source(m.Path("vbr2.mp3").c_str(), false, true);
    std::vector<int32_t> buffer(1152 * 2);
    const int64_t length = source.GetLength();
    for (auto _ : state) {
        for (int i = 199; i >= 0; --i) {
            source.Seek(length / 200 * i);
            source.Read(buffer.data(), 1152);
        }
    }
}
BENCHMARK(BM_Mp3Seek)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
