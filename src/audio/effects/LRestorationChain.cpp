#include "audio/effects/LRestorationChain.h"

#include "audio/core/LSoundSink.h"
#include "audio/effects/LClickPopFilter.h"
#include "audio/effects/LDbGain.h"
#include "audio/effects/LDcOffsetFilter.h"
#include "audio/effects/LGainEffect.h"
#include "audio/effects/LHighPassFilter.h"
#include "audio/effects/LNoiseGate.h"
#include "audio/effects/LNormalize.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/effects/LReadAheadSoundFilter.h"
#include "audio/effects/LRestorationTasks.h"
#include "audio/effects/LRiaaEqualizer.h"
#include "audio/effects/LSampleLevels.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kToolSettings[] = {"DCOffset",    "HPF",          "ClickPop",
                                     "NoiseReduce", "Equalization", "Normalization"};

// Every settings read of the chain goes through here.
void ReadSetting(const char* section, const char* name, char* dest)
{
    LSettingsGetString(section, name, "", dest);
}

bool Failed(const LSoundSourcePtr& source)
{
    return source->GetStatus() != kSoundStatusOk;
}

} // namespace

bool IsRestorationToolOn(const char* name)
{
    char value[260] = {};
    ReadSetting(kRestorationSection, name, value);
    return value[0] != '\0' && value[0] != '0';
}

bool IsAnyRestorationToolOn()
{
    for (const char* name : kToolSettings)
        if (IsRestorationToolOn(name))
            return true;
    return false;
}

bool IsVinylRecording()
{
    char value[260] = {};
    ReadSetting(kRecordingSourceSection, "Vinyl", value);
    return value[0] != '0';
}

int32_t GetRecordingSpeedCorrection()
{
    if (!IsVinylRecording())
        return kRecordingSpeedNormal;
    const int speed = LSettingsGetInt(kRecordingSourceSection, "RecordingSpeed", 0);
    return speed == kRecordingSpeed33At45 || speed == kRecordingSpeed78At45 ? speed : kRecordingSpeedNormal;
}

void LReadRestorationSettings(LRestorationTools& tools)
{
    tools = LRestorationTools{};
    tools.dcOffset = IsRestorationToolOn("DCOffset");
    tools.highPass = IsRestorationToolOn("HPF");
    tools.speed = GetRecordingSpeedCorrection();
    tools.clickPop = IsRestorationToolOn("ClickPop");
    tools.noiseReduction = IsRestorationToolOn("NoiseReduce");
    tools.riaa = IsRestorationToolOn("Equalization");
    tools.normalize = IsRestorationToolOn("Normalization");
}

int RunDcOffsetTool(LProcessContext* context, LSoundSourcePtr& source)
{
    if (Failed(source))
        return 2;
    context->MessageLevel("DC Offset", 0);
    context->MessageLevel("DC Offset Correction", 0);
    context->MessageLevel("Please Wait...", 1);
    const int32_t channels = source->GetChannels();
    const int64_t length = source->GetLength();
    const int64_t bound = std::max<int64_t>(length, 1);
    source->Seek(0);
    std::vector<int32_t> buffer(static_cast<size_t>(kSoundBlockFrames) * channels);
    // Exact sums: a long loud source overflows 64 bits and loses the low
    // digits in a double, and the offset is to be removed exactly.
    std::vector<__int128> sums(channels, 0);
    std::vector<int64_t> blockSums(channels, 0);
    const double step = static_cast<double>(kSoundBlockFrames) / static_cast<double>(bound);
    double progress = 0.0;
    for (int64_t done = 0; done < length;) {
        if (context->IsStopRequested())
            return 1;
        const int64_t n = std::min(length - done, kSoundBlockFrames);
        source->Read(buffer.data(), n);
        // A block's sums fit 64 bits (8192 frames of 32-bit samples); only
        // the running totals need the wide type.
        std::fill(blockSums.begin(), blockSums.end(), 0);
        LAddChannelSums(buffer.data(), n, channels, blockSums.data());
        for (int32_t c = 0; c < channels; ++c)
            sums[c] += blockSums[c];
        done += n;
        progress += step;
        context->Progress(std::min(progress, 1.0));
    }
    source->Seek(0);
    std::vector<int32_t> offsets(channels, 0);
    for (int32_t c = 0; c < channels; ++c)
        offsets[c] = static_cast<int32_t>(sums[c] / bound);
    source = new LDcOffsetFilter(source, offsets);
    return 0;
}

int RunHighPassTool(LProcessContext* context, LSoundSourcePtr& source, int32_t cutoff)
{
    if (Failed(source))
        return 2;
    context->MessageLevel("High Pass Filter", 0);
    LHighPassEffect(cutoff == 0 ? 150 : cutoff).CreateFilter(source, source);
    return 0;
}

int RunClickPopTool(LProcessContext* context, LSoundSourcePtr& source)
{
    if (Failed(source))
        return 2;
    context->MessageLevel("Click Pop Remover", 0);
    source = new LClickPopFilter(source, 35, 450);
    return 0;
}

int RunNoiseReductionTool(LProcessContext* context, LSoundSourcePtr& source, int32_t floorDb)
{
    if (Failed(source))
        return 2;
    context->MessageLevel("Noise Reduction", 0);
    const int32_t f = std::clamp(floorDb, -127, 127);
    auto level = [](int32_t v) { return static_cast<int8_t>(std::clamp(v, -127, 127)); };
    LNoiseReductionEffect({level(f + 3), level(f), level(f - 3), level(f)}).CreateFilter(source, source);
    return 0;
}

int RunRiaaTool(LProcessContext* context, LSoundSourcePtr& source)
{
    if (Failed(source))
        return 2;
    context->MessageLevel("RIAA Equalization", 0);
    if (context->IsStopRequested())
        return 1;
    std::vector<double> grid;
    LBuildRiaaGrid(grid, source->GetRate() > 0 ? source->GetRate() : 44100);
    LRiaaEqualizerEffect(grid).CreateFilter(source, source);
    // The curve stands 13.9 dB below 0 dB at 1 kHz and the +14 dB gain
    // brings it back. The levels, though, put 0 dB at 256 / 10^(6/20)
    // (about 128.3) while the equalizer takes 100 as unity, which leaves
    // every frequency 2.2 dB hot; the gain takes that back too, so that
    // 1 kHz passes at its own level as the playback curve has it.
    const double levelScale = 100.0 * (LDbToGain(6) * 0x1p-24) / 256.0;
    const int32_t makeUp = static_cast<int32_t>(std::lround(LDbToGain(14) * levelScale));
    LGainEffect(makeUp).CreateFilter(source, source);
    return 0;
}

int RunNormalizeTool(LProcessContext* context, LSoundSourcePtr& source, int32_t peakPercent)
{
    if (Failed(source))
        return 2;
    context->MessageLevel("Normalize", 0);
    LNormalizeParams params;
    params.mode = kNormalizePeak;
    params.peakLevel = peakPercent;
    params.rmsLevel = 30;
    params.source = source;
    // The chain in front is far dearer to run than to keep in a file.
    params.spool = true;
    const int32_t result = NormalizeSound(context, params);
    if (result == 0)
        source = params.source;
    return result;
}

int ApplyRestorationTools(LProcessContext* context, LSoundSourcePtr& source, const LRestorationTools& tools)
{
    if (Failed(source))
        return 2;
    auto step = [](const char* text) { WorkerStatus().SetStatusText(text); };
    int result = 0;
    // Decoding and the dearer tools each get a thread of their own, reading
    // ahead into a queue for the next: the chain then takes about as long as
    // its slowest part rather than the sum of them all, with the same samples.
    // The threads rest while the chain is being built (its filters read a
    // little as they are made, and the chain is then read from the start)
    // and run for the passes over the whole of it.
    // The stages are held here too: a spooled normalization lets go of the
    // chain in front of it.
    std::vector<LSoundSourcePtr> stages;
    auto decouple = [&] {
        if (LAddReadAhead(source, false) != nullptr)
            stages.push_back(source);
    };
    auto run = [&](bool active) {
        for (const LSoundSourcePtr& stage : stages)
            static_cast<LReadAheadSoundFilter*>(stage.Get())->SetActive(active);
    };
    const bool anyTool = tools.dcOffset || tools.highPass || tools.speed != kRecordingSpeedNormal ||
                         tools.clickPop || tools.noiseReduction || tools.riaa || tools.normalize;
    if (anyTool)
        decouple();
    if (tools.dcOffset) {
        step("DC Offset...");
        run(true);
        result = RunDcOffsetTool(context, source);
        run(false);
        if (result != 0)
            return result;
    }
    if (tools.highPass) {
        step("HPF...");
        if ((result = RunHighPassTool(context, source, tools.highPassCutoff)) != 0)
            return result;
    }
    if (tools.speed == kRecordingSpeed78At45) {
        step("78RPM Convert...");
        if ((result = Convert78To45Rpm(context, source)) != 0)
            return result;
    } else if (tools.speed == kRecordingSpeed33At45) {
        step("33RPM Convert...");
        if ((result = Convert45To33Rpm(context, source)) != 0)
            return result;
    }
    if (tools.speed == kRecordingSpeed78At45 || tools.speed == kRecordingSpeed33At45)
        decouple();
    if (tools.clickPop) {
        step("Click Pop...");
        if ((result = RunClickPopTool(context, source)) != 0)
            return result;
        decouple();
    }
    if (tools.noiseReduction) {
        step("Noise Reduce...");
        if ((result = RunNoiseReductionTool(context, source, tools.noiseFloor)) != 0)
            return result;
        decouple();
    }
    if (tools.riaa) {
        step("Equalize...");
        if ((result = RunRiaaTool(context, source)) != 0)
            return result;
        decouple();
    }
    if (tools.normalize) {
        step("Normalize...");
        run(true);
        if ((result = RunNormalizeTool(context, source, tools.normalizePercent)) != 0)
            return result;
        decouple();
    }
    run(true);
    return Failed(source) ? 2 : 0;
}

int ApplyRestorationChain(LProcessContext* context, LSoundSourcePtr& source)
{
    LRestorationTools tools;
    LReadRestorationSettings(tools);
    return ApplyRestorationTools(context, source, tools);
}

namespace {

// The 16-bit PCM block of the chain's rate and channels, unless the user
// chose a WAV format (which is stored the first time round).
void OutputFormat(LWaveFormatBlock& block, const LSoundSourcePtr& source)
{
    LSetWaveFormatBlock(block, 1, static_cast<uint32_t>(source->GetRate()), source->GetChannels(), 16);
    char settings[kLPathSize] = {};
    if (!LGetWavCodecSettingsPath(settings))
        return;
    if (!LFileExists(settings))
        LSaveWavCodecSettings(block, settings);
    LLoadWavCodecSettings(block, settings);
}

} // namespace

int RestoreFileTo(LProcessContext* context, const char* path, const char* destination,
                  const LRestorationTools& tools)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path);
    if (Failed(source))
        return 2;
    const int chain = ApplyRestorationTools(context, source, tools);
    if (chain != 0)
        return chain;

    LWaveFormatBlock format;
    OutputFormat(format, source);
    // The sink writes beside the original and renames its file over it only
    // once complete, so the original stays whole until then (and the source
    // reading it is undisturbed).
    LSoundSinkPtr sink;
    CreateSoundSinkForFormat(sink, destination, format);
    if (sink->IsFailed()) {
        sink->Abandon();
        context->MessageF("Save File Error: \"%s\"", destination);
        return 2;
    }
    int result;
    {
        LSoundProcessJob job;
        job.input = source;
        job.output = sink;
        result = ProcessSoundToSink(context, job);
    }
    if (result != 0) {
        sink->Abandon();
        return result;
    }
    if (!sink->Finish()) {
        context->MessageF("Save File Error: \"%s\"", destination);
        return 2;
    }
    return 0;
}

namespace {

// Restores one file in place. 0 done, 1 stopped, 2 failed.
int RestoreFile(LProcessContext* context, const char* path)
{
    LRestorationTools tools;
    LReadRestorationSettings(tools);
    return RestoreFileTo(context, path, path, tools);
}

} // namespace

int RestoreSavedFiles(LProcessContext* context, const LStringList& fileNames)
{
    if (!IsAnyRestorationToolOn())
        return 0;
    char recording[kLPathSize] = {};
    char folder[kLPathSize] = {};
    if (!GetRecordingFolder(recording) || !LPathCombine(folder, recording, "save", ""))
        return 2;
    for (uint64_t i = 0; i < fileNames.Count(); ++i) {
        if (context->IsStopRequested())
            return 1;
        char path[kLPathSize] = {};
        if (!LPathCombine(path, folder, fileNames.Get(i), ""))
            return 2;
        const int result = RestoreFile(context, path);
        if (result != 0)
            return result;
    }
    return 0;
}
