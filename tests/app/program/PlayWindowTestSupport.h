#pragma once
// The play window offscreen: message boxes answered from a queue and kept,
// a stand-in main window that keeps what the window posts to it, and WAV
// fixtures made with sox.

#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include "app/program/MainDialog.h"
#include "app/program/play/PlayWindow.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace quorin::test {

class TestPlayWindow : public PlayWindow
{
public:
    TestPlayWindow(LViewHandle mainView, const char* path) : PlayWindow(mainView, path, &result) {}
    ~TestPlayWindow() override
    {
        player_.Stop();
        if (IsWindow())
            DestroyWindow();
    }

    int ShowBox(const char* text, const char* title, int64_t, const char*, const char*, const char*) override
    {
        boxes.push_back(std::string(title) + ": " + text);
        if (answers.empty())
            return 1;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // As the user would drag it: the slider's level, without its command.
    void SetLevelForTest(int dB) { volume_.SetLevel(dB); }

    int result = 0;
    std::deque<int> answers;
    std::vector<std::string> boxes;
};

// Keeps the messages posted to the main window; a split request's points are
// taken out of its payload.
class MainStub : public LWindow, public LInterWinMessageHandler
{
public:
    MainStub()
    {
        CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
        ShowModeless(nullptr, LPlacementNone, false);
        Register(this, 0);
    }
    ~MainStub() override
    {
        Unregister();
        if (IsWindow())
            DestroyWindow();
    }
    void OnCommand(int command, int extra) override { LWindow::OnCommand(command, extra); }
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t) override
    {
        events.push_back(eventId);
        if (eventId == kMainMsgSplitFile) {
            std::unique_ptr<MainSplitRequest> request(
                reinterpret_cast<MainSplitRequest*>(static_cast<intptr_t>(data1)));
            splitPath = request->path;
            splitPoints = request->points;
        }
    }
    int Count(uint32_t eventId) const
    {
        int n = 0;
        for (uint32_t e : events)
            n += e == eventId ? 1 : 0;
        return n;
    }
    std::vector<uint32_t> events;
    std::string splitPath;
    std::vector<int64_t> splitPoints;
};

inline std::string MakeTone(const std::string& path, double seconds, int rate = 44100, double volume = 0.5)
{
    EXPECT_EQ(RunCommand("sox -q -n -r " + std::to_string(rate) + " -c 2 -b 16 " + Quote(path) + " synth " +
                         std::to_string(seconds) + " sine 440 vol " + std::to_string(volume)),
              0);
    return path;
}

// Frames of a sound file as soxi counts them; -1 when soxi cannot read it.
inline int64_t SoxFrames(const std::string& path)
{
    int status = -1;
    const std::string text = CaptureCommand("soxi -s " + Quote(path) + " 2>/dev/null", &status);
    return status == 0 && !text.empty() ? std::stoll(text) : -1;
}

} // namespace quorin::test
