// Windows opened from another window: what the window manager is told about
// their owner, where they stand, and hiding the whole program and bringing it
// back.
#include "gui/GuiTestSupport.h"

#include "gui/framework/LApplication.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

class PlainWindow : public LWindow
{
public:
    void Make(int w, int h)
    {
        CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    }
    QWidget* Top() const { return LQtWidget(GetView())->window(); }
};

class WindowOwner : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        owner_.Make(300, 200);
        owner_.ShowModeless(nullptr, LPlacementNone);
        owner_.Top()->move(20, 20);
        ASSERT_TRUE(PumpUntil([&] { return owner_.Top()->isVisible(); }));
    }
    void TearDown() override
    {
        if (owner_.IsWindow())
            owner_.EndDialog(kCommandCancel);
    }

    PlainWindow owner_;
};

} // namespace

TEST_F(WindowOwner, AWindowOpenedFromAnotherIsADialogTransientForIt)
{
    struct Case
    {
        const char* how;
        bool modal;
        bool withOwner;
    };
    for (Case c :
         {Case{"modeless", false, true}, Case{"modal", true, true}, Case{"modeless alone", false, false}}) {
        SCOPED_TRACE(c.how);
        PlainWindow window;
        window.Make(100, 60);
        QWindow* transient = nullptr;
        Qt::WindowType type = Qt::Widget;
        auto look = [&] {
            QWidget* top = window.Top();
            type = top->windowType();
            transient = top->windowHandle() != nullptr ? top->windowHandle()->transientParent() : nullptr;
        };
        LWindow* parent = c.withOwner ? &owner_ : nullptr;
        if (c.modal) {
            QTimer::singleShot(0, [&] {
                look();
                window.EndDialog(kCommandOK);
            });
            window.DoModal(parent, LPlacementCenterOnParent);
        } else {
            window.ShowModeless(parent, LPlacementCenterOnParent);
            look();
            window.EndDialog(kCommandCancel);
        }
        if (c.withOwner) {
            EXPECT_EQ(type, Qt::Dialog);
            EXPECT_EQ(transient, owner_.Top()->windowHandle());
        } else {
            EXPECT_EQ(type, Qt::Window);
            EXPECT_EQ(transient, nullptr);
        }
    }
}

TEST_F(WindowOwner, AModalPlacedOnTheScreenStandsOverTheShownWindowItCameFrom)
{
    PlainWindow window;
    window.Make(100, 60);
    QRect frame;
    QTimer::singleShot(0, [&] {
        frame = window.Top()->frameGeometry();
        window.EndDialog(kCommandOK);
    });
    window.DoModal(&owner_, LPlacementCenterOnScreen);
    // Centred on the owner near the screen's top-left corner, not on the
    // 800 x 600 screen; placed before its frame is known, so within the
    // frame's width.
    const QRect owner = owner_.Top()->frameGeometry();
    EXPECT_NEAR(frame.center().x(), owner.center().x(), 4);
    EXPECT_NEAR(frame.center().y(), owner.center().y(), 4);
    EXPECT_LT(frame.right(), 400);
}

TEST_F(WindowOwner, HideTakesEveryWindowAwayAndBringingToFrontShowsThemOverTheirOwners)
{
    PlainWindow window;
    window.Make(100, 60);
    window.ShowModeless(&owner_, LPlacementCenterOnParent);
    ASSERT_TRUE(window.Top()->isVisible());

    LHideApplication();
    EXPECT_FALSE(owner_.Top()->isVisible());
    EXPECT_FALSE(window.Top()->isVisible());
    EXPECT_TRUE(owner_.IsWindow()); // hidden, not closed
    EXPECT_TRUE(window.IsWindow());

    LBringAppToFront();
    EXPECT_TRUE(owner_.Top()->isVisible());
    EXPECT_TRUE(window.Top()->isVisible());
    ASSERT_NE(window.Top()->windowHandle(), nullptr);
    EXPECT_EQ(window.Top()->windowHandle()->transientParent(), owner_.Top()->windowHandle());
    // Nothing more to bring back.
    EXPECT_FALSE(LUnhideApplication());
    window.EndDialog(kCommandCancel);
}
