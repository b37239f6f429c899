#include "app/program/suite/LSuiteLauncherDialog.h"

#include "app/program/RelatedPrograms.h"
#include "app/program/startup/LSupportServices.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LScreens.h"
#include "online/LOnlineSite.h"
#include "online/LRelatedPrograms.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <strings.h>

namespace {

int Units(double units, float unitPx)
{
    return static_cast<int>(units * unitPx + 0.5);
}

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

constexpr const char* kFullProductName = "Quorin Dizer od OD Udivezeve";

} // namespace

void LSuiteLauncherDialog::ItemMessages::OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2)
{
    LSuiteItem item;
    if (eventId == kSuiteRunItem) {
        if (data2 == 1)
            item.task = reinterpret_cast<const LSuiteTaskEntry*>(data1);
        else
            item.product = reinterpret_cast<const LSuiteProductEntry*>(data1);
        dialog_->OnItemClick(kSuiteRunItem, item);
    } else if (eventId == kSuiteOpenWebPage) {
        const auto* info = reinterpret_cast<const LSuiteProductInfo*>(data1);
        if (info != nullptr)
            LOpenURL(LSuiteProductPageUrl(info->webFolder).c_str());
    }
}

LSuiteLauncherDialog::LSuiteLauncherDialog(const char* initialTab)
{
    if (initialTab != nullptr)
        std::snprintf(initialTab_, sizeof initialTab_, "%s", initialTab);
    installProgram = [](LViewHandle parent, const char* key) { return LInstallRelatedProgram(parent, key); };
}

LSuiteLauncherDialog::~LSuiteLauncherDialog()
{
    if (IsWindow())
        EndDialog(kCommandCancel);
}

bool LSuiteLauncherDialog::Create(LViewHandle parentView)
{
    // Sized by OnCreate to what it holds.
    return CreateCocoaWindow(Units(85, CharWidthPx()), Units(30, CharHeightPx()),
                             kWindowStyleTitled | kWindowStyleClosable, false, parentView);
}

void LSuiteLauncherDialog::RunModal(LViewHandle parentView)
{
    if (!IsWindow() && !Create(parentView))
        return;
    DoModal(LGetWindowFromView(parentView),
            parentView != nullptr ? LPlacementCenterOnParent : LPlacementCenterOnScreen);
}

void LSuiteLauncherDialog::OnCreate()
{
    openedAt_ = std::time(nullptr);
    SetTitle("Oxbel Software Suite");

    AddTabView(kTabs, -1, kTabChanged);
    categories_ = LSuiteCategories();
    for (size_t i = 0; i < categories_.size(); ++i)
        InsertTab(kTabs, static_cast<int>(i), categories_[i].c_str());

    AddScrollPaintControl(kProducts, false, true);
    products_.AttachPane(this, kProducts);
    AddPaintControl(kFeatured);
    featured_.AttachPane(this, kFeatured);

    AddImageControlNoRect(kSearchIcon);
    SetImageControlResource(kSearchIcon, 316);
    AddTextInput(kSearchText, false);
    SetPromptText(kSearchText, "Search for more software");
    AddButtonNoRect(kSearchButton, "Search");
    AddImageControlNoRect(kMoreImage);
    SetImageControlResource(kMoreImage, 318);
    AddHyperLink(kMoreLink, "See more of our software", "", 0, 0, 10, 10);
    AddImageControlNoRect(kNewsletterImage);
    SetImageControlResource(kNewsletterImage, 320);
    AddHyperLink(kNewsletterLink, "Subscribe to our newsletter", "", 0, 0, 10, 10);
    AddButtonNoRect(kWebButton, "");
    SetButtonImage(kWebButton, 317);
    const ToolTipEntry tips[] = {
        {kMoreLink, "See the complete list of products made by Oxbel Software"},
        {kNewsletterLink, "Subscribe to our newsletter announcing new and updated products"},
        {kWebButton, "Click to visit our website"},
    };
    SetToolTips(tips, 3, nullptr, 0);
    CreateTooltip();

    messages_.Register(this, kSuiteRunItem);
    messages_.Register(this, kSuiteOpenWebPage);

    Layout();

    // The tab asked for, else the one used last; the first when none matches.
    char wanted[260];
    if (initialTab_[0] != '\0')
        std::snprintf(wanted, sizeof wanted, "%s", initialTab_);
    else
        LSettingsGetString("Settings", "SelectedTab", "Audio", wanted);
    int selected = 0;
    for (size_t i = 0; i < categories_.size(); ++i)
        if (strcasecmp(categories_[i].c_str(), wanted) == 0)
            selected = static_cast<int>(i);
    SelectTabByIndex(kTabs, selected);
    FillCategory();
}

void LSuiteLauncherDialog::Layout()
{
    const float hu = CharWidthPx();
    const float vu = CharHeightPx();
    const int W = Units(85, hu);
    const int M = Units(1.25, hu);
    const int G = Units(0.59, vu);
    const int L = Units(1.23, vu);

    int y = G;
    // The tab strip: the panes below show the selected tab.
    SetControlRect(kTabs, M, y, W - 2 * M, L + G);
    y += L + 2 * G;
    const int paneX = 2 * M;
    const int paneW = W - 4 * M;
    products_.SetRect(paneX, y, paneW, Units(16, vu));
    y += Units(16, vu) + G;
    SetControlRect(kFeatured, paneX, y, paneW, Units(5, vu));
    y += Units(5, vu) + 2 * G;

    // The search row.
    const int icon = Units(4, hu);
    const int rowH = std::max(icon, L + G);
    const int buttonW = Units(12, hu);
    SetControlRect(kSearchIcon, paneX, y + (rowH - icon) / 2, icon, icon);
    SetControlRect(kSearchText, paneX + icon + M, y + (rowH - L - G / 2) / 2, paneW - icon - 2 * M - buttonW,
                   L + G / 2);
    SetControlRect(kSearchButton, paneX + paneW - buttonW, y + (rowH - L - G) / 2, buttonW, L + G);
    y += rowH + 2 * G;

    // The links, one line apart; the web button at the right beside them.
    const int linkW = paneW - icon - M - Units(12, hu) - M;
    SetControlRect(kMoreImage, paneX + (icon - L) / 2, y, L, L);
    SetControlRect(kMoreLink, paneX + icon + M, y, linkW, L);
    SetControlRect(kWebButton, paneX + paneW - Units(12, hu), y, Units(12, hu), 2 * L + G);
    y += L + G;
    SetControlRect(kNewsletterImage, paneX + (icon - L) / 2, y, L, L);
    SetControlRect(kNewsletterLink, paneX + icon + M, y, linkW, L);
    y += L + 2 * G;
    SetClientSize(W, y);
}

void LSuiteLauncherDialog::OnDestroy()
{
    if (!closed_) {
        closed_ = true;
        LSettingsSetString("Settings", "SelectedTab", SelectedTabName().c_str());
        const double open = std::difftime(std::time(nullptr), openedAt_);
        LSettingsSetInt("SuiteUsage", "os",
                        LSettingsGetInt("SuiteUsage", "os", 0) + static_cast<int64_t>(std::lround(open)));
    }
    messages_.Unregister();
    products_.Destroy();
    featured_.Destroy();
}

std::string LSuiteLauncherDialog::SelectedTabName() const
{
    const int index = GetCurrentTab(kTabs);
    if (index < 0 || index >= static_cast<int>(categories_.size()))
        return categories_.empty() ? std::string() : categories_.front();
    return categories_[static_cast<size_t>(index)];
}

void LSuiteLauncherDialog::FillCategory()
{
    products_.Clear();
    featured_.Clear();
    pending_ = {};
    const std::string tab = SelectedTabName();
    std::vector<size_t> rows;
    for (size_t i = 0; i < std::size(LSuiteTasks); ++i) {
        const LSuiteTask& task = LSuiteTasks[i];
        if (strcasecmp(task.category, tab.c_str()) != 0)
            continue;
        const LSuiteProductInfo* info = LSuiteFindProductInfo(task.name);
        if (info == nullptr)
            continue;
        products_.AddTask(&task, info, &LIsSuiteProductInstalled);
        rows.push_back(i);
    }
    // Three tasks at random, each at most once (all of them when fewer).
    std::vector<size_t> offered;
    for (size_t row : rows)
        if (std::strcmp(LSuiteTasks[row].name, kSuiteOwnProduct) != 0)
            offered.push_back(row);
    std::shuffle(offered.begin(), offered.end(), std::mt19937(std::random_device{}()));
    offered.resize(std::min<size_t>(3, offered.size()));
    std::sort(offered.begin(), offered.end());
    for (size_t row : offered)
        featured_.AddTask(&LSuiteTasks[row], LSuiteFindProductInfo(LSuiteTasks[row].name),
                          &LIsSuiteProductInstalled);

    products_.ScrollToTop();
    featured_.Invalidate();
    products_.Relayout();
}

void LSuiteLauncherDialog::OnItemClick(int action, const LSuiteItem& item)
{
    const LSuiteProductInfo* info = item.Info();
    if (info == nullptr)
        return;
    if (action == kSuiteRunItem)
        RunProduct(item);
    else
        LOpenURL(LSuiteProductPageUrl(info->webFolder).c_str());
}

bool LSuiteLauncherDialog::RunProduct(const LSuiteItem& item)
{
    const LSuiteProductInfo* info = item.Info();
    if (info == nullptr)
        return false;
    const std::string key = LSuiteProductKeyFromName(info->name);
    const bool installed = LIsRelatedProgramInstalled(key.c_str());
    const char* task = item.task != nullptr && item.task->task != nullptr ? item.task->task->task : "";
    LSuiteRecordLinkUse(key.c_str(), SelectedTabName().c_str(), task, installed);
    if (!installed) {
        const int result = installProgram ? installProgram(GetView(), key.c_str()) : 2;
        if (result == 1)
            return false; // the user stopped it: nothing to say
        if (result != 0) {
            const std::string text = std::string(kFullProductName) +
                                     " cannot launch the program required to perform the selected task. "
                                     "Please download it from " +
                                     LSiteUrl("/software/index.html") + " and try again.";
            LMessageBox box(GetView(), text.c_str(), kFullProductName);
            box.style = LMessageBoxCriticalStyle;
            box.SetButton(1, "OK");
            box.Show();
            return false;
        }
        if (!WaitUntilInstalled(key.c_str()))
            return false;
    }
    if (LLaunchRelatedProgram(key.c_str(), {}) != 0)
        return false;
    products_.Relayout();
    return true;
}

bool LSuiteLauncherDialog::WaitUntilInstalled(const char* key)
{
    // Finding the program is what counts, not the install's answer (an
    // install that another copy of Quorin runs at the same time may still be
    // putting it in place): it is looked for once a second, with the window
    // kept responsive, and given up when the window goes or the time is over.
    for (int second = 0; !LIsRelatedProgramInstalled(key); ++second) {
        if (second >= installedWaitSeconds || !IsWindow())
            return false;
        LWaitWithMessagePump([&] { return !IsWindow(); }, true, 1000);
    }
    return IsWindow();
}

void LSuiteLauncherDialog::ShowLaunchMenu()
{
    pending_ = {};
    if (featured_.Marked() != nullptr)
        pending_.task = featured_.Marked();
    else if (products_.Marked() != nullptr)
        pending_.product = products_.Marked();
    else
        return;
    LPopupMenu menu;
    menu.Create(this, "");
    menu.AddItem(kRunPending, "Launch...");
    TrackPopupMenu(&menu, false);
}

void LSuiteLauncherDialog::ShowWebsiteMenu()
{
    LPopupMenu menu;
    menu.Create(this, "");
    menu.AddItem(kVisitWebsite, "Visit Our Website");
    menu.AddItem(kWebsiteTip, "What's This?");
    // Below the button, as a drop-down opens; at the pointer should the
    // button not be on a screen.
    double x = 0, y = 0;
    if (LGetDropDownOrigin(GetControl(kWebButton), &x, &y))
        menu.TrackPopup(this, true, x, y);
    else
        TrackPopupMenu(&menu, false);
}

void LSuiteShowLaunchMenu(LWindow* window)
{
    if (auto* dialog = dynamic_cast<LSuiteLauncherDialog*>(window))
        dialog->ShowLaunchMenu();
}

void LSuiteLauncherDialog::Search()
{
    char text[1024];
    GetControlTextN(kSearchText, text, sizeof text);
    if (Trimmed(text).empty()) {
        ShowBubbleTip(kSearchButton, "Please enter keywords to search for");
        return;
    }
    // The desktop keeps no mail address for programs to read.
    LOpenURL(LSuiteSearchUrl(text, "").c_str());
}

void LSuiteLauncherDialog::OnCommand(int command, int extra)
{
    switch (command) {
    case kRunPending: {
        const LSuiteItem item = pending_;
        pending_ = {};
        if (item.Info() != nullptr)
            RunProduct(item);
        return;
    }
    case kLaunchMenu:
        ShowLaunchMenu();
        return;
    case kTabChanged:
        FillCategory();
        return;
    case kWebButton:
        ShowWebsiteMenu();
        return;
    case kVisitWebsite:
        LOpenProductPage("index");
        return;
    case kWebsiteTip:
        ShowBubbleTip(kWebButton, "Click to visit our website");
        return;
    case kSearchButton:
        Search();
        return;
    case kMoreLink:
        LOpenURL(LSiteUrl("/software/index.html").c_str());
        return;
    case kNewsletterLink:
        LOpenURL(LSiteUrl("/software/newsletter.html").c_str());
        return;
    default:
        LWindow::OnCommand(command, extra);
    }
}

void LOpenSuiteLauncherDialog(LViewHandle parentView, const char* initialTab)
{
    const char* name = parentView != nullptr ? "oi" : "oe";
    LSettingsSetInt("SuiteUsage", name, LSettingsGetInt("SuiteUsage", name, 0) + 1);
    LSuiteLauncherDialog dialog(initialTab);
    dialog.RunModal(parentView);
}
