#include "gui/qt/controls/LQtLineEdit.h"

#include "gui/framework/LKeyEquivalent.h"
#include "gui/qt/LQtKeys.h"
#include "gui/qt/controls/LQtControlCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

LQtLineEdit::LQtLineEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::editingFinished, this, &LQtLineEdit::EditingEnded);
}

bool LQtLineEdit::IsDigitsOnly(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

void LQtLineEdit::PasteFromClipboard()
{
    if (isReadOnly())
        return;
    if (pasteDisabled_) {
        LQtSendControlCommand(this, LCommandKeyPaste);
        return;
    }
    const QString text = QApplication::clipboard()->text();
    if (digitsOnly_ && !IsDigitsOnly(text))
        return; // refused whole
    paste();
}

bool LQtLineEdit::event(QEvent* event)
{
    // A window shortcut on the paste keys must not take the paste from the field.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            event->accept();
            return true;
        }
        // Editing keys and plain typing belong to the field while it has the
        // focus; what the field leaves unhandled travels on to its window.
        if (LPerformKeyEquivalentCommon(LQtKeyFromEvent(key), hasFocus()) !=
            LKeyEquivalentAction::kNotHandled) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void LQtLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        PasteFromClipboard();
        event->accept();
        return;
    }
    if (digitsOnly_ && !event->text().isEmpty() && event->text().at(0).isPrint() &&
        !IsDigitsOnly(event->text())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void LQtLineEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    LQtSendControlCommand(this, LCommandKeySetFocus);
}

void LQtLineEdit::focusOutEvent(QFocusEvent* event)
{
    // Leaving clears the selection, as the next visit starts afresh.
    deselect();
    QLineEdit::focusOutEvent(event);
    LQtSendControlCommand(this, LCommandKeyKillFocus);
}

void LQtLineEdit::mousePressEvent(QMouseEvent* event)
{
    if (hasFocus())
        LQtSendControlCommand(this, LCommandKeyEditClick);
    QLineEdit::mousePressEvent(event);
}

void LQtLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    // The menu's paste follows the same rules as the keys.
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &LQtLineEdit::PasteFromClipboard);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
