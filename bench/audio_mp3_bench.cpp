// MP3 decoding as whole processes: `qd-audio decode` against mpg123, each
// decoding the same 10-minute file and writing 16-bit raw PCM (see
// ProcessBenchSupport.h), in the common encodings. Seeking is timed on its
// own, inside this process: no tool offers the same work to compare with.

#include "ProcessBenchSupport.h"

#include "audio/formats/mp3/LMp3SoundSource.h"

#include <string>
#include <vector>

namespace {

using bench::RunToolOk;

// Ten minutes of busy music-like material in the common encodings, made once.
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
             RunToolOk({"sox",
                        "-n",
                        "-r",
                        "44100",
                        "-c",
                        "2",
                        "-b",
                        "16",
                        wav,
                        "synth",
                        std::to_string(bench::kProcessBenchSeconds),
                        "sine",
                        "80-6000",
                        "sine",
                        "330",
                        "synth",
                        "pinknoise",
                        "mix",
                        "tremolo",
                        "5",
                        "60",
                        "gain",
                        "-3"}) &&
             RunToolOk({"lame", "--quiet", "-b", "128", wav, Path("cbr128.mp3")}) &&
             RunToolOk({"lame", "--quiet", "-b", "320", wav, Path("cbr320.mp3")}) &&
             RunToolOk({"lame", "--quiet", "-V", "2", wav, Path("vbr2.mp3")}) &&
             RunToolOk({"lame", "--quiet", "--resample", "22.05", "-b", "64", wav, Path("mpeg2.mp3")});
    }
};

void CompareDecoding(benchmark::State& state, const char* file)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox, lame and mpg123 are needed to make the files and as the reference");
        return;
    }
    const std::string in = m.Path(file);
    // mpg123 -s writes the samples to its standard output.
    bench::ComparePaired(state, {{bench::QdAudio(), "decode", in, m.Path("ours.raw"), "--s16"}},
                         {{"mpg123", "-q", "-s", in}, m.Path("mpg123.raw")},
                         {"mpg123", double(bench::kProcessBenchSeconds)});
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
