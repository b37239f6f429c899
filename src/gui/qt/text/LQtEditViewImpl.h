#pragma once
// The multi-line edit view of dialogs: plain or rich text that scrolls by
// itself. Its flags choose the border, the scrollers, a single line, case
// folding, digits only and read only. Typed, pasted and dropped text passes
// the filters and a length limit (32767 UTF-16 units unless set: a text holds
// one less); the program's own setters pass neither. It keeps its selection
// across focus changes, shows a grey prompt while empty, answers line
// queries, reads and writes RTF, and styles ranges of rich text with an undo
// of its own that sets the opposite state over the whole range.

#include "gui/controls/LControlStyles.h"
#include "gui/controls/LRtf.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QTextDocument;

class LQtEditViewImpl : public QTextEdit
{
    Q_OBJECT
public:
    static constexpr unsigned kDefaultMaximumLength = 32767;

    LQtEditViewImpl(const LEditFlags& flags, QWidget* parent = nullptr);
    ~LQtEditViewImpl() override;

    const LEditFlags& Flags() const { return flags_; }

    // ---- Text ----
    // Replaces the text; reported as a change only while the view has the
    // focus or holds rich text.
    void SetText(const QString& text);
    // Replaces the text as the program, not the user: never reported.
    void SetTextQuietly(const QString& text);
    QString Text() const { return toPlainText(); }
    void SetInt(int value);
    // The leading number of the text, 0 when there is none.
    int GetInt() const;
    // False (text unchanged) when the file cannot be read or is not UTF-8.
    bool SetTextFromFile(const std::string& path);
    // False (text unchanged) when the data is not RTF.
    bool SetRtfText(const char* data, size_t length);
    bool SetRtfTextFromFile(const std::string& path);
    std::string GetRtfText() const;
    LStyledText GetStyledText() const;
    void SetStyledText(const LStyledText& text);

    // ---- Limits and state ----
    // Changes are refused once the text would reach this many units.
    void SetMaximumTextLength(unsigned length);
    unsigned MaximumTextLength() const { return maximum_; }
    // The control API's limit: at most `limit` characters (0: the default),
    // a longer text is cut at once.
    void SetTextLimit(int limit);
    int TextLimit() const { return static_cast<int>(maximum_) - 1; }
    // What typing or pasting would insert after the flags' rules.
    QString Admit(const QString& text) const;
    void SetEditEnabled(bool enabled);
    bool IsEditEnabled() const { return editEnabled_; }
    void SetTextChanged(bool changed) { textChanged_ = changed; }
    bool IsTextChanged() const { return textChanged_; }
    void SetVerticalScroll(bool on);
    void SetHorizontalScroll(bool on);
    // Points taken from the text's width: left before it, right after it.
    void SetLeftMargin(double left, double right);

    // ---- Selection and lines (UTF-16 units) ----
    // The selection; a caret counts as the character before it (the first
    // one at the start); (caret, 0) in an empty text.
    std::pair<int, int> GetSelectionRange() const;
    int GetNumberOfLinesBasedOnLineBreaks() const;
    int GetNumberOfLinesWrappedText() const;
    int GetCharIndexOfLine(int line) const;
    int GetLineLength(int index) const;
    int GetLineFromCharIndex(int index) const;

    // ---- Character styles; an empty range sets what is typed next ----
    void SetBold(bool on, int location, int length);
    void SetItalic(bool on, int location, int length);
    void SetUnderline(bool on, int location, int length);
    void SetStrikeOut(bool on, int location, int length);
    void SetFontSize(double points, int location, int length);
    void SetFontFamily(const QString& family, int location, int length);
    // Null: black text / no background.
    void SetFontColor(const LRGBColor* colour, int location, int length);
    void SetBackColor(const LRGBColor* colour, int location, int length);
    bool GetBold(int location, int length) const;
    bool GetItalic(int location, int length) const;
    bool GetUnderline(int location, int length) const;
    bool GetStrikeOut(int location, int length) const;
    double GetFontSize(int location, int length) const;
    // False with an empty family when the runs differ.
    bool GetFontFamily(int location, int length, QString* family) const;
    bool GetFontColor(int location, int length, LRGBColor* colour) const;
    bool GetBackColor(int location, int length, LRGBColor* colour) const;

    // ---- Paragraph styles (points), over the paragraphs a range touches ----
    void SetFirstLineHeadIndent(double points, int location, int length);
    void SetParagraphSpaceBefore(double points, int location, int length);
    void SetParagraphSpaceAfter(double points, int location, int length);
    // 0 left, 1 centre, 2 right.
    void SetAlignment(int code, int location, int length);
    double GetFirstLineHeadIndent(int location, int length) const;
    double GetParagraphSpaceBefore(int location, int length) const;
    double GetParagraphSpaceAfter(int location, int length) const;
    int GetAlignment(int location, int length) const;

    void ShowSelection(bool show);
    bool IsSelectionSameCharProperties() const;

    // ---- The view's own undo: text edits and style changes ----
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    void Undo();
    void Redo();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    using Entry = std::function<void()>;
    void Register(Entry undo);
    void OnContentsChanged();
    void ApplyMargins();
    void RestoreContent(const QTextDocument* from);
    void OnSelectionChanged();
    // Inserts replacement over the selection when the limit allows it.
    bool InsertChecked(const QString& replacement);
    void SendReport(const char* key);
    void PostReport(const char* key);
    void ReplaceAll(const std::function<void()>& change, bool report);
    // ReplaceAll with a text the program can set again at will: `set` itself
    // then brings it back for the undo of the user's next edit, so that no
    // copy of the whole document is kept beside it.
    void ReplaceAllWith(const Entry& set, bool report);
    // What brings back the document as it stands now: a copy of it.
    Entry CopyOfContent();
    // The range inside the text; false when nothing of it is left.
    bool Clamp(int* location, int* length) const;
    QTextCharFormat FormatAt(int position) const;
    void MergeCharFormat(int location, int length, const QTextCharFormat& format);
    void MergeTypingFormat(const QTextCharFormat& format);
    void SetBlockProperty(int location, int length, const std::function<void(QTextBlockFormat&)>& set);
    QTextBlockFormat FirstBlockFormat(int location, int length, bool* any) const;

    LEditFlags flags_;
    unsigned maximum_ = kDefaultMaximumLength;
    bool editEnabled_ = true;
    double leftMargin_ = 0;
    double rightMargin_ = 0;
    bool textChanged_ = false;
    bool quiet_ = false;
    bool styling_ = false;
    bool restoring_ = false;
    bool undoing_ = false;
    bool redoing_ = false;
    bool doubleClick_ = false;
    bool selectionMade_ = false;
    bool savedSelectionValid_ = false;
    int savedStart_ = 0;
    int savedEnd_ = 0;
    std::vector<Entry> undo_;
    std::vector<Entry> redo_;
    Entry snapshot_;     // brings back the text as it stood after the last change
    Entry settingAgain_; // while ReplaceAllWith runs: what sets its text again
    qint64 lastTypingMs_ = 0;
};
