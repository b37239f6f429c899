#pragma once
// What the split page does to the tracks: delete working copies, rename a
// track together with its master copy, and join two tracks into one. The
// master copies stay as the split wrote them except for renames, which keep
// the two names in step so that bringing the working copies back never
// brings back a name the user replaced.

#include "app/program/RecordingFiles.h"
#include "app/program/wizard/WizardTracks.h"

#include <string>
#include <vector>

class LProcessContext;

// Deletes the working copies of the named tracks (their masters stay).
// False when one could not be deleted.
bool DeleteTracks(const WizardTrackFolders& folders, const std::vector<std::string>& names);

struct TrackRenameOutcome
{
    RenameCheck check = RenameCheck::kNothing; // kRename when both names changed
    bool failed = false;                       // the file system refused; nothing changed
    std::string newName;
};

// Renames the working copy oldName to what the user typed (blanks trimmed,
// the old extension added when the text has none) and its master copy the
// same way: both or neither. A master of the new name that is another file
// refuses the rename (kExists). A track without a master (a joined one) is
// renamed alone.
TrackRenameOutcome RenameTrack(const WizardTrackFolders& folders, const std::string& oldName,
                               const char* typed);

// Joins two working copies, first then second, into one file in the save
// folder and deletes the two; their masters stay. 0 done (joinedName holds
// the new track's name), 1 cancelled, 2 failed; on anything but 0 both
// inputs are as they were. A missing input fails without joining.
int JoinTracks(LProcessContext* context, const WizardTrackFolders& folders, const std::string& first,
               const std::string& second, std::string* joinedName);
