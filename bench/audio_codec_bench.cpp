// Decoding of compressed WAV codings against sox, measured side by side in
// the same iterations: each side reads a coded file and writes its samples
// as 16-bit raw PCM (sox started as a process, as a user would run it). The
// "ratio" counter is our time divided by sox's: below 1 means faster.

#include "audio/core/LSoundSamples.h"
#include "audio/core/LSoundSource.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include "AudioBenchSupport.h"
#include "BenchSupport.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::RunToolOk;

// A minute of speech-like test material and its coded versions, made once.
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
        ok = folder.Exists() && WritePcm(Path("speech8k.wav"), 8000, 1, 60) &&
             WritePcm(Path("music44k.wav"), 44100, 2, 60) &&
             RunToolOk({"sox", "-D", Path("speech8k.wav"), "-e", "gsm-full-rate", Path("gsm.wav")}) &&
             RunToolOk({"sox", "-D", Path("speech8k.wav"), "-e", "ima-adpcm", Path("ima-mono.wav")}) &&
             RunToolOk({"sox", "-D", Path("music44k.wav"), "-e", "ima-adpcm", Path("ima-stereo.wav")});
    }

    static bool WritePcm(const std::string& path, uint32_t rate, int channels, int seconds)
    {
        const uint32_t frames = rate * seconds;
        const uint32_t bytes = frames * channels * 2;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return false;
        uint8_t h[44] = {'R', 'I', 'F', 'F', 0,   0,  0, 0, 'W', 'A', 'V',
                         'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,   1,   0};
        auto put32 = [&](int at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                h[at + i] = static_cast<uint8_t>(v >> (8 * i));
        };
        put32(4, 36 + bytes);
        h[22] = static_cast<uint8_t>(channels);
        put32(24, rate);
        put32(28, rate * channels * 2);
        h[32] = static_cast<uint8_t>(channels * 2);
        h[34] = 16;
        std::memcpy(h + 36, "data", 4);
        put32(40, bytes);
        std::fwrite(h, 1, sizeof h, f);
        std::vector<int16_t> block(static_cast<size_t>(rate) * channels);
        double phase = 0;
        uint32_t noise = 1;
        for (int s = 0; s < seconds; ++s) {
            for (uint32_t i = 0; i < rate; ++i) {
                const double t = s + static_cast<double>(i) / rate;
                phase += 2 * M_PI * (120 + 30 * std::sin(2 * M_PI * 0.5 * t)) / rate;
                noise = noise * 1664525u + 1013904223u;
                double v = 0;
                for (int k = 1; k <= 12; ++k)
                    v += std::sin(k * phase) / k;
                v = 6000 * v * (0.6 + 0.4 * std::sin(2 * M_PI * 2 * t)) + (static_cast<int32_t>(noise) >> 20);
                for (int c = 0; c < channels; ++c)
                    block[i * channels + c] = static_cast<int16_t>(c ? 0.8 * v : v);
            }
            std::fwrite(block.data(), 2, block.size(), f);
        }
        return std::fclose(f) == 0;
    }
};

// Our side: open through the WAV opener, decode everything, write 16-bit raw.
bool DecodeOurs(const std::string& in, const std::string& out)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, in.c_str());
    return bench::DecodeToRaw16(*source, out);
}

void CompareDecoding(benchmark::State& state, const char* file)
{
    Material& m = Material::Get();
    if (!m.ok) {
        state.SkipWithError("sox is needed to make the coded files and as the reference");
        return;
    }
    const std::string in = m.Path(file), ours = m.Path("ours.raw"), theirs = m.Path("sox.raw");
    bench::CompareWithReference(
        state, [&] { return DecodeOurs(in, ours); },
        [&] {
            return RunToolOk({"sox", in, "-t", "raw", "-e", "signed", "-b", "16", theirs});
        },
        {"sox"});
}

void BM_GsmDecode_vs_Sox(benchmark::State& state)
{
    CompareDecoding(state, "gsm.wav");
}
BENCHMARK(BM_GsmDecode_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ImaMonoDecode_vs_Sox(benchmark::State& state)
{
    CompareDecoding(state, "ima-mono.wav");
}
BENCHMARK(BM_ImaMonoDecode_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ImaStereoDecode_vs_Sox(benchmark::State& state)
{
    CompareDecoding(state, "ima-stereo.wav");
}
BENCHMARK(BM_ImaStereoDecode_vs_Sox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
