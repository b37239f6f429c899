// Window base: modal runs, closing codes, the close box and Escape, and the
// commands every window handles.
#include "gui/GuiTestSupport.h"

#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QCloseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace quorin::test;

namespace {

class ProbeWindow : public LWindow
{
public:
    std::function<void(ProbeWindow&)> onCreate;
    std::function<void(ProbeWindow&)> onReady;
    bool canCancel = true;
    int updates = 0;
    int readies = 0;
    int destroys = 0;
    std::vector<int> commands;
    int depthInReady = -1;

    void OnCreate() override
    {
        AddOKCancelButtonsNoRect();
        if (onCreate)
            onCreate(*this);
    }
    void OnReady() override
    {
        ++readies;
        depthInReady = LGetModalDepth();
        if (onReady)
            onReady(*this);
    }
    void OnDestroy() override { ++destroys; }
    bool CanCancel() override { return canCancel; }
    void UpdateControls() override { ++updates; }
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }

    void Make(LViewHandle parent = nullptr)
    {
        CreateCocoaWindow(300, 120, kWindowStyleTitled | kWindowStyleClosable, false, parent);
    }
};

std::vector<bool> gMenuHookCalls;

void RecordMenuHook(bool enable)
{
    gMenuHookCalls.push_back(enable);
}

class WindowModal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        gMenuHookCalls.clear();
        LSetMainMenuEnableHook(RecordMenuHook);
    }
    void TearDown() override { LSetMainMenuEnableHook(nullptr); }
};

} // namespace

TEST_F(WindowModal, EndDialogFromOnReadyEndsTheLoopWithItsCode)
{
    struct Case
    {
        int code;
        bool accepted;
    };
    for (Case c : {Case{kCommandOK, true}, Case{kCommandCancel, false}, Case{LFourCharCode("othr"), false}}) {
        ProbeWindow window;
        window.onReady = [&](ProbeWindow& w) { w.EndDialog(c.code); };
        window.Make();
        EXPECT_EQ(window.DoModal(nullptr, LPlacementCenterOnScreen), c.accepted);
        EXPECT_EQ(window.readies, 1);
        EXPECT_EQ(window.depthInReady, 1); // OnReady ran inside the modal loop
        EXPECT_EQ(LGetModalDepth(), 0);
        EXPECT_FALSE(window.IsWindow());
        EXPECT_EQ(window.destroys, 1);
    }
}

TEST_F(WindowModal, EndDialogFromOnCreateNeverEntersTheLoopAndKeepsItsCode)
{
    for (int code : {kCommandOK, kCommandCancel}) {
        ProbeWindow window;
        window.onCreate = [&](ProbeWindow& w) { w.EndDialog(code); };
        window.Make();
        EXPECT_EQ(window.DoModal(nullptr, LPlacementCenterOnScreen), code == kCommandOK);
        EXPECT_TRUE(gMenuHookCalls.empty()); // the modal depth never rose
        PumpFor(30);
        EXPECT_EQ(window.readies, 0); // the posted 'wrdy' finds the window gone
        EXPECT_EQ(window.destroys, 1);
    }
}

TEST_F(WindowModal, NestedModalsToggleTheMainMenuOnce)
{
    ProbeWindow outer;
    ProbeWindow inner;
    int depthInInner = 0;
    inner.onReady = [&](ProbeWindow& w) {
        depthInInner = LGetModalDepth();
        EXPECT_EQ(gMenuHookCalls, std::vector<bool>{false});
        w.EndDialog(kCommandOK);
    };
    outer.onReady = [&](ProbeWindow& w) {
        inner.Make(w.GetView());
        EXPECT_TRUE(inner.DoModal(&w, LPlacementCenterOnParent));
        EXPECT_EQ(gMenuHookCalls, std::vector<bool>{false}); // still disabled: the outer run goes on
        w.EndDialog(kCommandOK);
    };
    outer.Make();
    EXPECT_TRUE(outer.DoModal(nullptr, LPlacementCenterOnScreen));
    EXPECT_EQ(depthInInner, 2);
    EXPECT_EQ(gMenuHookCalls, (std::vector<bool>{false, true}));
}

TEST_F(WindowModal, HelpRunsNoUpdateControlsOtherCommandsDoWhileVisible)
{
    ProbeWindow window;
    window.Make();
    window.ShowModeless(nullptr, LPlacementCenterOnScreen);
    int before = window.updates;
    window.OnCommand(kCommandHelp, 0);
    EXPECT_EQ(window.updates, before);
    EXPECT_STREQ(LLastHelpTopic(), "index");
    window.OnCommand(1234, 0);
    EXPECT_EQ(window.updates, before + 1);
    window.ShowWindow(false);
    window.OnCommand(1234, 0);
    EXPECT_EQ(window.updates, before + 1); // hidden: no update
    window.EndDialog(kCommandCancel);
}

TEST_F(WindowModal, CloseBoxAndEscapeArriveAsCancelAndHonourCanCancel)
{
    enum class How { CloseBox, Escape, CancelButton };
    for (How how : {How::CloseBox, How::Escape, How::CancelButton}) {
        for (bool canCancel : {false, true}) {
            ProbeWindow window;
            window.canCancel = canCancel;
            bool stillOpen = false;
            window.onReady = [&](ProbeWindow& w) {
                QWidget* top = LQtWidget(w.GetView())->window();
                if (how == How::CloseBox)
                    top->close();
                else if (how == How::Escape)
                    QTest::keyClick(top, Qt::Key_Escape);
                else
                    w.PressButton(kCommandCancel);
                stillOpen = w.IsWindow();
                if (stillOpen)
                    w.EndDialog(kCommandOK);
            };
            window.Make();
            bool accepted = window.DoModal(nullptr, LPlacementCenterOnScreen);
            SCOPED_TRACE(static_cast<int>(how));
            EXPECT_EQ(stillOpen, !canCancel);
            EXPECT_EQ(accepted, !canCancel);
            ASSERT_FALSE(window.commands.empty());
            if (how != How::CloseBox) {
                EXPECT_EQ(window.commands[1], kCommandCancel); // after 'wrdy'
            }
        }
    }
}

TEST_F(WindowModal, ModelessEndDialogDetachesAtOnceAndDeletesThePeerLater)
{
    ProbeWindow window;
    window.Make();
    window.ShowModeless(nullptr, LPlacementCenterOnScreen);
    QPointer<QWidget> top = LQtWidget(window.GetView())->window();
    window.onReady = [](ProbeWindow& w) { w.EndDialog(kCommandOK); }; // inside its own delivery
    ASSERT_TRUE(PumpUntil([&] { return !window.IsWindow(); }));
    EXPECT_EQ(window.GetView(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return top.isNull(); }));
    // The object may be created again.
    window.onReady = nullptr;
    window.Make();
    EXPECT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
    window.EndDialog(kCommandCancel);
}

TEST_F(WindowModal, ZeroSizeMakesAOnePixelWindow)
{
    ProbeWindow window;
    window.CreateCocoaWindow(0, 0, kWindowStyleTitled, false, nullptr);
    int w = 0, h = 0;
    window.GetWindowSize(&w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    window.ResizeWindow(0, 0);
    window.GetWindowSize(&w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    window.DestroyWindow();
}
