#include "app/program/MainDialog.h"

#include "app/program/RecordingFiles.h"
#include "app/program/menus/LApplicationMenus.h"
#include "app/program/menus/LMainMenuTable.h"
#include "app/program/recording/SessionTakes.h"
#include "app/program/startup/LAcceleratorTables.h"
#include "app/queue/ProcessQueueWorker.h"
#include "app/queue/QueueNotices.h"
#include "audio/effects/LRestorationTasks.h"
#include "foundation/files/LFileExists.h"
#include "foundation/files/LPath.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMainMenu.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LScreens.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// The notification interface of the window: the worker's poster and the
// capacity thread post here from their threads; delivery runs on the main
// thread and reaches the window while it is attached. Shared with the
// poster, so a notice posted while the window goes finds no window rather
// than a dangling one.
class MainNoticeRelay : public LQueuedNotifyDataHandler
{
public:
    explicit MainNoticeRelay(MainDialog* owner) : owner_(owner) {}
    ~MainNoticeRelay() override { TearDownNotify(); }
    void Detach()
    {
        owner_ = nullptr;
        TearDownNotify();
    }

protected:
    void EvNotifyData(uint32_t code, const void* bytes, uint64_t length) override
    {
        if (owner_ != nullptr)
            owner_->DeliverQueuedNotice(code, bytes, length);
    }

private:
    MainDialog* owner_;
};

namespace {

// The notice as it travels: the percent (4 bytes, little-endian), then the text.
std::vector<uint8_t> EncodeNotice(const QueueNotice& notice)
{
    std::vector<uint8_t> bytes(4 + notice.text.size() + 1, 0);
    const uint32_t percent = static_cast<uint32_t>(notice.percent);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(percent >> (8 * i));
    std::memcpy(bytes.data() + 4, notice.text.data(), notice.text.size());
    return bytes;
}

const LVColDynamicGlobal kListColumns[] = {
    {"Recorded File", 100, 0, true},
    {"File Duration(H:MM:SS)", 30, 0, false},
    {nullptr, 0, 0, false},
};

// The toolbar: command, image, label, tooltip; two separators.
const LToolBar::ToolBarItem kToolBarItems[] = {
    {0, 2001, 341, "Wizard", "Wizard", "Calibrate your recording setup with the Quorin Wizard"},
    {0, 2002, 340, "Record", "Record", "Start a recording session"},
    {LToolBar::kSeparator, 0, 0, "Separator1", "", ""},
    {0, 2015, 349, "Tessary", "Tessary", "Launch Tessary Sound Editor (and load the first selected file)."},
    {0, 2011, 342, "BurnAudio", "Burn Audio", "Burn file(s) to an Audio CD"},
    {0, 2008, 343, "Play", "Play", "Play the selected file and access options for track splitting"},
    {LToolBar::kSeparator, 0, 0, "Separator2", "", ""},
    {0, 2013, 344, "MusicFolder", "Music Folder", "Open music folder"},
    {0, 2014, 348, "Preferences", "Preferences", "Access further options for Quorin"},
};

struct ContextItem
{
    int32_t command;
    const char* title;
};

const ContextItem kContextMenu[] = {
    {2019, "Edit &Tag..."},
    {2020, "Edit Selected Ta&gs..."},
    {0, nullptr},
    {2006, "Edit file with Tessary"},
    {2003, "&Add File(s)..."},
    {2004, "&Remove File(s)"},
    {2005, "Copy To..."},
    {2007, "&Rename File"},
    {2008, "&Play File"},
    {2009, "&Join Files"},
    {0, nullptr},
    {2021, "Move Selected File Up"},
    {2022, "Move Selected File Down"},
    {0, nullptr},
    {2010, "Select All"},
};

const uint32_t kRegisteredMessages[] = {2040, 2046, 2042, 2043, 2036, 2035, 2032, 2033,
                                        114,  2034, 2039, 2037, 2038, 2041, 2050, 2049};

constexpr int kTimerBurnAudio = 2;
constexpr int kTimerBurnData = 3;
constexpr int kTimerLoad = 4;

} // namespace

MainDialog::MainDialog(ProcessQueueWorker& worker)
    : worker_(worker), relay_(std::make_shared<MainNoticeRelay>(this))
{
    SetOwner(this);
}

MainDialog::MainDialog() : MainDialog(TheProcessQueueWorker()) {}

MainDialog::~MainDialog()
{
    capacityThread_.StopAndWait();
    relay_->Detach();
    if (IsWindow())
        DestroyWindow();
}

// ---- Initialisation ----

void MainDialog::OnCreate()
{
    char folder[kLPathSize] = {};
    GetAppOutputFolder(folder);
    outputFolder_ = folder;
    if (!outputFolder_.empty())
        LCreateFolderPath(folder);

    CreateToolBar();
    int keyCount = 0;
    const LKeyToCommandMap* keys = AcceleratorTable(&keyCount);
    LSetupMenus(*this, LMainMenuTable, kMainMenuTableCount, keys, static_cast<size_t>(keyCount));
    static const LHelpLinkEntry kHelpLinks[] = {{"Video Tutorials", "quorin/tutorial"}, {nullptr, nullptr}};
    helpLinks_.Create(kHelpLinks, 3333);
    CreateList();

    // The worker's notices come to this window through the relay.
    std::weak_ptr<MainNoticeRelay> weak = relay_;
    QueueReporter().SetPoster([weak](const QueueNotice& notice) {
        if (auto relay = weak.lock()) {
            const std::vector<uint8_t> bytes = EncodeNotice(notice);
            relay->PostNotifyData(static_cast<uint32_t>(notice.code), bytes.data(), bytes.size());
        }
    });
    for (uint32_t id : kRegisteredMessages)
        LInterWinMessageHandler::Register(this, static_cast<int>(id));
    LDragDropHandler::Register(this, this);
    SetDiscInsertedCommand(kMainMsgDiscInserted);
    SetDiscEjectedCommand(kMainMsgDiscEjected);

    // Jobs left in the queue by an earlier run are resumed and counted.
    worker_.OpenQueue(kQueueStopKeepJob, true);
    filesBeingProcessed_ = CountQueuedJobs();
    // Session recordings that an earlier run did not finish (it was killed,
    // or its queue could not take them) go through the queue now; their
    // notices count them in as any queued job.
    recoveredTakesText_ = RecoveredTakesText(RecoverSessionTakes(worker_));
    LLogInfo("Quorin Dizer od OD Udivezeve Started");

    const uint32_t single[] = {LStatusBar::kRestOfWidth};
    statusBar_.SetParts(1, single);
    SetStatus(0, "Quorin 3.00");
    SetStatus(1, "");
    SetStatus(2, filesBeingProcessed_ > 0 ? "Files Being Processed: " + std::to_string(filesBeingProcessed_)
                                          : "No Files Queued");

    SetTimer(kTimerLoad, 500);
    capacityThread_.SetTarget(relay_.get());
    capacityThread_.Start(LDiscCapacityThread::kPriority);
}

void MainDialog::CreateToolBar()
{
    int count = 0;
    const LKeyToCommandMap* keys = AcceleratorTable(&count);
    // The program's own items follow: Share, the suite of the maker's other
    // programs, Help.
    toolBar_.CreateWithShareMenu(this, kToolBarItems, static_cast<int>(std::size(kToolBarItems)), keys,
                                 count);
    toolBar_.Show(toolBar_.StoredVisibility(true));
}

void MainDialog::CreateList()
{
    LListFlags flags;
    flags.sortableHeader = true;
    flags.editable = true;
    AddListViewNoRect(kListId, flags);
    SetListViewColumns(kListId, kListColumns, "MainList");
    SetListViewDefaultText(kListId, kEmptyListText);
    const int images[] = {363, 363, 0};
    SetListViewImages(kListId, images);
    SetListViewAlternatingRows(kListId);
    LListViewLabelEditHandler::Attach(this, kListId);
    sortColumn = LSettingsGetInt("MainList", "SortColumn", 0);
    LListViewSorter::AttachAndSort(this, kListId);
    SetListViewColumnEditable(kListId, 0, true);
    SetListViewColumnEditable(kListId, 1, false);
    SetListViewRightClickCommand(kListId, 2030);
    SetListViewClickCommand(kListId, 2031);
    SetListViewDoubleClickCommand(kListId, 2008);
}

int MainDialog::CountQueuedJobs()
{
    std::vector<ProcessQueueRecord> records;
    if (worker_.Queue().ReadAll(&records) != QueueStatus::kOk)
        return 0;
    return static_cast<int>(records.size());
}

void MainDialog::OnDestroy()
{
    KillAllTimers();
    LDragDropHandler::Unregister(this, this);
    QueueReporter().SetPoster({});
    LInterWinMessageHandler::Unregister();
    capacityThread_.StopAndWait();
    if (HasControl(kListId)) {
        SaveListViewColumnWidths(kListId);
        LSettingsSetInt("MainList", "SortColumn", manager != nullptr ? manager->GetSortColumn() : sortColumn);
        ReleaseListView(kListId);
    }
    // The jobs still queued stay for the next start.
    worker_.Shutdown();
    LMainWindow::OnDestroy();
}

bool MainDialog::CanCancel()
{
    if (!IsQuitting())
        return true;
    if (filesBeingProcessed_ > 0 || CountQueuedJobs() > 0) {
        if (Ask("Warning! You have some files that are still to be processed! If you exit Quorin Dizer od OD "
                "Udivezeve now you will lose those files. Continue?",
                kProductTitle, "Continue and Discard Recordings", "Cancel") != 1)
            return false;
    }
    if (burning_ || erasing_) {
        if (Ask("Quorin is in burning/erasing progress, exit now may cause corrupted disk, do you want to "
                "exit "
                "now?",
                kProductTitle, "Exit now", "Don't exit") != 1)
            return false;
    }
    if (recording_ || wizardRunning_) {
        if (Ask("Quorin is in recording progress, do you want to discard the recording and exit now?",
                kProductTitle, "Exit now", "Don't exit") != 1)
            return false;
    }
    return true;
}

// ---- Layout ----

void MainDialog::OnResize(int width, int height)
{
    const uint32_t edges[] = {static_cast<uint32_t>(width / 2), static_cast<uint32_t>(width * 2 / 3),
                              LStatusBar::kRestOfWidth};
    const int bottom = LGetStatusBarHeight(GetView());
    SetControlRect(LStatusBar::kControlId, 0, std::max(0, height - bottom), width, bottom);
    statusBar_.SetParts(3, edges);
    const int top = LGetToolbarHeight(GetView());
    SetControlRect(kListId, 0, top, width, std::max(0, height - top - bottom));
    ResizeListViewColumns(kListId, 2, 0, 300);
}

// ---- Status bar ----

void MainDialog::SetStatus(int part, const std::string& text)
{
    if (part < 0 || part > 2)
        return;
    statusTexts_[part] = text;
    statusBar_.SetText(text.c_str(), static_cast<unsigned>(part));
}

std::string MainDialog::StatusText(int part) const
{
    return part >= 0 && part <= 2 ? statusTexts_[part] : std::string();
}

// ---- Commands and their states ----

const LKeyToCommandMap* MainDialog::AcceleratorTable(int* count) const
{
    *count = kMainAcceleratorCount;
    return LMainAcceleratorTable;
}

MainListState MainDialog::ListState() const
{
    MainListState state;
    state.count = GetListViewRowCount(kListId);
    state.selected = GetListViewSelectedCount(kListId);
    state.first = GetListViewFirstSelected(kListId);
    return state;
}

void MainDialog::UpdateControls()
{
    const MainListState state = ListState();
    for (const int32_t* command = kMainListCommands; *command != 0; ++command) {
        const bool enable = MainCommandEnabled(*command, state);
        EnableMenuItem(*command, enable);
        contextMenu_.EnableItem(*command, enable);
    }
    toolBar_.EnableItem(2011, MainCommandEnabled(2011, state));
    toolBar_.EnableItem(2008, MainCommandEnabled(2008, state));
}

void MainDialog::ShowContextMenu()
{
    if (contextMenu_.Native() == nullptr) {
        contextMenu_.Create(this, "");
        for (const ContextItem& item : kContextMenu) {
            if (item.command == 0)
                contextMenu_.AddSeparator();
            else
                contextMenu_.AddItem(item.command, item.title);
        }
    }
    UpdateControls();
    int pt[2] = {};
    LGetCursorPos(pt);
    contextMenu_.TrackPopup(this, true, pt[0], pt[1]);
}

void MainDialog::OnCommand(int command, int extra)
{
    switch (command) {
    case 2001:
    case 2040:
        OpenRecordingWizard();
        break;
    case 2002:
        RunRecordingSession();
        break;
    case 2003:
        AddFiles();
        break;
    case 2004:
        RemoveSelectedFiles(true);
        break;
    case 2005:
        CopySelectedFilesTo();
        break;
    case 2006:
        if (GetListViewSelectedCount(kListId) == 1)
            EditInTessary();
        break;
    case 2007:
        BeginRename();
        break;
    case 2008:
        PlaySelectedFile();
        break;
    case 2009:
        JoinSelectedFiles();
        break;
    case 2010:
        SelectAllFiles();
        break;
    case 2011:
        OnBurnCommand();
        break;
    case 2013:
    case 2024:
        RevealOutputFolder();
        break;
    case 2014:
        Preferences();
        break;
    case 2015:
        EditInTessary();
        break;
    case 2016:
        SendFilesToPyrocastelle();
        break;
    case 2017:
        SendFilesToCorvane();
        break;
    case 2019:
        EditTag();
        break;
    case 2020:
        EditSelectedTags();
        break;
    case 2021:
        MoveSelectedRow(-1);
        break;
    case 2022:
        MoveSelectedRow(1);
        break;
    case 2023:
        RevealLogsFolder();
        break;
    case 2027:
        QueryQuit();
        return;
    case 2030:
        ShowContextMenu();
        break;
    case 2031:
        break;
    case 2047:
        RequestCapacity(true, true);
        break;
    case 2048:
        OnDiscCapacity(LDiscCapacityThread::kCapacityTextCode, "No Disc in Drive");
        break;
    case 2051:
        RenameRememberedFile();
        break;
    case 2052:
        RememberRenameSource();
        break;
    case 2053:
        EjectDisc();
        break;
    default:
        if (helpLinks_.OnCommand(command))
            break;
        LMainWindow::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

void MainDialog::RequestCapacity(bool reread, bool refresh)
{
    capacityThread_.Request(reread, refresh);
}

// ---- Timers ----

void MainDialog::OnTimer(int id)
{
    KillTimer(id);
    switch (id) {
    case kTimerLoad: {
        LoadSavedFiles();
        RequestCapacity(true, true);
        const bool recovered = !recoveredTakesText_.empty();
        if (recovered) {
            const std::string text = std::move(recoveredTakesText_);
            recoveredTakesText_.clear();
            Tell(text.c_str(), "Recordings Recovered", LMessageBoxInformationalStyle);
        }
        // Recovered recordings are on their way into the list: the wizard
        // is not offered over it as over an empty one.
        if (!recovered && GetListViewRowCount(kListId) == 0 && IsWindow() && !IsClosed())
            SendCommand(2001);
        break;
    }
    case kTimerBurnAudio:
    case kTimerBurnData:
        // The burn waits until the processing is done.
        if (worker_.IsRunning())
            SetTimer(id, 1000);
        else
            StartBurn(id == kTimerBurnAudio);
        break;
    default:
        break;
    }
}

// ---- Notifications ----

void MainDialog::DeliverQueuedNotice(uint32_t code, const void* bytes, uint64_t length)
{
    if (code == LDiscCapacityThread::kCapacityTextCode) {
        std::string text(static_cast<const char*>(bytes), strnlen(static_cast<const char*>(bytes), length));
        OnDiscCapacity(code, text.c_str());
        return;
    }
    int32_t percent = 0;
    std::string text;
    if (bytes != nullptr && length >= 4) {
        const auto* p = static_cast<const uint8_t*>(bytes);
        percent = static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
        text.assign(reinterpret_cast<const char*>(p + 4),
                    strnlen(reinterpret_cast<const char*>(p + 4), length - 4));
    }
    OnNotify(code, text.empty() ? nullptr : text.c_str(), percent);
}

void MainDialog::OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2)
{
    if (eventId == kMainMsgSplitFile) {
        std::unique_ptr<MainSplitRequest> request(
            reinterpret_cast<MainSplitRequest*>(static_cast<intptr_t>(data1)));
        if (request && SplitFile(request->path.c_str(), request->points))
            ShowBubble("File splitting is finished");
        return;
    }
    std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(static_cast<intptr_t>(data1)));
    OnNotify(eventId, text ? text->c_str() : nullptr, data2);
}

void MainDialog::OnNotify(uint32_t code, const void* payload, int64_t integer)
{
    const char* text = static_cast<const char*>(payload);
    switch (code) {
    case kMainMsgBurnWhenDone:
        SetTimer(integer != 0 ? kTimerBurnAudio : kTimerBurnData, 500);
        break;
    case kMainMsgMinimize:
        ShowWindow(false);
        break;
    case kMainMsgRemoveNamedFile:
        if (text != nullptr)
            RemoveRowAndFile(text);
        break;
    case kMainMsgJobQueued:
        ++filesBeingProcessed_;
        SetStatus(2, "Files Being Processed: " + std::to_string(filesBeingProcessed_));
        break;
    case kMainMsgRecordingState:
        recordingStopped_ = integer == 1;
        if (notifyWhenDone_)
            ShowBubble("Your recordings have finished processing");
        notifyWhenDone_ = false;
        break;
    case kMainMsgRecordingDiscarded:
        ShowBubble("Your recording has been discarded");
        break;
    case kMainMsgOpenSession:
        RunRecordingSession();
        notifyWhenDone_ = false;
        break;
    case kMainMsgOpenWizard:
        OpenRecordingWizard();
        break;
    case kMainMsgReloadList:
        ReloadList();
        break;
    case kMainMsgJobDone:
        if (text != nullptr)
            OnJobDone(text);
        break;
    case kMainMsgByProductDone:
        filesBeingProcessed_ = std::max(0, filesBeingProcessed_ - 1);
        break;
    case kMainMsgProgress:
        if (integer != 0) {
            char line[400];
            if (text != nullptr)
                std::snprintf(line, sizeof(line), "Status: %s%ld%% Done", text, static_cast<long>(integer));
            else
                std::snprintf(line, sizeof(line), "Status: %ld%% Done", static_cast<long>(integer));
            SetStatus(1, line);
        }
        break;
    case kMainMsgBurnAfterSession:
        OnBurnCommand();
        break;
    case kMainMsgRemoveSelected:
        RemoveSelectedFiles(false);
        break;
    case kMainMsgEraseDisc:
        if (!RunEraseDisc("", nullptr) && lastEraseResult_ != 1)
            Tell(lastEraseResult_ == 14 ? "No Disc in Drive" : "Erasing of the disc has failed.",
                 kProductTitle, LMessageBoxCriticalStyle);
        RequestCapacity(true, true);
        break;
    case kMainMsgFailure:
        if (text != nullptr)
            Tell(text, kProductTitle, LMessageBoxWarningStyle);
        break;
    default:
        break;
    }
    if (IsVisible())
        UpdateControls();
}

// A finished file from outside the output folder is copied in. When its name
// is taken there (or by a row), the copy gets the next free name of the
// output-name rules: the file already there is the user's, and the new one
// must not be dropped either.
std::string MainDialog::TakeFileIntoOutputFolder(const char* path)
{
    bool made = false;
    const std::string target = PlaceInOutputFolder(path, &made);
    if (target.empty())
        return "";
    if (!AddFileToList(target.c_str(), false, true)) {
        if (made)
            unlink(target.c_str());
        return "";
    }
    if (made)
        LLogInfoF("File %s loaded and copied into data folder as %s", path, target.c_str());
    return target;
}

void MainDialog::OnJobDone(const char* path)
{
    notifyWhenDone_ = true;
    lastJobDoneFile_ = TakeFileIntoOutputFolder(path);
    const int before = filesBeingProcessed_;
    filesBeingProcessed_ = std::max(0, filesBeingProcessed_ - 1);
    if (before < 2) {
        SetStatus(2, "No Files Queued");
        if (recordingStopped_)
            ShowBubble("Your recordings have finished processing");
        notifyWhenDone_ = false;
    } else {
        SetStatus(2, "Files Being Processed: " + std::to_string(filesBeingProcessed_));
    }
}

void MainDialog::OnDiscCapacity(uint32_t code, const char* text)
{
    if (code != LDiscCapacityThread::kCapacityTextCode)
        return;
    SetStatus(2, ComputeDiscTotal() + " / " + (text != nullptr ? text : ""));
}

// ---- Telling and asking ----

int MainDialog::Ask(const char* text, const char* title, const char* first, const char* second)
{
    LMessageBox box(GetView(), text, title);
    box.style = LMessageBoxWarningStyle;
    box.SetButton(1, first);
    box.SetButton(2, second);
    return box.Show() == 1 ? 1 : 2;
}

void MainDialog::Tell(const char* text, const char* title, int style)
{
    LMessageBox box(GetView(), text, title != nullptr ? title : kProductTitle);
    box.style = style;
    box.Show();
}

void MainDialog::ShowBubble(const char* text)
{
    lastBubble_ = text != nullptr ? text : "";
    Notify(lastBubble_.c_str());
}
