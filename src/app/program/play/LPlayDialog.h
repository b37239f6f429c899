#pragma once
// The playback window: transport buttons, a position slider, the time, a
// level meter, a volume slider, the output list and, for files that allow
// it, a scrolling waveform of the two seconds around the play position. It
// starts playing as soon as it opens. LTrackPlayDialog adds the way to the
// previous and next track for callers that play a list of tracks.
//
// The player's reports arrive on the main thread. The window's own stops
// (pause, seeks, cue listening) set selfStop_ first, so that only a real end
// of the file resets the position.

#include "app/program/play/LPlayItem.h"
#include "audio/devices/LSoundPlayer.h"
#include "gui/controls/LCoolButtonContainer.h"
#include "gui/controls/LImageControl.h"
#include "gui/controls/LLevelMeter.h"
#include "gui/controls/LVolumeSlider.h"
#include "gui/controls/LWaveformView.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LKeyHandler.h"
#include "gui/framework/LWindow.h"

#include <cstdint>

// Controls and commands of the playback window.
enum : int {
    kPlayDeviceList = 102,
    kPlayVolume = 103,
    kPlayMeter = 104,
    kPlayWaveform = 105,
    kPlayTime = 106,
    kPlayPositionSlider = 107,
    kPlayPlay = 108,
    kPlayPause = 109,
    kPlayStop = 110,
    kPlayGoToStart = 111,
    kPlayRewind = 112,
    kPlayForward = 113,
    kPlayGoToEnd = 114,
    kPlayPositionCommand = 119,
    kPlayFrame = 120,
    kPlayClose = 122,
    kPlayLastSeconds = 123,
    kPlayToggle = 124,
    kPlayRewindUp = 128,
    kPlayForwardUp = 129,
    kPlayDeviceCommand = 133,
};

// The waveform's window message: the user clicked a frame (second word).
constexpr uint32_t kPlayWaveformClick = 1;

class LPlayDialog : public LWindow,
                    public LKeyHandler,
                    public LInterWinMessageHandler,
                    protected LSoundPlayerListener
{
public:
    // item stays the caller's and must outlive the window.
    explicit LPlayDialog(LPlayItem* item);
    ~LPlayDialog() override;

    // LWindow
    void OnCreate() override;
    void OnDestroy() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    // LKeyHandler
    bool OnKeyDown(LKey key) override;
    bool OnKeyUp(LKey key) override;
    // LInterWinMessageHandler
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override;

    // The transport.
    void Play();
    void Pause();
    void Stop();
    void GoToStart();
    void GoToEnd();
    void PlayLastSeconds();
    void StartRewind();
    void StartForward();
    void EndCueReview();
    void SeekToMs(int64_t ms);
    void ShowPosition(int64_t ms);
    void ChangeDevice();
    void ApplyVolume();

    // State.
    bool IsPlaying() const;
    bool IsPaused() const { return paused_; }
    bool IsRewinding() const { return rewinding_; }
    bool IsForwarding() const { return forwarding_; }
    int64_t PositionMs() const { return positionMs_; }
    int64_t LengthMs() const { return lengthMs_; }
    int32_t Rate() const { return rate_; }
    bool HasWaveform() const { return (item_->flags & LPlayItem::kNoWaveform) == 0; }
    // The dB the output plays at: -127 with the slider at its bottom.
    int VolumeDb() const;
    LSoundPlayer& Player() { return player_; }
    LWaveformView& Waveform() { return waveform_; }
    const LSoundSourcePtr& PlaySource() const { return playSource_; }
    const LSoundSourcePtr& WaveformSource() const { return waveSource_; }
    // The waveform's view the last ShowPosition asked for.
    int64_t WaveformStart() const { return waveStart_; }
    int64_t WaveformCursor() const { return waveCursor_; }

    // A time as the window shows it: "%lld:%.2d:%.2d.%.2d".
    static void FormatTime(int64_t ms, char* text);
    // Frames of a time at a rate, exact for whole milliseconds.
    static int64_t MsToFrames(int64_t ms, int64_t rate);
    // The first frame of the two seconds shown around frame f of a source of
    // length frames: one second before f, never past the end, never below 0.
    static int64_t WaveformStartFor(int64_t f, int64_t rate, int64_t length);
    // "Player"/"VolumeDB" brought into the slider's range.
    static int StoredVolume(int bottom, int top);

protected:
    // A message box over the window; answers 1, 2 or 3 for the buttons.
    virtual int ShowBox(const char* text, const char* title, int64_t style, const char* button1,
                        const char* button2 = nullptr, const char* button3 = nullptr);
    // Creates the player's controls and places them from (x, y), width w in
    // points; answers the height they take.
    int CreatePlayerControls(double x, double y, double w);
    void PlaceControl(int id, double x, double y, double w, double h);
    void ComputeLength();
    void LoadWaveform();

    // LSoundPlayerListener
    void OnPlayStopped(void* cookie) override;
    void OnPlayPosition(const int64_t* milliseconds, void* cookie) override;
    void OnPlayLevels(const LSoundLevelRecord* levels, void* cookie) override;
    void OnPlayError(int32_t code, void* cookie) override;

    void ShowSilence();
    bool HasOpenSource() const;
    // The buttons' behaviour and every tooltip, once the controls exist.
    void SetUpButtons();

    LPlayItem* item_;
    LCoolButtonContainer buttons_;
    LLevelMeter meter_;
    LVolumeSlider volume_{-60, 0};
    LTimeDisplay time_;
    LWaveformView waveform_;
    LSoundSourcePtr playSource_;
    LSoundSourcePtr waveSource_;
    int32_t rate_ = 44100;
    int64_t positionMs_ = 0;
    int64_t lengthMs_ = 0;
    int64_t waveStart_ = 0;
    int64_t waveCursor_ = 0;
    bool paused_ = false;
    bool rewinding_ = false;
    bool forwarding_ = false;
    bool selfStop_ = false;
    bool playingBeforeCue_ = false;
    bool stoppedByUser_ = false;
    bool controlsMade_ = false;
    // Last: stops its threads before the controls it reports to go.
    LSoundPlayer player_;
};

// The playback window of a list of tracks: Go to Start / Go to End step to
// the previous / next track when the item has one; the window then closes
// with 'not!' and the caller's result says 2 (previous) or 3 (next).
class LTrackPlayDialog : public LPlayDialog
{
public:
    LTrackPlayDialog(LPlayItem* item, int* result);

    void OnCreate() override;
    void OnDestroy() override;
    void OnCommand(int command, int extra) override;
    bool OnKeyDown(LKey key) override;

    bool StoppedByUser() const { return stoppedByUser_; }
    const char* PlacementSection() const { return HasWaveform() ? "PlayDlg" : "PlayDlgNowave"; }

protected:
    // Lays the controls out; the play window adds its own below.
    virtual void CreateControls();
    void GoToTrack(int which, bool tellTarget);

    int* result_;
};

// The playback window's size in points without a caller's own controls.
int LPlayDialogHeight(bool waveform);
// The width the transport row needs: the buttons, the time display, a level
// meter and volume slider of useful length and the output list side by side.
constexpr int kTrackPlayDialogWidth = 800;
