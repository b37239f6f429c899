#include "gui/qt/text/LQtEditViewImpl.h"
#include "gui/qt/text/LQtTextFormats.h"

#include "foundation/text/LUtf8.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/qt/controls/LQtControlCommands.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr size_t kUndoDepth = 200;
// Keys typed this close together undo as one edit.
constexpr qint64 kTypingBurstMs = 1000;
constexpr qint64 kMaxFileBytes = 16 << 20;

bool IsBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// The text with every paragraph and line break as one character each, in
// the document's own positions.
QString Flat(const QTextDocument* document)
{
    QString text = document->toRawText();
    if (!text.isEmpty() && text.back() == QChar::ParagraphSeparator)
        text.chop(1); // the document's closing mark is not text
    if (text.size() > document->characterCount() - 1)
        text.truncate(document->characterCount() - 1);
    return text;
}

} // namespace

LQtEditViewImpl::LQtEditViewImpl(const LEditFlags& flags, QWidget* parent) : QTextEdit(parent), flags_(flags)
{
    setAcceptRichText(flags.richText);
    // The view keeps its own undo: style changes undo as the opposite state
    // over their range, which the toolkit's undo of exact formats cannot do.
    document()->setUndoRedoEnabled(false);
    setReadOnly(flags.readOnly);
    setFrameShape(flags.border ? QFrame::StyledPanel : QFrame::NoFrame);
    setTabChangesFocus(flags.singleLine);
    SetVerticalScroll(!flags.singleLine && flags.verticalScroller);
    SetHorizontalScroll(flags.singleLine || flags.horizontalScroller);
    if (flags.singleLine)
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (flags.alignment >= 0 && flags.alignment <= 2) {
        QTextOption option = document()->defaultTextOption();
        option.setAlignment(flags.alignment == 1   ? Qt::AlignHCenter
                            : flags.alignment == 2 ? Qt::AlignRight
                                                   : Qt::AlignLeft);
        document()->setDefaultTextOption(option);
    }
    if (flags.richText && flags.linkDetection)
        setTextInteractionFlags(textInteractionFlags() | Qt::LinksAccessibleByMouse);
    snapshot_ = CopyOfContent();
    connect(document(), &QTextDocument::contentsChanged, this, &LQtEditViewImpl::OnContentsChanged);
    connect(this, &QTextEdit::selectionChanged, this, &LQtEditViewImpl::OnSelectionChanged);
    connect(this, &QTextEdit::cursorPositionChanged, this, &LQtEditViewImpl::OnSelectionChanged);
}

LQtEditViewImpl::~LQtEditViewImpl() = default;

// ---- Reports ----

void LQtEditViewImpl::SendReport(const char* key)
{
    LQtSendControlCommand(this, key);
}

void LQtEditViewImpl::PostReport(const char* key)
{
    const int32_t command = LQtControlCommand(this, key);
    if (command != -1)
        LPostCommandToWindow(command, LQtControlWindow(this));
}

// ---- Text ----

void LQtEditViewImpl::ReplaceAll(const std::function<void()>& change, bool report)
{
    // The program's own change: nothing to undo, and one report at most
    // however many steps the toolkit takes.
    quiet_ = true;
    restoring_ = true;
    change();
    ApplyMargins();
    restoring_ = false;
    quiet_ = false;
    // A plain view reports the program's changes only while it has the focus.
    if (report && (hasFocus() || flags_.richText)) {
        textChanged_ = true;
        SendReport(LCommandKeyTextChange);
    }
}

void LQtEditViewImpl::ReplaceAllWith(const Entry& set, bool report)
{
    settingAgain_ = [this, set] {
        ReplaceAllWith(set, true);
        moveCursor(QTextCursor::End);
    };
    ReplaceAll(set, report);
    settingAgain_ = nullptr;
}

LQtEditViewImpl::Entry LQtEditViewImpl::CopyOfContent()
{
    const std::shared_ptr<const QTextDocument> copy(document()->clone());
    return [this, copy] { RestoreContent(copy.get()); };
}

void LQtEditViewImpl::SetText(const QString& text)
{
    ReplaceAllWith([this, text] { setPlainText(text); }, true);
}

void LQtEditViewImpl::SetTextQuietly(const QString& text)
{
    ReplaceAllWith([this, text] { setPlainText(text); }, false);
}

void LQtEditViewImpl::SetInt(int value)
{
    SetText(QString::number(value));
}

int LQtEditViewImpl::GetInt() const
{
    const QByteArray text = toPlainText().trimmed().toUtf8();
    return static_cast<int>(std::strtol(text.constData(), nullptr, 10));
}

bool LQtEditViewImpl::SetTextFromFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes)
        return false;
    const QByteArray bytes = file.readAll();
    if (!LUtf8IsValid(bytes.constData(), static_cast<size_t>(bytes.size())))
        return false;
    SetText(QString::fromUtf8(bytes));
    return true;
}

bool LQtEditViewImpl::SetRtfText(const char* data, size_t length)
{
    LStyledText text;
    if (!LRtfRead(data, length, &text))
        return false;
    if (text == GetStyledText())
        return true; // the same text: no change to report
    // Kept for the undo in place of a copy of the document, which costs
    // several times as much per paragraph.
    const auto shared = std::make_shared<const LStyledText>(std::move(text));
    ReplaceAllWith([this, shared] { SetStyledText(*shared); }, true);
    return true;
}

bool LQtEditViewImpl::SetRtfTextFromFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > static_cast<qint64>(kRtfMaxInput))
        return false;
    const QByteArray bytes = file.readAll();
    return SetRtfText(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string LQtEditViewImpl::GetRtfText() const
{
    return LRtfWrite(GetStyledText());
}

LStyledText LQtEditViewImpl::GetStyledText() const
{
    LStyledText out;
    out.paragraphs.clear();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        LStyledParagraph paragraph;
        const QTextBlockFormat bf = block.blockFormat();
        const Qt::Alignment align = bf.alignment() & Qt::AlignHorizontal_Mask;
        paragraph.style.alignment = align & Qt::AlignHCenter   ? LParagraphStyle::kCentre
                                    : align & Qt::AlignRight   ? LParagraphStyle::kRight
                                    : align & Qt::AlignJustify ? LParagraphStyle::kJustified
                                                               : LParagraphStyle::kLeft;
        paragraph.style.firstLineIndent = bf.textIndent();
        paragraph.style.spaceBefore = bf.topMargin();
        paragraph.style.spaceAfter = bf.bottomMargin();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat f = fragment.charFormat();
            LTextRun run;
            run.text = fragment.text().toStdString();
            if (flags_.richText) {
                run.style.bold = LQtFormatIsBold(f);
                run.style.italic = f.fontItalic();
                run.style.underline = f.fontUnderline();
                run.style.strike = f.fontStrikeOut();
                run.style.fontSize = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 0;
                run.style.family = LQtFormatFamily(f).toStdString();
                run.style.hasColor = f.hasProperty(QTextFormat::ForegroundBrush);
                if (run.style.hasColor)
                    run.style.color = LQtColorTo(f.foreground().color());
                run.style.hasBackground = f.hasProperty(QTextFormat::BackgroundBrush);
                if (run.style.hasBackground)
                    run.style.background = LQtColorTo(f.background().color());
            }
            paragraph.runs.push_back(std::move(run));
        }
        out.paragraphs.push_back(std::move(paragraph));
    }
    out.Normalize();
    return out;
}

void LQtEditViewImpl::SetStyledText(const LStyledText& text)
{
    if (!flags_.richText) {
        setPlainText(QString::fromStdString(text.PlainText()));
        return;
    }
    document()->clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    bool first = true;
    for (const LStyledParagraph& paragraph : text.paragraphs) {
        QTextBlockFormat bf;
        bf.setAlignment(paragraph.style.alignment == LParagraphStyle::kCentre      ? Qt::AlignHCenter
                        : paragraph.style.alignment == LParagraphStyle::kRight     ? Qt::AlignRight
                        : paragraph.style.alignment == LParagraphStyle::kJustified ? Qt::AlignJustify
                                                                                   : Qt::AlignLeft);
        bf.setTextIndent(paragraph.style.firstLineIndent);
        bf.setTopMargin(paragraph.style.spaceBefore);
        bf.setBottomMargin(paragraph.style.spaceAfter);
        if (first)
            cursor.setBlockFormat(bf);
        else
            cursor.insertBlock(bf, QTextCharFormat());
        first = false;
        for (const LTextRun& run : paragraph.runs) {
            QTextCharFormat f;
            const LTextStyle& s = run.style;
            if (s.bold)
                f.setFontWeight(QFont::Bold);
            if (s.italic)
                f.setFontItalic(true);
            if (s.underline)
                f.setFontUnderline(true);
            if (s.strike)
                f.setFontStrikeOut(true);
            if (s.fontSize > 0)
                f.setFontPointSize(s.fontSize);
            if (!s.family.empty())
                f.setFontFamilies(QStringList{QString::fromStdString(s.family)});
            if (s.hasColor)
                f.setForeground(LQtColorFrom(s.color));
            if (s.hasBackground)
                f.setBackground(LQtColorFrom(s.background));
            cursor.insertText(QString::fromStdString(run.text), f);
        }
    }
    cursor.endEditBlock();
}

// ---- Limits and state ----

void LQtEditViewImpl::SetMaximumTextLength(unsigned length)
{
    maximum_ = length;
}

void LQtEditViewImpl::SetTextLimit(int limit)
{
    maximum_ = limit > 0 ? static_cast<unsigned>(limit) + 1 : kDefaultMaximumLength;
    const QString text = toPlainText();
    if (limit <= 0 || text.size() <= limit)
        return;
    int cut = limit;
    if (text.at(cut - 1).isHighSurrogate())
        --cut; // never split a surrogate pair
    QTextCursor cursor(document());
    cursor.setPosition(cut);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    ReplaceAll([&] { cursor.removeSelectedText(); }, false);
}

QString LQtEditViewImpl::Admit(const QString& text) const
{
    QString admitted = text;
    if (flags_.singleLine) {
        admitted.remove(QLatin1Char('\n'));
        admitted.remove(QLatin1Char('\r'));
        admitted.remove(QLatin1Char('\t'));
        admitted.remove(QChar::LineSeparator);
        admitted.remove(QChar::ParagraphSeparator);
    }
    if (flags_.upperCase)
        return admitted.toUpper();
    if (flags_.lowerCase)
        return admitted.toLower();
    if (flags_.digitsOnly) {
        // A mixed insertion keeps its digits, in order.
        QString digits;
        for (QChar c : admitted)
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                digits += c;
        return digits;
    }
    return admitted;
}

void LQtEditViewImpl::SetEditEnabled(bool enabled)
{
    if (enabled == editEnabled_)
        return;
    editEnabled_ = enabled;
    QPalette colours = palette();
    const QColor text =
        QApplication::palette().color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    colours.setColor(QPalette::Active, QPalette::Text, text);
    colours.setColor(QPalette::Inactive, QPalette::Text, text);
    setPalette(colours);
    viewport()->update();
}

void LQtEditViewImpl::SetVerticalScroll(bool on)
{
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void LQtEditViewImpl::SetHorizontalScroll(bool on)
{
    setHorizontalScrollBarPolicy(on && !flags_.singleLine ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    // Without a horizontal scroller long lines wrap at the view's width.
    setLineWrapMode(on ? QTextEdit::NoWrap : QTextEdit::WidgetWidth);
}

void LQtEditViewImpl::SetLeftMargin(double left, double right)
{
    leftMargin_ = left;
    rightMargin_ = right;
    ApplyMargins();
}

void LQtEditViewImpl::ApplyMargins()
{
    // The root frame's side margins are the document margin too: the given
    // margins add to it, so the text moves right by exactly the left one.
    // Replacing the whole text makes a new root frame, so every replacement
    // applies them again.
    QTextFrameFormat format = document()->rootFrame()->frameFormat();
    const double inset = document()->documentMargin();
    if (format.leftMargin() == inset + leftMargin_ && format.rightMargin() == inset + rightMargin_)
        return;
    const bool styling = styling_;
    styling_ = true;
    format.setLeftMargin(inset + leftMargin_);
    format.setRightMargin(inset + rightMargin_);
    document()->rootFrame()->setFrameFormat(format);
    styling_ = styling;
}

// ---- Selection and lines ----

std::pair<int, int> LQtEditViewImpl::GetSelectionRange() const
{
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
    const int caret = cursor.position();
    if (document()->isEmpty())
        return {caret, 0};
    return caret > 0 ? std::make_pair(caret - 1, 1) : std::make_pair(0, 1);
}

int LQtEditViewImpl::GetNumberOfLinesBasedOnLineBreaks() const
{
    const QString text = Flat(document());
    if (text.isEmpty())
        return 0;
    int lines = 1;
    for (int i = 0; i < text.size(); ++i)
        if (IsBreak(text.at(i)) && i + 1 < text.size())
            ++lines;
    return lines;
}

int LQtEditViewImpl::GetNumberOfLinesWrappedText() const
{
    if (document()->isEmpty())
        return 0;
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        if (block.layout() != nullptr)
            lines += block.layout()->lineCount();
    return lines;
}

int LQtEditViewImpl::GetCharIndexOfLine(int line) const
{
    const QString text = Flat(document());
    if (line <= 0 || text.isEmpty())
        return 0;
    int found = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (IsBreak(text.at(i)) && i + 1 < text.size() && ++found == line)
            return i + 1;
    }
    return 0;
}

int LQtEditViewImpl::GetLineLength(int index) const
{
    const QString text = Flat(document());
    if (text.isEmpty() || index < 0)
        return 0;
    index = std::min<int>(index, static_cast<int>(text.size()) - 1);
    int start = index;
    while (start > 0 && !IsBreak(text.at(start - 1)))
        --start;
    int end = index;
    while (end < text.size() && !IsBreak(text.at(end)))
        ++end;
    if (end < text.size())
        ++end; // the line's own break
    return end - start;
}

int LQtEditViewImpl::GetLineFromCharIndex(int index) const
{
    const QString text = Flat(document());
    if (text.isEmpty() || index < 0 || index >= text.size())
        return 0;
    int line = 0;
    for (int i = 0; i < index; ++i)
        if (IsBreak(text.at(i)))
            ++line;
    return line;
}

// ---- Undo ----

void LQtEditViewImpl::Register(Entry undo)
{
    std::vector<Entry>& stack = undoing_ ? redo_ : undo_;
    stack.push_back(std::move(undo));
    if (stack.size() > kUndoDepth)
        stack.erase(stack.begin());
    if (!undoing_ && !redoing_)
        redo_.clear();
}

void LQtEditViewImpl::Undo()
{
    if (undo_.empty())
        return;
    Entry entry = std::move(undo_.back());
    undo_.pop_back();
    undoing_ = true;
    entry();
    undoing_ = false;
    lastTypingMs_ = 0;
}

void LQtEditViewImpl::Redo()
{
    if (redo_.empty())
        return;
    Entry entry = std::move(redo_.back());
    redo_.pop_back();
    redoing_ = true;
    entry();
    redoing_ = false;
    lastTypingMs_ = 0;
}

void LQtEditViewImpl::RestoreContent(const QTextDocument* from)
{
    ReplaceAll(
        [&] {
            if (flags_.richText)
                setHtml(from->toHtml());
            else
                setPlainText(from->toPlainText());
        },
        true);
    moveCursor(QTextCursor::End);
}

void LQtEditViewImpl::OnContentsChanged()
{
    if (styling_)
        return;
    if (!restoring_) {
        // A user's edit: the text before it can come back.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const bool burst = lastTypingMs_ != 0 && now - lastTypingMs_ < kTypingBurstMs && !undo_.empty();
        if (!burst) {
            Register([this, before = snapshot_] {
                // Redo of a text edit: the text as it stood after it.
                Register(CopyOfContent());
                before();
            });
        }
        lastTypingMs_ = now;
    }
    // The program's own text is set again from what set it; anything else
    // is copied.
    snapshot_ = restoring_ && settingAgain_ ? settingAgain_ : CopyOfContent();
    if (quiet_)
        return;
    textChanged_ = true;
    SendReport(LCommandKeyTextChange);
}

void LQtEditViewImpl::OnSelectionChanged()
{
    if ((QApplication::mouseButtons() & Qt::LeftButton) && textCursor().hasSelection())
        selectionMade_ = true;
    PostReport(LCommandKeySelectionChange);
}

// ---- Typing, pasting and clicks ----

bool LQtEditViewImpl::InsertChecked(const QString& replacement)
{
    if (!editEnabled_ || isReadOnly())
        return false;
    const QTextCursor cursor = textCursor();
    const qint64 length = document()->characterCount() - 1;
    const qint64 newLength =
        length - (cursor.selectionEnd() - cursor.selectionStart()) + static_cast<qint64>(replacement.size());
    if (newLength >= static_cast<qint64>(maximum_)) {
        SendReport(LCommandKeyLengthLimit);
        return false;
    }
    textCursor().insertText(replacement);
    ensureCursorVisible();
    return true;
}

void LQtEditViewImpl::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Undo) {
        Undo();
        event->accept();
        return;
    }
    if (event == QKeySequence::Redo) {
        Redo();
        event->accept();
        return;
    }
    const bool newline = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (flags_.singleLine && (newline || tab)) {
        event->ignore(); // Return belongs to the dialog, Tab moves the focus
        return;
    }
    const bool edits = newline || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
                       event == QKeySequence::Cut || event == QKeySequence::Paste ||
                       (!event->text().isEmpty() && event->text().at(0).isPrint());
    if (edits && (!editEnabled_ || isReadOnly())) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!newline && !typed.isEmpty() && typed.at(0).isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        const QString admitted = Admit(typed);
        if (!admitted.isEmpty())
            InsertChecked(admitted);
        event->accept();
        return;
    }
    if (newline) {
        InsertChecked(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void LQtEditViewImpl::keyReleaseEvent(QKeyEvent* event)
{
    savedSelectionValid_ = false;
    QTextEdit::keyReleaseEvent(event);
}

void LQtEditViewImpl::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr || !editEnabled_ || isReadOnly())
        return;
    const bool filtered = flags_.upperCase || flags_.lowerCase || flags_.digitsOnly || flags_.singleLine;
    if (flags_.richText && !filtered && source->hasHtml()) {
        const QTextDocumentFragment fragment = QTextDocumentFragment::fromHtml(source->html());
        const QTextCursor cursor = textCursor();
        const qint64 newLength = document()->characterCount() - 1 -
                                 (cursor.selectionEnd() - cursor.selectionStart()) +
                                 static_cast<qint64>(fragment.toPlainText().size());
        if (newLength >= static_cast<qint64>(maximum_)) {
            SendReport(LCommandKeyLengthLimit);
            return;
        }
        textCursor().insertFragment(fragment);
        return;
    }
    if (!source->hasText())
        return;
    const QString admitted = Admit(source->text());
    if (!admitted.isEmpty())
        InsertChecked(admitted); // refused whole when it would pass the limit
}

void LQtEditViewImpl::mousePressEvent(QMouseEvent* event)
{
    selectionMade_ = false;
    doubleClick_ = false;
    QTextEdit::mousePressEvent(event);
    savedSelectionValid_ = false;
    if (event->button() != Qt::LeftButton)
        return;
    QPointer<LQtEditViewImpl> self(this);
    QTimer::singleShot(QApplication::doubleClickInterval(), this, [self] {
        if (self && !self->doubleClick_ && !self->selectionMade_ && self->hasFocus())
            self->SendReport(LCommandKeyEditClick);
    });
}

void LQtEditViewImpl::mouseDoubleClickEvent(QMouseEvent* event)
{
    doubleClick_ = true;
    QTextEdit::mouseDoubleClickEvent(event);
    SendReport(LCommandKeyDoubleClick);
}

void LQtEditViewImpl::contextMenuEvent(QContextMenuEvent* event)
{
    const int32_t command = LQtControlCommand(this, LCommandKeyRightClick);
    if (command != -1 && LQtControlWindow(this) != nullptr) {
        SendReport(LCommandKeyRightClick);
        event->accept();
    } else {
        QTextEdit::contextMenuEvent(event);
    }
    savedSelectionValid_ = false;
}

void LQtEditViewImpl::focusOutEvent(QFocusEvent* event)
{
    const QTextCursor cursor = textCursor();
    savedStart_ = cursor.anchor();
    savedEnd_ = cursor.position();
    savedSelectionValid_ = true;
    SendReport(LCommandKeyKillFocus);
    QTextEdit::focusOutEvent(event);
}

void LQtEditViewImpl::focusInEvent(QFocusEvent* event)
{
    // Coming back (by Tab or by the program) gives back the old selection
    // rather than moving the caret; a click then places it as usual.
    const int end = document()->characterCount() - 1;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(savedStart_, 0, end));
    cursor.setPosition(std::clamp(savedEnd_, 0, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    SendReport(LCommandKeySetFocus);
    QTextEdit::focusInEvent(event);
}
