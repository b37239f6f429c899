// Styles of the edit view's rich text by range. Each change of a non-empty
// range first records its inverse on the view's own undo (the opposite
// state, or the value the range's start had, set over the whole range), so
// undoing registers the redo in turn. An empty range styles what is typed
// next and records nothing.

#include "gui/qt/text/LQtEditViewImpl.h"
#include "gui/qt/text/LQtTextFormats.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

bool LQtEditViewImpl::Clamp(int* location, int* length) const
{
    const int end = document()->characterCount() - 1;
    *location = std::clamp(*location, 0, end);
    *length = std::clamp(*length, 0, end - *location);
    return *length > 0;
}

QTextCharFormat LQtEditViewImpl::FormatAt(int position) const
{
    // A cursor's format is that of the character before it.
    QTextCursor cursor(document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

void LQtEditViewImpl::MergeCharFormat(int location, int length, const QTextCharFormat& format)
{
    QTextCursor cursor(document());
    cursor.setPosition(location);
    cursor.setPosition(location + length, QTextCursor::KeepAnchor);
    styling_ = true;
    cursor.mergeCharFormat(format);
    styling_ = false;
}

void LQtEditViewImpl::MergeTypingFormat(const QTextCharFormat& format)
{
    styling_ = true;
    mergeCurrentCharFormat(format);
    styling_ = false;
}

#define EDIT_VIEW_FLAG_SETTER(Name, Apply)                                                                   \
    void LQtEditViewImpl::Name(bool on, int location, int length)                                            \
    {                                                                                                        \
        QTextCharFormat format;                                                                              \
        Apply;                                                                                               \
        if (!Clamp(&location, &length)) {                                                                    \
            MergeTypingFormat(format);                                                                       \
            return;                                                                                          \
        }                                                                                                    \
        Register([this, on, location, length] { Name(!on, location, length); });                             \
        MergeCharFormat(location, length, format);                                                           \
    }

EDIT_VIEW_FLAG_SETTER(SetBold, format.setFontWeight(on ? QFont::Bold : QFont::Normal))
EDIT_VIEW_FLAG_SETTER(SetItalic, format.setFontItalic(on))
EDIT_VIEW_FLAG_SETTER(SetUnderline, format.setFontUnderline(on))
EDIT_VIEW_FLAG_SETTER(SetStrikeOut, format.setFontStrikeOut(on))

#undef EDIT_VIEW_FLAG_SETTER

void LQtEditViewImpl::SetFontSize(double points, int location, int length)
{
    QTextCharFormat format;
    format.setFontPointSize(points);
    if (!Clamp(&location, &length)) {
        MergeTypingFormat(format);
        return;
    }
    const float before = static_cast<float>(GetFontSize(location, length));
    Register([this, before, location, length] { SetFontSize(before, location, length); });
    MergeCharFormat(location, length, format);
}

void LQtEditViewImpl::SetFontFamily(const QString& family, int location, int length)
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{family});
    if (!Clamp(&location, &length)) {
        MergeTypingFormat(format);
        return;
    }
    QString before;
    if (GetFontFamily(location, length, &before) && !before.isEmpty())
        Register([this, before, location, length] { SetFontFamily(before, location, length); });
    MergeCharFormat(location, length, format);
}

void LQtEditViewImpl::SetFontColor(const LRGBColor* colour, int location, int length)
{
    QTextCharFormat format;
    format.setForeground(colour != nullptr ? LQtColorFrom(*colour) : QColor(Qt::black));
    if (!Clamp(&location, &length)) {
        if (colour != nullptr) {
            MergeTypingFormat(format);
        } else {
            QTextCharFormat typing = currentCharFormat();
            typing.clearForeground();
            setCurrentCharFormat(typing);
        }
        return;
    }
    LRGBColor before;
    const bool had = GetFontColor(location, 0 + length, &before);
    Register(
        [this, had, before, location, length] { SetFontColor(had ? &before : nullptr, location, length); });
    MergeCharFormat(location, length, format);
}

void LQtEditViewImpl::SetBackColor(const LRGBColor* colour, int location, int length)
{
    if (!Clamp(&location, &length)) {
        QTextCharFormat typing = currentCharFormat();
        if (colour != nullptr)
            typing.setBackground(LQtColorFrom(*colour));
        else
            typing.clearBackground();
        setCurrentCharFormat(typing);
        return;
    }
    LRGBColor before;
    const bool had = GetBackColor(location, length, &before);
    Register(
        [this, had, before, location, length] { SetBackColor(had ? &before : nullptr, location, length); });
    QTextCursor cursor(document());
    styling_ = true;
    // Removing a property cannot be merged: each character's format is
    // rewritten without it.
    for (int i = location; i < location + length; ++i) {
        cursor.setPosition(i);
        cursor.setPosition(i + 1, QTextCursor::KeepAnchor);
        QTextCharFormat format = cursor.charFormat();
        if (colour != nullptr)
            format.setBackground(LQtColorFrom(*colour));
        else
            format.clearBackground();
        cursor.setCharFormat(format);
    }
    styling_ = false;
}

bool LQtEditViewImpl::GetBold(int location, int length) const
{
    if (!Clamp(&location, &length))
        return currentCharFormat().font().bold();
    for (int i = location; i < location + length; ++i)
        if (!LQtFormatIsBold(FormatAt(i)))
            return false;
    return true;
}

bool LQtEditViewImpl::GetItalic(int location, int length) const
{
    if (!Clamp(&location, &length))
        return currentCharFormat().fontItalic();
    for (int i = location; i < location + length; ++i)
        if (!FormatAt(i).fontItalic())
            return false;
    return true;
}

bool LQtEditViewImpl::GetUnderline(int location, int length) const
{
    if (!Clamp(&location, &length))
        return currentCharFormat().fontUnderline();
    for (int i = location; i < location + length; ++i)
        if (!FormatAt(i).fontUnderline())
            return false;
    return true;
}

bool LQtEditViewImpl::GetStrikeOut(int location, int length) const
{
    if (!Clamp(&location, &length))
        return currentCharFormat().fontStrikeOut();
    for (int i = location; i < location + length; ++i)
        if (!FormatAt(i).fontStrikeOut())
            return false;
    return true;
}

double LQtEditViewImpl::GetFontSize(int location, int length) const
{
    if (!Clamp(&location, &length)) {
        const QTextCharFormat typing = currentCharFormat();
        return typing.hasProperty(QTextFormat::FontPointSize) ? typing.fontPointSize()
                                                              : QApplication::font().pointSizeF();
    }
    const QTextCharFormat format = FormatAt(location);
    return format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : 0;
}

bool LQtEditViewImpl::GetFontFamily(int location, int length, QString* family) const
{
    family->clear();
    if (!Clamp(&location, &length)) {
        *family = LQtFormatFamily(currentCharFormat());
        return !family->isEmpty();
    }
    const QString first = LQtFormatFamily(FormatAt(location));
    for (int i = location + 1; i < location + length; ++i)
        if (LQtFormatFamily(FormatAt(i)) != first)
            return false;
    *family = first;
    return true;
}

bool LQtEditViewImpl::GetFontColor(int location, int length, LRGBColor* colour) const
{
    const QTextCharFormat format = Clamp(&location, &length) ? FormatAt(location) : currentCharFormat();
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return false;
    *colour = LQtColorTo(format.foreground().color());
    return true;
}

bool LQtEditViewImpl::GetBackColor(int location, int length, LRGBColor* colour) const
{
    const QTextCharFormat format = Clamp(&location, &length) ? FormatAt(location) : currentCharFormat();
    if (!format.hasProperty(QTextFormat::BackgroundBrush))
        return false;
    *colour = LQtColorTo(format.background().color());
    return true;
}

// ---- Paragraphs ----

QTextBlockFormat LQtEditViewImpl::FirstBlockFormat(int location, int length, bool* any) const
{
    const int end = document()->characterCount() - 1;
    location = std::clamp(location, 0, end);
    (void)length;
    const QTextBlock block = document()->findBlock(location);
    *any = block.isValid() && end > 0;
    return block.isValid() ? block.blockFormat() : QTextBlockFormat();
}

void LQtEditViewImpl::SetBlockProperty(int location, int length,
                                       const std::function<void(QTextBlockFormat&)>& set)
{
    const int end = document()->characterCount() - 1;
    location = std::clamp(location, 0, end);
    length = std::clamp(length, 0, end - location);
    const QTextBlock first = document()->findBlock(location);
    const QTextBlock last = document()->findBlock(location + std::max(0, length - 1));
    if (!first.isValid() || end == 0)
        return;
    // Every touched paragraph takes the first one's style with the property set.
    QTextBlockFormat format = first.blockFormat();
    set(format);
    QTextCursor cursor(document());
    cursor.setPosition(first.position());
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    styling_ = true;
    cursor.setBlockFormat(format);
    styling_ = false;
}

#define EDIT_VIEW_BLOCK_VALUE(SetName, GetName, Read, Write)                                                 \
    void LQtEditViewImpl::SetName(double points, int location, int length)                                   \
    {                                                                                                        \
        bool any = false;                                                                                    \
        FirstBlockFormat(location, length, &any);                                                            \
        if (!any)                                                                                            \
            return;                                                                                          \
        const double before = GetName(location, length);                                                     \
        Register([this, before, location, length] { SetName(before, location, length); });                   \
        SetBlockProperty(location, length, [points](QTextBlockFormat& f) { Write; });                        \
    }                                                                                                        \
    double LQtEditViewImpl::GetName(int location, int length) const                                          \
    {                                                                                                        \
        bool any = false;                                                                                    \
        const QTextBlockFormat f = FirstBlockFormat(location, length, &any);                                 \
        return any ? Read : 0;                                                                               \
    }

EDIT_VIEW_BLOCK_VALUE(SetFirstLineHeadIndent, GetFirstLineHeadIndent, f.textIndent(), f.setTextIndent(points))
EDIT_VIEW_BLOCK_VALUE(SetParagraphSpaceBefore, GetParagraphSpaceBefore, f.topMargin(), f.setTopMargin(points))
EDIT_VIEW_BLOCK_VALUE(SetParagraphSpaceAfter, GetParagraphSpaceAfter, f.bottomMargin(),
                      f.setBottomMargin(points))

#undef EDIT_VIEW_BLOCK_VALUE

void LQtEditViewImpl::SetAlignment(int code, int location, int length)
{
    bool any = false;
    FirstBlockFormat(location, length, &any);
    if (!any)
        return;
    const int before = GetAlignment(location, length);
    Register([this, before, location, length] { SetAlignment(before, location, length); });
    const Qt::Alignment alignment = code == 1 ? Qt::AlignHCenter : code == 2 ? Qt::AlignRight : Qt::AlignLeft;
    SetBlockProperty(location, length, [alignment](QTextBlockFormat& f) { f.setAlignment(alignment); });
}

int LQtEditViewImpl::GetAlignment(int location, int length) const
{
    bool any = false;
    const QTextBlockFormat f = FirstBlockFormat(location, length, &any);
    if (!any)
        return 0;
    const Qt::Alignment alignment = f.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignRight)
        return 2;
    if (alignment & Qt::AlignHCenter)
        return 1;
    return 0;
}

// ---- Selection ----

void LQtEditViewImpl::ShowSelection(bool show)
{
    QPalette colours = palette();
    const QPalette system = QApplication::palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight,
                         show ? system.color(group, QPalette::Highlight) : QColor(Qt::transparent));
        colours.setColor(group, QPalette::HighlightedText,
                         show ? system.color(group, QPalette::HighlightedText)
                              : system.color(group, QPalette::Text));
    }
    setPalette(colours);
    viewport()->update();
}

bool LQtEditViewImpl::IsSelectionSameCharProperties() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return true;
    const QTextCharFormat first = FormatAt(cursor.selectionStart());
    for (int i = cursor.selectionStart() + 1; i < cursor.selectionEnd(); ++i)
        if (FormatAt(i) != first)
            return false;
    return true;
}
