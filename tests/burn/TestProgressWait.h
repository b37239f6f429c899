#pragma once
// The progress wait of the burner tests: it keeps every status line, message
// box and busy-bar switch, and cancels once asked to. Its sleeps are short
// real ones; the drive waits run on the fake clock of the test drive.

#include "burn/LProgressWait.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace quorin::test {

class TestProgressWait : public LProgressWait
{
public:
    bool stop = false;
    std::function<bool()> stopWhen;
    std::vector<std::string> lines[3];
    std::vector<std::string> messages;
    int busyOn = 0;
    int busyOff = 0;
    double progress = 0;

    bool IsCancelled() override { return stop || (stopWhen && stopWhen()); }
    bool Sleep(uint32_t ms) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(ms, 2)));
        return IsCancelled();
    }
    void SetStatusText(const char* text, int line) override
    {
        if (line >= 0 && line < 3)
            lines[line].emplace_back(text);
    }
    void BusyOn() override { ++busyOn; }
    void BusyOff() override { ++busyOff; }
    void Message(const char* text) override { messages.emplace_back(text); }
    void Progress(double fraction) override { progress = fraction; }
};

} // namespace quorin::test
