// PCM WAV reading and writing against `sox in.wav out.wav`, measured side by
// side in the same iterations. Our read decodes a whole file through the WAV
// opener; our write encodes the same samples through the PCM sink; our copy
// does both, which is what sox's run does. The "ratio" counter is our time
// divided by sox's: below 1 means faster.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"
#include "audio/formats/pcm/LWavPcmSoundSink.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include "BenchSupport.h"

#include <string>
#include <vector>

namespace {

using bench::RunToolOk;
constexpr int64_t kBlock = 8192;

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
    bench::ScratchFolder folder{"wav"};
    std::string Path(const std::string& name) const { return folder.Path(name); }

private:
    Material()
    {
        ok = folder.Exists() &&
             RunToolOk({"sox", "-D", "-n", "-r", "44100", "-c", "2", "-b", "16", Path("s16.wav"), "synth",
                        "120", "pinknoise", "sine", "440", "gain", "-6"}) &&
             RunToolOk({"sox", "-D", "-n", "-r", "48000", "-c", "2", "-b", "24", Path("s24.wav"), "synth",
                        "120", "pinknoise", "sine", "440", "gain", "-6"});
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
    bench::CompareWithReference(
        state,
        [&] {
            switch (side) {
            case Side::Read:
                return ReadOurs(in, nullptr, &channels, &rate);
            case Side::Write:
                return WriteOurs(ours, samples, channels, rate, bits);
            case Side::Copy:
                return CopyOurs(in, ours, bits);
            }
            return false;
        },
        [&] {
            return RunToolOk({"sox", "-D", in, theirs});
        },
        {"sox"});
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
