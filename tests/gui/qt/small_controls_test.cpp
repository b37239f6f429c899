// The volume slider, the date picker and the hyperlink.

#include "gui/qt/LQtFindControl.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtSmallControls.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "small_controls_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

LWindow* const kWindow = reinterpret_cast<LWindow*>(0x5151);
std::vector<int32_t> g_commands;
std::vector<std::string> g_opened;

class SmallControls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App();
        g_commands.clear();
        g_opened.clear();
        LQtSetCommandSender([](LWindow* window, int32_t command) {
            if (window == kWindow)
                g_commands.push_back(command);
        });
        LQtHyperLinkImpl::SetOpener([](const char* url) {
            g_opened.push_back(url);
            return true;
        });
        view = std::make_unique<QWidget>();
        LQtSetControlWindow(view.get(), kWindow);
        view->resize(300, 200);
    }
    void TearDown() override
    {
        view.reset();
        LQtSetCommandSender(nullptr);
        LQtHyperLinkImpl::SetOpener(nullptr);
    }
    std::unique_ptr<QWidget> view;
};

TEST_F(SmallControls, VolumeLevelsStayInRangeAndSendOnlyForTheUser)
{
    auto* volume = new LQtVolumeSliderImpl(view.get(), 311, 312);
    volume->SetId(80);
    volume->setGeometry(10, 10, 200, 17);
    EXPECT_EQ(volume->MinLevel(), -48);
    EXPECT_EQ(volume->MaxLevel(), 0);
    struct Case
    {
        int set;
        int read;
    };
    for (const auto& c : {Case{-6, -6}, Case{100, 0}, Case{-200, -48}, Case{0, 0}}) {
        volume->SetLevel(c.set);
        EXPECT_EQ(volume->Level(), c.read) << c.set;
    }
    EXPECT_TRUE(g_commands.empty());
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    volume->Slider()->setFocus();
    QTest::keyClick(volume->Slider(), Qt::Key_Left);
    EXPECT_EQ(volume->Level(), -1);
    EXPECT_EQ(g_commands, std::vector<int32_t>{80});
}

TEST_F(SmallControls, DatePickerReportsOnlyTheUsersChanges)
{
    auto* picker = new LQtDateTimeImpl(view.get());
    LQtSetControlCommand(picker, kLQtCommandKeyDateChange, 90);
    picker->SetDateTime(QDateTime(QDate(2024, 5, 17), QTime(10, 30)));
    EXPECT_EQ(picker->date(), QDate(2024, 5, 17));
    EXPECT_TRUE(g_commands.empty());
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    picker->setFocus();
    picker->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClick(picker, Qt::Key_Up);
    EXPECT_EQ(picker->date().year(), 2025);
    EXPECT_EQ(g_commands, std::vector<int32_t>{90});
}

TEST_F(SmallControls, HyperLinkOpensItsAddressOrSendsItsId)
{
    auto* link = new LQtHyperLinkImpl(view.get());
    LQtSetControlId(link, 70);
    link->SetLinkText("Oxbel Software");
    link->setGeometry(10, 10, 150, 20);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    link->SetURL("");
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(g_commands, std::vector<int32_t>{70});
    EXPECT_TRUE(g_opened.empty());
    link->SetURL("https://example.org/quorin");
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(g_opened, std::vector<std::string>{"https://example.org/quorin"});
    EXPECT_EQ(g_commands.size(), 1u);
}

} // namespace
