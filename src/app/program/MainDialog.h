#pragma once
// The program's main window: the list of the recordings in the output folder
// (list 2028) with their durations, the toolbar, a three-part status bar
// (product, job progress, queue count or disc capacity), the notifications of
// the processing worker, the recording windows and the disc-capacity thread,
// which commands are enabled, and the file commands on the list.
//
// Every row names a file of the application output folder: the row text is
// the file name, column 1 its duration. The windows that come with later
// parts of the program (wizard, recording session, play window, tag editors,
// burning, preferences) are reached through one member each.

#include "app/program/LDiscCapacityThread.h"
#include "app/program/LMainWindow.h"
#include "app/program/MainCommandStates.h"
#include "app/program/MainWindowMessages.h"
#include "app/program/menus/LHelpLinks.h"
#include "gui/controls/LListView.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LDragDrop.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LTimerTable.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ProcessQueueWorker;
class MainNoticeRelay;
struct WizardRun;

class MainDialog : public LMainWindow,
                   public LTimerTable,
                   public LListViewSorter,
                   public LListViewLabelEditHandler,
                   public LInterWinMessageHandler,
                   public LDragDropHandler
{
public:
    static constexpr int kListId = 2028;
    static constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";
    static constexpr const char* kEmptyListText =
        "Click the Wizard or Record buttons to add recordings to this list.";

    // The worker whose queue the window opens and whose jobs it shows.
    explicit MainDialog(ProcessQueueWorker& worker);
    MainDialog();
    ~MainDialog() override;

    // ---- The window ----
    void OnCreate() override;
    void OnDestroy() override;
    // The close query, asked when the program quits.
    bool CanCancel() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    const LKeyToCommandMap* AcceleratorTable(int* count) const override;
    void OnResize(int width, int height) override;
    void Preferences() override;
    // Files named at a start: added as Add File(s) adds them.
    void OpenDocuments(const std::vector<std::string>& paths) override;

    // A notification: code, payload (null for none) and a number.
    void OnNotify(uint32_t code, const void* payload, int64_t integer);
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override;
    // The capacity thread's text (code 3001).
    void OnDiscCapacity(uint32_t code, const char* text);

    // ---- The list ----
    MainListState ListState() const;
    int RowCount() const;
    std::string RowText(int row) const;
    std::string RowDuration(int row) const;
    std::vector<int> SelectedRows() const;
    std::string RowPath(int row) const;
    const std::string& OutputFolder() const { return outputFolder_; }

    // Loads the WAV then MP3 files of the output folder under a progress
    // window. 0 done, 1 cancelled.
    int LoadSavedFiles();
    bool IsLoadingSavedFiles() const { return loading_; }
    // Empties the list and loads it again.
    void ReloadList();
    // Adds a row for the file (copying it into the output folder first when
    // asked and it is not there yet: under the next free name when a file of
    // the folder or a row has its name); false when it does not open, a row
    // of that name exists or the copy failed.
    bool AddFileToList(const char* path, bool copy, bool select);
    bool IsNameNotInList(const char* name) const;
    // The file in the output folder that the last job-done notice (2042)
    // listed; empty when it could not take the file.
    const std::string& LastJobDoneFile() const { return lastJobDoneFile_; }
    // What a job-done notice does with its file, without the queue's
    // counting: lists it, copied into the output folder when it is elsewhere
    // (under the next free name when its own is taken). The listed path, or
    // empty when it could not.
    std::string TakeFileIntoOutputFolder(const char* path);

    // ---- The file commands ----
    void AddFiles();
    // Adds the dropped files: WAV and MP3 only, with one warning for the rest.
    void OnDropFiles(const std::vector<std::string>& paths);
    void OnDrop(const LDragInfo& info) override;
    bool RemoveSelectedFiles(bool ask);
    void RemoveRowAndFile(const char* name);
    void CopySelectedFilesTo();
    // Copies the selected files into folder, asking before replacing a file.
    void CopySelectedFilesToFolder(const char* folder);
    void BeginRename();
    // The end of an in-place edit of a row: renames its file.
    void OnRenameEnd(const char* newText);
    // 2052 then 2051: rename the remembered row's file after its row's title.
    void RememberRenameSource();
    void RenameRememberedFile();
    void PlaySelectedFile();
    void JoinSelectedFiles();
    bool SplitFile(const char* path, const std::vector<int64_t>& points);
    // The files the last split wrote, in track order.
    const std::vector<std::string>& LastSplitFiles() const { return lastSplitFiles_; }
    void EditTag();
    void EditSelectedTags();
    void MoveSelectedRow(int delta);
    void SwapRows(int a, int b);
    void SelectAllFiles();
    void EditInTessary();
    bool OpenFileInTessary(LViewHandle parent, const std::string& argument, bool wait);
    void SendFilesToPyrocastelle();
    void SendFilesToCorvane();
    void RevealOutputFolder();
    void RevealLogsFolder();

    // ---- Totals and the status bar ----
    // "RecordingPage"/"TotalTime" and "TotalSize" of the rows (selected only
    // when asked).
    void SaveRecordingPageTotals(bool selectedOnly);
    // The list's part of the capacity display.
    std::string ComputeDiscTotal();
    std::string StatusText(int part) const;
    int FilesBeingProcessed() const { return filesBeingProcessed_; }

    // ---- Windows of later parts of the program ----
    virtual void OpenRecordingWizard();
    // Runs the wizard's pages for the run (1 finished, 0 cancelled); tests
    // stand in for the pages here.
    virtual int RunWizardPages(WizardRun& run);
    // True while the wizard runs (the close query asks then).
    bool IsWizardRunning() const { return wizardRunning_; }
    virtual void RunRecordingSession();
    // The play window with split points; false when it could not play.
    virtual bool RunPlayWindow(const char* path);
    // The tag editors; true when the user confirmed and the tags were written.
    virtual bool RunTagEditor(const char* path);
    virtual bool RunMultiTagEditor(const std::vector<std::string>& paths);
    void RefreshRowOf(const std::string& path);
    virtual void OnBurnCommand();
    virtual void StartBurn(bool audio);
    virtual bool RunEraseDisc(const char* title, LWindow* parent);
    virtual void EjectDisc();
    // The burn's questions and windows (tests answer them): which files
    // (5002 the selected ones, 5001 all, -1 none), the "Burn Audio" dialog
    // (true for OK) and the offer of another copy (true for another).
    virtual int ChooseBurnFiles();
    virtual bool RunBurnAudioDialog();
    virtual bool AskBurnAnother(const char* message);
    // The burn code of the last erase (0 done, 1 cancelled, 14 no disc).
    int LastEraseResult() const { return lastEraseResult_; }
    // The burn code of the last burn started from the list (-1 before any,
    // or when the user stopped before it began).
    int LastBurnResult() const { return lastBurnResult_; }
    bool IsBurning() const { return burning_; }
    // Whether the last Burn command's dialog ended with OK.
    bool BurnDialogConfirmed() const { return burnDialogOk_; }

    // ---- What the user is asked and told (overridden by tests) ----
    // 1 for the first button, 2 otherwise.
    virtual int Ask(const char* text, const char* title, const char* first, const char* second);
    virtual void Tell(const char* text, const char* title, int style);
    virtual void ShowBubble(const char* text);
    const std::string& LastBubble() const { return lastBubble_; }
    virtual bool ChooseFilesToAdd(std::vector<std::string>* paths);
    virtual bool ChooseCopyFolder(std::string* folder);

    ProcessQueueWorker& Worker() { return worker_; }
    LDiscCapacityThread& CapacityThread() { return capacityThread_; }
    // The notices the worker and the capacity thread post end up here.
    void DeliverQueuedNotice(uint32_t code, const void* bytes, uint64_t length);

protected:
    void OnTimer(int id) override;
    // LListViewLabelEditHandler.
    void OnBeginEdit(int listId) override;
    void OnEndEdit(int listId, const char* newText) override;

private:
    void CreateList();
    void CreateToolBar();
    void SetStatus(int part, const std::string& text);
    // The file's path in the output folder: its own when it is already there,
    // else that of a copy under a name no file or row has (*made true).
    // Empty when no copy could be made.
    std::string PlaceInOutputFolder(const char* path, bool* made);
    void OnJobDone(const char* path);
    void ShowContextMenu();
    void RequestCapacity(bool reread, bool refresh);
    int CountQueuedJobs();

    ProcessQueueWorker& worker_;
    LDiscCapacityThread capacityThread_;
    LHelpLinks helpLinks_;
    std::shared_ptr<MainNoticeRelay> relay_;
    LPopupMenu contextMenu_;
    std::string outputFolder_;
    std::string lastJobDoneFile_;
    // What a start recovered of the session's unfinished recordings, told
    // to the user once the list is loaded; empty when nothing was found.
    std::string recoveredTakesText_;
    int filesBeingProcessed_ = 0;
    uint32_t nextRowId_ = 0;
    bool recordingStopped_ = false;
    bool notifyWhenDone_ = false;
    bool splitRunning_ = false;
    std::vector<std::string> lastSplitFiles_;
    bool burning_ = false;
    bool erasing_ = false;
    int lastEraseResult_ = 0;
    int lastBurnResult_ = -1;
    bool burnDialogOk_ = false;
    bool recording_ = false;
    bool wizardRunning_ = false;
    bool loading_ = false;
    std::string renameSource_;
    std::string lastBubble_;
    std::string statusTexts_[3];
};
