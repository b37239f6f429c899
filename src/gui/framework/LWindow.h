#pragma once
// The base of every window and dialog. A derived class builds its controls in
// OnCreate, reacts to commands in OnCommand, refreshes control states in
// UpdateControls and closes itself with EndDialog. The toolkit side lives in
// gui/qt/: this header names no toolkit type, views travel as LViewHandle.
//
// Geometry exchanged with these classes is in device pixels, y pointing down;
// it is divided by the scale factor before it reaches the toolkit.

#include "gui/framework/LCommands.h"
#include "gui/framework/LKey.h"
#include "gui/framework/LView.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class LDBEdit;
class LDiscMediaEventSource;
class LGuiImage;
class LKeyHandler;
class LPopupMenu;
class LListViewManager;
class LMacWindowManager;
struct LListFlags;
struct LVColDynamicGlobal;
class LScrollView;
class LResizable;
class LWindow;
struct LButtonStyle;
struct LEditFlags;
struct LGuiFont;
struct LPlaybackDeviceSel;
struct LRGBColor;
struct LStaticTextStyle;
struct LTextInputStyle;
struct LTrackBarStyle;
using LStaticTextFormat = LStaticTextStyle;
using LTextInputFilter = bool (*)(LWindow* window, const char* text);

// Creation record of a template dialog: size in points, title, close box and
// the routine that creates the controls, called as builder(window, 0, 0, 1).
struct LDialogTemplate
{
    int width = 0;
    int height = 0;
    char title[260] = {};
    bool closable = true;
    void (*builder)(LWindow* window, int, int, int) = nullptr;
};

// Placements of the creation sequence.
enum LWindowPlacement : int {
    LPlacementNone = 0,
    LPlacementCenterOnParent = 1,
    LPlacementCenterOnScreen = 2,
};

// Window styles (bits as the creation calls pass them).
constexpr unsigned kWindowStyleTitled = 1;
constexpr unsigned kWindowStyleClosable = 2;
constexpr unsigned kWindowStyleMiniaturizable = 4;
constexpr unsigned kWindowStyleResizable = 8;

class LWindowCore
{
public:
    virtual ~LWindowCore() = default;
    virtual void OnCreate() {}
    virtual void OnReady() {}
    virtual void OnDestroy() {}
    virtual bool CanOK() { return true; }
    virtual bool CanCancel() { return true; }
    virtual void UpdateControls() {}
    virtual void EndDialog(int code) { (void)code; }
    virtual void Cancel() { EndDialog(kCommandCancel); }
    virtual void OnCommand(int command, int extra) = 0;
};

class LMacWindow : public LWindowCore
{
public:
    LMacWindow();
    ~LMacWindow() override;
    LMacWindow(const LMacWindow&) = delete;
    LMacWindow& operator=(const LMacWindow&) = delete;

    // Closing codes, 'ahlp', 'wrdy' and the toolbar toggle; then UpdateControls
    // while visible (not after 'ahlp'). Derived handlers end by calling it.
    void OnCommand(int command, int extra) override;
    // Sets the closing flag; ends a running modal loop with code, otherwise
    // destroys the window.
    void EndDialog(int code) override;

    virtual void OnHelp();
    virtual void OnRestore() {}
    virtual void OnMinimize() {}
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    virtual void SaveWindowPlacement() {}
    // The menu interface: only the main window acts on it.
    virtual void EnableMenuItem(int command, bool enable) { (void)command, (void)enable; }
    virtual void EnableMenuItems(const int* commands, bool enable) { (void)commands, (void)enable; }
    virtual void EnableMenuItemRange(int first, int last, bool enable)
    {
        (void)first, (void)last, (void)enable;
    }
    virtual void MenuHook() {}
    virtual void CheckMenuItem(int command, bool checked) { (void)command, (void)checked; }
    virtual void CheckMenuRadioItem(int first, int last, int checked)
    {
        (void)first, (void)last, (void)checked;
    }
    virtual void SetMenuItemTitle(int command, const char* title) { (void)command, (void)title; }
    virtual void SetMenuItemText(int command, const char* text) { SetMenuItemTitle(command, text); }
    // The title of the menu item with the command, then its shortcut.
    virtual void SetMenuItemTitleAndShortcut(int command, const char* title, const LKey* shortcut)
    {
        (void)command, (void)title, (void)shortcut;
    }
    virtual void RemoveMenuItem(int command) { (void)command; }
    virtual void InsertMenuItem(int before, int command, const char* title)
    {
        (void)before, (void)command, (void)title;
    }
    virtual void InsertMenuSeparator(int before) { (void)before; }
    virtual void InsertMenuSeparatorBefore(int before, int) { InsertMenuSeparator(before); }

    // State.
    LViewHandle GetView() const { return view_; }
    // Alive: a view in a superview and no EndDialog yet.
    bool IsWindow() const;
    bool IsVisible() const;
    bool IsEnabled() const;
    bool IsClosing() const { return closing_; }
    bool IsCreated() const { return created_; }
    bool IsTopLevel() const { return isTopLevel_; }
    bool IsModalRunning() const { return modalRunning_; }
    int GetPlacement() const { return placement_; }
    bool GetReadyFlag() const { return flag_; }
    LMacWindowManager* GetManager() const { return manager_; }

    void ShowWindow(bool show);
    void SetTitle(const char* text);
    const char* GetTitle() const { return title_; }
    void Redraw();
    void EnableCloseButton(bool enable);
    void EnableWindow(bool enable);
    // Runs the event loop until the window is gone or ms elapse; IsWindow after.
    bool WaitUntilClosed(int ms);
    void DestroyWindow();

    // Commands: sending runs OnCommand now; posting queues it for the main
    // thread (any thread) and checks at delivery that the window still lives.
    bool SendCommand(int command, int extra = 0);
    void PostCommand(int command, int extra = 0);

    // Creation.
    bool CreateCocoaWindow(int width, int height, unsigned styleMask, bool panel, LViewHandle parentView);
    bool CreateFromTemplate(const LDialogTemplate* dialogTemplate);
    void InitWindow(int placement, bool show);
    void SetParent(LWindow* parent);
    LWindow* GetParentWindow() const;

    // Geometry, in device pixels.
    double GetScaleFactor() const;
    void GetWindowSize(int* w, int* h) const;
    void GetClientSize(int* w, int* h) const;
    void GetUsableClientSize(int* w, int* h) const;
    void GetWindowPos(int* x, int* y) const;
    void ResizeWindow(int w, int h, bool animate = false);
    void SetSize(int w, int h) { ResizeWindow(w, h, false); }
    void SetClientSize(int w, int h) { ResizeWindow(w, h, false); }
    void SetMinSize(int w, int h);
    void MoveWindow(int x, int y);
    void CenterOnParent();
    void CenterOnScreen();
    bool IsMaximized() const;
    void Maximize();
    // Saved placement under a settings section: "Maximized", "X", "Y",
    // "Width", "Height".
    void RestoreWindowPlacement(const char* section, int defW, int defH, int minW, int minH,
                                bool defMaximized);
    virtual void SaveWindowPlacement(const char* section);
    void SetResizableHandler(LResizable* handler);
    // Keeps a top-level window on its screen: inside the part of the screen
    // windows may use, shrunk to it when resizable and larger, its edges on
    // device pixels. A maximised, minimised or full-screen window is left.
    void KeepOnScreen();
    // The frame {left, top, right, bottom} in pixels of the desktop, top
    // counted down from its top edge.
    void SetFramePixels(const int rect[4]);
    bool HasMouseCapture() const;
    // Pixels between the frame and the content of the view's top-level
    // window (its title bar); 0 for a view without a window and for a window
    // hosted in a scroll view.
    static int GetTitleBarHeight(LViewHandle view);
    // A child view's frame from pixels, y counted from the top of its
    // parent; then a redraw.
    static void SetViewRect(LViewHandle view, int x, int y, int w, int h);
    // A rectangle in pixels of this window's screen as points {x, y, w, h},
    // y from the screen's top. Without flipY the pixel y is counted up from
    // the screen's bottom edge.
    void ConvertRectFromPixels(int x, int y, int w, int h, bool flipY, double out[4]) const;
    // The window object of the top-level window holding this window's view
    // (itself for a top-level window, the host for an embedded one).
    LWindow* GetTopLevelWindow() const;

    float CharWidthPx() const { return charWidthPx_; }
    float CharHeightPx() const { return charHeightPx_; }
    void SetCharacterCell(float widthPt, float heightPt, double scale);

    // The window's bubble tip, made once by CreateTooltip: shown next to a
    // control or at a point (pixels from the screen's top-left, or from the
    // window's), and only while the window is visible.
    void CreateTooltip();
    void ShowBubbleTip(int controlId, const char* text);
    void ShowBubbleTipAt(int x, int y, const char* text);
    void ShowBubbleTipAtPixel(int x, int y);
    void ShowBubbleTipAtPoint(int x, int y);
    void HideToolTip();

protected:
    friend class LMacWindowManager;
    friend class LEmbeddedWindow;
    friend class LResizable;
    friend class LQtWindowImpl;
    friend class LQtWindowContentView;

    LViewHandle view_ = nullptr;
    bool closing_ = false;
    LViewHandle nsWindow_ = nullptr;
    LMacWindowManager* manager_ = nullptr;
    bool isPanel_ = false;
    bool isTopLevel_ = false;
    char title_[260] = {};
    bool scrolledX_ = false;
    bool scrolledY_ = false;
    LScrollView* hostScrollView_ = nullptr;
    bool created_ = false;
    float charWidthPx_ = 8;
    float charHeightPx_ = 17;
    float charWidthPt_ = 8;
    float charHeightPt_ = 17;
    int placement_ = 0;
    bool flag_ = true;
    bool modalRunning_ = false;
    int modalResult_ = kCommandCancel;
    void* modalLoop_ = nullptr; // the toolkit loop DoModal runs, while it runs
    // Shared with posted work so a late delivery can tell the window went;
    // the generation is odd while a view exists and moves on each creation
    // and destruction, so a post made for an earlier life is dropped.
    std::shared_ptr<bool> life_;
    std::atomic<uint32_t> generation_{0};

public:
    std::weak_ptr<bool> LifeToken() const { return life_; }
    uint32_t Generation() const { return generation_.load(std::memory_order_acquire); }
};

class LWindow : public LMacWindow
{
    LKeyHandler* keyHandler_ = nullptr;

public:
    LWindow();
    ~LWindow() override;

    // Runs the window application-modally over parent; true when it ended
    // with 'ok  '. A window that ends itself in OnCreate never enters the loop.
    virtual bool DoModal(LWindow* parent, int placement);
    // Shows the window without a modal loop; false when it ended in creation.
    bool ShowModeless(LWindow* parent, int placement, bool show = true);

    // Template dialogs: create and run modally over the owner of parentView.
    int CreateModal(LViewHandle parentView, const LDialogTemplate* dialogTemplate);
    int CreateModalSized(LViewHandle parentView, int w, int h);
    int CreateModalResizable(LViewHandle parentView, int w, int h);
    int CreateModalDialogUnits(LViewHandle parentView, float w, float h);

    bool usePanel = false;

    // ---- Control API by control id ----
    // Lookup (LQtFindControl on this window's view); null when none.
    LViewHandle GetControl(int id) const;
    bool HasControl(int id) const { return GetControl(id) != nullptr; }
    // Places a control, rectangle in pixels; false when there is no such control.
    bool SetControlRect(int id, int x, int y, int w, int h);
    bool GetControlRect(int id, int* x, int* y, int* w, int* h) const;
    void EnableControl(int id, bool enable);
    bool IsControlEnabled(int id) const;
    void ShowControl(int id, bool show);
    bool IsControlVisible(int id) const;
    int GetTextWidth(const char* text) const;
    // Tooltips of many controls at once; a control whose command has a
    // shortcut in the accelerator table reads "text (shortcut)".
    struct ToolTipEntry
    {
        int controlId;
        const char* text;
    };
    void SetToolTips(const ToolTipEntry* table, int count, const LKeyToCommandMap* accelerators,
                     int acceleratorCount);

    // Standard buttons, parked off view until laid out.
    void AddOKCancelButtonsNoRect();
    void AddOKCancelButtonsNoRectWithText(const char* okText, const char* cancelText);
    void AddOKButton();
    void AddOKButtonWithText(const char* text);
    void AddCancelButton();
    void AddCancelButtonWithText(const char* text);
    void AddHelpButton();
    void AddButtonNoRect(int id, const char* text);
    // Gives the button the Escape key.
    void SetCancelButton(int id);
    void SetDefaultButton(int id);
    // Clicks the button as the user would; false when there is none or it is disabled.
    bool PressButton(int id);
    // Copies the title into buffer (cut at a character boundary); empty when none.
    char* GetButtonText(int id, char* buffer, size_t size = 260) const;
    int GetButtonPreferredWidth(int id) const;
    // Lays out 'ahlp', 'ok  ', 'not!' and an extra button along the bottom of
    // the rectangle; the result is the last placement's.
    bool LayoutDialogButtons(int extraId, int x, int y, int w, int h);

    // Static texts.
    void AddStaticText(int id, const char* text);
    void AddStaticTextEmpty(int id);
    // truncation: 1 middle, 2 tail; alignment 0 left, 1 centre, 2 right.
    void SetStaticTextStyle(int id, unsigned truncation, unsigned alignment);
    char* GetStaticText(int id, char* buffer, size_t size = 260) const;

    // Image controls (image resource by number, from the resources folder).
    void AddImageControlNoRect(int id);
    void SetImageControlResource(int id, int resourceId);

    // Progress bars: fraction 0..1 shows as 0..100.
    void AddProgressBarNoRect(int id);
    void SetProgressBarPos(int id, double fraction);
    int GetProgressBarValue(int id) const;
    void SetProgressBarIndeterminate(int id, bool on);
    bool IsProgressBarIndeterminate(int id) const;

    // Text of any text-bearing control.
    void SetControlText(int id, const char* text);
    char* GetControlText(int id, char* buffer) const { return GetControlTextN(id, buffer, 260); }
    char* GetControlTextMaxPath(int id, char* buffer) const { return GetControlTextN(id, buffer, 260); }
    // buffer emptied first; cut to size at a character boundary; null when the
    // control has no text.
    char* GetControlTextN(int id, char* buffer, size_t size) const;
    void GetControlTextLong(int id, std::string& text) const;

    // Message boxes over this window.
    void MessageBoxError(const char* text, const char* message);
    void MessageBoxWarning(const char* text);
    void MessageBoxInfo(const char* text, const char* message);

    // A key as a command: the first table entry with the key's code, else the
    // built-in shortcuts (Ctrl+Q 'quit', Ctrl+W 'not!', Ctrl+Shift+/ help...).
    // Escape sends 'not!' only while the window runs modally; elsewhere it is
    // swallowed. True when the key was handled.
    bool TranslateAccelerator(LKey key, const LKeyToCommandMap* table, int count);
    // The receiver of this window's key downs, key ups and modifier changes
    // before the toolkit handles them (not owned; null for none).
    void SetKeyHandler(LKeyHandler* handler) { keyHandler_ = handler; }
    LKeyHandler* GetKeyHandler() const { return keyHandler_; }

    // ---- Buttons of every kind, lists, inputs and tabs (parked until laid out) ----
    // kind: 0 push, 1 check box, 2 toggle, 3 cool, 4 radio, 5 help, 6 disclosure.
    void AddButtonOfKind(int id, const char* text, int kind);
    void AddCheckBox(int id, const char* text) { AddButtonOfKind(id, text, 1); }
    // Radio buttons added with the same group number exclude each other.
    void AddRadioButton(int id, const char* text, int group);
    void SetCheck(int id, bool checked);
    bool GetCheck(int id) const;
    void AddGroupBox(int id, const char* title);
    void SetGroupBoxTitle(int id, const char* title);

    // Pull-down lists; each call does nothing (or answers -1) for another kind of control.
    void AddPullDownList(int id, int selectionChangeCommand);
    void DeleteAllPullDownItems(int id);
    int AddPullDownItem(int id, const char* text);
    void SelectPullDownItem(int id, int index);
    int GetPullDownSelection(int id) const;
    char* GetPullDownItemText(int id, int index, char* buffer, size_t size = 260) const;
    void GetPullDownItemTextLong(int id, int index, std::string& text) const;

    // Combo boxes.
    void AddComboBox(int id, bool numeric);
    int AddComboBoxItem(int id, const char* text);
    int GetComboBoxSelection(int id) const;
    char* GetComboBoxText(int id, char* buffer, size_t size = 260) const;

    // Text inputs (one line, the framework's field editor).
    void AddTextInput(int id, bool password);
    void SetTextChangeCommand(int id, int command);

    // Up-down number inputs: the field is id + 1 and reports changes as id.
    void AddUpDown(int id, bool readOnly);
    void SetUpDownRange(int id, double min, double max, double step);
    void SetUpDownValue(int id, double value);
    // The value clamped to the range and truncated; 0 for another control.
    int GetUpDownValue(int id) const;

    // Tab views: selecting is sent while the old tab is current, selected after.
    void AddTabView(int id, int selectingCommand, int selectedCommand);
    int InsertTab(int id, int index, const char* label);
    void DeleteAllTabs(int id);
    void SelectTabByIndex(int id, int index);
    int GetCurrentTab(int id) const;
    int GetTabCount(int id) const;
    char* GetTabLabel(int id, int index, char* buffer, size_t size = 260) const;

    // ---- More calls on pull-down lists and combo boxes ----
    // A pull-down whose selection-change command is its id.
    void AddPullDownNoRect(int id) { AddPullDownList(id, id); }
    // Each text of a null-ended array, in order.
    void AddPullDownItems(int id, const char* const* texts);
    void DeletePullDownItem(int id, int index);
    // -1 when the id names no pull-down.
    int GetPullDownItemCount(int id) const;
    void SetPullDownItemData(int id, int index, int64_t data);
    // 0 when the id names no pull-down or the index no item.
    int64_t GetPullDownItemData(int id, int index) const;
    char* GetPullDownSelectedText(int id, char* buffer, size_t size = 260) const;
    void SelectPullDownText(int id, const char* title);
    void SetPullDownCommand(int id, int command);
    // Sets the text only when it differs, then selects the first item with
    // exactly that text.
    void SetComboBoxText(int id, const char* text);
    // First exact match (separators not counted), -1 when none.
    int FindComboBoxItem(int id, const char* text) const;
    void SelectComboBoxItem(int id, int index);
    void SelectComboBoxText(int id, const char* text);

    // ---- Volume slider, date picker and hyperlinks ----
    // Volume slider in dB (-48..0), parked; the user's moves send the id.
    void AddVolumeSlider(int id);
    // Date pickers. flags: bit 3 adds the time to the date, (flags & 0x0E) == 8
    // shows the time alone; bit 0 adds stepper arrows. Rectangles in pixels.
    void CreateDateTimePicker(int id, unsigned flags, int x, int y, int w, int h);
    void AddDateTimePicker(int id, int x, int y, int w, unsigned flags);
    void SetDateTimeShowTime(int id);
    // The command the user's date changes send (none until set).
    void SetDateTimeCommand(int id, int command);
    // Seconds since 1970; setting never sends the date command.
    void SetDateTime(int id, const int64_t* seconds);
    int64_t GetDateTime(int id) const;
    void SetDateTimeNow(int id);
    // Hyperlinks: a click opens the address through the desktop, or sends
    // the id when the address is empty.
    LViewHandle AddHyperLink(int id, const char* text, const char* url, int x, int y, int w, int h);
    // align: 1 centre, 2 right, anything else left.
    LViewHandle CreateHyperLinkAligned(int id, const char* text, const char* url, int align, int x, int y,
                                       int w, int h);
    void AddHyperLinkAligned(int id, const char* text, const char* url, int align, int x, int y, int w);
    void SetHyperLinkText(int id, const char* text);
    void SetHyperLinkURL(int id, const char* url);
    void ClearHyperLinkURL(int id) { SetHyperLinkURL(id, ""); }

    // ---- List views: rows by index, columns by index ----
    // The calls do nothing for an id that names no list (or a list without
    // columns yet); getters then answer their empty value.
    void AddListViewNoRect(int id, const LListFlags& flags);
    void AddListView(int id, const LListFlags& flags, int x, int y, int w, int h);
    // The list's manager (rows, columns, selection), null when none.
    LListViewManager* GetListView(int id) const;
    // Columns up to the entry with a null title; with a section, widths are
    // read from it as "ColumnWidth%d" and written by SaveListViewColumnWidths.
    void SetListViewColumns(int id, const LVColDynamicGlobal* columns, const char* section);
    void SetListViewColumnsNoSave(int id, const LVColDynamicGlobal* columns)
    {
        SetListViewColumns(id, columns, nullptr);
    }
    void SaveListViewColumnWidths(int id);
    // Detaches the manager and its click handler (the window is going).
    void ReleaseListView(int id);
    // minWidth in pixels.
    void ResizeListViewColumns(int id, int columnCount, int stretchColumn, int minWidth);
    // Width in points.
    void SetListViewColumnWidth(int id, int column, int width);
    void SetListViewColumnEditable(int id, int column, bool editable);
    void SetListViewDefaultText(int id, const char* text);
    void SetListViewAlternatingRows(int id);
    // Image resource ids ended by 0; rows refer to them by position.
    void SetListViewImages(int id, const int* imageIds);
    // A picture drawn translucent in the lower right corner (0: none).
    void SetListViewBackgroundImage(int id, int resourceId);
    void DeleteAllListViewRows(int id);
    // Texts up to a null; -1 when the first is null or there is no list.
    int AddListViewRow(int id, const char* text0, ...);
    int AddListViewItem(int id, const char* text, int image, intptr_t data, int ignored = 0);
    void SetListViewItemText(int id, int row, int column, const char* text);
    void SetListViewRowText(int id, int row, const char* text);
    // 260-byte buffers, cut at a character boundary; empty on failure.
    char* GetListViewRowText(int id, int row, char* buffer) const;
    char* GetListViewItemText(int id, int row, int column, char* buffer) const;
    void SetListViewItemImage(int id, int row, int image);
    void SetListViewCellImage(int id, int row, int column, int image);
    int GetListViewItemImage(int id, int row) const;
    void SetListViewItemData(int id, int row, intptr_t data);
    intptr_t GetListViewItemData(int id, int row) const;
    int GetListViewRowCount(int id) const;
    void DeleteListViewRow(int id, int row);
    void DeselectAllListViewRows(int id);
    void SelectListViewRow(int id, int row, bool select);
    int GetListViewFirstSelected(int id) const;
    int GetListViewFirstSelectedThunk(int id) const { return GetListViewFirstSelected(id); }
    bool IsListViewRowSelected(int id, int row) const;
    int GetListViewSelectedCount(int id) const;
    void EditListViewSelectedRow(int id);
    // Click commands are posted; the selection-change command is sent.
    void SetListViewClickCommand(int id, int command);
    void SetListViewDoubleClickCommand(int id, int command);
    void SetListViewRightClickCommand(int id, int command);
    void SetListViewSelectionCommand(int id, int command);
    void ClearListViewSorter(int id);

    // ---- Disc media ----
    // Commands sent to OnCommand when a disc becomes present or is removed
    // (negative: none). The window's media event source is created on first
    // use, once per window; without a source factory nothing is ever sent.
    void SetDiscInsertedCommand(int command, int unused = 0);
    void SetDiscEjectedCommand(int command, int unused = 0);
    LDiscMediaEventSource* GetDiscMediaEventSource() const { return discMedia_.get(); }

    // ---- Creation and styling helpers, the rest of the control API ----
    // Rectangles named "view units" are points, handed to the toolkit as
    // they are; every other size is in pixels.

    // Lookup: the control itself (the target of its commands); null when none.
    LViewHandle GetCommandTargetView(int id) const;
    // The multi-line edit view with this id, or null.
    LViewHandle GetEditView(int id) const;
    // The text field being edited when it is this control (or its field).
    LViewHandle GetFieldEditor(int id) const;
    bool IsTextInputControl(int id) const;

    // Buttons.
    void AddButtonNoRect(int id, const char* text, const LButtonStyle& style);
    void AddPushButtonNoRect(int id, const char* title);
    // Rectangle in view units, widened by 4 (cool) or 12 (push) and moved left
    // by half of that, and 3 taller.
    void AddButton(int id, const char* text, const LButtonStyle& style, int x, int y, int w, int h);
    void AddOKButton(int x, int y, int w);
    void AddOKButtonWithText(int x, int y, int w, const char* text);
    void AddCancelButton(int x, int y, int w);
    void AddHelpButton(int x, int y);
    void AddCoolButton(int id, const char* text);
    void AddCoolImageButton(int id);
    void AddCoolButtonTextLeft(int id, const char* text);
    void AddCheckBoxNoRect(int id, const char* text);
    void AddCheckBox(int id, const char* text, int x, int y, int w, int h);
    // A group box that starts a radio group: the radio buttons added after it
    // exclude each other.
    void AddRadioGroupNoRect(int id, const char* title);
    void CreateRadioGroup(int id, const char* title, int x, int y, int w, int h);
    void AddRadioGroup(int id, const char* title, int ignored, int x, int y, int w, int h);
    void AddRadioButton(int id, const char* text, int x, int y, int w, int h);
    void SetGroupTitle(int id, const char* title) { SetGroupBoxTitle(id, title); }
    void SelectRadioButton(int id, bool select);
    int GetRadioCheck(int id) const { return GetCheck(id) ? 1 : 0; }
    void SetButtonImage(int id, int resourceId);

    // Static texts, separators and images.
    void CreateStaticText(int id, const char* text);
    void CreateStaticTextEx(int id, const char* text, const LStaticTextFormat* format);
    void CreateEmptyStaticTextEx(int id, const LStaticTextFormat* format);
    void AddStaticText(int id, const char* text, const LStaticTextStyle& style, int x, int y, int w, int h);
    void SetStaticText(int id, const char* text);
    void SetStaticTextColor(int id, const LRGBColor* colour);
    void SetStaticTextRGB(int id, const LRGBColor& colour) { SetStaticTextColor(id, &colour); }
    void SetStaticBackgroundColor(int id, const LRGBColor& colour);
    void SetStaticColors(int id, const LRGBColor& text, const LRGBColor& background);
    void CreateHyperLink(int id, const char* text);
    void AddSeparator(int id, int x, int y, int w);
    // Rectangle in pixels; a resource id <= 0 leaves the control empty.
    void AddImageControl(int id, int resourceId, int x, int y, int w, int h);
    void AddEmptyImageControlNoRect(int id);
    void AddEmptyImageControl(int id, int x, int y, int w, int h);
    void SetImageControlImage(int id, const LGuiImage* image);

    // Text inputs and edit views.
    void AddTextInputNoRect(int id, const LTextInputStyle& style);
    void AddTextInput(int id, const LTextInputStyle& style, int x, int y, int w);
    void AddEditViewNoRect(int id, const LEditFlags* flags);
    void AddEditView(int id, const LEditFlags& flags, int x, int y, int w, int h);
    void SetTextLimit(int id, int maxLength);
    void GetControlTextTrimmed(int id, char* buffer) const;
    // Bytes of the text of a button, text input or password input; 0 otherwise.
    size_t GetControlTextLength(int id) const;
    void SelectAllText(int id);
    // Every proposed edit stands only when the filter accepts the whole text.
    void SetTextInputFilter(int id, LTextInputFilter filter);
    void SetPasteCommand(int id, int command);
    void SetPromptText(int id, const char* text);

    // Track bars: a vertical one (taller than wide) counts from the top.
    void AddTrackBar(int id, const LTrackBarStyle& style);
    void SetTrackBarRange(int id, int min, int max);
    void SetTrackBarPos(int id, int value);
    int GetTrackBarPos(int id) const;
    void SetTrackBarCommand(int id, int command);

    // Creators at a rectangle (view units).
    void AddUpDown(int id, const LTextInputStyle& style, int x, int y, int w);
    LViewHandle AddPullDown(int id, int x, int y, int w, int h);
    void AddComboBox(int id, int x, int y, int w);
    LViewHandle AddTabView(int id, int x, int y, int w, int h);
    void AddTabViewNoRect(int id);
    int InsertTab(int id, const char* label, int index) { return InsertTab(id, index, label); }
    // Appends each title of a null-ended array.
    void InsertTabs(int id, const char* const* titles);
    // Sets the command sent once a tab is selected.
    void SelectTab(int id, int command);
    void RemoveTab(int id, int index);

    // Playback devices: "Default Playback Device" first, then every named output.
    void FillPlaybackDeviceList(int id, int = 0, int = 0, int = 0);
    void SetPlaybackDeviceSelection(int id, const LPlaybackDeviceSel& selection);
    LPlaybackDeviceSel GetPlaybackDeviceSelection(int id) const;

    // Control state, focus and fonts.
    void MoveControl(int id, int x, int y);
    void SetControlHeight(int id, int h);
    bool SetFocus(int id);
    bool HasFocus(int id) const;
    void SetRightClickCommand(int id, int command);
    // Sizes of fonts are in points; the toolkit scales them for the screen.
    void CreateFont(LGuiFont* font, const char* face, int bold, int italic, int underline, int strikeout,
                    float size) const;
    void SetControlFont(LViewHandle control, const LGuiFont* font);
    int GetStaticTextWidth(int id) const;
    int MeasureControlText(int id, const char* text) const;
    int GetControlTextWidth(int id) const;
    int GetCheckBoxWidth(int id) const;
    int GetPushButtonWidth(const char* text) const;
    // Height of the text wrapped to width (pixels); 0 for an empty text.
    int GetLabelTextHeight(const char* text, int width) const;
    int GetControlTextHeight(int id, const char* text, int width) const;
    int GetControlContentHeight(int id, int width) const;
    // Opens the menu at the mouse (its right edge there when alignRight).
    void TrackPopupMenu(LPopupMenu* menu, bool alignRight);
    // ---- Custom-drawn controls (controls/LWindowPaintControls.cpp) ----
    // Host views at an empty rectangle until placed.
    LViewHandle AddPaintControl(int id);
    LViewHandle AddPaintControlThunk(int id) { return AddPaintControl(id); }
    LViewHandle AddScrollPaintControl(int id, bool hScroll, bool vScroll);
    // A dB control's host, 25 points high, at (x, y) pixels, w pixels wide.
    LViewHandle AddDBEditControl(int id, int x, int y, int w);
    // The dB control for that host (-36 to +12 dB), owned by the host view.
    LDBEdit* CreateDBEdit(int id);
    void SetDBEditRange(int id, const int8_t* min, const int8_t* max);
    void SetDBEditValue(int id, const int8_t* dB);
    // 0 when the id names no dB control.
    int8_t GetDBEditValue(int id) const;
    void SetDBEditCommand(int id, int command);
    // 0, 0 unless the id names a command-link button.
    void GetCommandLinkButtonSize(int id, int* w, int* h);

private:
    void WatchDiscMedia();
    std::unique_ptr<LDiscMediaEventSource> discMedia_;
    bool discMediaWatched_ = false;
    int discInsertedCommand_ = -1;
    int discEjectedCommand_ = -1;
};

// Makes a button the kind its style asks for (help for 'ahlp', else check,
// cool or push) and places its title beside its picture.
void LApplyButtonStyle(LViewHandle button, const LButtonStyle& style);
// Height in pixels of the text wrapped to width in the label font.
int LGetLabelTextHeight(const LWindow* window, const char* text, int width);
void LEnableControl(LViewHandle view, bool enable);
// The focused control of the active window, or null.
LViewHandle LGetFocusView();
// LWindow::SetControlText for callers that hold the window by pointer.
void LSetControlText(LWindow* window, int id, const char* text);
// Applies every tooltip under the view again (an embedded window shown anew).
void LRefreshToolTips(LViewHandle view);

// The LWindow that owns a view (its "window" association), or null.
LWindow* LGetWindowFromView(LViewHandle view);

// Modal depth shared by DoModal, message boxes, modal sessions and progress
// dialogs; the hook runs when it leaves or returns to 0 (false: disable the
// main menu, true: enable it).
int LGetModalDepth();
void LIncrementModalDepth();
void LDecrementModalDepth();
void LSetMainMenuEnableHook(void (*hook)(bool enable));
// Ends every running DoModal with Cancel, innermost first: a session that
// ends leaves nobody to answer them.
void LCancelModalRuns();

// Help topics open with the help issue; until then this only records the call.
void LOpenHelpTopic(const char* topic);
const char* LLastHelpTopic();
