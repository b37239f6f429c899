// The About box: its pages and sizes at scale 1 and 2, the distributor from
// the shared settings, and its end with the main window.

#include "app/program/about/LAboutBox.h"
#include "foundation/process/LProcessStartup.h"
#include "foundation/settings/LSharedSettings.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using quorin::test::GuiApp;
using quorin::test::PumpUntil;

namespace {

const int kFirstPage[] = {LAboutBox::kIcon,        LAboutBox::kProductName, LAboutBox::kVersion,
                          LAboutBox::kDistributor, LAboutBox::kDetail,      LAboutBox::kWebLink};

void CheckPagesAtScale(const char* scale)
{
    quorin::test::TempHome home;
    GuiApp(scale);
    const double s = std::atof(scale);
    LProcessStaticInit(); // the notices the credits list
    LAboutBox about;
    ASSERT_TRUE(about.Open(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return about.IsVisible(); }));

    // Sized in character cells (measured from the system font), rounded
    // in points.
    const double cw = about.CharWidthPx(), ch = about.CharHeightPx();
    EXPECT_GE(cw, 5 * s);
    EXPECT_GE(ch, 10 * s);
    int w = 0, h = 0;
    about.GetWindowSize(&w, &h);
    EXPECT_NEAR(w, 42.5 * cw, s);
    EXPECT_NEAR(h, 15 * ch, s);
    EXPECT_TRUE(about.IsFirstPageShown());
    for (int id : kFirstPage)
        EXPECT_TRUE(about.IsControlVisible(id)) << id;
    EXPECT_FALSE(about.IsControlVisible(LAboutBox::kText));
    char text[260];
    EXPECT_STREQ(about.GetStaticText(LAboutBox::kProductName, text), "Quorin");
    EXPECT_STREQ(about.GetStaticText(LAboutBox::kVersion, text), "Version 3.00");
    EXPECT_STREQ(about.GetStaticText(LAboutBox::kDistributor, text), "Distributed by Oxbel Software");
    // The icon is centred and its side is 64 points.
    int x = 0, y = 0, iw = 0, ih = 0;
    ASSERT_TRUE(about.GetControlRect(LAboutBox::kIcon, &x, &y, &iw, &ih));
    EXPECT_EQ(iw, static_cast<int>(64 * s));
    EXPECT_NEAR(x, (w - iw) / 2, 1);

    struct Page
    {
        int tab;
        std::string text;
    } const pages[] = {{1, about.GetLicenseTerms().Text()}, {2, about.GetCredits().Text()}};
    for (const Page& page : pages) {
        about.SelectTabByIndex(LAboutBox::kTabs, page.tab);
        about.OnTabChanged();
        about.GetWindowSize(&w, &h);
        EXPECT_NEAR(w, 62.5 * cw, s);
        EXPECT_NEAR(h, 35.3 * ch, s);
        EXPECT_FALSE(about.IsFirstPageShown());
        for (int id : kFirstPage)
            EXPECT_FALSE(about.IsControlVisible(id)) << id;
        EXPECT_TRUE(about.IsControlVisible(LAboutBox::kText));
        // Shown as lines: the notices' CR LF ends become plain line ends.
        std::string shown = page.text;
        std::erase(shown, '\r');
        std::string view;
        about.GetControlTextLong(LAboutBox::kText, view);
        EXPECT_EQ(view, shown);
        EXPECT_FALSE(page.text.empty());
    }
    EXPECT_NE(std::string(about.GetCredits().Text()).find("LAME"), std::string::npos);

    // Back on the first tab: the compact size and its six controls.
    about.SelectTabByIndex(LAboutBox::kTabs, 0);
    about.OnTabChanged();
    about.GetWindowSize(&w, &h);
    EXPECT_NEAR(w, 42.5 * cw, s);
    for (int id : kFirstPage)
        EXPECT_TRUE(about.IsControlVisible(id)) << id;
    EXPECT_FALSE(about.IsControlVisible(LAboutBox::kText));
}

TEST(AboutBox, PagesAtScale1)
{
    CheckPagesAtScale("1");
}

TEST(AboutBox, PagesAtScale2)
{
    CheckPagesAtScale("2");
}

TEST(AboutBox, DistributorFromTheSharedSettings)
{
    quorin::test::TempHome home;
    GuiApp("1");
    EXPECT_EQ(LAboutBox::DistributorName(), "Oxbel Software");
    struct Case
    {
        const char* stored;
        const char* used;
    } const cases[] = {
        {"http://example.org/quorin", "http://example.org/quorin"},
        {"https://example.org/quorin", "https://example.org/quorin"},
        {"example.org/quorin", "http://example.org/quorin"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(LSharedSettingsSetString("Distributor", "URL", c.stored));
        EXPECT_EQ(LAboutBox::DistributorUrl(), c.used);
    }
    ASSERT_TRUE(LSharedSettingsSetString("Distributor", "Name", "Vinyl Shop"));
    LAboutBox about;
    ASSERT_TRUE(about.Open(nullptr));
    char text[260];
    EXPECT_STREQ(about.GetStaticText(LAboutBox::kDistributor, text), "Distributed by Vinyl Shop");
}

TEST(AboutBox, EndsWithItsOwnerAndReopensAfterwards)
{
    quorin::test::TempHome home;
    GuiApp("1");
    LWindow owner;
    owner.CreateCocoaWindow(400, 300, kWindowStyleTitled, false, nullptr);
    owner.ShowModeless(nullptr, LPlacementCenterOnScreen);
    {
        LAboutBox about;
        ASSERT_TRUE(about.Open(&owner));
        LViewHandle view = about.GetView();
        ASSERT_TRUE(about.Open(&owner)); // open already: shown again, not made again
        EXPECT_EQ(about.GetView(), view);
    } // the owner's member goes with it, ending the panel first
    LAboutBox again;
    EXPECT_TRUE(again.Open(&owner));
    again.EndDialog(kCommandOK);
    owner.EndDialog(kCommandOK);
}

} // namespace
