// The "Oxbel Software Suite" window: every tab lays its rows out without
// overlap, a click starts an installed program, installs one that is not
// installed and starts it once it is there, or opens its page; the search;
// the counters it keeps.

#include "app/program/RelatedPrograms.h"
#include "app/program/suite/LSuiteLauncherDialog.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/qt/LQtView.h"
#include "online/LRelatedProgramInstall.h"
#include "online/LRelatedPrograms.h"
#include "online/OnlineTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>

using namespace quorin::test;

namespace {

std::string Setting(const char* section, const char* name)
{
    char value[260];
    LSettingsGetString(section, name, "(absent)", value);
    return value;
}

void WriteScript(const std::string& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0700);
}

// A launcher in a private home, with a stand-in for the sound editor on the
// PATH and a browser that writes down the address it was given.
class SuiteLauncherTest : public ::testing::Test
{
protected:
    void Open(const char* scale, const char* tab)
    {
        GuiApp(scale);
        savedPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        setenv("PATH", (bin_.Path() + ":" + savedPath_).c_str(), 1);
        setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
        WriteScript(bin_.Path("tessary"), "printf '%s' \"$#\" > " + Quote(started_));
        WriteScript(bin_.Path("xdg-open"), "printf '%s\\n' \"$@\" >> " + Quote(opened_));
        dialog_ = std::make_unique<LSuiteLauncherDialog>(tab);
        installAsked_.clear();
        dialog_->installProgram = [this](LViewHandle, const char* key) {
            installAsked_ += key;
            if (afterInstall_)
                afterInstall_();
            return installResult_;
        };
        ASSERT_TRUE(dialog_->Create(nullptr));
        ASSERT_TRUE(dialog_->ShowModeless(nullptr, LPlacementCenterOnScreen));
        ASSERT_TRUE(PumpUntil([&] { return dialog_->IsVisible(); }));
        PumpFor(50);
    }
    void TearDown() override
    {
        if (dialog_ && dialog_->IsWindow())
            dialog_->EndDialog(kCommandCancel);
        dialog_.reset();
        if (!savedPath_.empty())
            setenv("PATH", savedPath_.c_str(), 1);
        unsetenv("QUORIN_SITE");
    }

    void SelectTab(const std::string& name)
    {
        const std::vector<std::string> tabs = LSuiteCategories();
        for (size_t i = 0; i < tabs.size(); ++i)
            if (tabs[i] == name)
                dialog_->SelectTabByIndex(LSuiteLauncherDialog::kTabs, static_cast<int>(i));
        dialog_->OnCommand(LSuiteLauncherDialog::kTabChanged, 0);
        PumpFor(30);
    }

    const LSuiteProductEntry* Entry(const char* name)
    {
        for (const auto& entry : dialog_->ProductPane().Entries())
            if (std::strcmp(entry->info->name, name) == 0)
                return entry.get();
        return nullptr;
    }

    // A click of the real mouse on the pane's drawing view, at content pixels.
    void Click(int x, int y)
    {
        QWidget* view = LQtWidget(dialog_->ProductPane().GetView());
        const double s = dialog_->GetScaleFactor();
        const QPoint at(static_cast<int>(x / s), static_cast<int>(y / s));
        QTest::mouseMove(view, at);
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at);
        PumpFor(30);
    }

    // Scrolls the product pane to its end, as a user would to reach the
    // last product: how many rows show at once depends on the system font.
    void ScrollToEnd()
    {
        QWidget* view = LQtWidget(dialog_->ProductPane().GetView());
        for (QWidget* up = view->parentWidget(); up != nullptr; up = up->parentWidget())
            if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) {
                PumpFor(30);
                area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
                break;
            }
        PumpFor(30);
    }

    std::string Opened()
    {
        PumpUntil([&] { return !ReadWhole(opened_).empty(); }, 3000);
        return ReadWhole(opened_);
    }

    TempHome home_;
    TempDir bin_;
    std::string started_ = bin_.Path("started");
    std::string opened_ = bin_.Path("opened");
    std::string savedPath_;
    std::string installAsked_;
    int installResult_ = 1; // what the stand-in install answers: stopped unless a test says otherwise
    std::function<void()> afterInstall_;
    std::unique_ptr<LSuiteLauncherDialog> dialog_;
};

void CheckEveryTabLaysOutWithoutOverlap(SuiteLauncherTest& test, LSuiteLauncherDialog& dialog,
                                        const std::function<void(const std::string&)>& select)
{
    for (const std::string& tab : LSuiteCategories()) {
        select(tab);
        SCOPED_TRACE(tab);
        LSuiteProductPane& pane = dialog.ProductPane();
        pane.Relayout();
        int previousBottom = 0;
        int shown = 0;
        for (const auto& entry : pane.Entries()) {
            if (LSuiteProductItem::IsHidden(*entry)) {
                EXPECT_EQ(entry->row.bottom, 0) << "the program itself was laid out";
                continue;
            }
            ++shown;
            EXPECT_GE(entry->row.top, previousBottom) << entry->info->name << " overlaps the row above";
            EXPECT_GE(entry->button.top, entry->row.top) << entry->info->name;
            EXPECT_LE(entry->button.bottom, entry->row.bottom)
                << entry->info->name << "'s button leaves its row";
            EXPECT_LT(entry->button.left, entry->button.right);
            EXPECT_LE(entry->button.right, pane.ClientWidth());
            previousBottom = entry->row.bottom;
        }
        EXPECT_GT(shown, 0);
        EXPECT_GE(pane.GetVirtualHeight(), previousBottom) << "the last rows cannot be scrolled to";
        for (const auto& entry : dialog.FeaturedPane().Entries())
            EXPECT_STRNE(entry->info->name, "Quorin");
    }
    (void)test;
}

void CheckControlsDoNotOverlap(LSuiteLauncherDialog& dialog)
{
    const int ids[] = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 113};
    int cw = 0, ch = 0;
    dialog.GetClientSize(&cw, &ch);
    for (int a : ids) {
        int ax = 0, ay = 0, aw = 0, ah = 0;
        ASSERT_TRUE(dialog.GetControlRect(a, &ax, &ay, &aw, &ah)) << a;
        EXPECT_LE(ax + aw, cw) << a;
        EXPECT_LE(ay + ah, ch) << a;
        for (int b : ids) {
            if (b <= a)
                continue;
            int bx = 0, by = 0, bw = 0, bh = 0;
            dialog.GetControlRect(b, &bx, &by, &bw, &bh);
            const bool apart = ax + aw <= bx || bx + bw <= ax || ay + ah <= by || by + bh <= ay;
            EXPECT_TRUE(apart) << a << " overlaps " << b;
        }
    }
}

} // namespace

TEST_F(SuiteLauncherTest, EveryTabLaysOutWithoutOverlapAtScale1)
{
    Open("1", "Popular");
    CheckControlsDoNotOverlap(*dialog_);
    CheckEveryTabLaysOutWithoutOverlap(*this, *dialog_, [this](const std::string& tab) { SelectTab(tab); });
}

TEST_F(SuiteLauncherTest, EveryTabLaysOutWithoutOverlapAtScale2)
{
    Open("2", "Popular");
    CheckControlsDoNotOverlap(*dialog_);
    CheckEveryTabLaysOutWithoutOverlap(*this, *dialog_, [this](const std::string& tab) { SelectTab(tab); });
}

TEST_F(SuiteLauncherTest, ProgramsNotInstalledComeFirstThenByWeightThenByTitle)
{
    static const LSuiteProductInfo rows[] = {
        {"A", "Zeta", "", "a", 0, ""},   {"B", "alpha", "", "b", 0, ""}, {"C", "Gamma", "", "c", 50, ""},
        {"D", "Delta", "", "d", 90, ""}, {"E", "Beta", "", "e", 50, ""}, {"F", "Omega", "", "f", 10, ""},
    };
    static const LSuiteTask tasks[] = {{"T", "A", "t1", 0}, {"T", "B", "t2", 0}, {"T", "C", "t3", 0},
                                       {"T", "D", "t4", 0}, {"T", "E", "t5", 0}, {"T", "F", "t6", 0},
                                       {"T", "C", "t7", 0}};
    LSuiteProductItem item;
    auto installed = [](const char* name) {
        return std::strcmp(name, "D") == 0 || std::strcmp(name, "B") == 0;
    };
    for (const LSuiteTask& task : tasks)
        for (const LSuiteProductInfo& row : rows)
            if (std::strcmp(row.name, task.name) == 0)
                item.AddTask(&task, &row, installed);
    std::string order;
    for (const auto& entry : item.Entries())
        order += entry->info->name;
    // Not installed: C (50), E (50, after C), F (10), A (none); installed: D (90), B (none).
    EXPECT_EQ(order, "CEFADB");
    // One entry per product, holding both of its tasks.
    EXPECT_EQ(item.Entries()[0]->tasks.size(), 2u);
}

TEST_F(SuiteLauncherTest, AClickOnAnInstalledProgramStartsItAndCountsTheLaunch)
{
    Open("1", "Audio");
    EXPECT_EQ(dialog_->SelectedTabName(), "Audio");
    const LSuiteProductEntry* tessary = Entry("Tessary");
    ASSERT_NE(tessary, nullptr);
    EXPECT_TRUE(tessary->installed);
    EXPECT_EQ(dialog_->ProductPane().Entries().back()->info->name, std::string("Tessary"))
        << "installed programs come last";
    ScrollToEnd();
    Click((tessary->button.left + tessary->button.right) / 2,
          (tessary->button.top + tessary->button.bottom) / 2);
    EXPECT_TRUE(PumpUntil([&] { return !ReadWhole(started_).empty(); }, 5000)) << "Tessary was not started";
    EXPECT_EQ(ReadWhole(started_), "0") << "started with arguments";
    EXPECT_EQ(installAsked_, "");
    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "ar", 0), 1);
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lk"), "Tessary");
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lt"), "Audio");
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lc"), "1");

    // The same launch again counts in the same record.
    tessary = Entry("Tessary");
    Click((tessary->button.left + tessary->button.right) / 2,
          (tessary->button.top + tessary->button.bottom) / 2);
    EXPECT_EQ(Setting("SuiteUsage/Links/1/", "lc"), "2");
    EXPECT_EQ(Setting("SuiteUsage/Links/2/", "lk"), "(absent)");
}

TEST_F(SuiteLauncherTest, AProgramNotInstalledIsInstalledAtOnceAndNotStartedWhenThatIsStopped)
{
    Open("1", "Converters");
    const LSuiteProductEntry* corvane = Entry("Corvane");
    ASSERT_NE(corvane, nullptr);
    EXPECT_FALSE(corvane->installed);
    Click((corvane->button.left + corvane->button.right) / 2,
          (corvane->button.top + corvane->button.bottom) / 2);
    EXPECT_EQ(installAsked_, "Corvane") << "no question comes before the install";
    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "ai", 0), 1);
    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "ar", 0), 0);
    EXPECT_TRUE(ReadWhole(started_).empty());
}

TEST_F(SuiteLauncherTest, AfterAnInstallTheProgramStartsOnceItIsThereOrAFailureIsTold)
{
    Open("1", "Converters");
    dialog_->installedWaitSeconds = 3;
    // The stand-in program appears whole (written aside, then renamed) after a while.
    const std::string program = bin_.Path("corvane");
    const std::string appear = "(sleep 1.5; printf '#!/bin/sh\nprintf corvane > %s\n' " + Quote(started_) +
                               " > " + Quote(program + ".new") + " && chmod 700 " + Quote(program + ".new") +
                               " && mv " + Quote(program + ".new") + " " + Quote(program) +
                               ") >/dev/null 2>&1 &";
    const std::string failure =
        "Quorin Dizer od OD Udivezeve cannot launch the program required to perform the selected task. "
        "Please download it from https://127.0.0.1:8443/software/index.html and try again.";
    const struct
    {
        int result;
        bool appears;
        bool started;
        std::string box; // the failure box's text, empty for none
    } cases[] = {
        {1, false, false, ""},      // stopped by the user: nothing to say
        {2, false, false, failure}, // not downloaded
        {kRelatedInstallNotInstallable, false, false, failure},
        {0, false, false, ""}, // installed, but never found within the wait
        {0, true, true, ""},   // found a moment after the install ended, then started
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.result) + (c.appears ? " appears" : ""));
        installResult_ = c.result;
        afterInstall_ = c.appears ? std::function<void()>([&] { RunCommand(appear); }) : nullptr;
        std::string boxTitle, boxText;
        bool critical = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                    boxTitle = box->text().remove("<b>").remove("</b>").toStdString();
                    boxText = box->informativeText().toStdString();
                    critical = box->icon() == QMessageBox::Critical;
                    box->buttons().front()->click();
                }
        });
        answer.start(40);
        LSuiteItem item;
        item.product = Entry("Corvane");
        ASSERT_NE(item.product, nullptr);
        EXPECT_EQ(dialog_->RunProduct(item), c.started);
        answer.stop();
        if (c.started)
            EXPECT_TRUE(PumpUntil([&] { return ReadWhole(started_) == "corvane"; }, 5000));
        else
            EXPECT_TRUE(ReadWhole(started_).empty());
        EXPECT_EQ(boxText, c.box);
        if (!c.box.empty()) {
            EXPECT_EQ(boxTitle, "Quorin Dizer od OD Udivezeve");
            EXPECT_TRUE(critical);
        }
    }
}

TEST_F(SuiteLauncherTest, APressOnTheDescriptionOpensTheProductPage)
{
    Open("1", "Converters");
    const LSuiteProductEntry* corvane = Entry("Corvane");
    ASSERT_NE(corvane, nullptr);
    Click(corvane->row.left + 5, corvane->row.top + 3);
    EXPECT_EQ(Opened(), "https://127.0.0.1:8443/converter/\n");
    EXPECT_EQ(installAsked_, "");
}

TEST_F(SuiteLauncherTest, SearchOpensTheSiteSearchWithTheQueryEncoded)
{
    Open("1", "Popular");
    dialog_->SetControlText(LSuiteLauncherDialog::kSearchText, "   ");
    dialog_->OnCommand(LSuiteLauncherDialog::kSearchButton, 0);
    PumpFor(300);
    EXPECT_EQ(ReadWhole(opened_), "") << "an empty search opened a page";
    dialog_->SetControlText(LSuiteLauncherDialog::kSearchText, " sound editor & \"tape\" ");
    dialog_->OnCommand(LSuiteLauncherDialog::kSearchButton, 0);
    EXPECT_EQ(Opened(), "https://127.0.0.1:8443/"
                        "search.html?q=sound%20editor%20%26%20%22tape%22&site=www.oxbelsoftware.com\n");
}

TEST_F(SuiteLauncherTest, ATabNameThatMatchesNothingSelectsTheFirstTab)
{
    Open("1", "Nonsense");
    EXPECT_EQ(dialog_->SelectedTabName(), "Popular");
}

TEST_F(SuiteLauncherTest, OpeningAndClosingAreCountedAndTheTabIsRemembered)
{
    GuiApp("1");
    LSettingsSetString("Settings", "SelectedTab", "video");
    QTimer closer;
    std::string seenTab;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = dynamic_cast<LSuiteLauncherDialog*>(LGetWindowFromView(LGetModalWindowView()))) {
            seenTab = dialog->SelectedTabName();
            dialog->SelectTabByIndex(LSuiteLauncherDialog::kTabs, 2);
            dialog->EndDialog(kCommandCancel);
        }
    });
    closer.start(100);
    LOpenSuiteLauncherDialog(nullptr, nullptr);
    closer.stop();
    EXPECT_EQ(seenTab, "Video");
    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "oe", 0), 1);
    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "oi", 0), 0);
    EXPECT_EQ(Setting("Settings", "SelectedTab"), "Dictation");
    EXPECT_NE(Setting("SuiteUsage", "os"), "(absent)");
}

TEST_F(SuiteLauncherTest, TheTooltipSaysWhatAClickWillDo)
{
    Open("1", "Audio");
    const LSuiteProductEntry* tessary = Entry("Tessary");
    const LSuiteProductEntry* corvane = Entry("Corvane");
    ASSERT_NE(tessary, nullptr);
    ASSERT_NE(corvane, nullptr);
    QWidget* view = LQtWidget(dialog_->ProductPane().GetView());
    // The pane's own handler: a pointer moved by the test would land on
    // whatever covers a row scrolled out of sight.
    auto moveTo = [&](int x, int y) {
        dialog_->ProductPane().OnMouseMove(x, y);
        PumpFor(20);
        return view->toolTip().toStdString();
    };
    const auto buttonMiddle = [](const LSuiteProductEntry* e) {
        return QPoint((e->button.left + e->button.right) / 2, (e->button.top + e->button.bottom) / 2);
    };
    EXPECT_EQ(moveTo(buttonMiddle(tessary).x(), buttonMiddle(tessary).y()),
              "Click to run Tessary Sound Editor");
    EXPECT_EQ(moveTo(tessary->row.left + 5, buttonMiddle(tessary).y()),
              "Click to visit the webpage for Tessary Sound Editor");
    EXPECT_EQ(moveTo(buttonMiddle(corvane).x(), buttonMiddle(corvane).y()),
              "Click to install and run Corvane Audio Converter");
}

TEST_F(SuiteLauncherTest, TheWebButtonDropsDownItsMenu)
{
    Open("1", "Audio");
    std::vector<std::string> items;
    QPoint menuAt;
    QTimer chooser;
    QObject::connect(&chooser, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* menu = qobject_cast<QMenu*>(w);
            if (menu == nullptr || !menu->isVisible())
                continue;
            items.clear();
            menuAt = menu->pos();
            for (QAction* action : menu->actions())
                items.push_back(action->text().toStdString());
            for (QAction* action : menu->actions())
                if (action->text() == "Visit Our Website") {
                    chooser.stop();
                    action->trigger();
                    menu->close();
                    return;
                }
        }
    });
    chooser.start(40);
    dialog_->PressButton(LSuiteLauncherDialog::kWebButton);
    EXPECT_EQ(Opened(), "https://127.0.0.1:8443/index.html\n");
    EXPECT_EQ(items, (std::vector<std::string>{"Visit Our Website", "What's This?"}));
    // It drops down from the button's bottom-left corner.
    QWidget* button = LQtWidget(dialog_->GetControl(LSuiteLauncherDialog::kWebButton));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(menuAt, button->mapToGlobal(QPoint(0, button->height())));
}

TEST_F(SuiteLauncherTest, AProgramNotInstalledInstallsFromTheSiteAndStarts)
{
    if (!HaveTool("unzip"))
        GTEST_SKIP() << "unzip is needed (tools/install-deps.sh)";
    TempDir site;
    TestCertificates certs(site.Path());
    ASSERT_TRUE(certs.Made()) << "openssl could not make the test certificates";
    ASSERT_EQ(RunCommand("mkdir -p " + Quote(site.Path("components"))), 0);
    ASSERT_EQ(RunCommand("/usr/bin/python3 " + Quote(SourceDir() + "/tests/online/make_zip.py") + " " +
                         Quote(site.Path("components/corvanemaci.zip")) + " " +
                         Quote("corvane/corvane=#!/bin/sh\nprintf corvane > " + started_ + "\n")),
              0);
    TestServer server;
    const std::vector<std::string> tls = certs.ServerOptions("good");
    ASSERT_TRUE(server.Start(site.Path(), {"--files", site.Path(), tls[0], tls[1], tls[2]}));

    Open("1", "Converters");
    setenv("QUORIN_SITE", ("https://localhost:" + std::to_string(server.Port())).c_str(), 1);
    dialog_->installProgram = [](LViewHandle parent, const char* key) {
        return LInstallRelatedProgram(parent, key);
    };
    const LSuiteProductEntry* corvane = Entry("Corvane");
    ASSERT_NE(corvane, nullptr);
    EXPECT_FALSE(corvane->installed);
    Click((corvane->button.left + corvane->button.right) / 2,
          (corvane->button.top + corvane->button.bottom) / 2);
    EXPECT_TRUE(PumpUntil([&] { return ReadWhole(started_) == "corvane"; }, 5000))
        << "Corvane was not started";
    EXPECT_TRUE(LIsRelatedProgramInstalled("Corvane"));
    EXPECT_EQ(LSettingsGetInt("SuiteUsage", "ai", 0), 1);
}
