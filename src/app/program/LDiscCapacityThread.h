#pragma once
// The thread that keeps the main window's disc-capacity text current. Once a
// second it looks at its two request flags: when a refresh is asked for, it
// works out the capacity text of the selected drive's disc (reading the disc
// afresh when that is asked for too), posts it to its target as code 3001 and
// clears the refresh request. It never touches a window.

#include "foundation/threads/LThreadOwner.h"
#include "foundation/threads/LThreadQueuedNotify.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class LDiscCapacityThread : public LThreadOwner
{
public:
    static constexpr uint32_t kCapacityTextCode = 3001;
    static constexpr int kPriority = 4;

    // How the text is worked out: (reread the disc) -> text.
    using CapacityReader = std::function<std::string(bool reread)>;

    LDiscCapacityThread();
    ~LDiscCapacityThread() override;

    // Where the text goes (null: nowhere). Set before Start.
    void SetTarget(LQueuedNotifyDataHandler* target) { target_ = target; }
    void SetReader(CapacityReader reader) { reader_ = std::move(reader); }
    // The pause between two looks, 1000 ms unless a test wants it shorter.
    void SetInterval(uint32_t ms) { intervalMs_ = ms; }

    // The two request flags (any thread).
    void Request(bool reread, bool refresh);
    bool RereadRequested() const { return reread_.load(); }
    bool RefreshRequested() const { return refresh_.load(); }

    // The drive's text as the program shows it (LBurnDiscCapacityText):
    // "Disc Already Used", "No Disc in Drive", "No Drive", the free time of
    // a CD for audio ("H:MM:SS.cc"), else the free space ("%5.2f MB"); the
    // text saved last time when the disc is not to be read again.
    static std::string ReadSelectedDriveCapacity(bool reread);

protected:
    void Run() override;

private:
    LQueuedNotifyDataHandler* target_ = nullptr;
    CapacityReader reader_;
    uint32_t intervalMs_ = 1000;
    std::atomic<bool> reread_{false};
    std::atomic<bool> refresh_{false};
};
