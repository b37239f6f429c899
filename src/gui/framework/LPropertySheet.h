#pragma once
// Dialogs of pages: a property sheet shows its pages as tabs with OK,
// Cancel and Help below; a wizard shows one page at a time under a header
// with Back, Next, Finish, Cancel and Help, skipping inactive pages. Pages
// are embedded windows.

#include "gui/framework/LEmbeddedWindow.h"

#include <memory>
#include <string>
#include <vector>

class LPropertySheet;
class LWizard;

class LPropertyPage : public LEmbeddedWindow
{
public:
    LPropertySheet* GetSheet() const { return sheet_; }
    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }

    // After the page became current; before it is left.
    virtual void OnPageShown() {}
    virtual void OnLeave() {}

    void OnCreate() override {}
    // Both end the dialog that owns the page.
    void EndDialog(int code) override;
    void Cancel() override;

protected:
    friend class LPropertySheet;
    friend class LWizard;
    LWindow* owner_ = nullptr; // the sheet or wizard
    LPropertySheet* sheet_ = nullptr;
    int pageWidth_ = 0; // points for sheet pages, pixels for wizard pages
    int pageHeight_ = 0;
};

class LPropertyTabs; // the toolkit's tab widget

class LPropertySheet : public LWindow
{
public:
    LPropertySheet();
    ~LPropertySheet() override;

    // A null tab title takes the template's title.
    void AddPage(LPropertyPage* page, const LDialogTemplate* dialogTemplate, const char* tabTitle);
    // True only when closed with OK.
    bool DoModal(LViewHandle parentView, const char* title, int startPage);
    using LWindow::DoModal;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    int CurrentPage() const;
    void SelectPage(int index);
    // What the layout made of the current page, in pixels.
    void PageLayout(int* tabX, int* tabY, int* tabW, int* tabH, int* clientW, int* clientH) const;

    void OnCreate() override;
    void OnDestroy() override;
    bool CanOK() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;

private:
    struct Page
    {
        LPropertyPage* page;
        const LDialogTemplate* dialogTemplate;
        std::string tabTitle;
    };
    void BuildPages();
    void LayoutFor(int index);
    void OnTabChanging(int from, int to);

    std::vector<Page> pages_;
    int largestWidth_ = 0;
    int largestHeight_ = 0;
    char title_[260] = {};
    int startPage_ = 0;
    int currentPage_ = -1;
    void* tabs_ = nullptr; // the QTabWidget, owned by the window's view
};

class LWizardPage : public LPropertyPage
{
public:
    LWizard* GetWizard() const { return wizard_; }
    // A page that answers false is skipped by Back and Next.
    virtual bool IsPageActive() { return true; }
    void OnHelp() override;
    void EndDialog(int code) override;
    void Cancel() override;

    // Page-side control of the wizard's buttons (nothing unless the wizard
    // is alive).
    void EnableNext(bool enable);
    void EnableBack(bool enable);
    void ShowNext(bool show);
    void ShowFinishOnly();
    void ShowCancel(bool show);

    bool showBack = false;
    bool showNext = true;
    bool showFinish = false;
    bool showHelp = false;

protected:
    friend class LWizard;
    LWizard* wizard_ = nullptr;
    std::unique_ptr<LDialogTemplate> template_;
    std::string title_;
    std::string subtitle_;
    void* holder_ = nullptr; // the page's place in the wizard's stack
};

class LWizard : public LWindow
{
public:
    LWizard();
    ~LWizard() override;

    // Sizes in dialog units of two pixels per point.
    void AddPage(LWizardPage* page, const char* title, const char* subtitle, int width, int height,
                 bool help);
    void AddPageFromTemplate(LWizardPage* page, const LDialogTemplate* dialogTemplate, const char* title,
                             const char* subtitle, bool help);
    // True only when ended with 'ok  ' (Finish, or Next on the last page).
    bool DoModal(LViewHandle parentView, const char* title);
    using LWindow::DoModal;

    void GoNext();
    void GoBack();
    void Finish();
    int PageCount() const { return static_cast<int>(pages_.size()); }
    int CurrentPage() const { return current_; }
    LWizardPage* GetCurrentPage() const;
    void LayoutButtons(int x, int y, int w, int h);
    int GetButtonWidth(int id) const;

    void OnCreate() override;
    void OnReady() override;
    void OnDestroy() override;
    bool CanCancel() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;

private:
    void Select(int index);
    void BuildPage(LWizardPage* page);

    std::vector<LWizardPage*> pages_;
    int current_ = -1;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int largestWidth_ = 0; // pixels
    int largestHeight_ = 0;
    char title_[260] = {};
    void* stack_ = nullptr; // the QStackedWidget, owned by the window's view
};
