// The wizard walked by its buttons as a user would, and the property sheet's
// OK asking every page.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LPropertySheet.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"

#include <QAbstractButton>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

std::vector<std::string> g_log;

class Page : public LWizardPage
{
public:
    Page(std::string name, bool active = true, bool refuses = false)
        : name(std::move(name)), active(active), refuses(refuses)
    {
    }
    bool IsPageActive() override { return active; }
    bool CanOK() override { return !refuses; }
    void OnPageShown() override { g_log.push_back("show " + name); }
    void OnLeave() override { g_log.push_back("leave " + name); }
    std::string name;
    bool active;
    bool refuses;
};

// Sends the commands one per turn once the first page shows; cancels when
// the script is done and the wizard is still open.
// The timer belongs to the test, so none outlives its wizard.
std::unique_ptr<QTimer> Script(LWizard* wizard, std::vector<int> commands, std::function<void()> check = {})
{
    auto owned = std::make_unique<QTimer>();
    QTimer* timer = owned.get();
    auto step = std::make_shared<size_t>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (wizard->CurrentPage() < 0)
            return;
        if (*step == 0 && check)
            check();
        if (*step < commands.size()) {
            wizard->SendCommand(commands[(*step)++]);
            return;
        }
        timer->stop();
        if (wizard->IsWindow())
            wizard->SendCommand(kCommandCancel);
    });
    timer->start(10);
    return owned;
}

bool Shown(const LWindow* window, int id)
{
    QWidget* control = LQtFindControl(LQtWidget(window->GetView()), id);
    return control && control->isVisibleTo(control->window());
}

TEST(Wizard, InactivePagesAreSkippedBothWaysAndNextOnTheLastEnds)
{
    GuiApp();
    g_log.clear();
    Page a("A"), b("B", false), c("C");
    LWizard wizard;
    for (Page* page : {&a, &b, &c})
        wizard.AddPage(page, page->name.c_str(), "subtitle", 150, 80, false);
    auto script = Script(&wizard, {kCommandOK, kCommandBack, kCommandOK, kCommandOK});
    EXPECT_TRUE(wizard.DoModal(nullptr, "Record"));
    EXPECT_EQ(g_log, (std::vector<std::string>{"show A", "leave A", "show C", "leave C", "show A", "leave A",
                                               "show C", "leave C"}));
}

TEST(Wizard, ARefusingPageStaysWithoutLeavingAndBackFromTheFirstDoesNothing)
{
    GuiApp();
    g_log.clear();
    Page a("A"), b("B", true, true);
    LWizard wizard;
    wizard.AddPage(&a, "A", "", 150, 80, true);
    wizard.AddPage(&b, "B", "", 150, 80, false);
    auto script = Script(&wizard, {kCommandBack, kCommandOK, kCommandOK, kCommandFinish});
    EXPECT_FALSE(wizard.DoModal(nullptr, "Record"));
    EXPECT_EQ(g_log, (std::vector<std::string>{"show A", "leave A", "show B"}));
}

TEST(Wizard, OnePageShowsFinishOnlyAndReturnFinishes)
{
    GuiApp();
    g_log.clear();
    Page only("Only");
    LWizard wizard;
    wizard.AddPage(&only, "Only", "", 150, 80, false);
    bool checked = false;
    auto script = Script(&wizard, {kCommandFinish}, [&] {
        EXPECT_TRUE(Shown(&wizard, kCommandFinish));
        EXPECT_FALSE(Shown(&wizard, kCommandOK));
        EXPECT_FALSE(Shown(&wizard, kCommandBack));
        auto* finish =
            qobject_cast<QAbstractButton*>(LQtFindControl(LQtWidget(wizard.GetView()), kCommandFinish));
        EXPECT_TRUE(finish && finish->property("default").toBool());
        checked = true;
    });
    EXPECT_TRUE(wizard.DoModal(nullptr, "One"));
    EXPECT_TRUE(checked);
}

TEST(Wizard, WithoutPagesOnlyCancelEnds)
{
    GuiApp();
    LWizard wizard;
    QTimer::singleShot(50, [&] {
        for (int command : {kCommandOK, kCommandBack, kCommandFinish})
            wizard.SendCommand(command);
        EXPECT_TRUE(wizard.IsWindow());
        wizard.SendCommand(kCommandCancel);
    });
    EXPECT_FALSE(wizard.DoModal(nullptr, "Empty"));
}

class SheetPage : public LPropertyPage
{
public:
    explicit SheetPage(bool refuses) : refuses(refuses) {}
    bool CanOK() override { return !refuses; }
    bool refuses;
};

TEST(PropertySheet, ARefusingSecondPageComesForwardAndOkWaits)
{
    GuiApp();
    static const LDialogTemplate general{300, 120, "General", true, nullptr};
    static const LDialogTemplate folders{360, 200, "Folders", true, nullptr};
    SheetPage first(false), second(true);
    LPropertySheet sheet;
    sheet.AddPage(&first, &general, nullptr);
    sheet.AddPage(&second, &folders, "Output");
    QTimer::singleShot(50, [&] {
        auto* tabs = LQtWidget(sheet.GetView())->findChild<QTabWidget*>();
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->tabText(0), QString("General"));
        EXPECT_EQ(tabs->tabText(1), QString("Output"));
        EXPECT_EQ(tabs->currentIndex(), 0);
        int w1 = 0, h1 = 0;
        sheet.GetClientSize(&w1, &h1);
        sheet.SendCommand(kCommandOK);
        EXPECT_TRUE(sheet.IsWindow());
        EXPECT_EQ(tabs->currentIndex(), 1);
        int x, y, tw, th, w2, h2;
        sheet.PageLayout(&x, &y, &tw, &th, &w2, &h2);
        EXPECT_GT(w2, w1) << "the sheet takes the larger page's size";
        second.refuses = false;
        sheet.SendCommand(kCommandOK);
    });
    EXPECT_TRUE(sheet.DoModal(nullptr, "Preferences", 0));
}

} // namespace
