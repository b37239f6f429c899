#include "app/queue/SplitJoinJobs.h"

#include "app/queue/JobOutputFile.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/effects/LConversionEffects.h"
#include "audio/effects/LNormalize.h"
#include "audio/effects/LRestorationChain.h"
#include "audio/effects/LRestorationTasks.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "audio/formats/mp3/LMp3SoundSource.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "foundation/text/LUtf8.h"
#include "foundation/threads/LProcessContext.h"
#include "foundation/threads/LProgressRangeContext.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 1000;

void OpenBySourceExtension(LSoundSourcePtr& source, const char* path)
{
    if (HasExtensionNoCase(path, ".wav"))
        LOpenWavSoundSource(source, path);
    else
        source = LMp3SoundSource::Open(path);
}

// One piece to write: its frames and its track number.
struct Piece
{
    int64_t start;
    int64_t end;
    int64_t number;
};

struct SplitStyle
{
    bool sameFormatAsSource; // false: always 16-bit PCM WAV
    bool removeOnCancel;
};

// Copies frames [start, end) of the source into the sink in blocks of 8192
// frames, reporting the piece's progress. 0 done, 1 cancelled, 2 a write failed.
int CopyPiece(LProcessContext* context, LSoundSourcePtr& source, LSoundSink& sink, int64_t start, int64_t end)
{
    const int32_t channels = source->GetChannels();
    std::vector<int32_t> buffer(static_cast<size_t>(kSoundBlockFrames) * channels);
    source->Seek(start);
    const int64_t length = end - start;
    int64_t done = 0;
    for (;;) {
        if (context->IsStopRequested())
            return 1;
        context->Progress(length > 0 ? static_cast<double>(done) / static_cast<double>(length) : 1.0);
        if (done >= length)
            return 0;
        const int64_t n = std::min<int64_t>(length - done, kSoundBlockFrames);
        source->Read(buffer.data(), n);
        sink.Write(buffer.data(), n);
        if (sink.IsFailed())
            return 2;
        done += n;
    }
}

// The first free path for a track: "<title>_SPLIT_nn<ext>", else
// "<title> (mm)_SPLIT_nn<ext>". Empty when none fits.
std::string FreeTrackPath(const char* folder, const char* title, int64_t track, const char* extension)
{
    for (int m = 0; m < kNameAttempts; ++m) {
        char name[kLPathSize * 2];
        if (m == 0)
            std::snprintf(name, sizeof name, "%s_SPLIT_%02" PRId64, title, track);
        else
            std::snprintf(name, sizeof name, "%s (%02d)_SPLIT_%02" PRId64, title, m, track);
        char path[kLPathSize];
        if (!LPathCombine(path, folder, name, extension))
            return std::string();
        if (!LFileExists(path))
            return path;
    }
    return std::string();
}

int SplitPieces(LProcessContext* context, const char* path, const std::vector<Piece>& pieces,
                const SplitStyle& style, std::vector<std::string>* written)
{
    context->MessageLevel("Splitting File", 0);
    context->Progress(0.0);
    LSoundSourcePtr source;
    if (style.sameFormatAsSource)
        OpenBySourceExtension(source, path);
    else
        LOpenWavSoundSource(source, path);
    if (source->GetStatus() != kSoundStatusOk) {
        context->MessageF("ERROR: The file \"%s\" could not be opened", path);
        LLogWarningF("Splitting FAILED: the file %s could not be opened", path);
        return kSplitFailed;
    }
    for (const Piece& piece : pieces) {
        if (piece.end < piece.start) {
            context->Message("ERROR: A track ends before it starts");
            LLogWarningF("Splitting FAILED: a track of %s ends before it starts", path);
            return kSplitFailed;
        }
    }

    char title[kLPathSize], folder[kLPathSize], extension[kLPathSize];
    if (!LPathGetTitle(title, path) || LPathGetFolder(folder, path) < 0 ||
        !LPathGetExtension(extension, path))
        return kSplitFailed;
    const bool mp3 = style.sameFormatAsSource && !HasExtensionNoCase(path, ".wav");
    // Said before any track is begun, rather than as a track that could not be written.
    if (mp3 && !LMp3EncoderComponent().IsLoaded()) {
        context->Message("ERROR: The MP3 encoder component is missing: MP3 tracks cannot be written");
        LLogWarningF("Splitting FAILED: %s is an MP3 and the MP3 encoder component \"%s\" is missing", path,
                     kMp3EncoderComponentName);
        return kSplitFailed;
    }
    const char* outputExtension = style.sameFormatAsSource ? extension : ".wav";
    const int32_t rate = source->GetRate();
    const uint8_t channels = source->GetChannels();
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, static_cast<uint32_t>(rate), channels, 16);

    std::vector<std::string> created;
    auto cancel = [&](int result) {
        if (style.removeOnCancel && result == kSplitCancelled) {
            for (const std::string& file : created)
                unlink(file.c_str());
            created.clear();
        }
        if (written)
            written->insert(written->end(), created.begin(), created.end());
        return result;
    };

    const int64_t length = source->GetLength();
    for (const Piece& piece : pieces) {
        const int64_t start = std::min(piece.start, length);
        const int64_t end = std::min(piece.end, length);
        if (end <= start)
            continue;
        bool placed = false;
        for (int attempt = 0; attempt < kNameAttempts && !placed; ++attempt) {
            const std::string target =
                FreeTrackPath(folder[0] ? folder : ".", title, piece.number, outputExtension);
            if (target.empty()) {
                context->Message("ERROR: Output files could not be created");
                LLogWarningF("Splitting FAILED: no free name for track %" PRId64 " of %s", piece.number,
                             path);
                return cancel(kSplitFailed);
            }
            char name[kLPathSize];
            LPathGetTitle(name, target.c_str());
            context->MessageLevel(name, 1);
            JobOutputFile file;
            LSoundSinkPtr sink;
            if (file.Create(target.c_str()))
                CreateJobSink(sink, file.TempPath(), mp3, rate, channels, format);
            if (sink->IsFailed()) {
                context->Message("ERROR: Output files could not be created");
                return cancel(kSplitFailed);
            }
            const int copied = CopyPiece(context, source, *sink, start, end);
            const bool finished = sink->Finish();
            sink.Reset();
            if (copied == 1)
                return cancel(kSplitCancelled);
            if (copied != 0 || !finished) {
                context->Message("ERROR: Output files could not be created");
                return cancel(kSplitFailed);
            }
            if (file.CommitNoReplace(target.c_str())) {
                created.push_back(target);
                placed = true;
            } else if (errno != EEXIST) {
                context->Message("ERROR: Output files could not be created");
                return cancel(kSplitFailed);
            }
            // Taken meanwhile by someone else: the next free name.
        }
        if (!placed)
            return cancel(kSplitFailed);
    }
    context->Progress(1.0);
    return cancel(kSplitDone);
}

} // namespace

int SplitFileRegions(LProcessContext* context, const char* path, const std::vector<SoundSpan>& regions,
                     std::vector<std::string>* written)
{
    std::vector<Piece> pieces;
    int64_t number = 1;
    for (const SoundSpan& region : regions) {
        pieces.push_back({region.start, region.end, number});
        if (region.end != region.start)
            ++number;
    }
    if (pieces.empty()) {
        context->MessageLevel("Splitting File", 0);
        return kSplitDone;
    }
    return SplitPieces(context, path, pieces, {false, false}, written);
}

int SplitFileIntoTracks(LProcessContext* context, const char* path, const std::vector<int64_t>& points,
                        std::vector<std::string>* written)
{
    std::vector<Piece> pieces;
    int64_t previous = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        pieces.push_back({previous, points[i], static_cast<int64_t>(i) + 1});
        previous = points[i];
    }
    pieces.push_back({previous, INT64_MAX, static_cast<int64_t>(points.size()) + 1});
    return SplitPieces(context, path, pieces, {true, true}, written);
}

int SplitFileIntoTracks(LProcessContext* context, const char* path, const std::vector<SoundSpan>& tracks,
                        std::vector<std::string>* written)
{
    std::vector<Piece> pieces;
    for (size_t i = 0; i < tracks.size(); ++i)
        pieces.push_back({tracks[i].start, tracks[i].end, static_cast<int64_t>(i) + 1});
    return SplitPieces(context, path, pieces, {true, true}, written);
}

namespace {

constexpr size_t kJoinTitleCharacters = 40;

// The first `characters` characters of a UTF-8 text.
std::string FirstCharacters(const char* text, size_t characters)
{
    size_t bytes = 0;
    for (size_t n = 0; n < characters && text[bytes] != '\0'; ++n) {
        const size_t step = static_cast<size_t>(LUtf8SequenceLength(static_cast<unsigned char>(text[bytes])));
        size_t i = 0;
        while (i < step && text[bytes + i] != '\0')
            ++i;
        bytes += i;
    }
    return std::string(text, bytes);
}

// "<titles>JOINED" with a free ".wav" (and, for an MP3 result, ".mp3")
// path in the folder; the titles part gives way when the path would not
// fit, never the extension. Empty when no name works.
std::string FreeJoinedPath(const char* folder, const std::vector<std::string>& inputs, bool mp3)
{
    std::string titles;
    for (const std::string& input : inputs) {
        // An input that is not there is skipped, and has no part in the name.
        char title[kLPathSize];
        if (LFileExists(input.c_str()) && LPathGetTitle(title, input.c_str()))
            titles += FirstCharacters(title, kJoinTitleCharacters) + "_";
    }
    const size_t folderLength = std::strlen(folder) + 1;
    // Room for "JOINED", " (nn)" and the extension.
    const size_t fixed = folderLength + std::strlen("JOINED") + 5 + 4;
    if (fixed >= kLPathMaxLength)
        return std::string();
    if (titles.size() > kLPathMaxLength - fixed)
        titles.resize(LUtf8BoundaryBefore(titles.c_str(), kLPathMaxLength - fixed));
    const std::string base = titles + "JOINED";
    for (int m = 0; m < kNameAttempts; ++m) {
        char name[kLPathSize];
        if (m == 0)
            std::snprintf(name, sizeof name, "%s", base.c_str());
        else
            std::snprintf(name, sizeof name, "%s (%02d)", base.c_str(), m);
        char wav[kLPathSize], other[kLPathSize];
        if (!LPathCombine(wav, folder, name, ".wav") || !LPathCombine(other, folder, name, ".mp3"))
            return std::string();
        if (!LFileExists(wav) && !(mp3 && LFileExists(other)))
            return mp3 ? other : wav;
    }
    return std::string();
}

bool IsNormalizationOn()
{
    char value[260];
    LSettingsGetString(kRestorationSection, "Normalization", "", value);
    return value[0] != '\0' && value[0] != '0';
}

// Puts a finished file in place: over the requested path, or under a free
// name (the next one when the chosen one was taken meanwhile).
bool PlaceJoined(JobOutputFile& file, std::string& target, bool requested, const char* folder,
                 const std::vector<std::string>& inputs, bool mp3)
{
    if (requested)
        return file.CommitReplacing(target.c_str());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        if (file.CommitNoReplace(target.c_str()))
            return true;
        if (errno != EEXIST)
            return false;
        target = FreeJoinedPath(folder, inputs, mp3);
        if (target.empty())
            return false;
    }
    return false;
}

} // namespace

int JoinFiles(LProcessContext* context, JoinFilesArgs& args)
{
    context->MessageLevel("Joining", 0);
    const bool requested = !args.outputPath.empty();
    char folder[kLPathSize];
    if (requested) {
        if (LPathGetFolder(folder, args.outputPath.c_str()) < 0)
            return 2;
        if (folder[0] == '\0')
            std::snprintf(folder, sizeof folder, ".");
    } else if (!args.outputFolder.empty()) {
        std::snprintf(folder, sizeof folder, "%s", args.outputFolder.c_str());
    } else if (!GetAppOutputFolder(folder)) {
        context->Message("ERROR: Output file could not be created");
        return 2;
    }
    const bool mp3 = requested ? HasExtensionNoCase(args.outputPath.c_str(), ".mp3")
                               : !args.inputs.empty() && HasExtensionNoCase(args.inputs[0].c_str(), ".mp3");
    std::string target = requested ? args.outputPath : FreeJoinedPath(folder, args.inputs, mp3);
    if (target.empty()) {
        context->Message("ERROR: Output file could not be created");
        LLogWarningF("Joining FAILED: no free name for the joined file in %s", folder);
        return 2;
    }

    // The joined sound first goes to a hidden WAV beside the result.
    char wavName[kLPathSize];
    JobOutputFile joined;
    LSoundSinkPtr sink;
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, 44100, 2, 16);
    char title[kLPathSize];
    if (LPathGetTitle(title, target.c_str()) && LPathCombine(wavName, folder, title, ".wav") &&
        joined.Create(wavName))
        CreateSoundSinkForFormat(sink, joined.TempPath(), format);
    if (sink->IsFailed()) {
        context->Message("ERROR: Output file could not be created");
        return 2;
    }

    const bool normalize = IsNormalizationOn();
    const size_t count = args.inputs.size();
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
        const char* input = args.inputs[i].c_str();
        context->MessageLevel(input, 0);
        if (!LFileExists(input))
            continue;
        LSoundSourcePtr source;
        OpenBySourceExtension(source, input);
        if (source->GetStatus() != kSoundStatusOk || source->GetLength() <= 0) {
            context->MessageF("ERROR: The file \"%s\" could not be opened", input);
            LLogWarningF("Joining FAILED: the file %s could not be opened or is empty", input);
            return 2;
        }
        AdaptSoundSource(44100, 2, source);
        if (normalize) {
            if (source->GetStatus() != kSoundStatusOk)
                return 2;
            context->MessageLevel("Normalize", 0);
            LNormalizeParams params;
            params.mode = kNormalizePeak;
            params.peakLevel = 80;
            params.rmsLevel = 30;
            params.source = source;
            if (NormalizeSound(context, params) != 0)
                return 2;
            source = params.source;
        }
        LProgressRangeContext part(context, static_cast<double>(i) / count, 1.0 / count);
        LSoundProcessJob job;
        job.title = "Joining";
        job.input = source;
        job.output = sink;
        if (ProcessSoundToSink(&part, job) != kPumpDone)
            return 2;
        ++used;
    }
    const bool finished = sink->Finish();
    sink.Reset();
    if (!finished || used == 0) {
        context->Message(used == 0 ? "ERROR: None of the files to join exists"
                                   : "ERROR: Output file could not be created");
        return 2;
    }

    if (!mp3) {
        if (!PlaceJoined(joined, target, requested, folder, args.inputs, false)) {
            context->Message("ERROR: Output file could not be created");
            return 2;
        }
        args.outputPath = target;
        return 0;
    }

    JobOutputFile encoded;
    LSoundSourcePtr wav;
    LOpenWavSoundSource(wav, joined.TempPath());
    LSoundSinkPtr mp3Sink;
    if (encoded.Create(target.c_str()))
        CreateJobSink(mp3Sink, encoded.TempPath(), true, 44100, 2, format);
    int result = kPumpFailed;
    if (!mp3Sink->IsFailed()) {
        LSoundProcessJob job;
        job.title = "Joining";
        job.input = wav;
        job.output = mp3Sink;
        result = ProcessSoundToSink(context, job);
    }
    wav.Reset();
    const bool encodedWhole = mp3Sink->Finish();
    mp3Sink.Reset();
    if (result == kPumpDone && encodedWhole &&
        PlaceJoined(encoded, target, requested, folder, args.inputs, true)) {
        args.outputPath = target;
        return 0;
    }
    LLogInfoF("Conversion to MP3 joined file %s has failed", target.c_str());
    // The joined sound is kept as a WAV under a free name.
    std::string kept = FreeJoinedPath(folder, args.inputs, false);
    if (requested) {
        char keptTitle[kLPathSize], keptPath[kLPathSize];
        if (LPathGetTitle(keptTitle, target.c_str()) && LPathCombine(keptPath, folder, keptTitle, ".wav"))
            kept = keptPath;
    }
    if (!kept.empty() && PlaceJoined(joined, kept, requested, folder, args.inputs, false))
        args.outputPath = kept;
    else
        args.outputPath.clear();
    return 2;
}
