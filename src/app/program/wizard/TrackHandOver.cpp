#include "app/program/wizard/TrackHandOver.h"

#include "audio/effects/LProcessingPump.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "audio/formats/mp3/LMp3EncoderSink.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LProcessContext.h"

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::string TitleOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// "<title>.mp3", else "<title> (02).mp3" and on; empty when none is free.
std::string FreeMp3Name(const std::string& folder, const std::string& title)
{
    for (int n = 1; n < 1000; ++n) {
        char suffix[16] = "";
        if (n > 1)
            std::snprintf(suffix, sizeof suffix, " (%02d)", n);
        const std::string name = title + suffix + ".mp3";
        if (!Exists(folder + "/" + name))
            return name;
    }
    return "";
}

// 0 done, 1 stopped, 2 failed.
int EncodeOne(LProcessContext* context, const std::string& from, const std::string& to, std::string* error)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, from.c_str());
    if (source->GetStatus() != kSoundStatusOk) {
        *error = "The track \"" + from + "\" could not be read.";
        return 2;
    }
    LMp3EncoderOptions options;
    options.Load();
    LSoundSinkPtr sink;
    CreateMp3SoundSink(sink, to.c_str(), options, source->GetRate(),
                       static_cast<uint8_t>(source->GetChannels()));
    if (sink->IsFailed()) {
        auto* mp3 = dynamic_cast<LMp3EncoderSink*>(sink.Get());
        if (mp3 != nullptr && !mp3->IsEncoderAvailable())
            *error = "The MP3 encoder could not be loaded.";
        else
            *error = "The MP3 file \"" + to + "\" could not be made.";
        sink->Abandon();
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
        if (result != 1)
            *error = "The track \"" + from + "\" could not be converted to MP3.";
        return result == 1 ? 1 : 2;
    }
    if (!sink->Finish()) {
        *error = "The MP3 file \"" + to + "\" could not be written.";
        return 2;
    }
    return 0;
}

} // namespace

OutputMethod ReadOutputMethod()
{
    char text[260] = {};
    LSettingsGetString("Settings", "OutPutMethod", "3", text);
    if (std::strcmp(text, "0") == 0)
        return OutputMethod::kAudioCd;
    if (std::strcmp(text, "2") == 0)
        return OutputMethod::kMp3;
    return OutputMethod::kNothing;
}

void StoreOutputMethod(OutputMethod method)
{
    LSettingsSetInt("Settings", "OutPutMethod", static_cast<int>(method));
}

bool HasWavExtension(const std::string& name)
{
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".wav") == 0;
}

bool IsMp3EncoderAvailable()
{
    LMp3EncoderComponent component;
    return component.IsLoaded();
}

int ConvertTracksToMp3(LProcessContext* context, const std::string& folder, Mp3Conversion* conversion,
                       std::string* error)
{
    *conversion = Mp3Conversion{};
    error->clear();
    const std::vector<std::string> names = ListTrackFiles(folder);
    std::vector<std::string> made;
    auto undo = [&] {
        for (const std::string& name : made)
            unlink((folder + "/" + name).c_str());
        *conversion = Mp3Conversion{};
    };
    // The MP3 files this run makes are tracks too once made: only the names
    // listed at the start are converted.
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (context->IsStopRequested()) {
            undo();
            return 1;
        }
        if (!HasWavExtension(name)) {
            conversion->tracks.push_back(name);
            conversion->madeFrom.emplace_back();
            continue;
        }
        const std::string mp3 = FreeMp3Name(folder, TitleOf(name));
        if (mp3.empty()) {
            *error = "No free name for the MP3 file of \"" + name + "\".";
            undo();
            return 2;
        }
        context->MessageLevel(name.c_str(), 1);
        const int result = EncodeOne(context, folder + "/" + name, folder + "/" + mp3, error);
        if (result != 0) {
            undo();
            return result;
        }
        made.push_back(mp3);
        conversion->tracks.push_back(mp3);
        conversion->madeFrom.push_back(name);
        context->Progress(static_cast<double>(i + 1) / static_cast<double>(names.size()));
    }
    return 0;
}

int HandOverTracks(LProcessContext* context, WizardTrackReceiver& receiver, const std::string& folder,
                   const std::vector<std::string>& names, const std::vector<std::string>& alsoDelete,
                   HandOverReport* report)
{
    *report = HandOverReport{};
    int result = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (result != 1 && context->IsStopRequested())
            result = 1;
        if (result == 1) {
            report->left.push_back(names[i]);
            continue;
        }
        const std::string path = folder + "/" + names[i];
        if (!receiver.TakeFile(path.c_str())) {
            LLogWarningF("The track %s was not taken into the output folder", path.c_str());
            report->left.push_back(names[i]);
            result = 2;
            continue;
        }
        report->landed.push_back(names[i]);
        unlink(path.c_str());
        if (i < alsoDelete.size() && !alsoDelete[i].empty())
            unlink((folder + "/" + alsoDelete[i]).c_str());
        context->Progress(static_cast<double>(i + 1) / static_cast<double>(names.size()));
    }
    return result;
}
