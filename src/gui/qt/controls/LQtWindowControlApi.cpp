// The rest of the control API by window and control id: styled creators,
// creators at a rectangle, static-text colours, edit views, text calls,
// track bars, playback-device lists, focus, fonts and text measuring.

#include "audio/devices/LSoundOutputDevices.h"
#include "foundation/text/LUtf8.h"
#include "gui/controls/LControlStyles.h"
#include "gui/controls/LPaintContext.h"
#include "gui/controls/LValueFormatters.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtComboBoxImpl.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtControls.h"
#include "gui/qt/controls/LQtFormatterValidator.h"
#include "gui/qt/controls/LQtInputUpDownImpl.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"
#include "gui/qt/controls/LQtLineEdit.h"
#include "gui/qt/controls/LQtPullDownListImpl.h"
#include "gui/qt/controls/LQtSmallControls.h"
#include "gui/qt/controls/LQtTabViewImpl.h"
#include "gui/qt/controls/LQtTrackBarImpl.h"
#include "gui/qt/images/LQtImageConvert.h"
#include "gui/qt/menus/LQtMenuImpl.h"
#include "gui/qt/text/LQtEditViewImpl.h"
#include "gui/qt/text/LQtFonts.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFontMetricsF>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr const char* kCurrentRadioGroup = "lcurrentradiogroup";
constexpr const char* kImagePosition = "limageposition";

int Round(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

QWidget* Content(const LWindow* window)
{
    return LQtWidget(window->GetView());
}

QWidget* Control(const LWindow* window, int id)
{
    return LQtFindControl(Content(window), id);
}

template <typename T> T* Find(const LWindow* window, int id)
{
    return qobject_cast<T*>(Control(window, id));
}

template <typename T> T* Adopt(LWindow* window, T* control, int id)
{
    LQtSetControlId(control, id);
    LQtSetControlWindow(control, window);
    control->show();
    return control;
}

// Controls made without a rectangle wait above the view until laid out.
template <typename T> T* Park(LWindow* window, T* control, int id, int height)
{
    control->setGeometry(0, -300, 500, height);
    return Adopt(window, control, id);
}

QColor ColourOf(const LRGBColor& colour)
{
    return QColor(colour.Red8(), colour.Green8(), colour.Blue8());
}

QString Utf8(const char* text)
{
    return QString::fromUtf8(text != nullptr ? text : "");
}

// The text a control shows (title, string or string value); false for none.
bool OwnText(QWidget* control, QString* text)
{
    if (control == nullptr)
        return false;
    if (auto* label = qobject_cast<LQtTextStaticImpl*>(control)) {
        *text = label->fullText();
        return true;
    }
    for (const char* name : {"text", "plainText", "currentText", "title"}) {
        if (control->metaObject()->indexOfProperty(name) >= 0) {
            *text = control->property(name).toString();
            return true;
        }
    }
    return false;
}

Qt::Alignment HorizontalAlignment(int alignment, Qt::Alignment fallback)
{
    switch (alignment) {
    case 0:
        return Qt::AlignLeft;
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return Qt::AlignRight;
    default:
        return fallback;
    }
}

// One line of text: round(charHeightPx x 1.23) pixels, in points.
int LineHeight(const LWindow* window)
{
    const int pixels = static_cast<int>(window->CharHeightPx() * 1.23 + 0.5);
    return Round(pixels / window->GetScaleFactor());
}

LQtRadioButtonGroupImpl* CurrentRadioGroup(QWidget* content)
{
    auto* group = content->property(kCurrentRadioGroup).value<QObject*>();
    return qobject_cast<LQtRadioButtonGroupImpl*>(group);
}

} // namespace

// ---- lookup ----

LViewHandle LWindow::GetCommandTargetView(int id) const
{
    return LQtHandle(Control(this, id));
}

LViewHandle LWindow::GetEditView(int id) const
{
    return LQtHandle(Find<LQtEditViewImpl>(this, id));
}

LViewHandle LWindow::GetFieldEditor(int id) const
{
    QWidget* control = Control(this, id);
    if (control == nullptr)
        return nullptr;
    QWidget* focus = QApplication::focusWidget();
    auto* field = qobject_cast<QLineEdit*>(focus);
    // An editable combo box keeps the focus and edits in its own field.
    if (auto* combo = qobject_cast<QComboBox*>(focus); combo != nullptr && combo->isEditable())
        field = combo->lineEdit();
    if (field == nullptr || (field != control && !control->isAncestorOf(field)))
        return nullptr;
    return LQtHandle(field);
}

bool LWindow::IsTextInputControl(int id) const
{
    QWidget* control = Control(this, id);
    return qobject_cast<LQtLineEdit*>(control) != nullptr ||
           qobject_cast<LQtEditViewImpl*>(control) != nullptr;
}

// ---- buttons ----

void LApplyButtonStyle(LViewHandle view, const LButtonStyle& style)
{
    QWidget* widget = LQtWidget(view);
    if (widget == nullptr)
        return;
    const bool help = LQtControlId(widget) == kCommandHelp;
    if (auto* button = qobject_cast<LQtKindButtonImpl*>(widget)) {
        button->SetKind(help                  ? LQtKindButtonImpl::kHelpButton
                        : style.IsCheckType() ? LQtKindButtonImpl::kCheckButton
                        : style.IsCool()      ? LQtKindButtonImpl::kCoolButton
                                              : LQtKindButtonImpl::kPushButton);
    } else if (auto* push = qobject_cast<QPushButton*>(widget)) {
        push->setCheckable(!help && style.IsCheckType());
        push->setFlat(!help && !style.IsCheckType() && style.IsCool());
    } else {
        return;
    }
    // Where the title goes beside the picture: 0 text, 1 picture only,
    // 2 text left-aligned, 3 text below, 4 text left of the picture.
    const QString title = widget->property("text").toString();
    int position = 0;
    if (style.IsCool() && !style.IsCheckType() && !help) {
        if (title.isEmpty())
            position = 1;
        else if (style.textPosition == 1 || style.textPosition == 2)
            position = 3;
        else if (style.textPosition == 0)
            position = 2;
        else
            position = 4;
    } else {
        position = style.textPosition == 0 ? 2 : 0;
    }
    widget->setProperty(kImagePosition, position);
}

void LWindow::AddButtonNoRect(int id, const char* text, const LButtonStyle& style)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* button = new LQtKindButtonImpl(content);
    button->setText(Utf8(text));
    Park(this, button, id, 30);
    button->SetId(id);
    LApplyButtonStyle(LQtHandle(button), style);
}

void LWindow::AddPushButtonNoRect(int id, const char* title)
{
    AddButtonNoRect(id, title, LButtonStyle::Standard());
}

void LWindow::AddButton(int id, const char* text, const LButtonStyle& style, int x, int y, int w, int h)
{
    AddButtonNoRect(id, text, style);
    if (QWidget* button = Control(this, id)) {
        const int grow = style.IsCool() ? 4 : 12;
        button->setGeometry(x - grow / 2, y, w + grow, h + 3);
    }
}

void LWindow::AddOKButtonWithText(int x, int y, int w, const char* text)
{
    AddOKButtonWithText(text);
    if (QWidget* button = Control(this, kCommandOK))
        button->setGeometry(x, y, w, 21);
}

void LWindow::AddOKButton(int x, int y, int w)
{
    AddOKButtonWithText(x, y, w, "OK");
}

void LWindow::AddCancelButton(int x, int y, int w)
{
    AddCancelButton();
    if (QWidget* button = Control(this, kCommandCancel))
        button->setGeometry(x, y, w, 21);
}

void LWindow::AddHelpButton(int x, int y)
{
    AddButtonOfKind(kCommandHelp, "", LQtKindButtonImpl::kHelpButton);
    if (QWidget* button = Control(this, kCommandHelp)) {
        button->setToolTip(QStringLiteral("Help"));
        button->setGeometry(x, y, 21, 21);
    }
}

void LWindow::AddCoolButton(int id, const char* text)
{
    AddButtonOfKind(id, text, LQtKindButtonImpl::kCoolButton);
    if (QWidget* button = Control(this, id))
        button->setProperty(kImagePosition, 0);
}

void LWindow::AddCoolImageButton(int id)
{
    AddButtonOfKind(id, "", LQtKindButtonImpl::kCoolButton);
    if (QWidget* button = Control(this, id))
        button->setProperty(kImagePosition, 1);
}

void LWindow::AddCoolButtonTextLeft(int id, const char* text)
{
    AddButtonOfKind(id, text, LQtKindButtonImpl::kCoolButton);
    if (QWidget* button = Control(this, id))
        button->setProperty(kImagePosition, 2);
}

void LWindow::AddCheckBoxNoRect(int id, const char* text)
{
    AddButtonOfKind(id, text, LQtKindButtonImpl::kCheckBox);
}

void LWindow::AddCheckBox(int id, const char* text, int x, int y, int w, int h)
{
    AddButtonOfKind(id, text, LQtKindButtonImpl::kCheckBox);
    if (QWidget* button = Control(this, id)) {
        button->setProperty(kImagePosition, 2);
        button->setGeometry(x, y, w, h);
    }
}

void LWindow::AddRadioGroupNoRect(int id, const char* title)
{
    CreateRadioGroup(id, title, 0, 0, 0, 0);
}

void LWindow::CreateRadioGroup(int id, const char* title, int x, int y, int w, int h)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    AddGroupBox(id, title);
    if (QWidget* box = Control(this, id))
        box->setGeometry(x, y, w, h);
    auto* group = new LQtRadioButtonGroupImpl(content);
    content->setProperty(kCurrentRadioGroup, QVariant::fromValue<QObject*>(group));
}

void LWindow::AddRadioGroup(int id, const char* title, int, int x, int y, int w, int h)
{
    CreateRadioGroup(id, title, x, y, w, h);
}

void LWindow::AddRadioButton(int id, const char* text, int x, int y, int w, int h)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    AddButtonOfKind(id, text, LQtKindButtonImpl::kRadioButton);
    auto* button = Find<LQtKindButtonImpl>(this, id);
    if (button == nullptr)
        return;
    button->setGeometry(x, y, w, h);
    LQtRadioButtonGroupImpl* group = CurrentRadioGroup(content);
    if (group == nullptr) {
        // A radio button before any group starts one of its own.
        group = new LQtRadioButtonGroupImpl(content);
        content->setProperty(kCurrentRadioGroup, QVariant::fromValue<QObject*>(group));
    }
    group->AddRadioButton(button);
}

void LWindow::SelectRadioButton(int id, bool select)
{
    auto* button = Find<LQtKindButtonImpl>(this, id);
    if (button != nullptr && button->RadioGroup() != nullptr)
        button->RadioGroup()->Select(select, button);
}

void LWindow::SetButtonImage(int id, int resourceId)
{
    auto* button = Find<QAbstractButton>(this, id);
    if (button == nullptr)
        return;
    const qreal ratio = button->devicePixelRatioF();
    const int side = button->iconSize().height() > 0 ? button->iconSize().height() : 16;
    QPixmap pixmap = QPixmap::fromImage(LQtLoadImageResource(resourceId, static_cast<int>(side * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    button->setIcon(resourceId > 0 ? QIcon(pixmap) : QIcon());
    button->setProperty("licon", resourceId);
}

// ---- static texts, separators and images ----

void LWindow::CreateStaticText(int id, const char* text)
{
    CreateStaticTextEx(id, text, nullptr);
}

void LWindow::CreateStaticTextEx(int id, const char* text, const LStaticTextFormat* format)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* label = new LQtTextStaticImpl(this, content);
    label->setFullText(Utf8(text));
    // The style is applied before the text joins the view.
    if (format != nullptr) {
        label->setAlignment(HorizontalAlignment(static_cast<int>(format->alignment), Qt::AlignLeft) |
                            Qt::AlignVCenter);
        if (format->truncation == 1 || format->truncation == 2)
            label->setTruncation(static_cast<int>(format->truncation));
    }
    label->setGeometry(0, -300, 8, LineHeight(this));
    Adopt(this, label, id);
}

void LWindow::CreateEmptyStaticTextEx(int id, const LStaticTextFormat* format)
{
    CreateStaticTextEx(id, "", format);
}

void LWindow::AddStaticText(int id, const char* text, const LStaticTextStyle& style, int x, int y, int w,
                            int h)
{
    CreateStaticTextEx(id, text, &style);
    if (QWidget* label = Control(this, id))
        label->setGeometry(x, y, w, h);
}

void LWindow::SetStaticText(int id, const char* text)
{
    if (auto* label = Find<LQtTextStaticImpl>(this, id))
        label->setFullText(Utf8(text));
}

void LWindow::SetStaticTextColor(int id, const LRGBColor* colour)
{
    auto* label = Find<LQtTextStaticImpl>(this, id);
    if (label == nullptr || colour == nullptr)
        return;
    // A disabled text keeps the platform's disabled colour.
    QPalette palette = label->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, ColourOf(*colour));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, ColourOf(*colour));
    label->setPalette(palette);
}

void LWindow::SetStaticBackgroundColor(int id, const LRGBColor& colour)
{
    auto* label = Find<LQtTextStaticImpl>(this, id);
    if (label == nullptr)
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, ColourOf(colour));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

void LWindow::SetStaticColors(int id, const LRGBColor& text, const LRGBColor& background)
{
    SetStaticTextColor(id, &text);
    SetStaticBackgroundColor(id, background);
}

void LWindow::CreateHyperLink(int id, const char* text)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* link = new LQtHyperLinkImpl(content);
    link->SetLinkText(Utf8(text));
    link->setGeometry(0, -300, 8, LineHeight(this));
    Adopt(this, link, id);
}

void LWindow::AddSeparator(int id, int x, int y, int w)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* line = new LQtSeparatorImpl(content);
    line->setGeometry(x, y, w, 1);
    Adopt(this, line, id);
}

void LWindow::AddImageControl(int id, int resourceId, int x, int y, int w, int h)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* image = new LQtImageControlImpl(this, content);
    Adopt(this, image, id);
    if (!SetControlRect(id, x, y, w, h))
        image->setGeometry(0, -300, 500, 30);
    if (resourceId > 0)
        image->setResource(resourceId);
}

void LWindow::AddEmptyImageControlNoRect(int id)
{
    AddImageControlNoRect(id);
}

void LWindow::AddEmptyImageControl(int id, int x, int y, int w, int h)
{
    AddImageControl(id, -1, x, y, w, h);
}

void LWindow::SetImageControlImage(int id, const LGuiImage* image)
{
    auto* control = Find<LQtImageControlImpl>(this, id);
    if (control == nullptr)
        return;
    if (image == nullptr || !image->HasImage())
        control->setImage(QImage());
    else if (!image->VectorSource().empty())
        control->setDrawing(QString::fromStdString(image->VectorSource()));
    else
        control->setImage(LImageToQImage(image->Bitmap(), image->Opaque()));
}

// ---- text inputs and edit views ----

void LWindow::AddTextInputNoRect(int id, const LTextInputStyle& style)
{
    AddTextInput(id, style.IsPassword());
    auto* field = Find<LQtLineEdit>(this, id);
    if (field == nullptr)
        return;
    field->setGeometry(0, -300, 500, 21);
    field->setAlignment(HorizontalAlignment(style.alignment, field->alignment() & Qt::AlignHorizontal_Mask) |
                        Qt::AlignVCenter);
    field->SetDigitsOnly(style.IsNumberOnly());
    field->setReadOnly(style.IsReadOnly());
}

void LWindow::AddTextInput(int id, const LTextInputStyle& style, int x, int y, int w)
{
    AddTextInputNoRect(id, style);
    if (QWidget* field = Control(this, id))
        field->setGeometry(x, y, w, 21);
}

void LWindow::AddEditViewNoRect(int id, const LEditFlags* flags)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* view = new LQtEditViewImpl(flags != nullptr ? *flags : LEditFlags{}, content);
    Park(this, view, id, 30);
}

void LWindow::AddEditView(int id, const LEditFlags& flags, int x, int y, int w, int h)
{
    AddEditViewNoRect(id, &flags);
    if (QWidget* view = Control(this, id))
        view->setGeometry(x, y, w, h);
}

void LWindow::SetTextLimit(int id, int maxLength)
{
    QWidget* control = Control(this, id);
    if (auto* view = qobject_cast<LQtEditViewImpl*>(control))
        view->SetTextLimit(maxLength);
    else if (auto* field = qobject_cast<QLineEdit*>(control))
        field->setMaxLength(maxLength > 0 ? maxLength : 32767);
    else if (auto* combo = qobject_cast<LQtComboBoxImpl*>(control))
        combo->Field()->setMaxLength(maxLength > 0 ? maxLength : 32767);
}

void LWindow::GetControlTextTrimmed(int id, char* buffer) const
{
    if (buffer == nullptr)
        return;
    buffer[0] = '\0';
    QString text;
    if (OwnText(Control(this, id), &text))
        LUtf8CopyWhole(buffer, text.trimmed().toUtf8().constData(), 260);
}

size_t LWindow::GetControlTextLength(int id) const
{
    QWidget* control = Control(this, id);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return static_cast<size_t>(button->text().toUtf8().size());
    if (auto* field = qobject_cast<LQtLineEdit*>(control))
        return static_cast<size_t>(field->text().toUtf8().size());
    return 0;
}

void LWindow::SelectAllText(int id)
{
    QWidget* control = Control(this, id);
    if (auto* field = qobject_cast<QLineEdit*>(control))
        field->selectAll();
    else if (auto* view = qobject_cast<LQtEditViewImpl*>(control))
        view->selectAll();
    else if (auto* combo = qobject_cast<LQtComboBoxImpl*>(control))
        combo->Field()->selectAll();
}

void LWindow::SetTextInputFilter(int id, LTextInputFilter filter)
{
    auto* field = Find<QLineEdit>(this, id);
    if (field == nullptr)
        return;
    // A field that admits numbers keeps its number rules.
    if (auto* existing = qobject_cast<const LQtFormatterValidator*>(field->validator())) {
        auto* edit = dynamic_cast<LEditControlFormatter*>(existing->Formatter());
        if (edit == nullptr)
            return;
        edit->SetFilterFunction(filter);
        return;
    }
    if (field->validator() != nullptr)
        return;
    auto formatter = std::make_unique<LEditControlFormatter>();
    formatter->SetFilterFunction(filter);
    formatter->SetWindow(this);
    field->setValidator(new LQtFormatterValidator(std::move(formatter), field));
}

void LWindow::SetPasteCommand(int id, int command)
{
    QWidget* control = Control(this, id);
    if (auto* combo = qobject_cast<LQtComboBoxImpl*>(control))
        control = combo->Field();
    if (control != nullptr)
        LQtSetControlCommand(control, LCommandKeyPaste, command);
}

void LWindow::SetPromptText(int id, const char* text)
{
    QWidget* control = Control(this, id);
    if (auto* field = qobject_cast<QLineEdit*>(control))
        field->setPlaceholderText(Utf8(text));
    else if (auto* combo = qobject_cast<LQtComboBoxImpl*>(control))
        combo->SetPrompt(text);
    else if (auto* view = qobject_cast<LQtEditViewImpl*>(control))
        view->setPlaceholderText(Utf8(text));
}

// ---- track bars ----

void LWindow::AddTrackBar(int id, const LTrackBarStyle& style)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* bar = new LQtTrackBarImpl(Qt::Horizontal, content);
    bar->SetShowToolTip(style.ShowsValueTip());
    Park(this, bar, id, 20);
}

void LWindow::SetTrackBarRange(int id, int min, int max)
{
    if (auto* bar = Find<LQtTrackBarImpl>(this, id)) {
        const QSignalBlocker quiet(bar);
        bar->setRange(min, max);
    }
}

void LWindow::SetTrackBarPos(int id, int value)
{
    auto* bar = Find<LQtTrackBarImpl>(this, id);
    if (bar == nullptr)
        return;
    const QSignalBlocker quiet(bar);
    bar->setValue(bar->IsVertical() ? bar->minimum() + bar->maximum() - value : value);
}

int LWindow::GetTrackBarPos(int id) const
{
    auto* bar = Find<LQtTrackBarImpl>(this, id);
    if (bar == nullptr)
        return 0;
    return bar->IsVertical() ? bar->minimum() + bar->maximum() - bar->value() : bar->value();
}

void LWindow::SetTrackBarCommand(int id, int command)
{
    if (auto* bar = Find<LQtTrackBarImpl>(this, id))
        LQtSetControlCommand(bar, LCommandKeyTrackBar, command);
}

// ---- creators at a rectangle ----

void LWindow::AddUpDown(int id, const LTextInputStyle& style, int x, int y, int w)
{
    AddUpDown(id, style.IsReadOnly());
    auto* upDown = Find<LQtInputUpDownImpl>(this, id);
    if (upDown == nullptr)
        return;
    upDown->setGeometry(x, y, w, Round(Round(charHeightPx_ * 1.29) / GetScaleFactor()));
    if (QWidget* field = upDown->TextField())
        LQtSetControlCommand(field, LCommandKeyTextChange, id);
}

LViewHandle LWindow::AddPullDown(int id, int x, int y, int w, int h)
{
    AddPullDownNoRect(id);
    QWidget* list = Find<LQtPullDownListImpl>(this, id);
    if (list != nullptr)
        list->setGeometry(x, y, w, h + 3);
    return LQtHandle(list);
}

void LWindow::AddComboBox(int id, int x, int y, int w)
{
    AddComboBox(id, false);
    if (QWidget* combo = Find<LQtComboBoxImpl>(this, id))
        combo->setGeometry(x, y, w, 24);
}

LViewHandle LWindow::AddTabView(int id, int x, int y, int w, int h)
{
    AddTabView(id, -1, -1);
    QWidget* tabs = Find<LQtTabViewImpl>(this, id);
    if (tabs != nullptr)
        tabs->setGeometry(x, y, w, h);
    return LQtHandle(tabs);
}

void LWindow::AddTabViewNoRect(int id)
{
    AddTabView(id, -1, -1);
}

void LWindow::InsertTabs(int id, const char* const* titles)
{
    auto* tabs = Find<LQtTabViewImpl>(this, id);
    if (tabs == nullptr || titles == nullptr)
        return;
    for (int i = 0; titles[i] != nullptr; ++i)
        tabs->InsertTab(titles[i], i);
}

void LWindow::SelectTab(int id, int command)
{
    if (auto* tabs = Find<LQtTabViewImpl>(this, id))
        tabs->SetSelectedCommand(command);
}

void LWindow::RemoveTab(int id, int index)
{
    if (auto* tabs = Find<LQtTabViewImpl>(this, id))
        tabs->RemoveTab(index);
}

// ---- playback devices ----

void LWindow::FillPlaybackDeviceList(int id, int, int, int)
{
    auto* list = Find<LQtPullDownListImpl>(this, id);
    if (list == nullptr)
        return;
    DeleteAllPullDownItems(id);
    AddPullDownItem(id, LSoundOutDeviceList::kDefaultName);
    std::vector<LSoundOutDeviceEntry> devices;
    LSoundOutDeviceList::Build(devices);
    for (const LSoundOutDeviceEntry& device : devices)
        if (!device.name.empty())
            AddPullDownItem(id, device.name.c_str());
}

void LWindow::SetPlaybackDeviceSelection(int id, const LPlaybackDeviceSel& selection)
{
    SelectPullDownItem(id, selection.device);
}

LPlaybackDeviceSel LWindow::GetPlaybackDeviceSelection(int id) const
{
    LPlaybackDeviceSel selection;
    selection.device = GetPullDownSelection(id);
    selection.firstChannel = 0;
    selection.secondChannel = 0;
    return selection;
}

// ---- control state and focus ----

void LWindow::MoveControl(int id, int x, int y)
{
    QWidget* control = Control(this, id);
    if (control == nullptr)
        return;
    const double scale = GetScaleFactor();
    control->move(Round(x / scale), Round(y / scale));
    control->update();
}

void LWindow::SetControlHeight(int id, int h)
{
    QWidget* control = Control(this, id);
    if (control == nullptr)
        return;
    control->resize(control->width(), std::max(0, Round(h / GetScaleFactor())));
    control->update();
}

bool LWindow::SetFocus(int id)
{
    QWidget* control = Control(this, id);
    if (control == nullptr || control->focusPolicy() == Qt::NoFocus || !control->isEnabled())
        return false;
    if (QWidget* window = control->window(); window != nullptr && !window->isActiveWindow())
        window->activateWindow();
    control->setFocus(Qt::OtherFocusReason);
    return true;
}

bool LWindow::HasFocus(int id) const
{
    QWidget* control = Control(this, id);
    if (control == nullptr)
        return false;
    // A composite control (combo box, up-down input) has the focus while its field has it.
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && (focus == control || control->isAncestorOf(focus));
}

LViewHandle LGetFocusView()
{
    return LQtHandle(QApplication::focusWidget());
}

void LRefreshToolTips(LViewHandle view)
{
    QWidget* root = LQtWidget(view);
    if (root == nullptr)
        return;
    for (QWidget* child : root->findChildren<QWidget*>()) {
        const QString tip = child->toolTip();
        if (tip.isEmpty())
            continue;
        child->setToolTip(QString());
        child->setToolTip(tip);
    }
}

void LEnableControl(LViewHandle view, bool enable)
{
    if (QWidget* widget = LQtWidget(view)) {
        widget->setEnabled(enable);
        widget->update();
    }
}

void LWindow::SetRightClickCommand(int id, int command)
{
    if (QWidget* control = Control(this, id))
        LQtSetControlCommand(control, LCommandKeyRightClick, command);
}

// ---- fonts and measuring ----

void LWindow::CreateFont(LGuiFont* font, const char* face, int bold, int italic, int underline, int strikeout,
                         float size) const
{
    if (font == nullptr)
        return;
    const float system = LGuiFont::SystemFontSize();
    LGuiFont::CreateDerived(font, nullptr, face, bold, italic, underline, strikeout,
                            system > 0 ? size / system : 1.0f);
}

void LWindow::SetControlFont(LViewHandle control, const LGuiFont* font)
{
    QWidget* widget = LQtWidget(control);
    if (widget == nullptr || font == nullptr)
        return;
    widget->setFont(LQtMakeFont(*font));
    widget->update();
}

int LWindow::GetStaticTextWidth(int id) const
{
    QWidget* control = Control(this, id);
    QString text;
    if (auto* label = qobject_cast<LQtTextStaticImpl*>(control))
        text = label->fullText();
    else if (auto* link = qobject_cast<LQtHyperLinkImpl*>(control))
        text = link->text();
    else
        return 0;
    return static_cast<int>(
        std::ceil(QFontMetricsF(control->font()).horizontalAdvance(text) * GetScaleFactor()));
}

int LWindow::MeasureControlText(int id, const char* text) const
{
    QWidget* control = Control(this, id);
    if (control == nullptr)
        return 0;
    return static_cast<int>(
        std::ceil(QFontMetricsF(control->font()).horizontalAdvance(Utf8(text)) * GetScaleFactor()));
}

int LWindow::GetControlTextWidth(int id) const
{
    QWidget* control = Control(this, id);
    QString text;
    if (!OwnText(control, &text) || text.isEmpty())
        return 0;
    return static_cast<int>(
        std::ceil(QFontMetricsF(control->font()).horizontalAdvance(text) * GetScaleFactor()));
}

int LWindow::GetCheckBoxWidth(int id) const
{
    auto* button = Find<QAbstractButton>(this, id);
    if (button == nullptr)
        return 0;
    return GetTextWidth(button->text().toUtf8().constData()) + Round(3 * charWidthPx_);
}

int LWindow::GetPushButtonWidth(const char* text) const
{
    QStyleOptionButton option;
    option.text = Utf8(text);
    option.fontMetrics = QFontMetrics(QApplication::font());
    const QSize content(option.fontMetrics.horizontalAdvance(option.text), option.fontMetrics.height());
    const QSize size =
        QApplication::style()->sizeFromContents(QStyle::CT_PushButton, &option, content + QSize(16, 4));
    return static_cast<int>(std::ceil(size.width() * GetScaleFactor()));
}

int LWindow::GetLabelTextHeight(const char* text, int width) const
{
    return LQtWrappedTextHeight(QApplication::font(), Utf8(text), width, GetScaleFactor());
}

int LWindow::GetControlTextHeight(int id, const char* text, int width) const
{
    QWidget* control = Control(this, id);
    if (control == nullptr)
        return 0;
    return LQtWrappedTextHeight(control->font(), Utf8(text), width, GetScaleFactor());
}

int LWindow::GetControlContentHeight(int id, int width) const
{
    QWidget* control = Control(this, id);
    QString text;
    if (!OwnText(control, &text))
        return 0;
    return LQtWrappedTextHeight(control->font(), text, width, GetScaleFactor());
}

int LGetLabelTextHeight(const LWindow* window, const char* text, int width)
{
    return window != nullptr ? window->GetLabelTextHeight(text, width) : 0;
}

void LWindow::TrackPopupMenu(LPopupMenu* menu, bool alignRight)
{
    if (menu == nullptr || menu->Native() == nullptr)
        return;
    QPoint at = QCursor::pos();
    if (alignRight)
        at.rx() -= LQtMenuImpl::FromNative(menu->Native())->sizeHint().width();
    menu->TrackPopup(this, true, at.x(), at.y());
}
