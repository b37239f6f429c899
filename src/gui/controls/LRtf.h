#pragma once
// Rich text as the edit view keeps it, and its RTF form: paragraphs with an
// alignment, a first-line indent and the space around them, made of runs of
// text sharing one character style. The reader takes RTF from anywhere
// (other programs' files, the clipboard), so it bounds every length and
// group depth and reads damaged or truncated input as far as it goes; it
// never shows control words as text.

#include "gui/framework/LRGBColor.h"

#include <cstddef>
#include <string>
#include <vector>

struct LTextStyle
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    double fontSize = 0; // points; 0 is the view's own size
    std::string family;  // empty is the view's own font
    bool hasColor = false;
    LRGBColor color;
    bool hasBackground = false;
    LRGBColor background;

    bool operator==(const LTextStyle&) const = default;
};

struct LParagraphStyle
{
    enum Alignment { kLeft = 0, kCentre = 1, kRight = 2, kJustified = 3 };
    int alignment = kLeft;
    double firstLineIndent = 0; // points
    double spaceBefore = 0;     // points
    double spaceAfter = 0;      // points

    bool operator==(const LParagraphStyle&) const = default;
};

// UTF-8 text; U+2028 is a line break inside the paragraph, '\t' a tab.
struct LTextRun
{
    std::string text;
    LTextStyle style;

    bool operator==(const LTextRun&) const = default;
};

struct LStyledParagraph
{
    LParagraphStyle style;
    std::vector<LTextRun> runs;

    bool operator==(const LStyledParagraph&) const = default;
};

// Always at least one paragraph, possibly empty.
struct LStyledText
{
    std::vector<LStyledParagraph> paragraphs{1};

    // The paragraphs' text joined by '\n'.
    std::string PlainText() const;
    // Neighbouring runs of one style merged, empty runs dropped.
    void Normalize();

    bool operator==(const LStyledText&) const = default;
};

// Limits of what the reader takes from outside. Each paragraph costs the
// edit view's document some hundreds of bytes and its layout some more, so a
// few megabytes of "\par" would take gigabytes: a text of more paragraphs
// than a long book holds is refused whole rather than shown in part.
constexpr size_t kRtfMaxInput = 64u << 20;
constexpr int kRtfMaxGroupDepth = 200;
constexpr size_t kRtfMaxTableEntries = 4096;
constexpr size_t kRtfMaxParagraphs = 200000;

// False when the data is not RTF at all (no "{\rtf" at its start), is
// larger than kRtfMaxInput or holds more than kRtfMaxParagraphs paragraphs;
// *error then says why. Damaged RTF reads as far
// as it is whole: text past a group nested deeper than kRtfMaxGroupDepth is
// dropped, an unterminated file ends where its data ends.
bool LRtfRead(const char* data, size_t length, LStyledText* out, std::string* error = nullptr);
std::string LRtfWrite(const LStyledText& text);
