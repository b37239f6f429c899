#pragma once
// The multi-line edit view of dialogs: a plain-text editor that scrolls by
// itself. Its flags choose the border, the scrollers, a single line, case
// folding, digits only and read only; a text limit keeps the text short.

#include "gui/controls/LControlStyles.h"

#include <QPlainTextEdit>

class LQtEditViewImpl : public QPlainTextEdit
{
    Q_OBJECT
public:
    LQtEditViewImpl(const LEditFlags& flags, QWidget* parent = nullptr);

    const LEditFlags& Flags() const { return flags_; }
    // Characters (0: no limit); a longer text is cut at once.
    void SetTextLimit(int limit);
    int TextLimit() const { return limit_; }
    // Replaces the text as the program, not the user: no text-changed command.
    void SetTextQuietly(const QString& text);
    // What typing or pasting would insert, after the flags' rules; empty
    // when nothing of it may stand.
    QString Admit(const QString& text) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void Limit();

    LEditFlags flags_;
    int limit_ = 0;
    bool limiting_ = false;
    bool quiet_ = false;
};
