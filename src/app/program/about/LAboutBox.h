#pragma once
// The About box: the program's icon, name, version, distributor and web link
// on a first tab, the licence terms and the credits on two more. A modeless
// panel the main window keeps for its life and opens with 'abou'.

#include "foundation/text/LStringLong.h"
#include "gui/framework/LWindow.h"

#include <string>

class LAboutBox : public LWindow
{
public:
    enum Control : int {
        kIcon = 101,
        kProductName = 102,
        kVersion = 103,
        kDistributor = 104,
        kWebLink = 107,
        kTabs = 108,
        kText = 110,
        kDetail = 112,
    };
    // The tab view's command after a change of tab.
    static constexpr int kTabChanged = 108;

    LAboutBox();
    ~LAboutBox() override;

    // Creates the panel over the parent, modelessly, at its compact size and
    // shows it; when it is open already it only comes forward.
    bool Open(LWindow* parent);

    void OnCreate() override;
    void OnCommand(int command, int extra) override;

    void OnTabChanged();
    void ShowFirstPageControls();
    void LayoutVersionPage();
    void LayoutTextPage();
    void Refresh();

    const LStringLongTemplate<char>& GetLicenseTerms() const { return licenseTerms_; }
    const LStringLongTemplate<char>& GetCredits() const { return credits_; }
    bool IsFirstPageShown() const { return firstPageShown_; }

    // The distributor from the shared settings ("Distributor": "Name",
    // "URL"); an address without "http://" gains it.
    static std::string DistributorName();
    static std::string DistributorUrl();
    // The program's licence terms.
    static const char* LicenseTermsText();

private:
    LStringLongTemplate<char> detailText_;
    LStringLongTemplate<char> licenseTerms_;
    LStringLongTemplate<char> credits_;
    int textTop_ = 0;
    int textWidth_ = 800;
    int textLeft_ = 400;
    bool firstPageShown_ = false;
};
