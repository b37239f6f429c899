// The activity log pane: lines from any thread, halving at a line end, the
// colour applied on the main thread.
#include "gui/GuiTestSupport.h"

#include "gui/framework/LLogPane.h"
#include "gui/qt/LQtView.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace quorin::test;

TEST(LogPane, KeepsWholeLinesAndNeverMoreThanItsBuffer)
{
    GuiApp();
    LLogPane pane;
    for (int i = 0; i < 400; ++i) {
        std::string message =
            "line " + std::to_string(i) + " " + std::string(static_cast<size_t>(i % 50), 'x');
        pane.Append("12:00:00", message.c_str(), 0);
        std::string text = pane.Text();
        ASSERT_LT(text.size(), LLogPane::kBufferSize);
        ASSERT_EQ(text.rfind("12:00:00\t", 0), 0u) << "starts inside a line after " << i;
        ASSERT_EQ(text.back(), '\n');
    }
    EXPECT_NE(pane.Text().find("line 399 "), std::string::npos);
}

TEST(LogPane, ALongLineIsCutAtACharacterBoundary)
{
    GuiApp();
    LLogPane pane;
    std::string message;
    for (int i = 0; i < 200; ++i)
        message += "\xC3\xA9"; // 400 bytes of two-byte characters
    pane.Append("t", message.c_str(), 0);
    std::string text = pane.Text();
    EXPECT_LE(text.size(), LLogPane::kLineLimit);
    EXPECT_EQ(text.back(), '\n');
    // "t\t" then whole characters only.
    EXPECT_EQ((text.size() - 3) % 2, 0u);
}

TEST(LogPane, WorkersAppendTheColourIsAppliedOnTheMainThread)
{
    GuiApp();
    auto* view = new QPlainTextEdit();
    LLogPane pane;
    pane.SetTextView(LQtHandle(view));
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i)
            pane.Append("10:00:00", "working", 0);
        pane.Append("10:00:01", "failed", 1);
    });
    worker.join();
    // Nothing touched the view on the worker.
    EXPECT_EQ(view->toPlainText(), QString());
    EXPECT_EQ(pane.ShownColor(), (LRGBColor{61440, 61440, 61440}));
    ASSERT_TRUE(PumpUntil([&] { return view->toPlainText().endsWith("10:00:01\tfailed\n"); }));
    EXPECT_EQ(pane.ShownColor(), (LRGBColor{62976, 10240, 20480}));
    EXPECT_EQ(view->palette().color(QPalette::Text), QColor(246, 40, 80));
    pane.Append("10:00:02", "fine", 0); // on the main thread: shown at once
    EXPECT_TRUE(view->toPlainText().endsWith("10:00:02\tfine\n"));
    EXPECT_EQ(pane.ShownColor(), (LRGBColor{61440, 61440, 61440}));
    pane.TearDownNotify();
    delete view;
}
