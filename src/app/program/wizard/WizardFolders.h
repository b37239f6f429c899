#pragma once
// The wizard's working folders: "Recording" holds the recorded sides
// ("side1.wav", "side2.wav") and the master copies of the tracks split from
// them; its subfolder "save" holds the working copies that the later pages
// list, edit and hand over.
//
// They live in the user's cache folder ($XDG_CACHE_HOME/Quorin/Recording),
// private to the user, so that nothing the wizard empties can be a folder
// of the user's own. Scans skip "." and "..", subfolders and, in the
// Recording folder, the two side files (by exact name).

#include <string>
#include <vector>

class WizardFolders
{
public:
    static constexpr const char* kSideOneName = "side1.wav";
    static constexpr const char* kSideTwoName = "side2.wav";

    // The folders in the cache folder (the Recording folder need not exist yet).
    WizardFolders();
    // The folders under a root of the caller's (tests).
    explicit WizardFolders(const std::string& recordingFolder);

    const std::string& Recording() const { return recording_; }
    const std::string& Save() const { return save_; }
    // side 1 or 2.
    std::string SidePath(int side) const;
    bool HasSide(int side) const;

    // Creates both folders (mode 0700: the recordings are the user's alone);
    // an existing folder is no error. False when either cannot be made.
    bool Create() const;
    // Deletes every file of a folder; subfolders and their contents stay. A
    // folder that cannot be opened is left alone.
    static void EmptyFolder(const std::string& folder);
    // Deletes the two sides, then empties Recording and Recording/save.
    void Clear() const;
    // Deletes the files of the Recording folder except the two sides.
    void DeleteTrackFiles() const;

    // Names (not paths) of the files in Recording other than the sides, and
    // of the files in Recording/save; sorted.
    std::vector<std::string> TrackFiles() const;
    std::vector<std::string> SavedFiles() const;
    // True when neither folder holds a file (sides included).
    bool IsEmpty() const;

private:
    std::string recording_;
    std::string save_;
};
