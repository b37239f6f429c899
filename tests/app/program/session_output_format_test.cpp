// The recording session's file-name link opens "Output Format"; what is
// chosen there names and formats the next track.

#include "PreferencesTestSupport.h"
#include "RecordingSessionTestSupport.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"

#include "app/program/preferences/FormatSettings.h"
#include "app/program/preferences/OutputFormatPage.h"
#include "gui/qt/LQtView.h"

#include <fstream>

using namespace quorin::test;

namespace {

class SessionOutputFormat : public SessionTest
{
protected:
    // Clicks the link and works the dialog that opens with work (which ends it).
    void ClickNameLink(const std::function<void(OutputFormatSheet&)>& work)
    {
        bool seen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || seen)
                return;
            OutputFormatSheet* sheet = nullptr;
            QList<QWidget*> widgets = modal->findChildren<QWidget*>();
            widgets.prepend(modal);
            for (QWidget* widget : widgets)
                if (sheet == nullptr)
                    sheet = dynamic_cast<OutputFormatSheet*>(LGetWindowFromView(LQtHandle(widget)));
            if (sheet == nullptr) {
                modal->close(); // not the dialog wanted: the test must not hang on it
                return;
            }
            seen = true;
            poll.stop();
            EXPECT_EQ(Setting("Wizard", "SetOutputFormat"), "1");
            work(*sheet);
        });
        poll.start(10);
        Command(kSessionNameLink);
        EXPECT_TRUE(seen) << "the link opened no Output Format dialog";
    }

    static std::string Setting(const char* section, const char* name)
    {
        char text[260] = {};
        return LSettingsGetString(section, name, "<absent>", text) ? text : "<absent>";
    }
};

TEST_F(SessionOutputFormat, TheChoiceNamesAndFormatsTheNextTrack)
{
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    LSettingsSetString("Wizard", "SetOutputFormat", "0");
    LSettingsSetString("Settings", "RecordAudioOnly", "0");
    LSettingsSetString("Settings", "AutoSplitTracks", "0");
    Feed(ToneAtLevel(60, -12));
    Open();
    EXPECT_EQ(Text(kSessionNameLink), "Untitled 01");
    ClickNameLink([](OutputFormatSheet& sheet) {
        OutputFormatPage& page = sheet.Page();
        page.SelectPullDownItem(OutputFormatPage::kActionList, 1);
        page.SendCommand(OutputFormatPage::kActionChanged);
        page.SetControlText(OutputFormatPage::kTemplateText, "Side A");
        sheet.SendCommand(kCommandOK);
    });
    EXPECT_EQ(Setting("Wizard", "SetOutputFormat"), "0");
    EXPECT_EQ(Text(kSessionNameLink), "Side A 01");
    EXPECT_EQ(Text(kSessionFileInfo).rfind("MP3 ", 0), 0u) << Text(kSessionFileInfo);

    // Cancel changes nothing.
    ClickNameLink([](OutputFormatSheet& sheet) {
        sheet.Page().SetControlText(OutputFormatPage::kTemplateText, "Side B");
        sheet.SendCommand(kCommandCancel);
    });
    EXPECT_EQ(Text(kSessionNameLink), "Side A 01");

    // The next track is made as chosen: "Side A 01.mp3", an MPEG audio file.
    Command(kSessionRecord);
    ASSERT_TRUE(session_->IsBusy());
    StepSeconds(2.5);
    ASSERT_TRUE(PumpUntil([&] { return session_->IsVerified(); }, 60000));
    Command(kSessionStop);
    ASSERT_TRUE(PumpUntil([&] { return queued_->load() == 1; }, 60000));
    const std::string out = home_.Path("Music/Quorin/Side A 01.mp3");
    ASSERT_TRUE(PumpUntil([&] { return Exists(out); }, 60000));
    ASSERT_TRUE(PumpUntil(
        [&] {
            std::ifstream in(out, std::ios::binary);
            char head[3] = {};
            in.read(head, 3);
            return in.gcount() == 3 && (std::string(head, 3) == "ID3" ||
                                        (static_cast<unsigned char>(head[0]) == 0xFF &&
                                         (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0));
        },
        60000));
}

} // namespace
