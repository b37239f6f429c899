#include "app/program/play/PlayWindow.h"

#include "app/program/MainDialog.h"
#include "audio/formats/mp3/LMp3SoundSource.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/files/LFileExists.h"
#include "foundation/ini/LDurationText.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";
constexpr double kWidth = 882;
constexpr double kHeight = 256;

bool HasExtension(const char* path, const char* extension)
{
    const size_t n = std::strlen(path), e = std::strlen(extension);
    return n >= e && strcasecmp(path + n - e, extension) == 0;
}

void DeleteSplitRequest(int64_t data1)
{
    delete reinterpret_cast<MainSplitRequest*>(static_cast<intptr_t>(data1));
}

} // namespace

PlayFileItem::PlayFileItem(const char* filePath)
{
    flags = 1;
    std::snprintf(path, sizeof(path), "%s", filePath);
    // The file name without its folder and extension.
    const char* slash = std::strrchr(filePath, '/');
    std::snprintf(title, sizeof(title), "%s", slash != nullptr ? slash + 1 : filePath);
    if (char* dot = std::strrchr(title, '.'); dot != nullptr && dot != title)
        *dot = '\0';
}

void PlayFileItem::OpenSource(LSoundSourcePtr* out)
{
    if (HasExtension(path, ".mp3"))
        *out = LMp3SoundSource::Open(path);
    else if (HasExtension(path, ".wav"))
        LOpenWavSoundSource(*out, path);
    else
        out->Reset();
}

PlayWindow::PlayWindow(LViewHandle mainView, const char* path, int* result)
    : LTrackPlayDialog(&file_, result), file_(path), mainView_(mainView)
{
}

PlayWindow::~PlayWindow() = default;

const LDialogTemplate* PlayWindow::Template()
{
    static const LDialogTemplate dialogTemplate{static_cast<int>(kWidth), static_cast<int>(kHeight), "Play",
                                                true, nullptr};
    return &dialogTemplate;
}

void PlayWindow::CreateControls()
{
    const double s = GetScaleFactor();
    SetClientSize(static_cast<int>(kWidth * s + 0.5), static_cast<int>(kHeight * s + 0.5));
    const double top = 8 + CreatePlayerControls(8, 8, kWidth - 16);

    AddStaticText(kPlayTrackLength, "");
    PlaceControl(kPlayTrackLength, 16, top + 4, 400, 20);
    AddGroupBox(kPlaySplitGroup, "Split Files");
    PlaceControl(kPlaySplitGroup, 8, top + 26, kWidth - 16, kHeight - top - 32);
    const double row = top + 48;
    AddPullDownList(kPlayPointList, kPlayGoToPoint);
    PlaceControl(kPlayPointList, 20, row + 1, 190, 26);
    AddButtonNoRect(kPlayAddPoint, "Add Cursor Point");
    PlaceControl(kPlayAddPoint, 220, row, 150, 28);
    AddButtonNoRect(kPlayRemovePoint, "Remove Cursor Point");
    PlaceControl(kPlayRemovePoint, 376, row, 170, 28);
    AddButtonNoRect(kPlaySplit, "Split File at Cursor Points in List");
    PlaceControl(kPlaySplit, 552, row, 260, 28);
    AddHelpButton();
    PlaceControl(kCommandHelp, kWidth - 52, row + 1, 28, 26);
}

void PlayWindow::OnCreate()
{
    LTrackPlayDialog::OnCreate();
    if (!LFileExists(file_.path)) {
        char text[800];
        std::snprintf(text, sizeof(text),
                      "This music file path: %s doesn't exist! It must have been removed by another program.",
                      file_.path);
        outcome_ = kMissing;
        ShowBox(text, kProductTitle, LMessageBoxCriticalStyle, "OK");
        LPostWindowMessage(mainView_, kPlayMessageReloadList, 0, 0);
        closingChecked_ = true;
        EndDialog(1);
        return;
    }
    if (!HasOpenSource()) {
        // A file the readers refuse: the caller says it cannot be played.
        outcome_ = kUnplayable;
        closingChecked_ = true;
        EndDialog(1);
        return;
    }
    char length[40], text[80];
    FormatTime(lengthMs_, length);
    std::snprintf(text, sizeof(text), "Track Length: %s", length);
    SetControlText(kPlayTrackLength, text);
    DeleteAllPullDownItems(kPlayPointList);
    AddPullDownItem(kPlayPointList, kNoPoint);
    SelectPullDownItem(kPlayPointList, 0);
    if (GetPullDownItemCount(kPlayDeviceList) > 0 && GetPullDownSelection(kPlayDeviceList) < 0)
        SelectPullDownItem(kPlayDeviceList, 0);
    LoadWaveform();
    UpdateControls();
}

bool PlayWindow::HasCursorPoints() const
{
    const int count = GetPullDownItemCount(kPlayPointList);
    if (count > 1)
        return true;
    if (count < 1)
        return false;
    char text[260] = {};
    GetPullDownItemText(kPlayPointList, 0, text);
    return std::strcmp(text, kNoPoint) != 0;
}

std::vector<std::string> PlayWindow::CursorPointTexts() const
{
    std::vector<std::string> texts;
    if (!HasCursorPoints())
        return texts;
    const int count = GetPullDownItemCount(kPlayPointList);
    for (int i = 0; i < count; ++i) {
        char text[260] = {};
        GetPullDownItemText(kPlayPointList, i, text);
        texts.push_back(text);
    }
    return texts;
}

std::vector<int64_t> PlayWindow::SplitFrames() const
{
    std::vector<int64_t> frames;
    const int64_t rate = playSource_->GetRate();
    for (const std::string& text : CursorPointTexts()) {
        int64_t ms = 0;
        LParseDuration(&ms, text.c_str());
        frames.push_back(MsToFrames(ms, rate));
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

void PlayWindow::AddCursorPoint()
{
    const int64_t rate = playSource_->GetRate();
    const int64_t n = playSource_->GetLength();
    const int64_t p = MsToFrames(positionMs_, rate);
    if (p > n || rate <= 0)
        return;
    // To the nearest millisecond, so a point set at a time reads that time;
    // the frame the text stands for is what the checks below look at.
    int64_t ms = (p * 1000 + rate / 2) / rate;
    const int64_t frame = MsToFrames(ms, rate);
    if (p == 0 || frame <= 0) {
        ShowBox(
            "Sorry, you can't add a cursor at the start because splitting here would only create an empty "
            "track.",
            "Add Cursor Point", LMessageBoxInformationalStyle, "OK");
        return;
    }
    if (p == n || frame >= n) {
        ShowBox("Sorry, you can't add a cursor at the end because splitting here would only create an empty "
                "track.",
                "Add Cursor Point", LMessageBoxInformationalStyle, "OK");
        return;
    }
    char text[40];
    LFormatDurationMs(&ms, text);
    for (const std::string& item : CursorPointTexts())
        if (strcasecmp(item.c_str(), text) == 0)
            return;
    if (!HasCursorPoints())
        DeleteAllPullDownItems(kPlayPointList);
    const int index = AddPullDownItem(kPlayPointList, text);
    SelectPullDownItem(kPlayPointList, index >= 0 ? index : GetPullDownItemCount(kPlayPointList) - 1);
}

void PlayWindow::RemoveCursorPoint()
{
    const int selected = GetPullDownSelection(kPlayPointList);
    if (selected < 0 || !HasCursorPoints())
        return;
    DeletePullDownItem(kPlayPointList, selected);
    if (GetPullDownItemCount(kPlayPointList) <= 0)
        AddPullDownItem(kPlayPointList, kNoPoint);
    SelectPullDownItem(kPlayPointList, 0);
}

void PlayWindow::GoToSelectedPoint()
{
    if (!HasCursorPoints())
        return;
    char text[260] = {};
    GetPullDownSelectedText(kPlayPointList, text);
    int64_t ms = 0;
    LParseDuration(&ms, text);
    SeekToMs(ms);
    ShowPosition(ms);
}

void PlayWindow::SplitAtCursorPoints()
{
    if (!HasCursorPoints()) {
        ShowBubbleTip(kPlayAddPoint, "Please add one or more split points");
        return;
    }
    auto* request = new MainSplitRequest{file_.path, SplitFrames()};
    splitRequested_ = true;
    closingChecked_ = true;
    EndDialog(kCommandOK);
    // Posted: the split runs once this window is gone, on a copy the main
    // window owns.
    LPostWindowMessage(mainView_, kPlayMessageSplit,
                       static_cast<int64_t>(reinterpret_cast<intptr_t>(request)), 0, &DeleteSplitRequest);
}

bool PlayWindow::MayClose()
{
    if (closingChecked_ || !HasCursorPoints())
        return true;
    const int answer =
        ShowBox("You have added cursor points. Do you want to split file at cursor points?", "Warning",
                LMessageBoxWarningStyle, "Split File at Cursor Points", "Cancel", "No");
    if (answer == 1) {
        SplitAtCursorPoints();
        return false; // the split has closed the window already
    }
    return answer == 3;
}

void PlayWindow::UpdateControls()
{
    LTrackPlayDialog::UpdateControls();
    EnableControl(kPlayDeviceList, GetPullDownItemCount(kPlayDeviceList) > 0);
    const bool points = HasCursorPoints();
    EnableControl(kPlayRemovePoint, points);
    EnableControl(kPlaySplit, points);
}

void PlayWindow::OnHelp()
{
    LOpenHelpTopic("playwindow");
}

void PlayWindow::OnCommand(int command, int extra)
{
    switch (command) {
    case kPlayGoToPoint:
        GoToSelectedPoint();
        break;
    case kPlayAddPoint:
        AddCursorPoint();
        break;
    case kPlayRemovePoint:
        RemoveCursorPoint();
        break;
    case kPlaySplit:
        SplitAtCursorPoints();
        return;
    default:
        LTrackPlayDialog::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

bool PlayWindow::OnKeyDown(LKey key)
{
    if (key.code == LKey::FromCharacter(u' ').code) {
        SendCommand(kPlayPlay);
        return true;
    }
    return LTrackPlayDialog::OnKeyDown(key);
}

bool LRunPlayWindow(LWindow* parent, const char* path)
{
    int result = 0;
    PlayWindow window(parent != nullptr ? parent->GetView() : nullptr, path, &result);
    if (!window.CreateFromTemplate(PlayWindow::Template()))
        return false;
    window.DoModal(parent, LPlacementCenterOnParent);
    return window.GetOutcome() != PlayWindow::kUnplayable;
}
