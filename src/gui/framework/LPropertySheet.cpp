// Property sheets (pages as tabs) and wizards (one page at a time under a
// title and subtitle): which page is current, what the buttons do and where
// everything goes. The toolkit's containers only show the pages
// (LPageContainers.h).

#include "gui/framework/LPropertySheet.h"

#include "gui/framework/LPageContainers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int R(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

void CopyTitle(char* dest, const char* title)
{
    std::snprintf(dest, 260, "%s", title ? title : "");
}

LWindow* OwnerOf(LViewHandle view)
{
    return view ? LGetWindowFromView(view) : nullptr;
}

} // namespace

// ---- Pages ----

void LPropertyPage::EndDialog(int code)
{
    if (owner_)
        owner_->EndDialog(code);
}

void LPropertyPage::Cancel()
{
    if (owner_)
        owner_->EndDialog(kCommandCancel);
}

// ---- Property sheet ----

LPropertySheet::LPropertySheet() = default;

LPropertySheet::~LPropertySheet()
{
    if (IsWindow() && IsTopLevel())
        DestroyWindow();
}

void LPropertySheet::AddPage(LPropertyPage* page, const LDialogTemplate* dialogTemplate, const char* tabTitle)
{
    if (!page || !dialogTemplate)
        return;
    page->owner_ = this;
    page->sheet_ = this;
    page->pageWidth_ = dialogTemplate->width;
    page->pageHeight_ = dialogTemplate->height;
    largestWidth_ = std::max(largestWidth_, dialogTemplate->width);
    largestHeight_ = std::max(largestHeight_, dialogTemplate->height);
    pages_.push_back({page, dialogTemplate, tabTitle ? tabTitle : dialogTemplate->title});
}

bool LPropertySheet::DoModal(LViewHandle parentView, const char* title, int startPage)
{
    CopyTitle(title_, title);
    startPage_ = startPage;
    if (!CreateCocoaWindow(400, 300, kWindowStyleTitled | kWindowStyleClosable, false, parentView))
        return false;
    return LWindow::DoModal(OwnerOf(parentView), LPlacementCenterOnScreen);
}

int LPropertySheet::CurrentPage() const
{
    return currentPage_;
}

void LPropertySheet::SelectPage(int index)
{
    LPageTabsSelect(tabs_, index);
}

void LPropertySheet::OnCreate()
{
    EnableCloseButton(false);
    SetTitle(title_);
    tabs_ = LPageTabsCreate(*this);
    for (const Page& entry : pages_) {
        entry.page->CreateFromTemplate(this, entry.dialogTemplate);
        LPageTabsAdd(tabs_, entry.tabTitle.c_str(), *entry.page);
    }
    AddOKButton();
    SetDefaultButton(kCommandOK);
    AddCancelButton();
    AddHelpButton();
    LPageTabsOnChange(tabs_, [this](int to) { OnTabChanging(currentPage_, to); });
    const int start = startPage_ >= 0 && startPage_ < PageCount() ? startPage_ : 0;
    if (PageCount() > 0) {
        currentPage_ = LPageTabsCurrent(tabs_);
        if (start != currentPage_)
            LPageTabsSelect(tabs_, start);
        else
            OnTabChanging(-1, start);
    } else {
        LayoutFor(-1);
    }
}

void LPropertySheet::OnTabChanging(int from, int to)
{
    if (from >= 0 && from < PageCount() && from != to)
        pages_[static_cast<size_t>(from)].page->OnLeave();
    currentPage_ = to;
    if (to < 0 || to >= PageCount())
        return;
    LPropertyPage* page = pages_[static_cast<size_t>(to)].page;
    page->OnPageShown();
    page->UpdateControls();
    LayoutFor(to);
}

void LPropertySheet::PageLayout(int* tabX, int* tabY, int* tabW, int* tabH, int* clientW, int* clientH) const
{
    const double cw = CharWidthPx();
    const double ch = CharHeightPx();
    const double s = GetScaleFactor();
    const LPropertyPage* page = currentPage_ >= 0 && currentPage_ < PageCount()
                                    ? pages_[static_cast<size_t>(currentPage_)].page
                                    : nullptr;
    const int pw = page ? static_cast<int>(s * page->PageWidth()) : 0;
    const int ph = page ? static_cast<int>(s * page->PageHeight()) : 0;
    const int border = static_cast<int>(s * 14);
    *tabX = R(2 * cw) - border / 2;
    *tabY = R(0.94 * ch);
    *tabW = pw + border;
    *tabH = R(3 * ch) + ph;
    *clientW = pw + 2 * R(2 * cw);
    *clientH = R(1.23 * ch) + 2 * R(0.94 * ch) + R(3 * ch) + ph;
}

void LPropertySheet::LayoutFor(int)
{
    if (!tabs_)
        return;
    int x, y, w, h, W, H;
    PageLayout(&x, &y, &w, &h, &W, &H);
    const double s = GetScaleFactor();
    LPageTabsPlace(tabs_, R(x / s), R(y / s), R(w / s), R(h / s));
    LayoutDialogButtons(0, 0, 0, W, H);
    ResizeWindow(W, H, true);
}

bool LPropertySheet::CanOK()
{
    for (int i = 0; i < PageCount(); ++i) {
        if (!pages_[static_cast<size_t>(i)].page->CanOK()) {
            LPageTabsSelect(tabs_, i);
            return false;
        }
    }
    return true;
}

void LPropertySheet::UpdateControls()
{
    if (currentPage_ >= 0 && currentPage_ < PageCount())
        pages_[static_cast<size_t>(currentPage_)].page->UpdateControls();
}

void LPropertySheet::OnCommand(int command, int extra)
{
    LWindow::OnCommand(command, extra);
}

void LPropertySheet::OnHelp()
{
    // A page hands help to its host, which is this sheet: answered here.
    LWindow::OnHelp();
}

void LPropertySheet::OnDestroy()
{
    for (const Page& entry : pages_)
        entry.page->Detach();
    tabs_ = nullptr;
}

// ---- Wizard pages ----

void LWizardPage::OnHelp()
{
    LOpenHelpTopic("index");
}

void LWizardPage::EndDialog(int code)
{
    if (wizard_)
        wizard_->EndDialog(code);
}

void LWizardPage::Cancel()
{
    if (wizard_ && wizard_->IsWindow())
        wizard_->PostCommand(kCommandCancel);
}

void LWizardPage::EnableNext(bool enable)
{
    if (!wizard_ || !wizard_->IsWindow())
        return;
    wizard_->EnableControl(kCommandBack, true);
    wizard_->EnableControl(kCommandOK, enable);
}

void LWizardPage::EnableBack(bool enable)
{
    if (!wizard_ || !wizard_->IsWindow())
        return;
    wizard_->EnableControl(kCommandBack, enable);
    wizard_->EnableControl(kCommandOK, true);
}

void LWizardPage::ShowNext(bool show)
{
    if (!wizard_ || !wizard_->IsWindow())
        return;
    wizard_->ShowControl(kCommandOK, show);
    int w = 0, h = 0;
    wizard_->GetClientSize(&w, &h);
    wizard_->LayoutButtons(0, 0, w, h);
}

void LWizardPage::ShowFinishOnly()
{
    if (!wizard_ || !wizard_->IsWindow())
        return;
    wizard_->ShowControl(kCommandFinish, true);
    wizard_->EnableControl(kCommandFinish, true);
    wizard_->ShowControl(kCommandBack, false);
    wizard_->ShowControl(kCommandOK, false);
    int w = 0, h = 0;
    wizard_->GetClientSize(&w, &h);
    wizard_->LayoutButtons(0, 0, w, h);
}

void LWizardPage::ShowCancel(bool show)
{
    if (!wizard_ || !wizard_->IsWindow())
        return;
    wizard_->ShowControl(kCommandCancel, show);
    int w = 0, h = 0;
    wizard_->GetClientSize(&w, &h);
    wizard_->LayoutButtons(0, 0, w, h);
}

// ---- Wizard ----

LWizard::LWizard() = default;

LWizard::~LWizard()
{
    if (IsWindow() && IsTopLevel())
        DestroyWindow();
}

void LWizard::AddPage(LWizardPage* page, const char* title, const char* subtitle, int width, int height,
                      bool help)
{
    if (!page)
        return;
    const double s = GetScaleFactor();
    page->wizard_ = this;
    page->owner_ = this;
    page->pageWidth_ = static_cast<int>(s * 2 * width);
    page->pageHeight_ = static_cast<int>(s * 2 * height);
    page->showHelp = help;
    page->showBack = true;
    page->showNext = true;
    page->title_ = title ? title : "";
    page->subtitle_ = subtitle ? subtitle : "";
    largestWidth_ = std::max(largestWidth_, page->pageWidth_);
    largestHeight_ = std::max(largestHeight_, page->pageHeight_);
    pages_.push_back(page);
}

void LWizard::AddPageFromTemplate(LWizardPage* page, const LDialogTemplate* dialogTemplate, const char* title,
                                  const char* subtitle, bool help)
{
    if (!page || !dialogTemplate)
        return;
    AddPage(page, title, subtitle, 0, 0, help);
    page->template_ = std::make_unique<LDialogTemplate>(*dialogTemplate);
    const double s = GetScaleFactor();
    page->pageWidth_ = static_cast<int>(dialogTemplate->width * s);
    page->pageHeight_ = static_cast<int>(dialogTemplate->height * s);
    largestWidth_ = std::max(largestWidth_, page->pageWidth_);
    largestHeight_ = std::max(largestHeight_, page->pageHeight_);
}

bool LWizard::DoModal(LViewHandle parentView, const char* title)
{
    CopyTitle(title_, title);
    if (!CreateCocoaWindow(400, 300, kWindowStyleTitled | kWindowStyleClosable, false, parentView))
        return false;
    const double cw = CharWidthPx();
    const double ch = CharHeightPx();
    clientWidth_ = 2 * R(2 * cw) + largestWidth_;
    clientHeight_ = R(1.23 * ch) + largestHeight_ + R(3.13 * ch) + 6 * R(0.94 * ch);
    SetClientSize(clientWidth_, clientHeight_);
    return LWindow::DoModal(OwnerOf(parentView), LPlacementCenterOnScreen);
}

LWizardPage* LWizard::GetCurrentPage() const
{
    return current_ >= 0 && current_ < PageCount() ? pages_[static_cast<size_t>(current_)] : nullptr;
}

void LWizard::OnCreate()
{
    if (!pages_.empty()) {
        LWizardPage* first = pages_.front();
        first->showBack = false;
        first->showNext = true;
        first->showFinish = false;
        LWizardPage* last = pages_.back();
        last->showBack = pages_.size() > 1;
        last->showNext = false;
        last->showFinish = true;
    }
    SetTitle(title_);
    const double cw = CharWidthPx();
    const double ch = CharHeightPx();
    const double s = GetScaleFactor();
    const int stackX = R(2 * cw);
    const int stackY = R(0.94 * ch);
    const int stackH = largestHeight_ + R(3.13 * ch) + R(0.94 * ch);
    stack_ = LPageStackCreate(*this, R(stackX / s), R(stackY / s), R(largestWidth_ / s), R(stackH / s));
    for (LWizardPage* page : pages_)
        page->holder_ =
            LPageStackAdd(stack_, page->title_.c_str(), page->subtitle_.c_str(), cw, ch, s, largestWidth_);
    for (int id : {76, 77})
        AddSeparator(id, 0, 0, 0);
    const int thickness = std::max(1, R(0.11 * ch));
    SetControlRect(76, 0, R(0.94 * ch) + R(3.13 * ch), clientWidth_, thickness);
    SetControlRect(77, 0, 3 * R(0.94 * ch) + stackY + stackH - 2 * R(0.94 * ch), clientWidth_, thickness);
    AddOKButtonWithText("Next");
    SetDefaultButton(kCommandOK);
    AddCancelButton();
    AddHelpButton();
    AddButtonNoRect(kCommandBack, "Back");
    AddButtonNoRect(kCommandFinish, "Finish");
    LayoutButtons(0, 0, clientWidth_, clientHeight_);
}

void LWizard::OnReady()
{
    if (!pages_.empty() && current_ < 0)
        Select(0);
}

void LWizard::BuildPage(LWizardPage* page)
{
    if (page->GetView())
        return;
    if (page->template_)
        page->CreateFromTemplate(this, page->template_.get());
    else
        page->Create(this, page->pageWidth_, page->pageHeight_);
    const double s = GetScaleFactor();
    LPageAdopt(*page, page->holder_, 0, static_cast<int>(R(3.13 * CharHeightPx()) / s) + 16);
}

void LWizard::Select(int index)
{
    if (!stack_ || index < 0 || index >= PageCount())
        return;
    LWizardPage* page = pages_[static_cast<size_t>(index)];
    const struct
    {
        int id;
        bool on;
    } buttons[] = {
        {kCommandBack, page->showBack}, {kCommandOK, page->showNext}, {kCommandFinish, page->showFinish}};
    for (const auto& b : buttons) {
        ShowControl(b.id, b.on);
        EnableControl(b.id, b.on);
    }
    ShowControl(kCommandHelp, page->showHelp);
    // Return goes to Next, or to Finish where Next is not shown.
    LPageSetReturnButton(*this, page->showNext ? kCommandOK : kCommandFinish,
                         page->showNext ? kCommandFinish : kCommandOK);
    BuildPage(page);
    LPageStackShow(stack_, page->holder_);
    current_ = index;
    page->OnPageShown();
    page->UpdateControls();
    if (page->showFinish && !IsControlEnabled(kCommandBack))
        ShowControl(kCommandBack, false);
    LayoutButtons(0, 0, clientWidth_, clientHeight_);
    LPageFocusView(page->GetView());
    ShowWindow(true);
}

void LWizard::GoNext()
{
    LWizardPage* page = GetCurrentPage();
    if (!page || !page->CanOK())
        return;
    page->OnLeave();
    for (int next = current_ + 1; next < PageCount(); ++next) {
        if (pages_[static_cast<size_t>(next)]->IsPageActive()) {
            Select(next);
            return;
        }
    }
    EndDialog(kCommandOK);
}

void LWizard::GoBack()
{
    LWizardPage* page = GetCurrentPage();
    if (!page || current_ == 0)
        return;
    // Leaving is announced only when there is an earlier page to go to.
    for (int previous = current_ - 1; previous >= 0; --previous) {
        if (pages_[static_cast<size_t>(previous)]->IsPageActive()) {
            page->OnLeave();
            Select(previous);
            return;
        }
    }
}

void LWizard::Finish()
{
    LWizardPage* page = GetCurrentPage();
    if (!page || !page->CanOK())
        return;
    page->OnLeave();
    EndDialog(kCommandOK);
}

int LWizard::GetButtonWidth(int id) const
{
    return LPageButtonWidth(*this, id);
}

void LWizard::LayoutButtons(int x, int y, int w, int h)
{
    const double cw = CharWidthPx();
    const double ch = CharHeightPx();
    const int height = R(1.23 * ch);
    const int top = y + h - height - R(0.94 * ch);
    int left = x + R(2 * cw);
    int available = w - 2 * R(2 * cw);
    if (HasControl(kCommandHelp)) {
        SetControlRect(kCommandHelp, left, top, height, height);
        left += height + R(1.25 * cw);
        available -= height + R(1.25 * cw);
    }
    const int nextWidth = std::max({GetButtonWidth(kCommandOK), GetButtonWidth(kCommandFinish), R(12 * cw)});
    const int nextX = left + available - nextWidth;
    SetControlRect(kCommandOK, nextX, top, nextWidth, height);
    SetControlRect(kCommandFinish, nextX, top, nextWidth, height);
    const int backWidth = std::max(GetButtonWidth(kCommandBack), R(12 * cw));
    const int backX = nextX - R(1.25 * cw) - backWidth;
    SetControlRect(kCommandBack, backX, top, backWidth, height);
    const int cancelWidth = std::max(GetButtonWidth(kCommandCancel), static_cast<int>(GetScaleFactor() * 96));
    SetControlRect(kCommandCancel, backX - R(1.25 * cw) - cancelWidth, top, cancelWidth, height);
}

bool LWizard::CanCancel()
{
    LWizardPage* page = GetCurrentPage();
    return page ? page->CanCancel() : true;
}

void LWizard::UpdateControls()
{
    if (LWizardPage* page = GetCurrentPage())
        page->UpdateControls();
}

void LWizard::OnCommand(int command, int extra)
{
    if (command == kCommandBack)
        GoBack();
    else if (command == kCommandFinish)
        Finish();
    else if (command == kCommandOK)
        GoNext();
    else
        LWindow::OnCommand(command, extra);
}

void LWizard::OnHelp()
{
    if (LWizardPage* page = GetCurrentPage())
        page->OnHelp();
    else
        LWindow::OnHelp();
}

void LWizard::OnDestroy()
{
    for (LWizardPage* page : pages_)
        page->Detach();
    stack_ = nullptr;
}
