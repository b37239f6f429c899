#pragma once
// A process context for the burner tests: it keeps every status line and
// asks to stop once a given condition holds.

#include "foundation/threads/LLocalProcessContext.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace quorin::test {

class BurnTestContext : public LLocalProcessContext
{
public:
    std::function<bool()> stopWhen;
    std::vector<std::string> lines[3];

    bool IsStopRequested() override { return stopWhen && stopWhen(); }
    bool WaitForStop(uint32_t ms) override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (IsStopRequested())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return IsStopRequested();
    }
    void MessageLevel(const char* text, int level) override
    {
        if (level >= 0 && level < 3)
            lines[level].emplace_back(text);
    }
};

} // namespace quorin::test
