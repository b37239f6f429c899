// The recording session window driven through its commands against the fake
// sound device: the enable states of the six buttons, pause and resume,
// restart, split, stop and discard, closing, and the faults the window mends
// (an unverified recording kept, an unknown output format queued as WAV, a
// paused track finished on close, the recorder stopped before its sink goes).

#include "RecordingSessionTestSupport.h"

#include "app/program/recording/SessionSpaceTexts.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

using namespace quorin::test;

namespace {

struct Row
{
    bool record, pause, restart, stop, split, discard;
};

class RecordingSession : public SessionTest
{
protected:
    void ExpectRow(const char* state, Row row)
    {
        SCOPED_TRACE(state);
        EXPECT_EQ(session_->IsControlEnabled(kSessionRecord), row.record);
        EXPECT_EQ(session_->IsControlEnabled(kSessionPause), row.pause);
        EXPECT_EQ(session_->IsControlEnabled(kSessionRestart), row.restart);
        EXPECT_EQ(session_->IsControlEnabled(kSessionStop), row.stop);
        EXPECT_EQ(session_->IsControlEnabled(kSessionSplit), row.split);
        EXPECT_EQ(session_->IsControlEnabled(kSessionDiscard), row.discard);
    }

    void Options(bool recordAudioOnly, bool autoSplit)
    {
        LSettingsSetString("Settings", "RecordAudioOnly", recordAudioOnly ? "1" : "0");
        LSettingsSetString("Settings", "AutoSplitTracks", autoSplit ? "1" : "0");
    }

    // Records a verified stretch of tone: options without waiting or
    // auto-split verify with the first report.
    void RecordVerified(double seconds)
    {
        Options(false, false);
        Feed(ToneAtLevel(60, -12));
        Open();
        Command(kSessionRecord);
        ASSERT_TRUE(session_->IsBusy());
        StepSeconds(seconds);
        ASSERT_TRUE(session_->IsVerified());
    }

    int64_t WavFrames(const std::string& path)
    {
        LSoundSourcePtr source;
        LOpenWavSoundSource(source, path.c_str());
        return source->GetStatus() == kSoundStatusOk ? source->GetLength() : -1;
    }
};

TEST_F(RecordingSession, ButtonsFollowTheStateTable)
{
    // Idle.
    Options(true, false);
    Feed(std::vector<int32_t>(44100 * 2 * 30, 0));
    Open();
    ExpectRow("idle", {true, false, false, false, false, false});
    EXPECT_EQ(Text(kSessionStateText), "Idle - Press Record to begin recording");

    // Waiting for sound: the input stays silent under the floor.
    Command(kSessionRecord);
    Step(8);
    ASSERT_EQ(session_->Recorder().GetState(), kRecorderWaiting);
    ExpectRow("waiting for sound", {false, true, true, true, false, true});
    StepSeconds(2);
    EXPECT_EQ(Text(kSessionStateText), "Waiting for noise floor: -40dB");
    // Pause does nothing while only waiting.
    Command(kSessionPause);
    EXPECT_FALSE(session_->IsPaused());
    EXPECT_TRUE(session_->IsBusy());
    Command(kSessionStop);
    ExpectRow("stopped", {true, false, false, false, false, false});

    // Recording, not verified yet: auto-split verifies after two seconds of input.
    Options(false, true);
    Feed(ToneAtLevel(60, -12));
    Command(kSessionRecord);
    Step(8);
    ASSERT_EQ(session_->Recorder().GetState(), kRecorderRecording);
    ASSERT_FALSE(session_->IsVerified());
    ExpectRow("recording, not verified", {false, true, true, true, false, true});
    // Discard is ignored until the start is verified.
    Command(kSessionDiscard);
    EXPECT_TRUE(session_->IsBusy());

    StepSeconds(2.5);
    ASSERT_TRUE(session_->IsVerified());
    EXPECT_EQ(Text(kSessionStateText), "Recording");
    ExpectRow("recording, verified", {false, true, true, true, true, true});

    Command(kSessionPause);
    ASSERT_TRUE(session_->IsPaused());
    ExpectRow("paused", {true, false, false, true, false, true});

    // The option controls follow their check boxes.
    session_->SetCheck(kSessionAutoSplit, false);
    session_->SetCheck(kSessionUseMinTime, true);
    Command(kSessionAutoSplit);
    EXPECT_FALSE(session_->IsControlEnabled(kSessionSplitTime));
    EXPECT_TRUE(session_->IsControlEnabled(kSessionMinTime));
}

TEST_F(RecordingSession, RecordWhilePausedContinuesTheSameFileAndTime)
{
    RecordVerified(3);
    const std::string path = session_->TempPath();
    Command(kSessionPause);
    ASSERT_TRUE(session_->IsPaused());
    const int64_t pausedFrames = WavFrames(path);
    EXPECT_GT(pausedFrames, 44100 * 2);
    // No report reaches the window while paused: nothing moves.
    fake_.backend.StepCapture(kSessionBlock * 30);
    PumpFor(50);
    EXPECT_TRUE(session_->IsPaused());

    Command(kSessionRecord);
    ASSERT_TRUE(session_->IsBusy());
    EXPECT_EQ(session_->TempPath(), path);
    StepSeconds(2);
    // The time shown counts what was recorded before the pause, monitoring or
    // not. (A resumed recorder lets its first half second of input settle.)
    const int64_t fileMs = WavFrames(path) * 1000 / 44100;
    EXPECT_GE(fileMs, pausedFrames * 1000 / 44100 + 1400);
    EXPECT_NEAR(static_cast<double>(session_->CurrentMs()), static_cast<double>(fileMs), 300.0);
}

TEST_F(RecordingSession, DiscardRemovesTheFileAndQueuesNothing)
{
    RecordVerified(2);
    const std::string path = session_->TempPath();
    ASSERT_TRUE(Exists(path));
    Command(kSessionDiscard);
    EXPECT_FALSE(session_->IsBusy());
    EXPECT_FALSE(Exists(path));
    PumpFor(50);
    EXPECT_EQ(queued_->load(), 0);
    EXPECT_EQ(main_->Count(kSessionMessageDiscarded, 0), 1);
}

TEST_F(RecordingSession, SplitClosesTheTrackAndStartsANewFileWithAutoSplitOff)
{
    RecordVerified(2);
    const std::string first = session_->TempPath();
    const std::string firstName = session_->TrackName();
    Command(kSessionSplit);
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 1; }));
    EXPECT_TRUE(session_->IsBusy());
    EXPECT_NE(session_->TempPath(), first);
    EXPECT_TRUE(Exists(session_->TempPath()));
    EXPECT_NE(std::string(session_->TrackName()), firstName); // the next track has the next name
    EXPECT_GE(main_->Count(kSessionMessageTrackDone, 1), 1);
}

TEST_F(RecordingSession, StopKeepsAnUnverifiedRecordingLongerThanTheMinimum)
{
    // A quiet tape below the floor: the start is never verified, but the
    // recording is not thrown away.
    Options(false, true);
    Feed(ToneAtLevel(60, -70));
    Open();
    Command(kSessionRecord);
    Step(12);
    ASSERT_EQ(session_->Recorder().GetState(), kRecorderRecording);
    ASSERT_FALSE(session_->IsVerified());
    const std::string path = session_->TempPath();
    Command(kSessionStop);
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 1; }));
    EXPECT_EQ(std::string(session_->TempPath()), "");
}

TEST_F(RecordingSession, TracksShorterThanTheMinimumAreDiscarded)
{
    struct Case
    {
        const char* what;
        bool verified;
    } cases[] = {{"verified", true}, {"not verified", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LSettingsSetString("Settings", "UseMinTime", "1");
        LSettingsSetString("Settings", "MinTime", "5");
        Options(false, !c.verified);
        Feed(ToneAtLevel(60, c.verified ? -12 : -70));
        Open();
        Command(kSessionRecord);
        StepSeconds(1.5);
        ASSERT_EQ(session_->IsVerified(), c.verified);
        const std::string path = session_->TempPath();
        Command(kSessionStop);
        PumpFor(50);
        EXPECT_FALSE(Exists(path));
        EXPECT_EQ(queued_->load(), 0);
        if (c.verified) {
            EXPECT_EQ(Text(kSessionStateText), "Recording Discarded");
        }
        session_->DestroyWindow();
        session_.reset();
    }
}

TEST_F(RecordingSession, AnUnknownOutputFormatIsQueuedAsWav)
{
    LSettingsSetString("OutputFormat", "OutputFormatNum", "7");
    RecordVerified(2);
    EXPECT_EQ(Text(kSessionFileInfo), "WAV 44100Hz Stereo");
    Command(kSessionStop);
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 1; }));
}

TEST_F(RecordingSession, ClosingWhilePausedFinishesAndQueuesTheTrack)
{
    RecordVerified(2);
    Command(kSessionPause);
    ASSERT_TRUE(session_->IsPaused());
    Command(kCommandCancel);
    EXPECT_FALSE(session_->IsWindow());
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 1; }));
}

TEST_F(RecordingSession, ClosingWhileRecordingAsksFirst)
{
    RecordVerified(2);
    const std::string path = session_->TempPath();
    for (const char* answer : {"Cancel", "Finish"}) {
        QString seen;
        QTimer::singleShot(30, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = box->informativeText();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer)
                    button->click();
        });
        Command(kCommandCancel);
        EXPECT_TRUE(seen.contains("in the middle of a recording")) << answer;
        if (std::string(answer) == "Cancel") {
            EXPECT_TRUE(session_->IsWindow());
            EXPECT_TRUE(session_->IsBusy());
        }
    }
    EXPECT_FALSE(session_->IsWindow());
    EXPECT_FALSE(Exists(path)); // the user agreed to lose it
    EXPECT_EQ(queued_->load(), 0);
}

TEST_F(RecordingSession, RestartWhileWaitingStopsTheRecorderBeforeItsFileGoes)
{
    Options(true, false);
    Feed(std::vector<int32_t>(44100 * 2 * 30, 0));
    const auto tone = ToneAtLevel(60, -12);
    Open();
    Command(kSessionRecord);
    Step(6);
    ASSERT_EQ(session_->Recorder().GetState(), kRecorderWaiting);
    const std::string old = session_->TempPath();
    Feed(tone);
    Command(kSessionRestart);
    EXPECT_FALSE(Exists(old));
    ASSERT_TRUE(session_->IsBusy());
    const std::string fresh = session_->TempPath();
    EXPECT_NE(fresh, old);
    StepSeconds(2);
    EXPECT_FALSE(Exists(old)); // nothing writes into the old file again
    EXPECT_GT(WavFrames(fresh), 44100);
}

TEST_F(RecordingSession, KeysReachTheirCommands)
{
    Options(false, false);
    Feed(ToneAtLevel(60, -12));
    Open();
    EXPECT_TRUE(session_->OnKeyDown(LKey::FromVirtualKey(kVKF5)));
    EXPECT_TRUE(session_->IsBusy());
    StepSeconds(1);
    EXPECT_TRUE(session_->OnKeyDown(LKey::FromCharacter(u' ')));
    EXPECT_TRUE(session_->IsPaused());
    EXPECT_TRUE(session_->OnKeyDown(LKey::FromCharacter(u'D', LKey::kCommand)));
    EXPECT_FALSE(session_->IsPaused());
    EXPECT_FALSE(session_->OnKeyDown(LKey::FromCharacter(u'Q')));
}

TEST_F(RecordingSession, AutoSplitClosesATrackAtTheSilence)
{
    Options(true, true);
    // Three seconds of music, then silence.
    Feed(ToneAtLevel(3, -12));
    Open();
    Command(kSessionRecord);
    // Every later stream of the fake device hears silence only.
    Feed(std::vector<int32_t>(44100 * 2, 0));
    StepSeconds(3);
    // Waits on what the window reports, not on how long a loaded machine takes.
    ASSERT_TRUE(PumpUntil([&] { return session_->IsVerified(); }, 60000));
    const std::string first = session_->TempPath();
    StepSeconds(4);
    ASSERT_TRUE(PumpUntil([&] { return queued_->load() == 1; }, 60000));
    ASSERT_TRUE(PumpUntil([&] { return std::string(session_->TempPath()) != first; }, 60000));
    EXPECT_NE(std::string(session_->TempPath()), first);
    EXPECT_EQ(session_->Recorder().GetState(), kRecorderWaiting); // the next track waits for sound

    // The worker turns the track into "Untitled 01.wav": the music, the
    // lead-in and the two seconds of silence that ended it.
    const std::string out = home_.Path("Music/Quorin/Untitled 01.wav");
    ASSERT_TRUE(PumpUntil([&] { return WavFrames(out) > 0; }, 60000));
    EXPECT_NEAR(WavFrames(out) / 44100.0, 5.0, 0.5);
}

TEST_F(RecordingSession, NoEndOfTrackWhilePaused)
{
    Options(false, true);
    Feed(ToneAtLevel(2.6, -12));
    Open();
    Command(kSessionRecord);
    StepSeconds(3);
    ASSERT_TRUE(session_->IsVerified());
    Command(kSessionPause);
    ASSERT_TRUE(session_->IsPaused());
    fake_.backend.StepCapture(kSessionBlock * 60);
    PumpFor(100);
    EXPECT_TRUE(session_->IsPaused());
    EXPECT_EQ(queued_->load(), 0);
}

TEST_F(RecordingSession, ARecorderThatEndsByItselfLeavesAQueuedTrack)
{
    // The input stops delivering: the recorder gives up after a few seconds
    // without a block, and what it recorded becomes a track.
    RecordVerified(2);
    ASSERT_TRUE(PumpUntil([&] { return !session_->IsBusy(); }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 1; }));
    EXPECT_FALSE(session_->IsPaused());
    EXPECT_EQ(Text(kSessionStateText), "Idle - Press Record to begin recording");
}

TEST_F(RecordingSession, OptionsAreStoredAsTheUserSetsThem)
{
    Options(false, false);
    Open();
    session_->SetCheck(kSessionAutoSplit, true);
    session_->SetCheck(kSessionUseMinTime, true);
    session_->SetUpDownValue(kSessionSplitTime, 7);
    session_->SetUpDownValue(kSessionMinTime, 12);
    Command(kSessionUpDownChanged);
    EXPECT_EQ(LSettingsGetInt("Settings", "AutoSplitTime", 0), 7);
    EXPECT_EQ(LSettingsGetInt("Settings", "MinTime", 0), 12);
    char text[260] = {};
    LSettingsGetString("Settings", "AutoSplitTracks", "", text);
    EXPECT_STREQ(text, "1");
    // "MinTime" is whole seconds, never below two.
    session_->SetUpDownValue(kSessionMinTime, 1);
    Command(kSessionUpDownChanged);
    EXPECT_EQ(LSettingsGetInt("Settings", "MinTime", 0), 2);
}

TEST_F(RecordingSession, DiscSpaceFollowsTheOutputAction)
{
    struct Case
    {
        const char* format;
        SessionDiscState disc;
        const char* text;
    } cases[] = {
        {"0", SessionDiscState{true, 75 * 600}, "N/A"},
        {"4", SessionDiscState{}, "No Disc in Drive"},
        {"4", SessionDiscState{true, 75 * 600}, "0:10:00.00"},
        {"2", SessionDiscState{true, 512 * 100}, "100.000 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + c.text);
        LSettingsSetString("OutputFormat", "OutputFormatNum", c.format);
        SetSessionDiscQuery([disc = c.disc] { return disc; });
        Open();
        EXPECT_EQ(Text(kSessionDiscSpace), c.text);
        session_->DestroyWindow();
        session_.reset();
    }
    SetSessionDiscQuery({});
}

} // namespace
