// The burn settings page and the data-disc options offscreen, on drives
// QUORIN_DRIVES names: what they show for the disc in the drive, what OK
// stores, and that Cancel stores nothing.

#include "app/program/PreferencesTestSupport.h"
#include "app/program/burn/LBurnSettingsPage.h"
#include "app/program/burn/LDataDiscTypeDialog.h"
#include "app/program/preferences/FormatSettings.h"
#include "burn/LMediaType.h"
#include "burn/LProgramDrives.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "gui/framework/LCommands.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace quorin::test;

namespace {

class BurnSettingsPageTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        LInstallProgramDriveScan();
    }
    void TearDown() override
    {
        unsetenv("QUORIN_DRIVES");
        LReloadProgramDrives();
    }
    static void UseDrives(const char* specs)
    {
        setenv("QUORIN_DRIVES", specs, 1);
        LReloadProgramDrives();
    }

    std::unique_ptr<LBurnAudioDialog> Open(LBurnPageSettings& settings)
    {
        settings.Load();
        auto page = std::make_unique<LBurnAudioDialog>(settings);
        EXPECT_TRUE(page->CreateFromTemplate(LBurnAudioDialog::Template()));
        page->ShowModeless(nullptr, LPlacementCenterOnScreen);
        return page;
    }

    static std::vector<std::string> Items(LWindow& window, int id)
    {
        std::vector<std::string> items;
        for (int i = 0; i < window.GetPullDownItemCount(id); ++i) {
            char text[260] = {};
            window.GetPullDownItemText(id, i, text);
            items.push_back(text);
        }
        return items;
    }

    static std::string Setting(const char* section, const char* name)
    {
        char text[260] = {};
        LSettingsGetString(section, name, "<none>", text);
        return text;
    }
};

} // namespace

TEST_F(BurnSettingsPageTest, SpeedsAreCountedInTheUnitOfTheDisc)
{
    struct Case
    {
        uint32_t media;
        uint32_t unit;
    };
    const Case cases[] = {{kMediaCdR, 177},        {kMediaCdRom, 177},   {kMediaDvdR, 1385},
                          {kMediaDvdPlusRw, 1385}, {kMediaDvdRom, 1385}, {kMediaHdDvdR, 4495},
                          {kMediaBdR, 4495},       {kMediaBdRe, 4495},   {kMediaNoDisc, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(LBurnSpeedUnit(c.media), c.unit) << c.media;
    // A 4x Blu-ray drive (17980 kB/s) reads 4x, not 12x.
    EXPECT_EQ((17980 + 20) / LBurnSpeedUnit(kMediaBdRe), 4u);
}

TEST_F(BurnSettingsPageTest, TheDriveTheDiscAndItsSpeedsAreShown)
{
    UseDrives("fake:media=cdr;fake:media=none");
    LSettingsSetString("RecordingPage", "TotalTime", "0:05:00.00");
    LSettingsSetString("OutputFormat", "OutputFormatNum", "4");
    LSettingsSetString("CDRecorder", "Speed", "240");
    LBurnPageSettings settings;
    auto page = Open(settings);
    EXPECT_EQ(Items(*page, LBurnSettingsPage::kDriveList),
              (std::vector<std::string>{"QUORIN Fake CD/DVD Writer", "QUORIN Fake CD/DVD Writer"}));
    // The fake's speeds 706 to 7056 kB/s in CD units.
    EXPECT_EQ(Items(*page, LBurnSettingsPage::kSpeedList),
              (std::vector<std::string>{"[MAX]", "4x", "8x", "16x", "24x", "39x"}));
    char text[260] = {};
    page->GetPullDownSelectedText(LBurnSettingsPage::kSpeedList, text);
    EXPECT_STREQ(text, "24x");
    page->GetControlText(LBurnSettingsPage::kCapacityText, text);
    EXPECT_STREQ(text, "1:19:57.96");
    page->GetControlText(LBurnSettingsPage::kTotalText, text);
    EXPECT_STREQ(text, "0:05:00.00");

    // The second drive has no disc: only the drive's fastest.
    page->SelectPullDownItem(LBurnSettingsPage::kDriveList, 1);
    page->SendCommand(LBurnSettingsPage::kDriveChanged);
    EXPECT_EQ(Items(*page, LBurnSettingsPage::kSpeedList), (std::vector<std::string>{"[MAX]"}));
    page->GetControlText(LBurnSettingsPage::kCapacityText, text);
    EXPECT_STREQ(text, "No Disc in Drive");

    // A data disc turns the label and its settings on.
    EXPECT_FALSE(page->IsControlEnabled(LBurnSettingsPage::kLabel));
    page->SetCheck(LBurnSettingsPage::kDataDiscCheck, true);
    page->SendCommand(LBurnSettingsPage::kDataDiscCheck);
    EXPECT_TRUE(page->IsControlEnabled(LBurnSettingsPage::kLabel));
    EXPECT_TRUE(page->IsControlEnabled(LBurnSettingsPage::kDataSettings));
    page->EndDialog(kCommandCancel);
}

// The files' part is counted in the unit of the disc to be burnt, whatever
// the output format: an audio CD of MP3 files shows playing time against
// the CD's playing time, a data disc bytes against its free bytes.
TEST_F(BurnSettingsPageTest, TheTotalAndTheCapacityAreInTheUnitOfTheDiscChosen)
{
    UseDrives("fake:media=cdr");
    LSettingsSetString("RecordingPage", "TotalTime", "0:05:00.00");
    LSettingsSetString("RecordingPage", "TotalSize", "6805504");
    LSettingsSetString("OutputFormat", "OutputFormatNum", "1");
    struct Case
    {
        bool data;
        const char* total;
        const char* capacity;
    };
    const Case cases[] = {
        {false, "0:05:00.00", "1:19:57.96"},
        {true, " 6.49 MB", "702.83 MB"},
        {false, "0:05:00.00", "1:19:57.96"},
    };
    LBurnPageSettings settings;
    auto page = Open(settings);
    for (const Case& c : cases) {
        page->SetCheck(LBurnSettingsPage::kDataDiscCheck, c.data);
        page->SendCommand(LBurnSettingsPage::kDataDiscCheck);
        char text[260] = {};
        page->GetControlText(LBurnSettingsPage::kTotalText, text);
        EXPECT_STREQ(text, c.total) << c.data;
        page->GetControlText(LBurnSettingsPage::kCapacityText, text);
        EXPECT_STREQ(text, c.capacity) << c.data;
    }
    // The status bar keeps the output format's unit.
    EXPECT_EQ(Setting("CD", "Capacity"), "702.83 MB");
    page->EndDialog(kCommandCancel);
}

TEST_F(BurnSettingsPageTest, CancelStoresNothingAndOkStoresThePage)
{
    UseDrives("fake:media=cdr;fake:media=cdrw");
    LSettingsSetString("CDRecorder", "CDDrive", "0");
    LSettingsSetString("CDRecorder", "Speed", "65535");
    {
        LBurnPageSettings settings;
        auto page = Open(settings);
        page->SelectPullDownItem(LBurnSettingsPage::kDriveList, 1);
        page->SendCommand(LBurnSettingsPage::kDriveChanged);
        page->SendCommand(LBurnSettingsPage::kRefresh);
        page->SetControlText(LBurnSettingsPage::kLabel, "Changed");
        page->SendCommand(kCommandCancel);
        EXPECT_EQ(Setting("CDRecorder", "CDDrive"), "0");
        EXPECT_EQ(Setting("CDRecorder", "Speed"), "65535");
        EXPECT_EQ(Setting("CDRecorder", "CDLabel"), "<none>");
    }
    {
        LBurnPageSettings settings;
        auto page = Open(settings);
        page->SelectPullDownItem(LBurnSettingsPage::kDriveList, 1);
        page->SendCommand(LBurnSettingsPage::kDriveChanged);
        page->SelectPullDownText(LBurnSettingsPage::kSpeedList, "24x");
        page->SetCheck(LBurnSettingsPage::kDataDiscCheck, true);
        page->SendCommand(LBurnSettingsPage::kDataDiscCheck);
        page->SetControlText(LBurnSettingsPage::kLabel, "Side A");
        page->SendCommand(kCommandOK);
        EXPECT_EQ(Setting("CDRecorder", "CDDrive"), "1");
        EXPECT_EQ(Setting("CDRecorder", "Speed"), "240");
        EXPECT_EQ(Setting("CDRecorder", "CDLabel"), "Side A");
        EXPECT_EQ(Setting("CDRecorder", "Internal"), "1");
        EXPECT_EQ(Setting("OutputFormat", "BurnAudioCD"), "0");
    }
    {
        // Opened again on the same drive and disc, the page shows 24x.
        LBurnPageSettings settings;
        auto page = Open(settings);
        char text[260] = {};
        page->GetPullDownSelectedText(LBurnSettingsPage::kSpeedList, text);
        EXPECT_STREQ(text, "24x");
        page->SelectPullDownItem(LBurnSettingsPage::kSpeedList, 0);
        page->SendCommand(kCommandOK);
        EXPECT_EQ(Setting("CDRecorder", "Speed"), "65535");
    }
}

TEST_F(BurnSettingsPageTest, TheDataDiscOptionsAreStoredOnOkOnly)
{
    LSettingsSetString("OutputFormat", "DataCDType", "1");
    for (int ok = 0; ok < 2; ++ok) {
        LDataDiscTypeDialog dialog;
        ASSERT_TRUE(dialog.CreateFromTemplate(LDataDiscTypeDialog::Template()));
        dialog.ShowModeless(nullptr, LPlacementCenterOnScreen);
        EXPECT_EQ(dialog.GetPullDownSelection(LDataDiscTypeDialog::kTypeList), 1);
        EXPECT_TRUE(dialog.GetCheck(LDataDiscTypeDialog::kReencodeOthers));
        EXPECT_TRUE(dialog.IsControlEnabled(LDataDiscTypeDialog::kFormatSettings));
        dialog.SelectPullDownItem(LDataDiscTypeDialog::kTypeList, 2);
        dialog.SendCommand(LDataDiscTypeDialog::kTypeChanged);
        EXPECT_FALSE(dialog.IsControlEnabled(LDataDiscTypeDialog::kReencodeAll));
        EXPECT_FALSE(dialog.IsControlEnabled(LDataDiscTypeDialog::kFormatSettings));
        dialog.SendCommand(ok ? kCommandOK : kCommandCancel);
        EXPECT_EQ(Setting("OutputFormat", "DataCDType"), ok ? "2" : "1");
        if (!ok)
            LSettingsSetString("OutputFormat", "DataCDType", "1");
    }
}

TEST_F(BurnSettingsPageTest, FormatSettingsOpensTheOptionsOfTheChosenFormat)
{
    const struct
    {
        int type;
        const char* title;
    } cases[] = {{1, "MP3 Encoder Options"}, {0, "Select Wave File Format"}};
    for (const auto& c : cases) {
        LDataDiscTypeDialog dialog;
        ASSERT_TRUE(dialog.CreateFromTemplate(LDataDiscTypeDialog::Template()));
        dialog.ShowModeless(nullptr, LPlacementCenterOnScreen);
        dialog.SelectPullDownItem(LDataDiscTypeDialog::kTypeList, c.type);
        std::string title;
        QTimer::singleShot(300, [&title] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                title = modal->windowTitle().toStdString();
                modal->close();
            }
        });
        dialog.SendCommand(LDataDiscTypeDialog::kFormatSettings);
        EXPECT_EQ(title, c.title);
        dialog.SendCommand(kCommandCancel);
    }
}

TEST_F(BurnSettingsPageTest, HelpOpensTheTopicOfEachWindow)
{
    LBurnPageSettings settings;
    auto page = Open(settings);
    ASSERT_TRUE(page->HasControl(kCommandHelp));
    page->SendCommand(kCommandHelp);
    EXPECT_STREQ(LLastHelpTopic(), "cdburnsettings");
    page->SendCommand(kCommandCancel);

    LDataDiscTypeDialog dialog;
    ASSERT_TRUE(dialog.CreateFromTemplate(LDataDiscTypeDialog::Template()));
    dialog.ShowModeless(nullptr, LPlacementCenterOnScreen);
    ASSERT_TRUE(dialog.HasControl(kCommandHelp));
    dialog.SendCommand(kCommandHelp);
    EXPECT_STREQ(LLastHelpTopic(), "burningcds");
    EXPECT_TRUE(dialog.IsVisible()) << "Help closed the dialog";
    dialog.SendCommand(kCommandCancel);
}

namespace {
bool EncoderLoads()
{
    return true;
}
bool EncoderMissing()
{
    return false;
}
} // namespace

TEST_F(BurnSettingsPageTest, OkWithMp3ChosenNeedsTheMp3Encoder)
{
    BoxAnswerer boxes;
    const struct
    {
        bool (*probe)();
        int type;
        bool accepted;
    } cases[] = {
        {EncoderMissing, 1, false}, // stays open and says where the encoder comes from
        {EncoderMissing, 0, true},  // Wave needs no encoder
        {EncoderMissing, 2, true},
        {EncoderLoads, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        SetMp3EncoderProbeForTesting(c.probe);
        LSettingsSetString("OutputFormat", "DataCDType", "2");
        const size_t boxesBefore = boxes.Seen().size();
        // The offer to download the encoder is declined.
        if (!c.accepted)
            boxes.Queue("Cancel");
        LDataDiscTypeDialog dialog;
        ASSERT_TRUE(dialog.CreateFromTemplate(LDataDiscTypeDialog::Template()));
        dialog.ShowModeless(nullptr, LPlacementCenterOnScreen);
        dialog.SelectPullDownItem(LDataDiscTypeDialog::kTypeList, c.type);
        dialog.SendCommand(LDataDiscTypeDialog::kTypeChanged);
        dialog.SendCommand(kCommandOK);
        EXPECT_EQ(dialog.IsVisible(), !c.accepted);
        EXPECT_EQ(Setting("OutputFormat", "DataCDType"), c.accepted ? std::to_string(c.type) : "2");
        if (c.accepted) {
            EXPECT_EQ(boxes.Seen().size(), boxesBefore);
        } else {
            ASSERT_EQ(boxes.Seen().size(), boxesBefore + 1);
            EXPECT_NE(boxes.Last().find("libmp3lame0"), std::string::npos) << boxes.Last();
            dialog.SendCommand(kCommandCancel);
        }
    }
    SetMp3EncoderProbeForTesting(nullptr);
}
