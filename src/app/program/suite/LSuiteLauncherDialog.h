#pragma once
// The "Oxbel Software Suite" window: the maker's other programs by task. A
// tab per category; the programs of the selected one in a scrolling pane,
// three of its tasks in the featured pane; a click starts a program, offers
// one that is not installed, or opens its web page. Below: a search of the
// maker's site, links to the product list and the newsletter.

#include "app/program/suite/LSuiteProductPane.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"

#include <ctime>
#include <functional>
#include <string>

class LSuiteLauncherDialog : public LWindow
{
public:
    enum Control : int {
        kTabs = 101,
        kProducts = 102,
        kFeatured = 103,
        kSearchIcon = 104,
        kSearchText = 105,
        kSearchButton = 106,
        kMoreImage = 107,
        kMoreLink = 108,
        kNewsletterImage = 109,
        kNewsletterLink = 110,
        kWebButton = 113,
    };
    enum Command : int {
        kRunPending = 1001,
        kLaunchMenu = 5011,
        kTabChanged = 5012,
        kVisitWebsite = 5020,
        kWebsiteTip = 5021,
    };

    explicit LSuiteLauncherDialog(const char* initialTab = nullptr);
    ~LSuiteLauncherDialog() override;

    // Builds the window over the parent view (not shown yet).
    bool Create(LViewHandle parentView);
    // Runs it modally; the window is gone afterwards.
    void RunModal(LViewHandle parentView);

    void OnCreate() override;
    void OnDestroy() override;
    void OnCommand(int command, int extra) override;

    // action kSuiteRunItem runs the item, any other opens its web page.
    void OnItemClick(int action, const LSuiteItem& item);
    // Counts the use, installs a missing program straight away (the window
    // itself offered it: "Click to install and run"), waits for it to appear
    // and starts it. True when it started.
    bool RunProduct(const LSuiteItem& item);
    void FillCategory();
    void ShowLaunchMenu();
    // The web button's drop-down: visit the maker's site, or what the button does.
    void ShowWebsiteMenu();

    std::string SelectedTabName() const;
    LSuiteProductPane& ProductPane() { return products_; }
    LSuiteProductButton& FeaturedPane() { return featured_; }

    // Installs a missing program under the progress window "Install
    // Program" (LInstallRelatedProgram); tests put theirs. 0 installed, 1
    // stopped by the user, anything else failed.
    std::function<int(LViewHandle parent, const char* key)> installProgram;
    // How many seconds an installed program may take to be found before it
    // is given up (tests shorten it).
    int installedWaitSeconds = 30;

private:
    // Looks for the program just installed once a second, at most
    // installedWaitSeconds times; false when it never came or the window went.
    bool WaitUntilInstalled(const char* key);

    class ItemMessages : public LInterWinMessageHandler
    {
    public:
        explicit ItemMessages(LSuiteLauncherDialog* dialog) : dialog_(dialog) {}
        void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override;

    private:
        LSuiteLauncherDialog* dialog_;
    };

    void Layout();
    void Search();

    ItemMessages messages_{this};
    LSuiteProductButton featured_;
    LSuiteProductPane products_;
    bool closed_ = false;
    time_t openedAt_ = 0;
    char initialTab_[260] = {};
    LSuiteItem pending_;
    std::vector<std::string> categories_;
};

// Counts the opening ("oi" with a parent view, "oe" without) and runs the
// launcher on the tab.
void LOpenSuiteLauncherDialog(LViewHandle parentView, const char* initialTab);
