#pragma once
// The "ID Tag" dialog: every field of one file's tags, its artwork and its
// star rating. OK writes the controls back into the record; the caller
// writes the file.

#include "gui/controls/LArtworkView.h"
#include "gui/controls/LRatingControl.h"
#include "gui/framework/LWindow.h"
#include "tags/LAudioTagMap.h"

#include <string>

class IdTagDialog : public LWindow, public LArtworkViewListener
{
public:
    enum : int {
        kTitle = 103,
        kArtist = 105,
        kAlbumArtist = 107,
        kAlbum = 109,
        kTrackNumber = 111,
        kDiscNumber = 113,
        kGenre = 115,
        kCategory = 117,
        kComposer = 119,
        kDate = 121,
        kComment = 123,
        kArtwork = 127,
        kBrowse = 128,
        kRemove = 129,
        kRating = 133,
        kPlayCount = 135,
        kBpm = 137,
        kProducer = 139,
        kCopyright = 141,
        kEncoder = 143,
        kEncodedBy = 145,
        kUrl = 147,
        kClear = 150,
        kDateHint = 151,
    };

    IdTagDialog(LAudioTagMap* tags, const char* extension);
    ~IdTagDialog() override;

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    bool CanOK() override;
    void OnHelp() override;
    void OnDestroy() override;

    void OnArtworkBrowse() override;
    void OnArtworkRemove() override;

    // Takes the picture file as the artwork when it decodes; otherwise says
    // why and keeps the artwork shown before. True when taken.
    bool UseArtworkFile(const char* path);
    const std::string& ArtworkPath() const { return artworkPath_; }
    LRatingControl& Rating() { return rating_; }
    LArtworkView& Artwork() { return artwork_; }
    // Whether OK will write a date: the file had one or the user set one.
    bool DateSet() const { return dateTouched_ || dateFromFile_; }

protected:
    // The picture file the user picks; false when none.
    virtual bool ChooseArtworkFile(std::string* path);
    virtual void ShowMessage(const char* text);

private:
    void ClearAll();
    void ShowDateHint();

    LAudioTagMap* tags_;
    std::string extension_;
    std::string artworkPath_;
    LArtworkView artwork_;
    LRatingControl rating_;
    LGuiImage starFilled_, starEmpty_, starHover_;
    bool cleared_ = false;
    bool dateTouched_ = false;
    bool dateFromFile_ = false;
    bool filling_ = false;
};

// Runs the dialog modally over parent; true when closed with OK.
bool ShowIdTagDialog(LWindow* parent, LAudioTagMap* tags, const char* extension);

// The one-line text the "Encoded By" field starts with.
std::string TagVanityText();
