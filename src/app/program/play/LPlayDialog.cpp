#include "app/program/play/LPlayDialog.h"

#include "app/program/startup/LAcceleratorTables.h"
#include "audio/devices/LSoundOutputDevices.h"
#include "audio/effects/LCueReviewSoundFilter.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LControlStyles.h"
#include "gui/controls/LPaintControl.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kSilenceDb = -127;

struct TransportButton
{
    int id;
    int image;
    const char* tooltip;
};

const TransportButton kTransport[] = {
    {kPlayPlay, 336, "Play"},         {kPlayPause, 335, "Pause"},
    {kPlayStop, 338, "Stop"},         {kPlayGoToStart, 332, "Go to Start"},
    {kPlayRewind, 337, "Rewind"},     {kPlayForward, 333, "Forward"},
    {kPlayGoToEnd, 334, "Go to End"},
};

// The player's controls, in points.
constexpr double kWaveHeight = 70;
constexpr double kMargin = 8;

} // namespace

void LPlayDialog::FormatTime(int64_t ms, char* text)
{
    const int64_t h = ms / 3600000;
    const int m = static_cast<int>(ms / 60000 % 60);
    const int s = static_cast<int>(ms / 1000 % 60);
    const int cs = static_cast<int>(ms % 1000 / 10);
    std::snprintf(text, 40, "%lld:%.2d:%.2d.%.2d", static_cast<long long>(h), m, s, cs);
}

int LPlayDialogHeight(bool waveform)
{
    return waveform ? 148 + 16 : 148 + 16 - static_cast<int>(kWaveHeight + 6);
}

LPlayDialog::LPlayDialog(LPlayItem* item) : item_(item) {}

LPlayDialog::~LPlayDialog()
{
    // No report may reach a half-destroyed window.
    player_.SetListener(nullptr, nullptr);
    player_.Stop();
    waveform_.StopLoading();
    Unregister();
    waveform_.Destroy();
    meter_.Destroy();
    time_.Destroy();
    buttons_.Detach();
}

int64_t LPlayDialog::MsToFrames(int64_t ms, int64_t rate)
{
    return ms / 1000 * rate + ms % 1000 * rate / 1000;
}

int64_t LPlayDialog::WaveformStartFor(int64_t f, int64_t rate, int64_t length)
{
    int64_t start = std::max<int64_t>(f - rate, 0);
    if (start + 2 * rate > length)
        start = length - 2 * rate;
    // A file shorter than the two seconds shows from its start.
    return std::max<int64_t>(start, 0);
}

int LPlayDialog::StoredVolume(int bottom, int top)
{
    // Levels above the slider's top would play louder than the file itself.
    return std::clamp(LSettingsGetInt("Player", "VolumeDB", 0), bottom, top);
}

int LPlayDialog::ShowBox(const char* text, const char* title, int64_t style, const char* button1,
                         const char* button2, const char* button3)
{
    LMessageBox box(GetView(), text, title);
    box.style = style;
    box.SetButton(1, button1);
    if (button2 != nullptr)
        box.SetButton(2, button2);
    if (button3 != nullptr)
        box.SetButton(3, button3);
    return box.Show();
}

void LPlayDialog::PlaceControl(int id, double x, double y, double w, double h)
{
    const double s = GetScaleFactor();
    auto px = [s](double points) { return static_cast<int>(points * s + 0.5); };
    SetControlRect(id, px(x), px(y), px(w), px(h));
}

int LPlayDialog::CreatePlayerControls(double x, double y, double w)
{
    AddGroupBox(kPlayFrame, "");
    double row = y + 8;
    if (HasWaveform()) {
        LAddPaintControl(this, kPlayWaveform);
        PlaceControl(kPlayWaveform, x + kMargin, row, w - 2 * kMargin, kWaveHeight);
        row += kWaveHeight + 6;
    }
    LTrackBarStyle sliderStyle;
    AddTrackBar(kPlayPositionSlider, sliderStyle);
    SetTrackBarRange(kPlayPositionSlider, 0, 1000);
    SetTrackBarCommand(kPlayPositionSlider, kPlayPositionCommand);
    PlaceControl(kPlayPositionSlider, x + kMargin, row, w - 2 * kMargin, 22);
    row += 26;

    double bx = x + kMargin;
    for (const TransportButton& button : kTransport) {
        AddCoolImageButton(button.id);
        SetButtonImage(button.id, button.image);
        PlaceControl(button.id, bx, row, 34, 30);
        bx += 38;
    }
    LAddPaintControl(this, kPlayTime);
    PlaceControl(kPlayTime, bx + 6, row - 1, 168, 32);
    const double meterX = bx + 186;
    const double right = x + w - kMargin;
    const double deviceWidth = 190;
    LAddPaintControl(this, kPlayMeter);
    PlaceControl(kPlayMeter, meterX, row, right - deviceWidth - 10 - meterX, 12);
    AddVolumeSlider(kPlayVolume);
    PlaceControl(kPlayVolume, meterX, row + 14, right - deviceWidth - 10 - meterX, 18);
    AddPullDownList(kPlayDeviceList, kPlayDeviceCommand);
    PlaceControl(kPlayDeviceList, right - deviceWidth, row + 2, deviceWidth, 26);
    row += 38;
    PlaceControl(kPlayFrame, x, y, w, row - y);
    return static_cast<int>(row - y);
}

void LPlayDialog::OnCreate()
{
    SetTitle(item_->title);
    item_->OpenSource(&playSource_);
    if (HasWaveform())
        item_->OpenWaveformSource(&waveSource_);
    if (HasOpenSource())
        rate_ = playSource_->GetRate();
}

void LPlayDialog::ShowSilence()
{
    LSoundLevelRecord silence;
    silence.count = 1;
    silence.levels[0] = kSilenceDb;
    meter_.SetLevels(&silence);
}

bool LPlayDialog::HasOpenSource() const
{
    return playSource_->GetStatus() == kSoundStatusOk;
}

void LPlayDialog::ComputeLength()
{
    lengthMs_ =
        HasOpenSource() ? LSoundPlayer::FramesToMs(playSource_->GetLength(), playSource_->GetRate()) : 0;
}

void LPlayDialog::LoadWaveform()
{
    if (!HasWaveform() || !controlsMade_)
        return;
    waveform_.SetSource(waveSource_);
    waveform_.SetWidth(waveform_.GetWidth());
    ShowPosition(positionMs_);
}

void LPlayDialog::OnDestroy()
{
    SetKeyHandler(nullptr);
    waveform_.StopLoading();
    selfStop_ = true;
    player_.Stop();
    selfStop_ = false;
    buttons_.Detach();
    char text[16];
    std::snprintf(text, sizeof(text), "%d", std::min(VolumeDb(), 127));
    LSettingsSetString("Player", "VolumeDB", text);
    Unregister();
    playSource_.Reset();
    waveSource_.Reset();
}

int LPlayDialog::VolumeDb() const
{
    const int level = volume_.GetLevel();
    if (level <= volume_.BottomLevel())
        return kSilenceDb;
    return std::clamp(level, -127, 127);
}

void LPlayDialog::ApplyVolume()
{
    player_.GetDevice().SetVolumeDb(static_cast<int8_t>(VolumeDb()));
}

bool LPlayDialog::IsPlaying() const
{
    return (const_cast<LSoundPlayer&>(player_).GetDevice().GetState() & kPlayerDevicePlaying) != 0;
}

void LPlayDialog::Play()
{
    if (!HasOpenSource())
        return;
    std::vector<LSoundOutDeviceEntry> outputs;
    if (!LSoundOutDeviceList::Build(outputs) || outputs.empty()) {
        ShowBox("There are no audio playback devices available. Please check your audio settings.",
                "No Playback Devices", LMessageBoxWarningStyle, "OK");
        return;
    }
    if (positionMs_ + 100 > lengthMs_)
        positionMs_ = 0;
    playSource_->Seek(MsToFrames(positionMs_, playSource_->GetRate()));
    rate_ = playSource_->GetRate();
    selfStop_ = true;
    const bool started = player_.Play(playSource_);
    selfStop_ = false;
    if (started)
        ApplyVolume();
    UpdateControls();
}

void LPlayDialog::Pause()
{
    if (IsPlaying()) {
        positionMs_ = LSoundPlayer::FramesToMs(player_.GetDevice().GetPosition(), rate_);
        selfStop_ = true;
        player_.Stop();
        selfStop_ = false;
    } else {
        positionMs_ = 0;
    }
    paused_ = true;
    ShowPosition(positionMs_);
    UpdateControls();
}

void LPlayDialog::Stop()
{
    selfStop_ = true;
    player_.Stop();
    selfStop_ = false;
    paused_ = false;
    ShowPosition(0);
}

void LPlayDialog::GoToStart()
{
    const bool playing = IsPlaying();
    if (playing) {
        selfStop_ = true;
        player_.Stop();
        selfStop_ = false;
    }
    ShowPosition(0);
    if (playing)
        Play();
}

void LPlayDialog::GoToEnd()
{
    selfStop_ = true;
    player_.Stop();
    selfStop_ = false;
    ShowPosition(std::max<int64_t>(lengthMs_, 0));
}

void LPlayDialog::PlayLastSeconds()
{
    selfStop_ = true;
    player_.Stop();
    selfStop_ = false;
    if (!HasOpenSource())
        return;
    ComputeLength();
    positionMs_ = lengthMs_ > 3000 ? lengthMs_ - 3000 : 0;
    paused_ = false;
    Play();
}

void LPlayDialog::StartRewind()
{
    if (rewinding_)
        return;
    EndCueReview();
    if (!HasOpenSource())
        return;
    playingBeforeCue_ = false;
    if (IsPlaying()) {
        positionMs_ = LSoundPlayer::FramesToMs(player_.GetDevice().GetPosition(), rate_);
        selfStop_ = true;
        player_.Stop();
        selfStop_ = false;
        paused_ = false;
        playingBeforeCue_ = true;
    }
    if (positionMs_ <= 0)
        positionMs_ = 0;
    playSource_->Seek(MsToFrames(positionMs_, playSource_->GetRate()));
    LSoundSourcePtr cue(new LCueReviewSoundFilter(playSource_, -0.5, -7.0, 8000, false));
    if (!player_.Play(cue)) {
        ShowBox("There was an unknown problem when starting the sound device.", "Sound Device Error",
                LMessageBoxCriticalStyle, "OK");
        return;
    }
    ApplyVolume();
    rewinding_ = true;
}

void LPlayDialog::StartForward()
{
    if (forwarding_)
        return;
    EndCueReview();
    if (!HasOpenSource())
        return;
    playingBeforeCue_ = false;
    if (IsPlaying()) {
        positionMs_ = LSoundPlayer::FramesToMs(player_.GetDevice().GetPosition(), rate_);
        selfStop_ = true;
        player_.Stop();
        selfStop_ = false;
        paused_ = false;
        playingBeforeCue_ = true;
    }
    playSource_->Seek(MsToFrames(positionMs_, playSource_->GetRate()));
    LSoundSourcePtr cue(new LCueReviewSoundFilter(playSource_, 1.5, 7.0, 8000, false));
    if (!player_.Play(cue)) {
        ShowBox("There was an unknown problem when starting the sound device.", "Sound Device Error",
                LMessageBoxCriticalStyle, "OK");
        return;
    }
    ApplyVolume();
    forwarding_ = true;
}

void LPlayDialog::EndCueReview()
{
    if (!rewinding_ && !forwarding_)
        return;
    if (forwarding_ && positionMs_ >= lengthMs_)
        positionMs_ = lengthMs_;
    if (IsPlaying()) {
        selfStop_ = true;
        player_.Stop();
        selfStop_ = false;
        paused_ = false;
    }
    rewinding_ = forwarding_ = false;
    ShowPosition(positionMs_);
    if (playingBeforeCue_) {
        playingBeforeCue_ = false;
        Play();
    }
}

void LPlayDialog::SeekToMs(int64_t ms)
{
    ms = std::clamp<int64_t>(ms, 0, std::max<int64_t>(lengthMs_, 0));
    if (!IsPlaying()) {
        ShowPosition(ms);
        return;
    }
    selfStop_ = true;
    player_.Stop();
    selfStop_ = false;
    positionMs_ = ms;
    Play();
    ShowPosition(ms);
}

void LPlayDialog::ShowPosition(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    positionMs_ = ms;
    char text[40];
    FormatTime(ms, text);
    time_.SetText(text);
    const int slider = lengthMs_ > 0 ? static_cast<int>(static_cast<double>(ms) / lengthMs_ * 1000) : 0;
    if (controlsMade_)
        SetTrackBarPos(kPlayPositionSlider, std::clamp(slider, 0, 1000));
    if (HasWaveform() && controlsMade_) {
        const int64_t f = MsToFrames(ms, rate_);
        waveCursor_ = f;
        waveStart_ = WaveformStartFor(f, rate_, waveSource_->GetLength());
        waveform_.SetView(f, waveStart_, 2 * static_cast<int64_t>(rate_));
    }
}

void LPlayDialog::ChangeDevice()
{
    const bool playing = IsPlaying();
    if (playing) {
        positionMs_ = LSoundPlayer::FramesToMs(player_.GetDevice().GetPosition(), rate_);
        selfStop_ = true;
        player_.Stop();
        selfStop_ = false;
    }
    const int index = std::max(GetPullDownSelection(kPlayDeviceList), 0);
    LSettingsSetString("Player", "Device", LSoundOutDeviceList::GetName(index).c_str());
    LPlaybackDeviceSel selection;
    selection.device = index;
    player_.GetDevice().SetDevice(selection);
    ApplyVolume();
    // The user changed where the sound goes, not whether it plays.
    if (playing)
        Play();
}

void LPlayDialog::UpdateControls()
{
    if (!controlsMade_)
        return;
    const bool playing = IsPlaying() && !rewinding_ && !forwarding_;
    buttons_.SetChecked(kPlayPlay, playing);
    buttons_.SetChecked(kPlayPause, paused_);
    buttons_.SetChecked(kPlayStop, !paused_ && !playing && !rewinding_ && !forwarding_);
    buttons_.SetChecked(kPlayRewind, rewinding_);
    buttons_.SetChecked(kPlayForward, forwarding_);
}

void LPlayDialog::OnCommand(int command, int extra)
{
    switch (command) {
    case kPlayVolume:
        ApplyVolume();
        break;
    case kPlayPlay:
        SetFocus(kPlayPlay);
        if (!IsPlaying()) {
            paused_ = false;
            Play();
        }
        break;
    case kPlayPause:
        if (!paused_)
            Pause();
        break;
    case kPlayStop:
        Stop();
        GoToStart();
        break;
    case kPlayGoToStart:
        GoToStart();
        break;
    case kPlayRewind:
        StartRewind();
        break;
    case kPlayForward:
        StartForward();
        break;
    case kPlayGoToEnd:
        GoToEnd();
        break;
    case kPlayPositionCommand:
        SeekToMs(lengthMs_ * GetTrackBarPos(kPlayPositionSlider) / 1000);
        break;
    case kPlayClose:
        SendCommand(kCommandOK);
        return;
    case kPlayLastSeconds:
        PlayLastSeconds();
        break;
    case kPlayToggle:
        if (!IsPlaying()) {
            paused_ = false;
            Play();
        } else {
            Pause();
        }
        break;
    case kPlayRewindUp:
    case kPlayForwardUp:
        EndCueReview();
        break;
    case kPlayDeviceCommand:
        ChangeDevice();
        break;
    default:
        LWindow::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

bool LPlayDialog::OnKeyDown(LKey key)
{
    // A held arrow repeats; the cue already runs and ignores the repeats.
    return TranslateAccelerator(key, LPlayAcceleratorTable, kPlayAcceleratorCount);
}

bool LPlayDialog::OnKeyUp(LKey key)
{
    if (key.code == LKey::FromVirtualKey(kVKLeft).code && rewinding_) {
        SendCommand(kPlayRewindUp);
        return true;
    }
    if (key.code == LKey::FromVirtualKey(kVKRight).code && forwarding_) {
        SendCommand(kPlayForwardUp);
        return true;
    }
    return false;
}

void LPlayDialog::OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2)
{
    (void)data1;
    if (eventId != kPlayWaveformClick)
        return;
    waveform_.SetMarker(data2);
    SeekToMs(LSoundPlayer::FramesToMs(data2, rate_));
}

void LPlayDialog::SetUpButtons()
{
    buttons_.Attach(this);
    std::vector<ToolTipEntry> tips = {{kPlayDeviceList, "Playback Device"}, {kPlayVolume, "Volume"}};
    for (const TransportButton& button : kTransport) {
        const char* text = button.tooltip;
        if (button.id == kPlayGoToStart && (item_->flags & LPlayItem::kHasPrevious) != 0)
            text = "Go to Start / Previous Track";
        if (button.id == kPlayGoToEnd && (item_->flags & LPlayItem::kHasNext) != 0)
            text = "Go to End / Next Track";
        tips.push_back({button.id, text});
        buttons_.SetBorderOnHover(button.id, true);
    }
    // Winding runs while the button is held.
    buttons_.SetCommands(kPlayRewind, kPlayRewindUp, kPlayRewind, true);
    buttons_.SetCommands(kPlayForward, kPlayForwardUp, kPlayForward, true);
    SetToolTips(tips.data(), static_cast<int>(tips.size()), LPlayAcceleratorTable, kPlayAcceleratorCount);
}

// ---- Player reports ----

void LPlayDialog::OnPlayStopped(void*)
{
    // The window's own stops, and the winds (which never end on their own),
    // are not the end of the file.
    if (selfStop_ || rewinding_ || forwarding_)
        return;
    ShowSilence();
    paused_ = false;
    ShowPosition(0);
    if (IsVisible())
        UpdateControls();
}

void LPlayDialog::OnPlayPosition(const int64_t* milliseconds, void*)
{
    // While winding, the player maps what it plays back to the file's frames.
    // A report made while the window stops the player itself is stale.
    if (milliseconds != nullptr && !selfStop_)
        ShowPosition(*milliseconds);
}

void LPlayDialog::OnPlayLevels(const LSoundLevelRecord* levels, void*)
{
    if (levels != nullptr && IsPlaying())
        meter_.SetLevels(levels);
}

void LPlayDialog::OnPlayError(int32_t code, void*)
{
    (void)code;
    ShowSilence();
    paused_ = false;
    if (IsVisible())
        UpdateControls();
}

// ---- LTrackPlayDialog ----

LTrackPlayDialog::LTrackPlayDialog(LPlayItem* item, int* result) : LPlayDialog(item), result_(result) {}

void LTrackPlayDialog::CreateControls()
{
    const double s = GetScaleFactor();
    SetClientSize(static_cast<int>(kTrackPlayDialogWidth * s + 0.5),
                  static_cast<int>(LPlayDialogHeight(HasWaveform()) * s + 0.5));
    CreatePlayerControls(kMargin, kMargin, kTrackPlayDialogWidth - 2 * kMargin);
}

void LTrackPlayDialog::OnCreate()
{
    LPlayDialog::OnCreate();
    // Where the window was; its size is its controls'.
    int w = 0, h = 0;
    GetWindowSize(&w, &h);
    RestoreWindowPlacement(PlacementSection(), w, h, w, h, false);
    CreateControls();
    controlsMade_ = true;

    meter_.Attach(this, kPlayMeter);
    ShowSilence();
    time_.Attach(this, kPlayTime);
    if (HasWaveform())
        waveform_.Attach(this, kPlayWaveform);
    volume_.Attach(this, kPlayVolume);
    volume_.SetRange(-60, 0);
    volume_.SetLevel(StoredVolume(-60, 0));

    FillPlaybackDeviceList(kPlayDeviceList);
    char device[260] = {};
    LSettingsGetString("Player", "Device", LSoundOutDeviceList::kDefaultName, device);
    if (std::strcmp(device, "[Default Sound Out]") == 0)
        std::snprintf(device, sizeof(device), "%s", LSoundOutDeviceList::kDefaultName);
    const int index = LSoundOutDeviceList::Find(device);
    SelectPullDownItem(kPlayDeviceList, index);
    LPlaybackDeviceSel selection;
    selection.device = index;
    player_.GetDevice().SetDevice(selection);
    ApplyVolume();

    SetUpButtons();

    player_.SetListener(this, nullptr);
    Register(this, 0);
    SetKeyHandler(this);
    CreateTooltip();

    ComputeLength();
    LoadWaveform();
    ShowPosition(0);
    Play();
}

void LTrackPlayDialog::OnDestroy()
{
    SaveWindowPlacement(PlacementSection());
    LPlayDialog::OnDestroy();
}

void LTrackPlayDialog::GoToTrack(int which, bool tellTarget)
{
    if (result_ != nullptr)
        *result_ = which;
    EndDialog(kCommandCancel);
    if (tellTarget && GetParentWindow() != nullptr)
        LPostWindowMessage(GetParentWindow()->GetView(), which == 2 ? 4 : 3, 0, 0);
}

void LTrackPlayDialog::OnCommand(int command, int extra)
{
    const uint16_t flags = item_->flags;
    if (command == kPlayGoToEnd && (flags & LPlayItem::kHasNext) != 0) {
        if ((flags & LPlayItem::kNextAtEndOnly) == 0 || positionMs_ >= lengthMs_ - 1) {
            GoToTrack(3, true);
            return;
        }
    }
    if (command == kPlayGoToStart && (flags & LPlayItem::kHasPrevious) != 0 && positionMs_ <= 999) {
        GoToTrack(2, true);
        return;
    }
    if (command == kPlayStop)
        stoppedByUser_ = true;
    LPlayDialog::OnCommand(command, extra);
}

bool LTrackPlayDialog::OnKeyDown(LKey key)
{
    if (key.code == LKey::FromVirtualKey(kVKF5).code)
        return true;
    if (key.code == LKey::FromVirtualKey(kVKPageUp).code && (item_->flags & LPlayItem::kHasPrevious) != 0) {
        GoToTrack(2, false);
        return true;
    }
    if (key.code == LKey::FromVirtualKey(kVKPageDown).code && (item_->flags & LPlayItem::kHasNext) != 0) {
        GoToTrack(3, false);
        return true;
    }
    return LPlayDialog::OnKeyDown(key);
}
