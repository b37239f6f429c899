#pragma once
// Writes an audio CD from a list of recordings: checks the drive and the
// disc (erasing a rewritable one when allowed), converts every recording
// into a 16-bit stereo 44.1 kHz AIFF in a private temporary folder, hands
// the files to the drive as audio tracks (each with the chosen pause of
// silence after it, but the last), follows the write, and records the
// outcome in the job's result. A dry run writes the bytes the drive would
// have received to a raw file with a cue sheet beside it.

#include "audio/formats/aiff/LAudioCdTrack.h"
#include "burn/LBurnBackend.h"
#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/LDiscServices.h"

#include <cstdint>
#include <string>
#include <vector>

class LProcessContext;

constexpr size_t kAudioCdMaxTracks = 99;

struct LAudioCdTrackLayout
{
    int64_t startBlock = 0; // from the start of the first track
    int64_t blocks = 0;     // samples, padding and pause
    int64_t frames = 0;     // the recording's own sample frames
};

struct LAudioCdBurnJob
{
    uint32_t driveIndex = 255;     // 255: no drive (only for a dry run)
    LDiscWaitOptions disc;         // erase flags, how long to wait for a disc, job bounds
    double pauseSeconds = 2.0;     // silence after every track but the last
    bool tao = false;              // track-at-once even when the drive can write the disc at once
    double speedFactor = -1;       // multiples of 1x (176.4 kB/s); -1 the drive's fastest
    int32_t normalizePercent = -1; // -1 the "NormalizeLevel" setting, 0 none
    // How long to wait for the disc to be back before writing.
    uint32_t mediaWaitMs = 30000;
    std::vector<LAudioCdTrack> tracks;
    std::string dryRunPath; // non-empty: write the raw track data here, not to a disc

    // Filled by the burn.
    uint8_t convertedTracks = 0;
    std::vector<LAudioCdTrackLayout> layout;
    LBurnResult result;
};

// Takes the drive, the erase flags, the pause and the speed from the burn
// options. The write mode is not an option: session-at-once whenever the
// drive can, which is what gives the pauses exactly as chosen.
void LApplyBurnOptions(const LBurnOptions& options, LAudioCdBurnJob& job);

// Runs the whole burn; the outcome is in job.result (0 done, 1 cancelled,
// otherwise why it failed). Returns 0.
int LBurnAudioCd(LProcessContext* context, LBurnBackend& backend, LAudioCdBurnJob& job);

// Converts the job's recordings into folder/track01.aiff, track02.aiff, ...
// 0 done, 1 cancelled, 2 a conversion failed.
int LConvertTracksToAiff(LProcessContext* context, LAudioCdBurnJob& job, const std::string& folder);

// The prepared tracks' sources, each holding one reference until released.
struct LAudioTrackSources
{
    std::vector<burn::burn_source*> sources;
    ~LAudioTrackSources();
    void Release();
};

// Opens the folder's AIFF files (by ascending name) as the job's tracks and
// fills job.layout. A file that does not open fails the burn with code 41:
// a disc with a track missing is worse than no disc. So do an empty folder
// and fewer files than the job converted.
int32_t LBuildAudioTrackList(LBurnResult& result, const std::string& folder, LAudioCdBurnJob& job,
                             LAudioTrackSources& out);

// The pause in whole blocks (truncated).
uint32_t LPauseBlocks(double seconds);

// Writes a cue sheet for raw track data in rawName with tracks starting at
// the given blocks. False when the file cannot be written.
bool LWriteAudioCueSheet(const std::string& cuePath, const std::string& rawName,
                         const std::vector<LAudioCdTrackLayout>& layout);
