#pragma once
// The one-line text field of text inputs, combo boxes and up-down inputs.
// It keeps its own undo history, moves the focus on Tab and Shift+Tab
// without inserting anything, reports focus and clicks to its window, can
// turn pasting into a command for the dialog, and can admit digits only.

#include <QLineEdit>

#include <cstdint>

class LQtLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit LQtLineEdit(QWidget* parent = nullptr);

    // While set, a paste (keys or context menu) sends the paste command and
    // leaves the text as it is.
    void SetPasteDisabled(bool disabled) { pasteDisabled_ = disabled; }
    bool PasteDisabled() const { return pasteDisabled_; }
    // Typing and pasting admit the digits 0-9 only; deleting is always allowed.
    void SetDigitsOnly(bool digitsOnly) { digitsOnly_ = digitsOnly; }
    bool DigitsOnly() const { return digitsOnly_; }
    // Grey hint shown while the text is empty.
    void SetPrompt(const QString& prompt) { setPlaceholderText(prompt); }

    // The paste the field would do, through the same rules as the keys.
    void PasteFromClipboard();

    static bool IsDigitsOnly(const QString& text);

signals:
    void EditingEnded();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool pasteDisabled_ = false;
    bool digitsOnly_ = false;
};
