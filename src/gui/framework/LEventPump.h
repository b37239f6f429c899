#pragma once
// Keeping the main thread's events flowing while it works or waits: a long
// operation on the main thread calls these instead of sleeping or blocking,
// so windows repaint, Cancel works and queued notifications arrive.

#include "gui/framework/LView.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// Handles every pending event (the modal session's, while one runs) without waiting.
void LProcessPendingEvents();

// Pumps events until condition holds (1) or, with a time-out, the time ran
// out (2). The loop wakes at least every 50 ms, so a condition flipped by
// another thread without any event is still seen; times use the steady clock.
int LWaitWithMessagePump(const std::function<bool()>& condition, bool hasTimeout, uint32_t timeoutMs);

// Pumps events until a descriptor is readable (0), stop holds (1) or the time
// ran out (2); the descriptors wake the loop. stopFirst: the stop test comes
// before the readiness test in each pass.
int LWaitForDescriptorsWithMessagePump(const int* fds, size_t count, const std::function<bool()>& stop,
                                       bool hasTimeout, uint32_t timeoutMs, bool stopFirst);

// Joins a worker from the main thread without starving the event loop:
// waits for finished in bounded slices, then calls join.
void LJoinWithMessagePump(const std::function<bool()>& finished, const std::function<void()>& join);

// Step-wise modal sessions for windows that stay modal while the caller
// keeps working (progress windows).
bool BeginModalSession(LViewHandle view);
bool PumpModalSession();
bool EndModalSession(LViewHandle view);
// The content view of the application's current modal window, or null.
LViewHandle LGetModalWindowView();

void LBringAppToFront();
// No script runner on this platform: always 2 (failed).
int LRunAppleScriptSource(const char* text);
