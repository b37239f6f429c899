#include "app/program/about/LAboutBox.h"

#include "app/program/menus/LApplicationMenus.h"
#include "foundation/ini/LRegistries.h"
#include "foundation/settings/LSharedSettings.h"
#include "gui/controls/LControlStyles.h"
#include "gui/controls/LPaintContext.h"
#include "gui/framework/LScreens.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kVersionPageWidth = 42.5;
constexpr double kVersionPageHeight = 15;
constexpr double kTextPageWidth = 62.5;
constexpr double kTextPageHeight = 35.3;

const int kFirstPageControls[] = {LAboutBox::kIcon,        LAboutBox::kProductName, LAboutBox::kVersion,
                                  LAboutBox::kDistributor, LAboutBox::kDetail,      LAboutBox::kWebLink};

int Units(double units, float unitPx)
{
    return static_cast<int>(units * unitPx + 0.5);
}

// The label font of the control times scale, bold when asked.
void SetLabelFont(LWindow* window, int id, float scale, bool bold)
{
    LGuiFont font;
    LGuiFont::CreateDerived(&font, window->GetControl(id), nullptr, bold ? 2 : 0, 0, 0, 0, scale);
    window->SetControlFont(window->GetControl(id), &font);
}

} // namespace

LAboutBox::LAboutBox()
{
    SetTitle("About Quorin");
}

LAboutBox::~LAboutBox()
{
    if (IsWindow())
        EndDialog(kCommandOK);
}

std::string LAboutBox::DistributorName()
{
    char name[260];
    LSharedSettingsGetString("Distributor", "Name", "Oxbel Software", name);
    return name;
}

std::string LAboutBox::DistributorUrl()
{
    char url[260];
    LSharedSettingsGetString("Distributor", "URL", LHomePageUrl().c_str(), url);
    std::string address = url;
    // The stored addresses are plain web addresses, secure or not.
    if (address.find("http://") == std::string::npos && address.find("https://") == std::string::npos)
        address = "http://" + address;
    return address;
}

const char* LAboutBox::LicenseTermsText()
{
    return "Quorin Licence Terms\n"
           "\n"
           "Quorin is copyright Oxbel Software. All rights reserved.\n"
           "\n"
           "You may install and use Quorin on computers that you own or control, to record, restore, convert "
           "and burn audio for your own purposes. You may not sell, rent or lend the program, and you may "
           "not "
           "remove its copyright notices.\n"
           "\n"
           "Recordings you make with Quorin are yours. Respect the rights of the owners of the music you "
           "record: many records and tapes may be copied for your own use only.\n"
           "\n"
           "The program is provided \"as is\", without warranty of any kind, express or implied, including "
           "but not limited to the warranties of merchantability, fitness for a particular purpose and "
           "non-infringement. In no event shall Oxbel Software be liable for any claim, damages or other "
           "liability arising from the use of the program.\n"
           "\n"
           "Components that the program loads at run time (such as the MP3 encoder) are covered by their own "
           "licences, listed under Credits.\n";
}

bool LAboutBox::Open(LWindow* parent)
{
    if (IsWindow() && !IsClosing()) {
        ShowWindow(true);
        return true;
    }
    usePanel = true;
    const int width = Units(kVersionPageWidth, CharWidthPx());
    const int height = Units(kVersionPageHeight, CharHeightPx());
    if (!CreateCocoaWindow(width, height, kWindowStyleTitled | kWindowStyleClosable, true,
                           parent != nullptr ? parent->GetView() : nullptr))
        return false;
    SetTitle("About Quorin");
    return ShowModeless(parent, parent != nullptr ? LPlacementCenterOnParent : LPlacementCenterOnScreen);
}

void LAboutBox::OnCreate()
{
    AddTabView(kTabs, -1, kTabChanged);
    InsertTab(kTabs, 0, "About");
    InsertTab(kTabs, 1, "License Terms");
    InsertTab(kTabs, 2, "Credits");

    AddImageControlNoRect(kIcon);
    SetImageControlResource(kIcon, 304);
    AddStaticText(kProductName, "Quorin");
    SetLabelFont(this, kProductName, 1.25f, true);
    AddStaticText(kVersion, "Version 3.00");
    SetLabelFont(this, kVersion, 0.8f, false);
    char distributor[300];
    std::snprintf(distributor, sizeof distributor, "Distributed by %s", DistributorName().c_str());
    AddStaticText(kDistributor, distributor);
    SetLabelFont(this, kDistributor, 0.8f, false);
    AddStaticText(kDetail, detailText_.Text());
    SetLabelFont(this, kDetail, 0.8f, false);
    for (int id : {kProductName, kVersion, kDistributor, kDetail})
        SetStaticTextStyle(id, 2, 1);
    const std::string url = DistributorUrl();
    AddHyperLink(kWebLink, "Quorin Web Page", url.c_str(), 0, -300, 100, 20);
    LEditFlags textFlags;
    textFlags.readOnly = true;
    textFlags.border = true;
    textFlags.verticalScroller = true;
    AddEditViewNoRect(kText, &textFlags);
    ShowControl(kText, false);

    int area[4] = {};
    LGetWindowWorkArea(GetView(), area);
    textWidth_ = area[2] - area[0];
    textLeft_ = textWidth_ / 2;
    textTop_ = (area[3] - area[1] - Units(kTextPageHeight, CharHeightPx()) - area[1]) / 2;

    licenseTerms_.Assign(LicenseTermsText());
    credits_.Assign("");
    LStringLongTemplate<char> second;
    LGetRegisteredNotices(&credits_, &second);
    if (second.Text()[0] != '\0') {
        std::string all = std::string(credits_.Text()) + "\r\n" + second.Text();
        credits_.Assign(all.c_str());
    }

    SelectTabByIndex(kTabs, 0);
    LayoutVersionPage();
}

void LAboutBox::OnCommand(int command, int extra)
{
    if (command == kTabChanged) {
        OnTabChanged();
        return;
    }
    LWindow::OnCommand(command, extra);
}

void LAboutBox::OnTabChanged()
{
    switch (GetCurrentTab(kTabs)) {
    case 0:
        LayoutVersionPage();
        break;
    case 1:
        SetControlText(kText, licenseTerms_.Text());
        LayoutTextPage();
        break;
    case 2:
        SetControlText(kText, credits_.Text());
        LayoutTextPage();
        break;
    default:
        break;
    }
}

void LAboutBox::ShowFirstPageControls()
{
    for (int id : kFirstPageControls)
        ShowControl(id, firstPageShown_);
    Redraw();
}

void LAboutBox::LayoutVersionPage()
{
    const float hu = CharWidthPx();
    const float vu = CharHeightPx();
    const int width = Units(kVersionPageWidth, hu);
    SetClientSize(width, Units(kVersionPageHeight, vu));
    const int tabHeight = Units(1.2, vu) + 6;
    SetControlRect(kTabs, 0, 0, width, tabHeight);

    const int icon = static_cast<int>(64 * GetScaleFactor());
    const int gap = Units(0.59, vu);
    const int top = Units(1.2, vu) + 2 * gap;
    int y = top;
    SetControlRect(kIcon, (width - icon) / 2, y, icon, icon);
    y += icon + gap;
    for (int id : {kProductName, kVersion, kDistributor, kDetail}) {
        const int height = GetControlTextHeight(id, "Quorin", width) + 4;
        SetControlRect(id, 0, y, width, height);
        y += height + (id == kProductName ? gap : gap / 2);
    }
    const int linkWidth = MeasureControlText(kWebLink, "Quorin Web Page") + 8;
    SetControlRect(kWebLink, (width - linkWidth) / 2, y, linkWidth, Units(1.23, vu));
    ShowControl(kText, false);
    firstPageShown_ = true;
    ShowFirstPageControls();
}

void LAboutBox::LayoutTextPage()
{
    const float hu = CharWidthPx();
    const float vu = CharHeightPx();
    const int width = Units(kTextPageWidth, hu);
    const int height = Units(kTextPageHeight, vu);
    SetClientSize(width, height);
    const int tabHeight = Units(1.2, vu) + 6;
    SetControlRect(kTabs, 0, 0, width, tabHeight);
    const int margin = Units(0.59, vu);
    SetControlRect(kText, margin, tabHeight + margin, width - 2 * margin, height - tabHeight - 2 * margin);
    firstPageShown_ = false;
    ShowFirstPageControls();
    ShowControl(kText, true);
}

void LAboutBox::Refresh()
{
    SetControlText(kDetail, detailText_.Text());
    SetControlText(kProductName, "Quorin");
    ShowFirstPageControls();
    Redraw();
}
