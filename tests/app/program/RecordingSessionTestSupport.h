#pragma once
// The recording session window on the fake sound device, offscreen: the
// input is stepped block by block from the test, so every report the window
// gets is known; a stand-in main window collects the posted messages and the
// queue's notices are counted.

#include "audio/devices/DeviceTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"

#include "app/program/recording/RecordingSessionDialog.h"
#include "app/queue/ProcessQueueWorker.h"
#include "app/queue/QueueNotices.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace quorin::test {

constexpr int64_t kSessionBlock = 4410; // the recorder's buffer at 44100 Hz: a tenth of a second

// Receives what the session posts to the main window.
class MainWindowStub : public LWindow, public LInterWinMessageHandler
{
public:
    MainWindowStub()
    {
        CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
        ShowModeless(nullptr, LPlacementNone, false);
        Register(this, 0);
    }
    ~MainWindowStub() override
    {
        Unregister();
        if (IsWindow())
            DestroyWindow();
    }
    void OnCommand(int command, int extra) override { LWindow::OnCommand(command, extra); }
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override
    {
        messages.push_back({eventId, data1, data2});
    }
    int Count(uint32_t eventId, int64_t data2) const
    {
        int n = 0;
        for (const auto& m : messages)
            n += (m[0] == eventId && m[2] == data2) ? 1 : 0;
        return n;
    }
    std::vector<std::array<int64_t, 3>> messages;
};

// Internal samples of a stereo tone whose recorder level reads dB.
inline std::vector<int32_t> ToneAtLevel(double seconds, int dB)
{
    const double amplitude = 131072.0 * std::pow(10.0, dB / 20.0) / 524287.0;
    return Tone(static_cast<int64_t>(seconds * 44100), 2, amplitude);
}

class SessionTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        fake_.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
        fake_.backend.AddOutput(MakeDevice("speakers", "Speakers", 2, "pci"));
        fake_.backend.SetDefaultInput("line");
        fake_.backend.SetDefaultOutput("speakers");
        fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kStepped, 441);
        LSettingsSetString("Recording", "Volume", "0");
        LSettingsSetString("Settings", "PlaybackAudioWhileRecording", "0");
        LSettingsSetString("Settings", "dBNoiseFloor", "-40");
        LSettingsSetString("Settings", "AppOutputFolder", home_.Path("Music/Quorin").c_str());
        mkdir(home_.Path("Music").c_str(), 0755);
        mkdir(home_.Path("Music/Quorin").c_str(), 0755);
        queued_ = std::make_shared<std::atomic<int>>(0);
        auto counter = queued_;
        QueueReporter().SetPoster([counter](const QueueNotice& notice) {
            if (notice.code == kQueueNoticeJobQueued)
                counter->fetch_add(1);
        });
    }

    void TearDown() override
    {
        if (session_) {
            session_->Recorder().Stop();
            if (session_->IsWindow())
                session_->DestroyWindow();
            session_.reset();
        }
        TheProcessQueueWorker().Shutdown();
        QueueReporter().SetPoster({});
        main_.reset();
    }

    // Sets the input to a tone at dB for seconds, then silence (at -127 dB).
    void Feed(const std::vector<int32_t>& internal)
    {
        fake_.backend.SetInputFeed("line", ToDevice(internal));
    }

    void Open()
    {
        main_ = std::make_unique<MainWindowStub>();
        session_ = std::make_unique<RecordingSessionDialog>(main_->GetView());
        ASSERT_TRUE(session_->CreateFromTemplate(RecordingSessionDialog::Template()));
        ASSERT_TRUE(session_->ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(20);
    }

    void Command(int command)
    {
        LSendCommandToWindow(command, session_.get());
        PumpFor(5);
    }

    // Delivers blocks of input and lets the recorder take each of them and
    // the window get the reports.
    void Step(int blocks)
    {
        for (int i = 0; i < blocks; ++i) {
            if (!session_->IsBusy())
                return;
            const int64_t before = session_->InputFrames();
            fake_.backend.StepCapture(kSessionBlock);
            EXPECT_TRUE(PumpUntil([&] { return session_->InputFrames() >= before + kSessionBlock; }, 5000))
                << "the recorder did not take block " << i;
            PumpFor(3);
        }
    }
    void StepSeconds(double seconds) { Step(static_cast<int>(std::lround(seconds * 10))); }

    std::string Text(int id)
    {
        char text[260] = {};
        session_->GetControlText(id, text);
        return text;
    }

    static bool Exists(const std::string& path)
    {
        struct stat info
        {
        };
        return !path.empty() && stat(path.c_str(), &info) == 0;
    }

    FakeDevices fake_;
    std::unique_ptr<MainWindowStub> main_;
    std::unique_ptr<RecordingSessionDialog> session_;
    std::shared_ptr<std::atomic<int>> queued_;
};

} // namespace quorin::test
