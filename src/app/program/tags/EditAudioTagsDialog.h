#pragma once
// "Edit Audio Tags": the tags several files share. It opens with the first
// file's values; OK reports only the keys the user changed, so that each
// file keeps everything else of its own.

#include "app/program/tags/TagEditing.h"
#include "gui/framework/LWindow.h"

class EditAudioTagsDialog : public LWindow
{
public:
    enum : int {
        kTitleLabel = 102,
        kTitle = 101,
        kArtistLabel = 104,
        kArtist = 103,
        kAlbumLabel = 106,
        kAlbum = 105,
        kGenreLabel = 108,
        kGenre = 107,
        kTrackLabel = 110,
        kTrack = 109,
        kTrackNote = 111,
        kCopyrightLabel = 113,
        kCopyright = 112,
        kCommentLabel = 115,
        kComment = 114,
        kSeparator = 116,
    };

    explicit EditAudioTagsDialog(const LAudioTagMap* tags);

    static const LDialogTemplate* Template();
    void Layout();
    void OnCreate() override;
    bool CanOK() override;
    void OnHelp() override;

    const TagChanges& Changes() const { return changes_; }

private:
    const LAudioTagMap* tags_;
    TagChanges changes_;
};

// Runs the dialog over parent with the first file's tags; true when closed
// with OK, changes then holding the keys the user changed.
bool ShowEditAudioTagsDialog(const LAudioTagMap* tags, LWindow* parent, TagChanges* changes);
