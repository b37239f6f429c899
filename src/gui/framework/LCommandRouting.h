#pragma once
// How commands and window messages reach a window. Sending is a direct call
// on the main thread. Posting may happen on any thread: the work goes on the
// one main-thread FIFO (LMainThreadDispatcher), so commands, window messages
// and notifications keep a single order, and each delivery checks that its
// target still lives.

#include "gui/framework/LView.h"

#include <cstddef>
#include <cstdint>

class LWindow;

// OnCommand then UpdateControls (while visible); NO for a window that is not
// alive. A negative command only runs UpdateControls and answers false.
bool LSendCommandToWindow(int command, LWindow* window);
// OnCommand(command, extra) for any value, then UpdateControls while the
// window is still alive and visible.
void LSendCommandExtra(uint32_t command, uint32_t extra, LWindow* window);
// Queued; false when the window is not alive or the command is negative.
bool LPostCommandToWindow(int command, LWindow* window);
// Queued with an extra detail; dropped at delivery when the window went.
void LPostCommandExtra(uint32_t command, uint32_t extra, LWindow* window);

// A window's receiver of window messages {event id, two data words}.
class LInterWinMessageHandler
{
public:
    LInterWinMessageHandler() = default;
    virtual ~LInterWinMessageHandler();
    LInterWinMessageHandler(const LInterWinMessageHandler&) = delete;
    LInterWinMessageHandler& operator=(const LInterWinMessageHandler&) = delete;

    virtual void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) = 0;

    // One registration serves every id; a negative id is ignored. False when
    // the registry is full (messages to the window are then refused).
    bool Register(LWindow* window, int eventId);
    void Unregister();
    LWindow* GetRegisteredWindow() const { return window_; }

private:
    LWindow* window_ = nullptr;
};

// The registry: 1024 records, packed, main thread only.
constexpr size_t kWindowMessageRegistrySize = 1024;
bool LIOSEventHandlerTableAdd(LWindow* window);
bool LIOSEventHandlerTableRemove(LWindow* window);
size_t LIOSEventHandlerTableCount();
LWindow* LIOSEventHandlerTableWindowAt(size_t index);
bool LIOSEventHandlerTableHasHandle(LViewHandle handle);

// Called for a dropped message's first data word, so a pointer payload whose
// receiver never ran is still freed. A delivered payload belongs to the
// receiver.
using LWindowMessageDeleter = void (*)(int64_t data1);

// Event id -1 (kWindowMessageCommand): a command, data1 the command, data2
// the extra detail. Other ids go to the window's registered handler.
// Sending from the main thread runs the handler now; from a worker it waits
// for the main thread and answers false when the target is torn down first
// or when no main loop takes the message in time.
bool LSendWindowMessage(LViewHandle handle, uint32_t eventId, int64_t data1, int64_t data2);
// Never blocks, never reads the registry on the calling thread: the record is
// resolved at delivery on the main thread.
bool LPostWindowMessage(LViewHandle handle, uint32_t eventId, int64_t data1, int64_t data2,
                        LWindowMessageDeleter deleter = nullptr);

// A window being torn down: blocking senders that wait for it give up.
void LAbandonWindowMessagesTo(LViewHandle handle);
