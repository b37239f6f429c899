#pragma once
// The "Audio Tag Editor" for WAV files: a sheet with the "Basic" page of
// RIFF INFO and cart fields. OK writes the page back into the record; the
// caller writes the file.

#include "gui/framework/LPropertySheet.h"
#include "tags/LAudioTagMap.h"

#include <string>

class AudioTagBasicPage : public LPropertyPage
{
public:
    enum : int {
        kTitle = 8600,
        kArtist = 8602,
        kAlbumArtist = 8604,
        kAlbum = 8606,
        kGenre = 8608,
        kTrackNumber = 8610,
        kComment = 8612,
        kClassification = 8614,
        kStartDate = 8616,
        kEndDate = 8618,
        kOutCue = 8620,
        kClientId = 8622,
        kProducer = 8624,
        kCopyright = 8626,
        kUrl = 8630,
        kClearData = 8632,
        kStartDateHint = 8640,
        kEndDateHint = 8641,
    };
    // What OK does with a date picker.
    enum class DateState { kNone, kFromFile, kSetByUser, kCleared };

    AudioTagBasicPage(LAudioTagMap* tags, const char* extension);

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void OnCommand(int command, int extra) override;
    bool CanOK() override;
    void OnHelp() override;

    DateState StartDateState() const { return start_; }
    DateState EndDateState() const { return end_; }

private:
    void ShowHints();

    LAudioTagMap* tags_;
    std::string extension_;
    DateState start_ = DateState::kNone;
    DateState end_ = DateState::kNone;
    bool filling_ = false;
};

class AudioTagEditorSheet : public LPropertySheet
{
public:
    AudioTagEditorSheet(LAudioTagMap* tags, const char* extension);
    AudioTagBasicPage& Basic() { return basic_; }

private:
    AudioTagBasicPage basic_;
};

// Runs the sheet modally over parent; true when closed with OK.
bool ShowAudioTagEditor(LWindow* parent, LAudioTagMap* tags, const char* path, const char* extension);
