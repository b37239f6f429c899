// The message dialog's layout and the text-entry dialog, on the window's
// control API plus the toolkit's command-link button for the choices.

#include "foundation/text/LUtf8.h"
#include "gui/framework/LMessageDialog.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControls.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLinkButton>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

int R(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

QWidget* Content(const LWindow* window)
{
    return LQtWidget(window->GetView());
}

template <typename T> T* Find(const LWindow* window, int id)
{
    return qobject_cast<T*>(LQtFindControl(Content(window), id));
}

// Height in pixels of a label's text wrapped to width pixels.
int WrappedHeight(LWindow* window, int id, int width)
{
    auto* label = Find<QLabel>(window, id);
    if (!label)
        return 0;
    label->setWordWrap(true);
    const double scale = window->GetScaleFactor();
    return static_cast<int>(std::ceil(label->heightForWidth(static_cast<int>(width / scale)) * scale));
}

// The widest a dialog may be: the available width of the screen it opens on.
int AvailableWidthPx(const LWindow* window)
{
    QScreen* screen = nullptr;
    if (QWidget* content = Content(window))
        screen = content->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 100000;
    return static_cast<int>(screen->availableGeometry().width() * window->GetScaleFactor());
}

} // namespace

LMessageDialog::LMessageDialog(LViewHandle parent, const char* title, const char* message, const char* detail,
                               const LMessageButton* buttons, int defaultId, bool closeLabel)
    : parent_(parent), title_(title ? title : ""), message_(message ? message : ""),
      detail_(detail ? detail : ""), buttons_(buttons), defaultId_(defaultId), closeLabel_(closeLabel)
{
    for (const LMessageButton* b = buttons; b && b->id > 0; ++b)
        ++buttonCount_;
}

int LMessageDialog::DefaultButtonControl() const
{
    for (int i = 0; i < buttonCount_; ++i)
        if (buttons_[i].id == defaultId_)
            return 200 + i;
    return 200;
}

bool LMessageDialog::ShowsCancel() const
{
    return (canCancel && showCancel) || buttonCount_ == 0;
}

int LMessageDialog::Run()
{
    if (!canCancel)
        showCancel = false;
    result_ = -1;
    const int ok = CreateModalSized(parent_, 200, 200);
    return ok ? result_ : -1;
}

void LMessageDialog::OnCreate()
{
    // Measured in points and rounded there, so that every scale gives the
    // same layout, only larger.
    const double scale = GetScaleFactor();
    const double cw = CharWidthPx() / scale;
    const double ch = CharHeightPx() / scale;
    auto RS = [scale](double points) { return static_cast<int>(R(points) * scale); };
    const bool cancelShown = ShowsCancel();
    SetTitle(title_.c_str());
    AddStaticText(101, message_.c_str());

    const int minimum = RS(50 * cw) + 2 * RS(2 * cw);
    int column = minimum;
    QWidget* content = Content(this);
    std::vector<int> heights;
    for (int i = 0; i < buttonCount_; ++i) {
        auto* button = new QCommandLinkButton(content);
        char note[260] = {};
        LUtf8CopyWhole(note, buttons_[i].note ? buttons_[i].note : "", sizeof note);
        button->setText(QString::fromUtf8(buttons_[i].label ? buttons_[i].label : ""));
        button->setDescription(QString::fromUtf8(note));
        button->setAutoDefault(false);
        LQtSetControlId(button, 200 + i);
        const int command = 200 + i;
        QObject::connect(button, &QCommandLinkButton::clicked, button,
                         [this, command] { SendCommand(command); });
        button->setGeometry(0, -300, 500, 40);
        button->show();
        const QSize need = button->sizeHint();
        column = std::max(column, static_cast<int>(need.width() * scale));
        heights.push_back(static_cast<int>(need.height() * scale));
    }

    int bottomRow = 0;
    int checkHeight = 0;
    if (showCheckBox) {
        const int textWidth =
            std::min(static_cast<int>(std::ceil(GetTextWidth(checkBoxText) / scale) * scale),
                     static_cast<int>(300 * scale));
        bottomRow += textWidth + RS(1.25 * cw);
        QFontMetrics metrics(QApplication::font());
        checkHeight =
            static_cast<int>(metrics
                                 .boundingRect(QRect(0, 0, static_cast<int>(textWidth / scale), 100000),
                                               Qt::TextWordWrap, QString::fromUtf8(checkBoxText))
                                 .height() *
                             scale);
    }
    int cancelWidth = 0;
    if (cancelShown) {
        AddCancelButtonWithText(closeLabel_ ? "Close" : "Cancel");
        cancelWidth = std::max(GetButtonPreferredWidth(kCommandCancel), static_cast<int>(scale * 96));
        bottomRow += cancelWidth + RS(1.25 * cw);
    }

    // The widest choice sets the column, but never wider than the screen.
    column = std::max(column, bottomRow);
    column = std::min(column, AvailableWidthPx(this) - 2 * RS(2 * cw));
    column = std::max(column, minimum);

    const int left = RS(2 * cw);
    const int gap = RS(0.59 * ch);
    int y = RS(0.94 * ch);
    int height = WrappedHeight(this, 101, column);
    SetControlRect(101, left, y, column, height);
    y += height + gap;
    if (!detail_.empty()) {
        AddStaticText(102, detail_.c_str());
        height = WrappedHeight(this, 102, column);
        SetControlRect(102, left, y, column, height);
        y += height + gap;
    }
    for (int i = 0; i < buttonCount_; ++i) {
        // The note wraps to the column: the height is the one for its width.
        if (auto* button = Find<QCommandLinkButton>(this, 200 + i)) {
            const int fit = button->heightForWidth(static_cast<int>(column / scale));
            if (fit > 0)
                heights[static_cast<size_t>(i)] = static_cast<int>(fit * scale);
        }
        SetControlRect(200 + i, left, y, column, heights[static_cast<size_t>(i)]);
        y += heights[static_cast<size_t>(i)] + gap;
    }
    if (showCheckBox || cancelShown) {
        auto* line = new LQtSeparatorImpl(content);
        LQtSetControlId(line, -1);
        line->show();
        SetControlRect(-1, left, y, column, 1);
        y += gap + 1;
    }
    AddCheckBox(104, checkBoxText);
    SetCheck(104, checkBoxState);
    ShowControl(104, showCheckBox);
    if (showCheckBox)
        SetControlRect(104, left, y, column - (cancelShown ? cancelWidth : 0),
                       std::max(checkHeight, RS(1.23 * ch)));

    int bottom = checkHeight;
    if (cancelShown)
        bottom = std::max(bottom, RS(1.23 * ch));
    const int w = column + 2 * RS(2 * cw);
    const int h = y + bottom + RS(0.94 * ch);
    LayoutDialogButtons(0, 0, 0, w, h);
    SetClientSize(w, h);
    CenterOnScreen();
    if (auto* button = Find<QCommandLinkButton>(this, DefaultButtonControl())) {
        button->setDefault(true);
        button->setFocus();
    }
    EnableCloseButton(closeLabel_);
}

void LMessageDialog::ReadCheckBox()
{
    if (showCheckBox)
        checkBoxState = GetCheck(104);
}

void LMessageDialog::OnCommand(int command, int extra)
{
    const int index = command - 200;
    if (index >= 0 && index < buttonCount_) {
        result_ = buttons_[index].id;
        ReadCheckBox();
        EndDialog(kCommandOK);
        return;
    }
    LWindow::OnCommand(command, extra);
    ReadCheckBox();
}

bool LMessageDialog::CanOK()
{
    ReadCheckBox();
    return true;
}

bool LMessageDialog::CanCancel()
{
    // Without any choice Cancel is the only way out, whatever the flag.
    if (!canCancel && buttonCount_ > 0)
        return false;
    ReadCheckBox();
    return true;
}

// ---- Text entry ----

namespace {

void BuildTextEntry(LWindow* window, int x, int y, int withButtons)
{
    const double s = window->GetScaleFactor();
    auto px = [s](int points) { return static_cast<int>(points * s); };
    window->AddStaticText(101, "Put your text here:");
    window->SetControlRect(101, px(x + 18), px(y + 14), px(444), px(21));
    window->AddTextInput(102, false);
    window->SetControlRect(102, px(x + 18), px(y + 40), px(444), px(22));
    auto* line = new LQtSeparatorImpl(LQtWidget(window->GetView()));
    LQtSetControlId(line, 103);
    line->show();
    window->SetControlRect(103, px(x + 18), px(y + 72), px(444), 1);
    if (!withButtons)
        return;
    window->AddHelpButton();
    window->AddOKButton();
    window->AddCancelButton();
    window->SetDefaultButton(kCommandOK);
    window->SetControlRect(kCommandHelp, px(x + 18), px(y + 82), px(100), px(26));
    window->SetControlRect(kCommandOK, px(x + 362), px(y + 82), px(100), px(26));
    window->SetControlRect(kCommandCancel, px(x + 248), px(y + 82), px(100), px(26));
}

void BuildTextEntryTemplate(LWindow* window, int x, int y, int withButtons)
{
    BuildTextEntry(window, x, y, withButtons);
}

} // namespace

LTextEntryDialog::LTextEntryDialog(char* text, const char* title, const char* label, const char* helpTopic)
    : text_(text), title_(title ? title : ""), label_(label), helpTopic_(helpTopic)
{
}

const LDialogTemplate* LTextEntryDialog::Template()
{
    static const LDialogTemplate dialogTemplate{480, 119, "Enter your text", false, BuildTextEntryTemplate};
    return &dialogTemplate;
}

void LTextEntryDialog::OnCreate()
{
    SetTitle(title_);
    char label[260];
    if (label_)
        LUtf8CopyWhole(label, label_, sizeof label);
    else {
        std::string made = std::string(title_) + ":";
        LUtf8CopyWhole(label, made.c_str(), sizeof label);
    }
    SetControlText(101, label);
    SetControlText(102, text_ ? text_ : "");
    CenterOnParent();
}

void LTextEntryDialog::OnReady()
{
    // Once shown, so that the focus arriving does not undo the selection.
    if (auto* edit = Find<QLineEdit>(this, 102)) {
        edit->setFocus();
        edit->selectAll();
    }
}

bool LTextEntryDialog::CanOK()
{
    std::string text;
    GetControlTextLong(102, text);
    if (text_)
        LUtf8CopyWhole(text_, text.c_str(), 260);
    return true;
}

void LTextEntryDialog::OnHelp()
{
    LOpenHelpTopic(helpTopic_ ? helpTopic_ : "index");
}

int LRunTextEntryDialog(char* text, const char* title, LViewHandle parent, const char* label,
                        const char* helpTopic)
{
    LTextEntryDialog dialog(text, title, label, helpTopic);
    return dialog.CreateModal(parent, LTextEntryDialog::Template());
}
