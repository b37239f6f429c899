#pragma once
// Drops on a window. Files dragged from another program reach the window's
// LDragDropHandler, which reads their names through an LDropFileList. Drags
// that start inside the program reach an LDropTarget, which picks a data
// flavor (a MIME type name numbered by LNameToId) and receives its bytes.
// LDragSource starts such a drag.

#include "gui/framework/LView.h"

#include <cstdint>
#include <string>
#include <vector>

class LWindow;

// One drag as the toolkit delivered it; opaque here.
struct LDragInfo
{
    const void* mimeData = nullptr; // the toolkit's data of the drag
    LViewHandle view = nullptr;     // the view it is over
    double x = 0;                   // position in the view, points
    double y = 0;
    bool fromInside = false; // the drag started in this program
};

class LDragDropHandler
{
public:
    virtual ~LDragDropHandler() = default;
    // The drop of a drag from another program.
    virtual void OnDrop(const LDragInfo& info) = 0;

    // Makes the window's view take file drops for this handler (null stops).
    static void Register(LDragDropHandler* handler, LWindow* window);
    static void Unregister(LDragDropHandler* handler, LWindow* window);
};

// The dropped files' paths, walked with Next.
class LDropFileList
{
public:
    // Gathers the paths and loads the first into current.
    void Start(const LDragInfo& info, int unused = 0);
    // The next path into current; index passes count at the end.
    void Next();

    std::string current;
    size_t count = 0;
    size_t index = 0; // 1-based position of current
    std::vector<std::string> names;
};

// The flavor that stands for files.
constexpr uint32_t kLDropFlavorFiles = 0x68667320; // 'hfs '

class LDropTarget
{
public:
    LDropTarget(LWindow* window, int id) : window(window), id(id) {}
    virtual ~LDropTarget();

    // Owners say which flavors they take and what a drop does.
    virtual bool Accept(uint32_t flavor)
    {
        (void)flavor;
        return false;
    }
    virtual void DragOver(int x, int y) { (void)x, (void)y; }
    virtual void DragLeave() {}
    // data: the bytes of a data flavor, or for files a vector of paths
    // (const std::vector<std::string>*).
    virtual int Drop(uint32_t flavor, int x, int y, const void* data, size_t size)
    {
        (void)flavor, (void)x, (void)y, (void)data, (void)size;
        return 0;
    }

    // Installs the target on a view of the window (the window's own view
    // when null); drags from inside the program over it come here.
    void Register(LViewHandle view = nullptr);
    void Unregister();

    bool DragEnter(const LDragInfo& info);
    // The drag's position in window pixels: view points times the scale,
    // plus the height of a top-level window's visible toolbar.
    void GetDropPoint(const LDragInfo& info, int* x, int* y) const;
    void Reset();
    int PerformDrop(const LDragInfo& info);

    uint32_t Flavor() const { return flavor_; }

    LWindow* window;
    int id;

private:
    uint32_t flavor_ = 0;
    LViewHandle view_ = nullptr;
};

// Starts a drag of bytes under a flavor from a view of the window; blocks
// until the drag ends and answers whether it was dropped.
class LDragSource
{
public:
    explicit LDragSource(LWindow* window) : window(window) {}
    virtual ~LDragSource() = default;
    bool StartDrag(LViewHandle view, uint32_t flavor, const void* data, size_t size);

    LWindow* window;
    bool dragging = false;
};
