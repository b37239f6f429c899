#pragma once
// The two custom-drawn panes of the suite launcher: the product pane (the
// programs of a category, each row with its title, description and a run
// button; it scrolls) and the featured-tasks pane (three tasks of the
// category as links). A click reaches the launcher as a window message:
// event 1 runs the entry (a product or a task entry), event 2 opens the web
// page of the product's info row.

#include "gui/controls/LPaintControl.h"
#include "gui/controls/LScrollView.h"
#include "online/LSuiteProducts.h"

#include <memory>
#include <string>
#include <vector>

class LWindow;

// The launcher's window messages from the panes.
inline constexpr int kSuiteRunItem = 1;
inline constexpr int kSuiteOpenWebPage = 2;

struct LSuiteRowRect
{
    int top = 0, bottom = 0, left = 0, right = 0;
};

struct LSuiteTaskEntry
{
    LSuiteRowRect row; // in the featured pane
    const LSuiteTask* task = nullptr;
    const LSuiteProductInfo* info = nullptr;
};

struct LSuiteProductEntry
{
    LSuiteRowRect row; // content coordinates
    const LSuiteProductInfo* info = nullptr;
    LSuiteRowRect button;
    bool pressed = false;
    bool hot = false;
    std::vector<std::unique_ptr<LSuiteTaskEntry>> tasks;
    bool installed = false;
};

// What a click hands to the launcher: a product entry, or one of its tasks.
struct LSuiteItem
{
    const LSuiteProductEntry* product = nullptr;
    const LSuiteTaskEntry* task = nullptr;
    const LSuiteProductInfo* Info() const
    {
        return task != nullptr ? task->info : product != nullptr ? product->info : nullptr;
    }
};

// The entry list and marking shared by both panes.
class LSuiteProductItem
{
public:
    virtual ~LSuiteProductItem() = default;

    void Clear();
    // Adds the task to its product's entry, making the entry (in display
    // order) when the product has none yet. installed is asked only then.
    LSuiteProductEntry* AddTask(const LSuiteTask* task, const LSuiteProductInfo* info, bool (*isInstalled)(const char*));
    // Display order: programs not installed first; then by sortWeight (a
    // weight before none, higher first), then by title ignoring case; a tie
    // goes after the entries already there.
    static bool GoesBefore(const LSuiteProductEntry& a, const LSuiteProductEntry& b);

    const std::vector<std::unique_ptr<LSuiteProductEntry>>& Entries() const { return entries_; }
    // The program itself is shown in neither pane.
    static bool IsHidden(const LSuiteProductEntry& entry);

protected:
    void BindFonts(LWindow* window, LViewHandle view);
    void SetToolTip(LViewHandle view, const char* format, const LSuiteProductInfo* info);

    std::vector<std::unique_ptr<LSuiteProductEntry>> entries_;
    LGuiIcon bullet_;
    LGuiFont smallFont_;
    LGuiFont smallUnderlinedFont_;
    LRGBColor border_ = LRGBColor::FromRGB8(137, 140, 149);
    bool markingActive_ = false;
    bool tooltipShown_ = false;
};

class LSuiteProductPane : public LSuiteProductItem, public LScrollPaintControl
{
public:
    ~LSuiteProductPane() override;
    // Binds the pane to the window's scrolling control id and makes the fonts.
    void AttachPane(LWindow* window, int id);

    // Measures and, unless measure, draws; width and height come in as the
    // visible size and go out as the content size.
    void PaintContent(LPaintContext* context, int* width, int* height, bool measure) override;
    // Measures again, sets the content height and redraws.
    void Relayout();
    void ScrollToTop();
    void OnSize() override;

    void OnMouseMove(int x, int y) override;
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnRButtonDown(int x, int y) override;
    void OnRButtonUp(int x, int y) override;
    void OnMouseLeave() override;

    const LSuiteProductEntry* Marked() const { return marked_; }
    // The visible width less a vertical scroller, in pixels.
    int ClientWidth() const;

private:
    LSuiteProductEntry* HitRow(int x, int y);
    static bool OnButton(const LSuiteProductEntry& entry, int x, int y);
    void ClearMarking();

    LSuiteProductEntry* marked_ = nullptr;
    LGuiFont titleFont_;
    LGuiFont titleUnderlinedFont_;
    LGuiFont buttonFont_;
    LGuiFont descriptionFont_;
    int laidOutWidth_ = -1;
    bool hotBefore_ = false; // the pointer was on the marked entry's button

    friend class LSuiteLauncherDialog;
};

class LSuiteProductButton : public LSuiteProductItem, public LPaintControl
{
public:
    ~LSuiteProductButton() override { Destroy(); }
    void AttachPane(LWindow* window, int id);

    void Paint(LPaintContext* context) override;
    void OnMouseMove(int x, int y) override;
    void OnMouseLeave() override;
    void OnLButtonDown(int x, int y) override;
    void OnRButtonDown(int x, int y) override;

    const LSuiteTaskEntry* Marked() const { return marked_; }

private:
    LSuiteTaskEntry* HitTask(int x, int y, bool strictly);

    LSuiteTaskEntry* marked_ = nullptr;
};

// The launcher answers the panes' context clicks with its "Launch..." menu.
void LSuiteShowLaunchMenu(LWindow* window);
