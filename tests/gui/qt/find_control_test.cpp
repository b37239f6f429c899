// Controls found by id: direct children in creation order, one level into an
// up-down composite, never deeper.
#include "gui/GuiTestSupport.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"

#include <QLineEdit>

#include <gtest/gtest.h>

using namespace quorin::test;

TEST(FindControl, ByIdAmongDirectChildrenAndIntoUpDownComposites)
{
    GuiApp();
    LWindow window;
    window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    QWidget* view = LQtWidget(window.GetView());
    auto* first = new QWidget(view);
    LQtSetControlId(first, 10);
    auto* twin = new QWidget(view);
    LQtSetControlId(twin, 10);
    auto* group = new QWidget(view);
    LQtSetControlId(group, 20);
    auto* nested = new QWidget(group);
    LQtSetControlId(nested, 21);
    auto* upDown = new QWidget(view);
    LQtSetControlId(upDown, 30);
    upDown->setProperty("lupdown", true);
    auto* field = new QLineEdit(upDown);
    LQtSetControlId(field, 31);

    struct Case
    {
        int id;
        QWidget* expected;
    };
    for (Case c : {Case{10, first}, Case{20, group}, Case{21, nullptr}, Case{30, upDown}, Case{31, field},
                   Case{99, nullptr}, Case{-1, nullptr}}) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(LQtFindControl(view, c.id), c.expected);
        EXPECT_EQ(window.GetControl(c.id), LQtHandle(c.expected));
    }
    EXPECT_EQ(LQtFindControl(nullptr, 10), nullptr);
    window.DestroyWindow();
    EXPECT_EQ(window.GetControl(10), nullptr);
}

TEST(FindControl, CallsOnMissingOrOtherKindsOfControlsDoNothing)
{
    GuiApp();
    LWindow window;
    window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    window.AddStaticText(5, "label");
    char buffer[260] = "junk";
    EXPECT_STREQ(window.GetButtonText(5, buffer), "");
    EXPECT_FALSE(window.PressButton(5));
    EXPECT_FALSE(window.PressButton(6));
    EXPECT_FALSE(window.SetControlRect(6, 0, 0, 10, 10));
    window.SetProgressBarPos(5, 0.5);
    EXPECT_EQ(window.GetProgressBarValue(5), -1);
    EXPECT_EQ(window.GetControlTextN(6, buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "");
    window.DestroyWindow();
}

TEST(FindControl, TextsAreCutAtCharacterBoundaries)
{
    GuiApp();
    LWindow window;
    window.CreateCocoaWindow(200, 100, kWindowStyleTitled, false, nullptr);
    // "Ab" then three two-byte characters.
    window.AddStaticText(5, "Ab\xC3\xA9\xC3\xA9\xC3\xA9");
    window.AddButtonNoRect(6, "Ab\xC3\xA9\xC3\xA9\xC3\xA9");
    struct Case
    {
        size_t size;
        const char* expected;
    };
    for (Case c : {Case{4, "Ab"}, Case{5, "Ab\xC3\xA9"}, Case{6, "Ab\xC3\xA9"},
                   Case{9, "Ab\xC3\xA9\xC3\xA9\xC3\xA9"}, Case{1, ""}}) {
        char buffer[16];
        SCOPED_TRACE(c.size);
        EXPECT_STREQ(window.GetControlTextN(5, buffer, c.size), c.expected);
        EXPECT_STREQ(window.GetStaticText(5, buffer, c.size), c.expected);
        EXPECT_STREQ(window.GetButtonText(6, buffer, c.size), c.expected);
    }
    std::string whole;
    window.GetControlTextLong(5, whole);
    EXPECT_EQ(whole, "Ab\xC3\xA9\xC3\xA9\xC3\xA9");
    window.DestroyWindow();
}
