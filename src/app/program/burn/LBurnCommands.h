#pragma once
// Burning the recordings chosen in the main window: as an audio CD, or as a
// data CD/DVD (re-encoding files to the chosen format first when asked),
// ejecting, the disc-capacity text, and the offer of another copy after a
// burn that went well. The commands take the list of files as it was when
// the user started, so another copy burns the same files even when the
// window's selection changed meanwhile. The user's files are only read.

#include "audio/core/LSoundSource.h"
#include "burn/LAudioCdBurner.h"
#include "burn/LDiscNode.h"
#include "gui/framework/LWindow.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kBurnFailedText =
    "Burn did not completed successfully. Burning process has been cancelled or there may be a problem "
    "with the drive or disc, please try another disk or try a lower speed.";
inline constexpr const char* kBurnCancelledText = "Burn cancelled by user.";
inline constexpr const char* kBurnNothingText =
    "No audio has been recorded or no files have been selected, burning will not commence.";

// What the commands need of the window they run from (tests answer for it).
class LBurnCommandUi
{
public:
    virtual ~LBurnCommandUi() = default;
    // The window the progress windows and boxes stand over.
    virtual LViewHandle BurnParentView() = 0;
    virtual void TellBurn(const char* text, const char* title, int style) = 0;
    // The "Burn Another" question: true when the user wants another copy.
    virtual bool AskBurnAnother(const char* message) = 0;
};

// How one burn ended.
struct LBurnOutcome
{
    int code = 0;  // the burn code: 0 done, 1 cancelled, else why it failed
    int files = 0; // files on the disc
    bool ejected = false;
    std::string successText; // the text offering another copy (when done)
};

// One burn of the files. Failures and cancels are told to the user here;
// success is not (the caller offers another copy with outcome.successText).
LBurnOutcome LBurnAudioCdCommand(LBurnCommandUi& ui, const std::vector<std::string>& paths);
LBurnOutcome LBurnDataDiscCommand(LBurnCommandUi& ui, const std::vector<std::string>& paths);

// Burns, and after every burn that went well offers another copy of the
// same files until the user closes the offer. Returns the last outcome.
LBurnOutcome LRunBurnWithCopies(LBurnCommandUi& ui, bool audio, const std::vector<std::string>& paths);

// Ejects the disc of the configured drive. False without a drive.
bool LBurnEjectDisc();

// One audio track: the source goes into the job and a compilation entry
// named "File01", "File02", ... (by the counter, which it increments) with
// the file's name for display goes under root.
void LAddCdFileEntry(LAudioCdBurnJob& job, LDiscNode* root, const LSoundSourcePtr& source, const char* path,
                     uint8_t& counter);

// The capacity text of the configured drive's disc ("Disc Already Used",
// "No Disc in Drive", "%5.2f MB" of free space, or the free playing time
// when the output is an audio CD; "N/A" when there is nothing to say);
// without checkDisc the text saved last time ("Unknown" when none). The
// text is saved as "CD"/"Capacity".
void LBurnDiscCapacityText(char* dest, bool checkDisc);
// The capacity text of a disc-state code (0, 14 no disc, 29 used, other: no
// drive) and the free blocks, as LBurnDiscCapacityText words it.
std::string LFormatDiscCapacity(int32_t code, int64_t freeBlocks);
// The same in the unit of the disc to be burnt: playing time for an audio
// CD, megabytes for a data disc.
std::string LFormatDiscCapacity(int32_t code, int64_t freeBlocks, bool audioCd);

// Whether the disc in the drive would be erased before a burn: one that
// can be erased and is not blank.
bool LDiscNeedsErase(uint32_t driveIndex);
