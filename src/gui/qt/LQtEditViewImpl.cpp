#include "gui/qt/LQtEditViewImpl.h"

#include "gui/qt/LQtControlCommands.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextOption>

LQtEditViewImpl::LQtEditViewImpl(const LEditFlags& flags, QWidget* parent)
    : QPlainTextEdit(parent), flags_(flags)
{
    setReadOnly(flags.readOnly);
    setFrameShape(flags.border ? QFrame::StyledPanel : QFrame::NoFrame);
    const bool single = flags.singleLine;
    setHorizontalScrollBarPolicy(!single && flags.horizontalScroller ? Qt::ScrollBarAsNeeded
                                                                     : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(!single && flags.verticalScroller ? Qt::ScrollBarAsNeeded
                                                                 : Qt::ScrollBarAlwaysOff);
    // Without a horizontal scroller long lines wrap; a single line never does.
    setLineWrapMode(single || flags.horizontalScroller ? QPlainTextEdit::NoWrap
                                                       : QPlainTextEdit::WidgetWidth);
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(flags.alignment == 1   ? Qt::AlignHCenter
                        : flags.alignment == 2 ? Qt::AlignRight
                                               : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        Limit();
        if (!quiet_)
            LQtSendControlCommand(this, LCommandKeyTextChange);
    });
}

void LQtEditViewImpl::SetTextQuietly(const QString& text)
{
    quiet_ = true;
    setPlainText(text);
    quiet_ = false;
}

void LQtEditViewImpl::SetTextLimit(int limit)
{
    limit_ = limit > 0 ? limit : 0;
    Limit();
}

void LQtEditViewImpl::Limit()
{
    if (limit_ <= 0 || limiting_)
        return;
    const QString text = toPlainText();
    if (text.size() <= limit_)
        return;
    limiting_ = true;
    int cut = limit_;
    // Never split a surrogate pair.
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    QTextCursor cursor(document());
    cursor.setPosition(cut);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    limiting_ = false;
}

QString LQtEditViewImpl::Admit(const QString& text) const
{
    QString admitted = flags_.singleLine ? QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')) : text;
    if (flags_.digitsOnly) {
        for (QChar c : admitted)
            if (c < u'0' || c > u'9')
                return QString();
    }
    if (flags_.lowerCase)
        admitted = admitted.toLower();
    else if (flags_.upperCase)
        admitted = admitted.toUpper();
    return admitted;
}

void LQtEditViewImpl::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool newline = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (flags_.singleLine && newline) {
        event->ignore(); // Return belongs to the dialog
        return;
    }
    if (!isReadOnly() && !newline && !typed.isEmpty() && typed.at(0).isPrint()) {
        const QString admitted = Admit(typed);
        if (admitted.isEmpty()) {
            event->accept();
            return;
        }
        if (admitted != typed) {
            insertPlainText(admitted);
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LQtEditViewImpl::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr || !source->hasText())
        return;
    const QString admitted = Admit(source->text());
    if (!admitted.isEmpty())
        insertPlainText(admitted);
}
