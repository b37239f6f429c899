#pragma once
// The restoration page's work on the tracks: the user's choice of the six
// tools with the rules that tie click/pop reduction to vinyl and RIAA
// equalization to a record player connected straight to the computer, and
// applying them to every working copy with a way back to the masters.

#include "app/program/wizard/WizardTracks.h"
#include "audio/effects/LRestorationChain.h"

class LProcessContext;

struct RestorationChoices
{
    bool highPass = false;
    bool clickPop = false;
    bool riaa = false;
    bool dcOffset = false;
    bool noiseReduction = false;
    bool normalize = false;

    bool Any() const { return highPass || clickPop || riaa || dcOffset || noiseReduction || normalize; }
    bool operator==(const RestorationChoices&) const = default;
};

// "RecordingSource"/"Amp" is "0": the player needs the RIAA curve from us.
bool IsDirectPhonoRecording();
// Which tools the source allows: click/pop for vinyl, RIAA for vinyl
// connected directly.
bool IsClickPopAllowed();
bool IsRiaaAllowed();

// The choices stored in "AudioRestoration" (normalization, DC offset and
// noise reduction on unless stored "0", high-pass only when stored on),
// with the tools the source does not allow off.
RestorationChoices ReadRestorationChoices();
// Writes the six settings as "1"/"0" and "Settings"/"NormalizeLevel".
void StoreRestorationChoices(const RestorationChoices& choices);

// The chain's tools for the choices. The sides were brought to their own
// speed before they were split, so the tracks never get a speed correction
// here, whatever "RecordingSpeed" says.
LRestorationTools ToolsForChoices(const RestorationChoices& choices);

// Applying and undoing over the wizard's folders.
class TrackRestoration
{
public:
    explicit TrackRestoration(WizardTrackFolders folders) : folders_(std::move(folders)) {}

    // Runs the tools over every working copy. A second Apply first brings
    // the working copies back from the masters, so the tools always start
    // from the tracks as split. All tracks are restored into a hidden
    // folder first and take their places only when every one succeeded: on
    // a failure or cancel no track has changed and nothing counts as
    // applied. 0 done, 1 cancelled, 2 failed (with the reason in *error).
    int Apply(LProcessContext* context, const RestorationChoices& choices, std::string* error);
    // Brings the working copies back from the masters.
    bool Undo();
    bool IsApplied() const { return applied_; }
    const WizardTrackFolders& Folders() const { return folders_; }

private:
    WizardTrackFolders folders_;
    bool applied_ = false;
};
