// The first run's offer of an edition in the user's language: never with the
// editions this build ships; with an edition for the system's language (a
// German system and a "DE" record brought by the test) the installer wizard
// shows the page, whose buttons go on or open the edition's page.

#include "app/program/startup/LFirstRun.h"
#include "app/program/startup/LLanguageOfferPage.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LCommands.h"
#include "gui/qt/LQtView.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace quorin::test;

namespace {

const std::vector<LEditionRecord> kGermanEdition = {
    {"EN", "1.84", "https://www.oxbelsoftware.com/quorin/quorinmaci.zip", nullptr},
    {"DE", "3.10", "https://www.oxbelsoftware.com/de/quorin/quorinmaci.zip", nullptr},
    {"JP", "2.50", "https://www.oxbelsoftware.com/jp/quorin/quorinmaci.zip", nullptr},
    {"RU", "2.50", "https://www.oxbelsoftware.com/ru/quorin/quorinmaci.zip", nullptr},
};

class LanguageOfferTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value != nullptr ? value : "");
            unsetenv(name);
        }
        unsetenv("QUORIN_SITE");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved_)
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
        LSetEditionRecords(nullptr);
    }
    std::vector<std::pair<std::string, std::string>> saved_;
};

// Runs the first run, watching for the installer wizard: what it showed,
// then the page's command.
struct WizardWatch
{
    bool shown = false;
    std::string title;
    std::string question;
    bool cancelShown = true;
    bool nextShown = true;
    bool firstRunAnswer = false;

    void Run(int command)
    {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* wizard = dynamic_cast<LWizard*>(LGetWindowFromView(LGetModalWindowView()));
            if (wizard == nullptr)
                return;
            auto* page = dynamic_cast<LLanguageOfferPage*>(wizard->GetCurrentPage());
            if (page == nullptr || shown)
                return;
            shown = true;
            char text[260];
            title = LQtWidget(wizard->GetView())->window()->windowTitle().toStdString();
            question = page->GetStaticText(LLanguageOfferPage::kQuestion, text);
            cancelShown = wizard->IsControlVisible(kCommandCancel);
            nextShown = wizard->IsControlVisible(kCommandOK);
            page->OnCommand(command, 0);
            if (wizard->IsWindow() && command != LLanguageOfferPage::kContinue)
                page->OnCommand(LLanguageOfferPage::kContinue, 0);
        });
        timer.start(50);
        firstRunAnswer = LFirstRunStep();
        timer.stop();
    }
};

} // namespace

TEST_F(LanguageOfferTest, TheSystemLanguageComesFromTheLocaleVariables)
{
    struct Case
    {
        const char* lcAll;
        const char* lang;
        const char* code;
    } cases[] = {
        {nullptr, "de_DE.UTF-8", "de"}, {nullptr, "ja_JP.UTF-8", "ja"}, {"fr_FR.UTF-8", "de_DE.UTF-8", "fr"},
        {nullptr, "C.UTF-8", "en"},      {nullptr, "POSIX", "en"},      {nullptr, nullptr, "en"},
    };
    for (const Case& c : cases) {
        c.lcAll != nullptr ? setenv("LC_ALL", c.lcAll, 1) : unsetenv("LC_ALL");
        c.lang != nullptr ? setenv("LANG", c.lang, 1) : unsetenv("LANG");
        EXPECT_EQ(LSystemLanguageCode(), c.code) << (c.lang != nullptr ? c.lang : "(none)");
    }
}

TEST_F(LanguageOfferTest, AnOfferNeedsARecordForTheSystemLanguage)
{
    struct Case
    {
        const char* lang;
        bool shipped;
        bool offered;
        const char* version;
    } cases[] = {
        {"de_DE.UTF-8", true, false, ""}, {"en_US.UTF-8", true, false, ""}, {"fr_FR.UTF-8", true, false, ""},
        {"de_DE.UTF-8", false, true, "3.10"},                 // the record's code in capitals matches
        {"ja_JP.UTF-8", false, true, "2.50"},                 // "ja" is looked up as "jp"
        {"en_GB.UTF-8", false, false, ""},                    // English is never offered
        {"ru_RU.UTF-8", false, false, ""},                    // nor the languages left out
        {"it_IT.UTF-8", false, false, ""},                    // no record
    };
    for (const Case& c : cases) {
        setenv("LANG", c.lang, 1);
        LLanguageOfferPage page(c.shipped ? LShippedEditionRecords() : kGermanEdition);
        EXPECT_EQ(page.HasOffer(), c.offered) << c.lang << (c.shipped ? " (shipped)" : "");
        if (page.HasOffer()) {
            EXPECT_STREQ(page.Offer()->version, c.version);
        }
    }
    setenv("LANG", "de_DE.UTF-8", 1);
    LLanguageOfferPage german(kGermanEdition);
    ASSERT_TRUE(german.HasOffer());
    EXPECT_STREQ(german.Texts()->code, "de");
    EXPECT_EQ(german.DownloadPageUrl(), "https://www.oxbelsoftware.com/de/quorin/");
    setenv("QUORIN_SITE", "https://127.0.0.1:8443", 1);
    EXPECT_EQ(german.DownloadPageUrl(), "https://127.0.0.1:8443/de/quorin/");
    unsetenv("QUORIN_SITE");

    // The English texts are the ones given for the shipped record.
    const LLanguageOfferTexts* english = LFindLanguageOfferTexts("EN");
    ASSERT_NE(english, nullptr);
    EXPECT_STREQ(english->question, "Would you like to download and install the English version of Quorin?");
    EXPECT_STREQ(english->downloadButton, "Download and install in English (v %s)");
    for (const char* code : {"cn", "de", "es", "fr", "it", "jp", "ko", "nl", "ru"})
        EXPECT_NE(LFindLanguageOfferTexts(code), nullptr) << code;
}

TEST_F(LanguageOfferTest, AGermanSystemSeesThePageInTheFirstRunWizard)
{
    GuiApp();
    setenv("LANG", "de_DE.UTF-8", 1);
    LSetEditionRecords(&kGermanEdition);
    WizardWatch watch;
    watch.Run(LLanguageOfferPage::kContinue);
    EXPECT_TRUE(watch.shown) << "the wizard did not show the page";
    EXPECT_EQ(watch.title, "Installing Quorin v 3.00");
    EXPECT_EQ(watch.question, "Möchten Sie die deutsche Version von Quorin herunterladen und installieren?");
    EXPECT_FALSE(watch.cancelShown);
    EXPECT_FALSE(watch.nextShown);
    EXPECT_TRUE(watch.firstRunAnswer);
}

TEST_F(LanguageOfferTest, TheDownloadButtonOpensTheEditionsPage)
{
    GuiApp();
    TempDir bin;
    const std::string opened = bin.Path("opened");
    std::ofstream(bin.Path("xdg-open")) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " << Quote(opened) << "\n";
    chmod(bin.Path("xdg-open").c_str(), 0700);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.Path() + ":" + path).c_str(), 1);
    setenv("LANG", "de_DE.UTF-8", 1);
    LSetEditionRecords(&kGermanEdition);
    WizardWatch watch;
    watch.Run(LLanguageOfferPage::kDownload);
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(watch.shown);
    EXPECT_TRUE(PumpUntil([&] { return std::ifstream(opened).good(); }, 3000));
    std::ifstream in(opened);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "https://www.oxbelsoftware.com/de/quorin/");
}

TEST_F(LanguageOfferTest, WithTheShippedEditionsTheFirstRunNeverShowsIt)
{
    GuiApp();
    for (const char* lang : {"de_DE.UTF-8", "en_US.UTF-8", "ja_JP.UTF-8", "fr_FR.UTF-8"}) {
        quorin::test::TempHome fresh; // each start is a new installation
        setenv("LANG", lang, 1);
        WizardWatch watch;
        watch.Run(LLanguageOfferPage::kContinue);
        EXPECT_FALSE(watch.shown) << lang;
        EXPECT_TRUE(watch.firstRunAnswer) << lang;
    }
}
