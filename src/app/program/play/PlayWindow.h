#pragma once
// The window the main window opens to play one recording of its list. It is
// the track playback window with a panel of cursor points: the user plays
// the file, stops where a track should begin, adds the position to the list
// and finally has the file split at the listed points. The split itself is
// the main window's: it gets the file and the points, in frames, in a
// posted message whose payload it owns.

#include "app/program/play/LPlayDialog.h"

#include <cstdint>
#include <string>
#include <vector>

// Controls and commands of the split panel.
enum : int {
    kPlayGoToPoint = 1001,
    kPlayTrackLength = 2000,
    kPlayPointList = 2001,
    kPlayAddPoint = 2002,
    kPlayRemovePoint = 2003,
    kPlaySplit = 2004,
    kPlaySplitGroup = 2005,
};

// Messages to the main window.
enum : uint32_t {
    kPlayMessageSplit = 2036,
    kPlayMessageReloadList = 2041,
};

// One recording: a WAV or MP3 file, opened with the reader the split job
// uses, so that a frame means the same to both.
class PlayFileItem : public LPlayItem
{
public:
    explicit PlayFileItem(const char* filePath);
    void OpenSource(LSoundSourcePtr* out) override;
};

class PlayWindow : public LTrackPlayDialog
{
public:
    static constexpr const char* kNoPoint = "<No Cursor Point>";

    enum Outcome {
        kOpened,     // the window opened on the file
        kMissing,    // the file was gone: told, and the main list reloads
        kUnplayable, // the file could not be read: nothing opened
    };

    // mainView: where the split and reload messages go.
    PlayWindow(LViewHandle mainView, const char* path, int* result);
    ~PlayWindow() override;

    // 882 x 256 points.
    static const LDialogTemplate* Template();

    void OnCreate() override;
    void OnCommand(int command, int extra) override;
    bool OnKeyDown(LKey key) override;
    bool CanOK() override { return MayClose(); }
    bool CanCancel() override { return MayClose(); }
    void UpdateControls() override;
    void OnHelp() override;

    void AddCursorPoint();
    void RemoveCursorPoint();
    void GoToSelectedPoint();
    void SplitAtCursorPoints();

    bool HasCursorPoints() const;
    // The texts of the list, in its order.
    std::vector<std::string> CursorPointTexts() const;
    // The points as frames of the file, ascending, each once.
    std::vector<int64_t> SplitFrames() const;
    Outcome GetOutcome() const { return outcome_; }
    bool SplitRequested() const { return splitRequested_; }
    const PlayFileItem& File() const { return file_; }

protected:
    void CreateControls() override;
    // A closing with cursor points asks first: split, stay, or close without.
    bool MayClose();

private:
    PlayFileItem file_;
    LViewHandle mainView_;
    Outcome outcome_ = kOpened;
    bool splitRequested_ = false;
    bool closingChecked_ = false;
};

// Runs the play window modally over parent; false when the file could not
// be played (no window stayed open).
bool LRunPlayWindow(LWindow* parent, const char* path);
