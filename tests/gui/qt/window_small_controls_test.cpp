// Volume slider, date picker and hyperlinks through the window's control
// API, and the disc-media commands over a fake media source.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LDiscMediaEvents.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtSmallControls.h"

#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorin::test;

namespace {

std::vector<std::string> g_opened;

class RecordingWindow : public LWindow
{
public:
    std::vector<int> commands;
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

class WindowSmallControls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        g_opened.clear();
        LQtHyperLinkImpl::SetOpener([](const char* url) {
            g_opened.push_back(url);
            return true;
        });
        window.CreateCocoaWindow(400, 300, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(10);
        window.commands.clear();
    }
    void TearDown() override
    {
        LQtHyperLinkImpl::SetOpener(nullptr);
        LSetDiscMediaEventSourceFactory(nullptr);
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }
    template <typename T> T* Control(int id)
    {
        return qobject_cast<T*>(LQtFindControl(LQtWidget(window.GetView()), id));
    }

    RecordingWindow window;
};

TEST_F(WindowSmallControls, VolumeSliderStartsAtMinus48To0AndSendsTheUsersMoves)
{
    window.AddVolumeSlider(30);
    auto* volume = Control<LQtVolumeSliderImpl>(30);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->MinLevel(), -48);
    EXPECT_EQ(volume->MaxLevel(), 0);
    volume->SetLevel(-6);
    EXPECT_EQ(volume->Level(), -6);
    EXPECT_TRUE(window.commands.empty());
    volume->Slider()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(window.commands, std::vector<int>{30});
}

TEST_F(WindowSmallControls, DatePickerElementsAndSeconds)
{
    struct Case
    {
        unsigned flags;
        QString format;
        QAbstractSpinBox::ButtonSymbols buttons;
    };
    const Case cases[] = {
        {0, "yyyy-MM-dd", QAbstractSpinBox::NoButtons},
        {1, "yyyy-MM-dd", QAbstractSpinBox::UpDownArrows},
        {8, "HH:mm:ss", QAbstractSpinBox::NoButtons},
        {8 | 4, "yyyy-MM-dd HH:mm:ss", QAbstractSpinBox::NoButtons},
        {8 | 2 | 1, "yyyy-MM-dd HH:mm:ss", QAbstractSpinBox::UpDownArrows},
    };
    int id = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        window.AddDateTimePicker(++id, 10, 10, 200, c.flags);
        auto* picker = Control<LQtDateTimeImpl>(id);
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->displayFormat(), c.format);
        EXPECT_EQ(picker->buttonSymbols(), c.buttons);
    }
    window.SetDateTimeShowTime(41);
    EXPECT_EQ(Control<LQtDateTimeImpl>(41)->displayFormat(), "yyyy-MM-dd HH:mm:ss");

    // Seconds go in and come out unchanged, and setting sends nothing.
    window.SetDateTimeCommand(41, 49);
    const int64_t when = 1715941845; // a whole second
    window.SetDateTime(41, &when);
    EXPECT_EQ(window.GetDateTime(41), when);
    EXPECT_TRUE(window.commands.empty());
    window.SetDateTimeNow(41);
    EXPECT_NEAR(static_cast<double>(window.GetDateTime(41)),
                static_cast<double>(QDateTime::currentSecsSinceEpoch()), 5);
    EXPECT_TRUE(window.commands.empty());
    // A user's change sends the command.
    auto* picker = Control<LQtDateTimeImpl>(41);
    picker->setFocus();
    picker->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClick(picker, Qt::Key_Up);
    EXPECT_EQ(window.commands, std::vector<int>{49});
    // Another control or none: 0 and nothing changes.
    window.AddVolumeSlider(60);
    EXPECT_EQ(window.GetDateTime(60), 0);
    EXPECT_EQ(window.GetDateTime(99), 0);
}

TEST_F(WindowSmallControls, HyperLinksOpenTheirAddressOrSendTheirId)
{
    window.AddHyperLink(70, "Home page", "https://example.org/", 10, 10, 150, 20);
    window.AddHyperLinkAligned(71, "Send", "", 2, 10, 40, 150);
    auto* home = Control<LQtHyperLinkImpl>(70);
    auto* send = Control<LQtHyperLinkImpl>(71);
    ASSERT_NE(home, nullptr);
    ASSERT_NE(send, nullptr);
    EXPECT_TRUE(send->alignment() & Qt::AlignRight);
    int h = 0;
    window.GetControlRect(71, nullptr, nullptr, nullptr, &h);
    EXPECT_NEAR(h, std::lround(window.CharHeightPx() * 1.23), 1);

    QTest::mouseClick(home, Qt::LeftButton);
    EXPECT_EQ(g_opened, std::vector<std::string>{"https://example.org/"});
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(window.commands, std::vector<int>{71});

    window.ClearHyperLinkURL(70);
    QTest::mouseClick(home, Qt::LeftButton);
    EXPECT_EQ(window.commands, (std::vector<int>{71, 70}));
    EXPECT_EQ(g_opened.size(), 1u);

    window.SetHyperLinkText(70, "Elsewhere");
    char text[260];
    EXPECT_STREQ(window.GetStaticText(70, text), "Elsewhere");
    window.SetHyperLinkURL(70, "https://example.org/b");
    QTest::mouseClick(home, Qt::LeftButton);
    EXPECT_EQ(g_opened.back(), "https://example.org/b");
}

TEST_F(WindowSmallControls, DiscMediaCommandsReachTheWindow)
{
    LSetDiscMediaEventSourceFactory(&LFakeDiscMediaEventSource::Create);
    const size_t before = LFakeDiscMediaEventSource::Live().size();
    window.SetDiscInsertedCommand(500, 0);
    window.SetDiscEjectedCommand(501, 0);
    // One source per window, however many commands are set.
    ASSERT_EQ(LFakeDiscMediaEventSource::Live().size(), before + 1);
    LFakeDiscMediaEventSource* source = LFakeDiscMediaEventSource::Live().back();
    EXPECT_EQ(window.GetDiscMediaEventSource(), source);
    source->Insert();
    source->Eject();
    EXPECT_EQ(window.commands, (std::vector<int>{500, 501}));
    // A negative command turns one direction off.
    window.SetDiscEjectedCommand(-1, 0);
    source->Eject();
    source->Insert();
    EXPECT_EQ(window.commands, (std::vector<int>{500, 501, 500}));
    // A closed window hears nothing more.
    window.EndDialog(kCommandCancel);
    source->Insert();
    EXPECT_EQ(window.commands.size(), 3u);
}

TEST_F(WindowSmallControls, WithoutAMediaSourceNoDiscCommandArrives)
{
    LSetDiscMediaEventSourceFactory(nullptr);
    window.SetDiscInsertedCommand(500, 0);
    EXPECT_EQ(window.GetDiscMediaEventSource(), nullptr);
}

} // namespace
