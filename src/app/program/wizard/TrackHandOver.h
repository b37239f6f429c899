#pragma once
// The output page's work: the chosen output method, the conversion of the
// tracks to MP3, and handing every track to the main window, which takes it
// into its output folder. Nothing here loses a track: a conversion that does
// not finish leaves the WAV tracks as they were, and a track leaves the
// working folder only once its copy is in the output folder.

#include "app/program/wizard/WizardTracks.h"

#include <string>
#include <vector>

class LProcessContext;

// "Settings"/"OutPutMethod".
enum class OutputMethod : int {
    kAudioCd = 0,
    kMp3 = 2,
    kNothing = 3,
};
// Any other stored value reads as kNothing.
OutputMethod ReadOutputMethod();
void StoreOutputMethod(OutputMethod method);

// ".wav" in any case.
bool HasWavExtension(const std::string& name);

// Whether the MP3 encoder component can be loaded.
bool IsMp3EncoderAvailable();

struct Mp3Conversion
{
    // What to hand over, in track order: the MP3 made of each WAV track,
    // and every other track as it is.
    std::vector<std::string> tracks;
    // For each of tracks: the WAV track it was made from, or "" for a track
    // handed over as it is.
    std::vector<std::string> madeFrom;
};

// Encodes every WAV track of the folder to an MP3 file beside it, named
// after the track (the next free "<title> (nn).mp3" when that is taken),
// with the user's encoder options. 0 done; 1 cancelled or 2 failed (the
// reason in *error), and then every MP3 file this run made is removed again
// and the WAV tracks are untouched.
int ConvertTracksToMp3(LProcessContext* context, const std::string& folder, Mp3Conversion* conversion,
                       std::string* error);

// The side that takes the tracks: the main window.
class WizardTrackReceiver
{
public:
    virtual ~WizardTrackReceiver() = default;
    // Takes a copy of the file into the list of recordings; true only when
    // the copy is made, so the wizard may delete its own.
    virtual bool TakeFile(const char* path) = 0;
};

struct HandOverReport
{
    std::vector<std::string> landed; // names the receiver took
    std::vector<std::string> left;   // names still in the working folder
};

// Hands the named files of the folder to the receiver in order. A file is
// deleted from the folder once the receiver has its copy (with
// `alsoDelete`'s entry of the same index, the WAV an MP3 was made of);
// whatever was not taken stays and is listed in report->left. Every file is
// tried even after a failure. 0 every file landed, 1 cancelled, 2 some were
// not taken.
int HandOverTracks(LProcessContext* context, WizardTrackReceiver& receiver, const std::string& folder,
                   const std::vector<std::string>& names, const std::vector<std::string>& alsoDelete,
                   HandOverReport* report);
