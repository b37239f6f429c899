// The multi-line edit view: the length limit and the filters on what the
// user types and pastes, the line queries, the selection it answers and keeps
// across focus changes, RTF in and out, numbers and files, the styles by
// range with the view's own undo, the reports of clicks, focus and selection,
// the prompt and the side margins.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LCommandKeys.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/text/LQtEditViewImpl.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <malloc.h>
#include <memory>

using namespace quorin::test;

namespace {

class RecordingWindow : public LWindow
{
public:
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
    std::vector<int> commands;
};

class EditView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        ASSERT_TRUE(window.CreateCocoaWindow(500, 400, kWindowStyleTitled, false, nullptr));
        window.ShowModeless(nullptr, LPlacementCenterOnScreen);
        window.AddTextInputNoRect(99, LTextInputStyle{});
        QWidget* top = LQtWidget(window.GetView())->window();
        top->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    }
    void TearDown() override { window.EndDialog(kCommandCancel); }

    LQtEditViewImpl* Make(const LEditFlags& flags, int id = 80)
    {
        window.AddEditView(id, flags, 10, 10, 300, 200);
        auto* view = qobject_cast<LQtEditViewImpl*>(LQtWidget(window.GetEditView(id)));
        LQtSetControlCommand(view, LCommandKeyLengthLimit, 501);
        LQtSetControlCommand(view, LCommandKeyTextChange, 502);
        view->setFocus();
        return view;
    }

    static void Type(QWidget* view, const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(view, c.toLatin1());
    }

    static void Paste(LQtEditViewImpl* view, const QString& text)
    {
        QApplication::clipboard()->setText(text);
        view->paste();
    }

    int Count(int command) const
    {
        return static_cast<int>(std::count(window.commands.begin(), window.commands.end(), command));
    }

    RecordingWindow window;
};

TEST_F(EditView, TheLengthLimitRefusesTheChangeThatWouldReachIt)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    EXPECT_EQ(view->MaximumTextLength(), 32767u);
    view->SetTextQuietly(QString(32765, QLatin1Char('x')));
    view->moveCursor(QTextCursor::End);
    QTest::keyClick(view, Qt::Key_A);
    EXPECT_EQ(view->Text().size(), 32766) << "a text holds one less than the limit";
    EXPECT_EQ(Count(501), 0);
    QTest::keyClick(view, Qt::Key_B);
    EXPECT_EQ(view->Text().size(), 32766);
    EXPECT_EQ(Count(501), 1) << "the refused change is reported";

    view->SetMaximumTextLength(10);
    view->SetTextQuietly("12345");
    view->moveCursor(QTextCursor::End);
    Paste(view, "abcdef");
    EXPECT_EQ(view->Text(), "12345") << "a paste that would pass the limit is refused whole";
    Paste(view, "abcd");
    EXPECT_EQ(view->Text(), "12345abcd");
}

TEST_F(EditView, FiltersApplyToTypingAndPastingButNotToTheProgram)
{
    LEditFlags digits;
    digits.digitsOnly = true;
    LEditFlags upper;
    upper.upperCase = true;
    LEditFlags single;
    single.singleLine = true;
    const struct
    {
        const char* name;
        LEditFlags flags;
        const char* typed;
        const char* pasted;
        const char* shown;
    } cases[] = {
        {"digits keep the digits of a mixed paste", digits, "a1", "x2y3z", "123"},
        {"upper case", upper, "ab", "cD", "ABCD"},
        {"single line drops breaks and tabs", single, "ab", "c\nd\te", "abcde"},
    };
    int id = 80;
    for (const auto& c : cases) {
        LQtEditViewImpl* view = Make(c.flags, id++);
        Type(view, c.typed);
        Paste(view, c.pasted);
        EXPECT_EQ(view->Text().toStdString(), c.shown) << c.name;
    }
    LQtEditViewImpl* last = Make(single, id++);
    QTest::keyClick(last, Qt::Key_Return);
    QTest::keyClick(last, Qt::Key_Tab);
    EXPECT_EQ(last->Text(), "") << "Return and Tab insert nothing on a single line";

    LQtEditViewImpl* program = Make(digits, id++);
    program->SetText("abc 42");
    EXPECT_EQ(program->Text(), "abc 42") << "the program's own text is not filtered";
}

TEST_F(EditView, ADisabledViewRefusesEveryEditAndShowsItsTextGreyed)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    view->SetTextQuietly("keep");
    const QColor normal = view->palette().color(QPalette::Active, QPalette::Text);
    view->SetEditEnabled(false);
    view->moveCursor(QTextCursor::End);
    Type(view, "x");
    QTest::keyClick(view, Qt::Key_Backspace);
    Paste(view, "y");
    EXPECT_EQ(view->Text(), "keep");
    EXPECT_NE(view->palette().color(QPalette::Active, QPalette::Text), normal);
    view->SetEditEnabled(true);
    EXPECT_EQ(view->palette().color(QPalette::Active, QPalette::Text), normal);
}

TEST_F(EditView, SelectionRangeAndLineQueries)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    EXPECT_EQ(view->GetSelectionRange(), std::make_pair(0, 0)) << "empty view";
    view->SetTextQuietly("abcdef");
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(3);
    view->setTextCursor(cursor);
    EXPECT_EQ(view->GetSelectionRange(), std::make_pair(2, 1)) << "a caret counts as the character before it";
    cursor.setPosition(0);
    view->setTextCursor(cursor);
    EXPECT_EQ(view->GetSelectionRange(), std::make_pair(0, 1));
    cursor.setPosition(1);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    EXPECT_EQ(view->GetSelectionRange(), std::make_pair(1, 3));

    view->SetTextQuietly("one\ntwo\nthree");
    EXPECT_EQ(view->GetNumberOfLinesBasedOnLineBreaks(), 3);
    const struct
    {
        int line;
        int start;
    } starts[] = {{0, 0}, {1, 4}, {2, 8}, {5, 0}};
    for (const auto& s : starts)
        EXPECT_EQ(view->GetCharIndexOfLine(s.line), s.start) << "line " << s.line;
    EXPECT_EQ(view->GetLineLength(5), 4) << "its break included";
    EXPECT_EQ(view->GetLineLength(10), 5) << "the last line has no break";
    EXPECT_EQ(view->GetLineFromCharIndex(9), 2);
    EXPECT_EQ(view->GetLineFromCharIndex(99), 0) << "past the end";
    view->SetTextQuietly("a\n");
    EXPECT_EQ(view->GetNumberOfLinesBasedOnLineBreaks(), 1) << "a final break starts no further line";
    view->SetTextQuietly("");
    EXPECT_EQ(view->GetNumberOfLinesBasedOnLineBreaks(), 0);
    EXPECT_EQ(view->GetNumberOfLinesWrappedText(), 0);

    view->SetTextQuietly(QString("word ").repeated(80));
    QApplication::processEvents();
    EXPECT_EQ(view->GetNumberOfLinesBasedOnLineBreaks(), 1);
    EXPECT_GT(view->GetNumberOfLinesWrappedText(), 3) << "a long line wraps in a 300-point view";
}

TEST_F(EditView, LineQueriesCountBreaksWhetherOrNotTheTextWraps)
{
    // A paragraph far wider than the 300-point view, then a short one.
    const QString longLine = QString("needle drop ").repeated(30).trimmed();
    const int second = static_cast<int>(longLine.size()) + 1;
    LEditFlags wrapping;
    LEditFlags scrolling;
    scrolling.horizontalScroller = true;
    const struct
    {
        const char* name;
        LEditFlags flags;
        bool wraps;
    } views[] = {{"wrapping", wrapping, true}, {"scrolling sideways", scrolling, false}};
    int id = 80;
    for (const auto& v : views) {
        SCOPED_TRACE(v.name);
        LQtEditViewImpl* view = Make(v.flags, id++);
        view->SetTextQuietly(longLine + "\nrun-out");
        // Asked at once, before the view has drawn anything.
        if (v.wraps)
            EXPECT_GT(view->GetNumberOfLinesWrappedText(), 3);
        else
            EXPECT_EQ(view->GetNumberOfLinesWrappedText(), 2);
        EXPECT_EQ(view->GetNumberOfLinesBasedOnLineBreaks(), 2);
        const struct
        {
            int index;
            int line;
            int length;
        } at[] = {
            {0, 0, second},          {150, 0, second}, // on a wrapped continuation of the first paragraph
            {second - 1, 0, second}, {second, 1, 7},   {second + 6, 1, 7},
        };
        for (const auto& a : at) {
            EXPECT_EQ(view->GetLineFromCharIndex(a.index), a.line) << "index " << a.index;
            EXPECT_EQ(view->GetLineLength(a.index), a.length) << "index " << a.index;
        }
        EXPECT_EQ(view->GetCharIndexOfLine(1), second) << "line 1 is the paragraph after the break";
        EXPECT_EQ(view->GetCharIndexOfLine(2), 0) << "past the last line";
    }
}

TEST_F(EditView, TabbingAwayAndBackKeepsTheSelection)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    view->SetTextQuietly("recording notes");
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    auto* other = qobject_cast<QLineEdit*>(LQtWidget(window.GetControl(99)));
    ASSERT_NE(other, nullptr);
    other->setFocus(Qt::TabFocusReason);
    view->moveCursor(QTextCursor::End);
    view->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(view->textCursor().selectedText(), "cording");
}

TEST_F(EditView, NumbersFilesAndRtf)
{
    LEditFlags rich;
    rich.richText = true;
    LQtEditViewImpl* view = Make(rich);
    view->SetInt(-42);
    EXPECT_EQ(view->Text(), "-42");
    EXPECT_EQ(view->GetInt(), -42);
    view->SetTextQuietly("12 apples");
    EXPECT_EQ(view->GetInt(), 12);
    view->SetTextQuietly("none");
    EXPECT_EQ(view->GetInt(), 0);

    TempDir dir;
    std::ofstream(dir.Path("ok.txt")) << "caf\xC3\xA9";
    std::ofstream(dir.Path("bad.txt")) << "caf\xE9";
    EXPECT_TRUE(view->SetTextFromFile(dir.Path("ok.txt")));
    EXPECT_EQ(view->Text(), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_FALSE(view->SetTextFromFile(dir.Path("bad.txt")));
    EXPECT_FALSE(view->SetTextFromFile(dir.Path("missing.txt")));
    EXPECT_EQ(view->Text(), QString::fromUtf8("caf\xC3\xA9")) << "a file that cannot be read changes nothing";

    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Serif;}}{\\colortbl;\\red0\\green0\\blue255;}"
        "\\pard\\qc {\\b Side A}\\par\\pard {\\f0\\i\\cf1 blue italic}\\par}";
    window.commands.clear();
    ASSERT_TRUE(view->SetRtfText(rtf.data(), rtf.size()));
    EXPECT_EQ(view->Text(), "Side A\nblue italic");
    EXPECT_EQ(Count(502), 1) << "a rich view reports the change";
    ASSERT_TRUE(view->SetRtfText(rtf.data(), rtf.size()));
    EXPECT_EQ(Count(502), 1) << "the same RTF again is no change";
    EXPECT_TRUE(view->GetBold(0, 6));
    EXPECT_EQ(view->GetAlignment(0, 1), 1);
    LRGBColor colour;
    ASSERT_TRUE(view->GetFontColor(8, 4, &colour));
    EXPECT_EQ(colour, LRGBColor::FromRGB8(0, 0, 255));

    // What the view writes reads back identically in another view.
    const std::string written = view->GetRtfText();
    LQtEditViewImpl* copy = Make(rich, 81);
    ASSERT_TRUE(copy->SetRtfText(written.data(), written.size()));
    EXPECT_EQ(copy->GetStyledText(), view->GetStyledText()) << written;
    EXPECT_EQ(copy->GetRtfText(), written);
    EXPECT_FALSE(view->SetRtfText("plain", 5));
}

TEST_F(EditView, StylesByRangeUndoAsTheOppositeOverTheWholeRange)
{
    LEditFlags rich;
    rich.richText = true;
    LQtEditViewImpl* view = Make(rich);
    view->SetTextQuietly("abcdefgh");
    view->SetBold(true, 0, 4);
    EXPECT_TRUE(view->GetBold(0, 4));
    EXPECT_FALSE(view->GetBold(0, 5)) << "one character that is not bold";
    view->SetBold(true, 2, 4); // half of it was bold
    EXPECT_TRUE(view->GetBold(2, 4));
    view->Undo();
    EXPECT_FALSE(view->GetBold(2, 1)) << "undo sets the opposite over the whole range";
    EXPECT_FALSE(view->GetBold(5, 1));
    EXPECT_TRUE(view->GetBold(0, 2));
    view->Redo();
    EXPECT_TRUE(view->GetBold(2, 4));

    view->SetUnderline(true, 0, 2);
    EXPECT_FALSE(view->GetUnderline(0, 4)) << "only the first half is underlined";
    EXPECT_TRUE(view->GetUnderline(0, 2));

    const LRGBColor red = LRGBColor::FromRGB8(255, 0, 0);
    view->SetFontColor(&red, 0, 8);
    view->SetFontColor(nullptr, 0, 8);
    LRGBColor colour;
    ASSERT_TRUE(view->GetFontColor(0, 8, &colour));
    EXPECT_EQ(colour, LRGBColor::FromRGB8(0, 0, 0)) << "no colour is black";
    view->SetBackColor(&red, 0, 8);
    EXPECT_TRUE(view->GetBackColor(3, 1, &colour));
    view->SetBackColor(nullptr, 0, 8);
    EXPECT_FALSE(view->GetBackColor(3, 1, &colour)) << "no background is none at all";
    view->Undo();
    EXPECT_TRUE(view->GetBackColor(3, 1, &colour));
    EXPECT_EQ(colour, red);

    view->SetFontSize(20, 0, 3);
    EXPECT_DOUBLE_EQ(view->GetFontSize(0, 3), 20);
    view->SetFontFamily("DejaVu Serif", 0, 3);
    QString family;
    EXPECT_FALSE(view->GetFontFamily(0, 6, &family)) << "two families";
    EXPECT_TRUE(family.isEmpty());
    EXPECT_TRUE(view->GetFontFamily(0, 3, &family));
    EXPECT_EQ(family, "DejaVu Serif");

    // An empty range styles what is typed next and leaves nothing to undo.
    view->SetTextQuietly("");
    while (view->CanUndo())
        view->Undo();
    view->SetBold(true, 0, 0);
    EXPECT_FALSE(view->CanUndo());
    Type(view, "xy");
    EXPECT_TRUE(view->GetBold(0, 2));
}

TEST_F(EditView, EachStyleUndoesUniformlyOverItsRange)
{
    LEditFlags rich;
    rich.richText = true;
    LQtEditViewImpl* view = Make(rich);
    using Set = void (LQtEditViewImpl::*)(bool, int, int);
    using Get = bool (LQtEditViewImpl::*)(int, int) const;
    const struct
    {
        const char* name;
        Set set;
        Get get;
    } flags[] = {
        {"bold", &LQtEditViewImpl::SetBold, &LQtEditViewImpl::GetBold},
        {"italic", &LQtEditViewImpl::SetItalic, &LQtEditViewImpl::GetItalic},
        {"underline", &LQtEditViewImpl::SetUnderline, &LQtEditViewImpl::GetUnderline},
        {"strike-out", &LQtEditViewImpl::SetStrikeOut, &LQtEditViewImpl::GetStrikeOut},
    };
    for (const auto& f : flags) {
        SCOPED_TRACE(f.name);
        view->SetTextQuietly("abcdefgh");
        (view->*f.set)(true, 0, 2);
        EXPECT_FALSE((view->*f.get)(0, 4)) << "half of the range has it";
        (view->*f.set)(true, 0, 4);
        EXPECT_TRUE((view->*f.get)(0, 4));
        view->Undo();
        EXPECT_FALSE((view->*f.get)(0, 1)) << "undo clears the whole range, the part that had it before too";
        EXPECT_FALSE((view->*f.get)(2, 2));
        view->Redo();
        EXPECT_TRUE((view->*f.get)(0, 4));
        (view->*f.set)(false, 1, 2);
        view->Undo();
        EXPECT_TRUE((view->*f.get)(0, 4)) << "undoing a clear sets it again";
        EXPECT_FALSE((view->*f.get)(4, 1)) << "and only over its range";
    }

    // Size and colour come back as the range start had them, over all of it.
    view->SetTextQuietly("abcdefgh");
    view->SetFontSize(12, 0, 8);
    view->SetFontSize(20, 4, 4);
    view->SetFontSize(30, 0, 8);
    view->Undo();
    EXPECT_DOUBLE_EQ(view->GetFontSize(0, 1), 12);
    EXPECT_DOUBLE_EQ(view->GetFontSize(6, 1), 12) << "the start's size, not the one the end had";
    const LRGBColor red = LRGBColor::FromRGB8(255, 0, 0);
    const LRGBColor blue = LRGBColor::FromRGB8(0, 0, 255);
    view->SetFontColor(&red, 0, 4);
    view->SetFontColor(&blue, 4, 4);
    view->SetFontColor(nullptr, 0, 8);
    view->Undo();
    LRGBColor colour;
    ASSERT_TRUE(view->GetFontColor(6, 1, &colour));
    EXPECT_EQ(colour, red);

    // Whether the selection has one look throughout.
    view->SetTextQuietly("abcdefgh");
    view->SetBold(true, 0, 2);
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    EXPECT_TRUE(view->IsSelectionSameCharProperties());
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    EXPECT_FALSE(view->IsSelectionSameCharProperties());
}

TEST_F(EditView, AHiddenSelectionDrawsAsNoSelection)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    view->clearFocus(); // no blinking caret in the pictures
    view->SetTextQuietly("recording notes");
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(0);
    view->setTextCursor(cursor);
    const QImage none = view->viewport()->grab().toImage();
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    const QImage shown = view->viewport()->grab().toImage();
    EXPECT_NE(shown, none);
    view->ShowSelection(false);
    const QImage hidden = view->viewport()->grab().toImage();
    EXPECT_EQ(view->textCursor().selectedText(), "recording") << "the selection is still there";
    cursor.setPosition(0);
    view->setTextCursor(cursor);
    EXPECT_EQ(hidden, view->viewport()->grab().toImage()) << "hidden, it draws as no selection";
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    view->ShowSelection(true);
    EXPECT_EQ(view->viewport()->grab().toImage(), shown);
}

TEST_F(EditView, ParagraphStylesCoverTheWholeParagraphs)
{
    LEditFlags rich;
    rich.richText = true;
    LQtEditViewImpl* view = Make(rich);
    view->SetTextQuietly("first paragraph\nsecond one\nthird");
    view->SetAlignment(2, 20, 0); // a caret inside the second paragraph
    EXPECT_EQ(view->GetAlignment(16, 1), 2);
    EXPECT_EQ(view->GetAlignment(0, 1), 0) << "the first paragraph is untouched";
    view->SetParagraphSpaceBefore(6, 3, 15); // touches the first two
    EXPECT_DOUBLE_EQ(view->GetParagraphSpaceBefore(0, 1), 6);
    EXPECT_DOUBLE_EQ(view->GetParagraphSpaceBefore(17, 1), 6);
    EXPECT_EQ(view->GetAlignment(17, 1), 0) << "the touched paragraphs take the first one's style";
    view->Undo();
    EXPECT_DOUBLE_EQ(view->GetParagraphSpaceBefore(0, 1), 0);
    view->SetFirstLineHeadIndent(18, 30, 1);
    EXPECT_DOUBLE_EQ(view->GetFirstLineHeadIndent(28, 1), 18);
}

// The program's own text, rich or plain, comes back by the undo of the
// user's edit after it.
TEST_F(EditView, TheUndoOfAnEditBringsBackTheProgramsText)
{
    LEditFlags rich;
    rich.richText = true;
    LQtEditViewImpl* view = Make(rich);
    const std::string rtf = "{\\rtf1 {\\b bold} plain\\par\\qc second}";
    ASSERT_TRUE(view->SetRtfText(rtf.data(), rtf.size()));
    const std::string set = view->GetRtfText();
    view->moveCursor(QTextCursor::End);
    Type(view, "xy");
    EXPECT_NE(view->GetRtfText(), set);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetRtfText(), set);
    // Brought back, it comes back again after a further edit.
    Type(view, "z");
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->GetRtfText(), set);

    LQtEditViewImpl* plain = Make(LEditFlags{}, 81);
    plain->SetText("line one\nline two");
    plain->moveCursor(QTextCursor::End);
    Type(plain, "z");
    EXPECT_EQ(plain->Text(), "line one\nline twoz");
    QTest::keyClick(plain, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(plain->Text(), "line one\nline two");
}

// What the heap holds, mapped blocks included.
size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// An RTF text of many paragraphs costs the view about what the toolkit's own
// document of those paragraphs costs, and no more per paragraph for more of
// them: no second copy of the whole document is kept for the undo.
TEST_F(EditView, ALongRtfTextCostsAboutWhatItsDocumentCosts)
{
    if (HeapInUse() == 0)
        GTEST_SKIP() << "the allocator keeps no statistics here (a sanitizer's, say)";
    LEditFlags rich;
    rich.richText = true;
    LQtEditViewImpl* view = Make(rich);
    std::vector<double> ratios;
    std::vector<size_t> costs;
    for (int paragraphs : {10000, 40000}) {
        SCOPED_TRACE(paragraphs);
        // The reference: the toolkit's own edit view beside it, holding as
        // many paragraphs.
        auto reference = std::make_unique<QTextEdit>(view->parentWidget());
        reference->setGeometry(view->geometry());
        reference->show();
        const size_t before = HeapInUse();
        QTextCursor cursor(reference->document());
        cursor.beginEditBlock();
        for (int i = 1; i < paragraphs; ++i)
            cursor.insertBlock();
        cursor.endEditBlock();
        QApplication::processEvents();
        const size_t document = HeapInUse() - before;

        std::string rtf = "{\\rtf1\\ansi ";
        for (int i = 0; i < paragraphs; ++i)
            rtf += "\\par";
        rtf += "}";
        const size_t start = HeapInUse();
        ASSERT_TRUE(view->SetRtfText(rtf.data(), rtf.size()));
        QApplication::processEvents();
        const size_t held = HeapInUse() - start;
        ASSERT_EQ(view->document()->blockCount(), paragraphs);
        ratios.push_back(static_cast<double>(held) / static_cast<double>(document));
        costs.push_back(held);
        view->SetText("");
    }
    // A copy of the document kept for the undo would add a fifth and more.
    for (double ratio : ratios)
        EXPECT_LT(ratio, 1.15);
    // Four times the paragraphs, about four times the cost.
    const double growth = static_cast<double>(costs[1]) / static_cast<double>(costs[0]);
    EXPECT_GT(growth, 3.5);
    EXPECT_LT(growth, 4.5);
}

TEST_F(EditView, TypingUndoesAsOneEditAndReportsTheChange)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    window.commands.clear();
    Type(view, "abc");
    EXPECT_EQ(view->Text(), "abc");
    EXPECT_EQ(Count(502), 3);
    EXPECT_TRUE(view->IsTextChanged());
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->Text(), "");
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->Text(), "abc");
}

TEST_F(EditView, ClicksFocusAndSelectionReachTheWindowByTheirCommands)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    view->SetTextQuietly("side one of the tape");
    const struct
    {
        const char* key;
        int command;
    } keys[] = {
        {LCommandKeyEditClick, 511}, {LCommandKeyDoubleClick, 512}, {LCommandKeyRightClick, 513},
        {LCommandKeySetFocus, 514},  {LCommandKeyKillFocus, 515},   {LCommandKeySelectionChange, 516},
    };
    for (const auto& k : keys)
        LQtSetControlCommand(view, k.key, k.command);
    auto* other = qobject_cast<QLineEdit*>(LQtWidget(window.GetControl(99)));
    ASSERT_NE(other, nullptr);
    const QPoint onText = view->cursorRect(view->document()->find("one")).center();
    auto settle = [] { PumpFor(QApplication::doubleClickInterval() + 100); };

    other->setFocus(Qt::TabFocusReason);
    window.commands.clear();
    view->setFocus(Qt::TabFocusReason);
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(window.commands, (std::vector<int>{514, 515})) << "focus gained, then lost";

    view->setFocus(Qt::MouseFocusReason);
    settle();
    window.commands.clear();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, onText);
    EXPECT_EQ(Count(511), 0) << "a click waits for the double-click interval";
    settle();
    EXPECT_EQ(Count(511), 1);
    EXPECT_EQ(Count(512), 0);

    window.commands.clear();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, onText);
    settle();
    EXPECT_EQ(Count(512), 1);
    EXPECT_EQ(Count(511), 0) << "a double click is no single click as well";
    EXPECT_EQ(view->textCursor().selectedText(), "one") << "the double click still selects the word";

    window.commands.clear();
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    EXPECT_EQ(Count(516), 0) << "the selection report is posted, not sent";
    PumpFor(20);
    EXPECT_GE(Count(516), 1);

    // A right click with a command goes to the window instead of the menu;
    // without one the usual context menu opens.
    for (const bool withCommand : {true, false}) {
        SCOPED_TRACE(withCommand ? "with a command" : "without a command");
        LQtSetControlCommand(view, LCommandKeyRightClick, withCommand ? 513 : -1);
        window.commands.clear();
        bool menuShown = false;
        QTimer::singleShot(50, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menuShown = true;
                popup->close();
            }
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, onText, view->viewport()->mapToGlobal(onText));
        QApplication::sendEvent(view->viewport(), &menuEvent);
        PumpFor(100);
        EXPECT_EQ(Count(513), withCommand ? 1 : 0);
        EXPECT_EQ(menuShown, !withCommand);
    }
}

TEST_F(EditView, PromptWhileEmptyAndTheLeftMargin)
{
    LQtEditViewImpl* view = Make(LEditFlags{});
    const QImage bare = view->viewport()->grab().toImage();
    window.SetPromptText(80, "Notes about this side");
    EXPECT_EQ(view->placeholderText(), "Notes about this side");
    const QImage prompted = view->viewport()->grab().toImage();
    EXPECT_NE(prompted, bare) << "the prompt is drawn while the view is empty";
    view->SetTextQuietly("x");
    view->SetTextQuietly("");
    EXPECT_EQ(view->viewport()->grab().toImage(), prompted) << "and again once it is empty again";
    EXPECT_EQ(view->Text(), "") << "the prompt is no text";

    view->SetTextQuietly("margin");
    const int before = view->cursorRect(QTextCursor(view->document())).left();
    view->SetLeftMargin(24, 10);
    PumpFor(20);
    EXPECT_EQ(view->cursorRect(QTextCursor(view->document())).left(), before + 24);
    view->SetLeftMargin(0, 0);
    view->SetTextQuietly(QString("word ").repeated(60));
    PumpFor(20);
    const int withoutMargins = view->GetNumberOfLinesWrappedText();
    view->SetLeftMargin(70, 70);
    PumpFor(20);
    EXPECT_GT(view->GetNumberOfLinesWrappedText(), withoutMargins)
        << "the margins narrow the lines, so the text wraps into more of them";
    view->SetTextQuietly("kept");
    EXPECT_EQ(view->cursorRect(QTextCursor(view->document())).left(), before + 70)
        << "new text keeps the margins";
}

} // namespace
