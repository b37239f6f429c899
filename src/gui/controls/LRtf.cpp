#include "gui/controls/LRtf.h"

#include "foundation/text/LCharsetConvert.h"
#include "foundation/text/LUtf8.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

std::string LStyledText::PlainText() const
{
    std::string text;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            text += '\n';
        for (const LTextRun& run : paragraphs[i].runs)
            text += run.text;
    }
    return text;
}

void LStyledText::Normalize()
{
    if (paragraphs.empty())
        paragraphs.emplace_back();
    for (LStyledParagraph& paragraph : paragraphs) {
        std::vector<LTextRun> merged;
        for (LTextRun& run : paragraph.runs) {
            if (run.text.empty())
                continue;
            if (!merged.empty() && merged.back().style == run.style)
                merged.back().text += run.text;
            else
                merged.push_back(std::move(run));
        }
        paragraph.runs = std::move(merged);
    }
}

namespace {

// Destinations whose content is never text of the document.
const char* const kSkippedDestinations[] = {
    "stylesheet",
    "info",
    "pict",
    "object",
    "header",
    "footer",
    "headerl",
    "headerr",
    "headerf",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "fldinst",
    "listtable",
    "listoverridetable",
    "rsidtbl",
    "generator",
    "xmlnstbl",
    "themedata",
    "colorschememapping",
    "latentstyles",
    "datastore",
    "pgdsctbl",
    "filetbl",
    "revtbl",
    "bkmkstart",
    "bkmkend",
    "nonshppict",
    "shppict",
    "pn",
    "pntext",
    "pntxta",
    "pntxtb",
    "txe",
    "xe",
    "tc",
    "template",
    "userprops",
    "docvar",
    "mmathPr",
};

bool IsSkippedDestination(const std::string& word)
{
    for (const char* name : kSkippedDestinations)
        if (word == name)
            return true;
    return false;
}

enum class Destination { kText, kFontTable, kColourTable, kSkip };

struct GroupState
{
    Destination destination = Destination::kText;
    LTextStyle style;
    int fontIndex = -1;
    int unicodeSkip = 1;
};

class RtfReader
{
public:
    RtfReader(const char* data, size_t length) : p_(data), end_(data + length) {}

    void Run(LStyledText* out)
    {
        out_ = out;
        out_->paragraphs.clear();
        current_ = LStyledParagraph();
        states_.push_back(GroupState());
        while (p_ < end_) {
            const char c = *p_;
            if (c == '{') {
                ++p_;
                OpenGroup();
            } else if (c == '}') {
                ++p_;
                CloseGroup();
                if (states_.size() <= 1)
                    break; // the document's own group ended
            } else if (c == '\\') {
                ++p_;
                ControlSymbolOrWord();
            } else if (c == '\r' || c == '\n') {
                ++p_;
            } else {
                const char* start = p_;
                while (p_ < end_ && *p_ != '{' && *p_ != '}' && *p_ != '\\' && *p_ != '\r' && *p_ != '\n')
                    ++p_;
                Text(std::string(start, p_));
            }
        }
        // A cut file ends every group still open where its data ends.
        FlushBytes();
        skippedDepth_ = 0;
        if (states_.size() > 1)
            states_.resize(1);
        EndParagraph(true);
        out_->Normalize();
    }

    bool TooManyParagraphs() const { return tooManyParagraphs_; }

private:
    GroupState& State() { return states_.back(); }

    void OpenGroup()
    {
        FlushBytes();
        if (skippedDepth_ > 0 || states_.size() >= static_cast<size_t>(kRtfMaxGroupDepth)) {
            // Too deep to be a real document: the rest of this group is dropped.
            ++skippedDepth_;
            return;
        }
        GroupState next = states_.empty() ? GroupState() : State();
        states_.push_back(next);
        groupStart_ = true;
    }

    void CloseGroup()
    {
        FlushBytes();
        if (skippedDepth_ > 0) {
            --skippedDepth_;
            return;
        }
        if (State().destination == Destination::kFontTable && !fontName_.empty())
            EndFontEntry();
        states_.pop_back();
        groupStart_ = false;
    }

    void ControlSymbolOrWord()
    {
        if (p_ >= end_)
            return;
        const char c = *p_;
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++p_;
            ControlSymbol(c);
            groupStart_ = false;
            return;
        }
        std::string word;
        while (p_ < end_ && std::isalpha(static_cast<unsigned char>(*p_)) && word.size() < 32)
            word += *p_++;
        while (p_ < end_ && std::isalpha(static_cast<unsigned char>(*p_)))
            ++p_; // an over-long word: the rest of its letters go with it
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (p_ < end_ && *p_ == '-') {
            negative = true;
            ++p_;
        }
        int digits = 0;
        while (p_ < end_ && std::isdigit(static_cast<unsigned char>(*p_))) {
            if (digits < 10)
                param = param * 10 + (*p_ - '0');
            ++digits;
            hasParam = true;
            ++p_;
        }
        if (negative)
            param = -param;
        if (p_ < end_ && *p_ == ' ')
            ++p_;
        const bool atGroupStart = groupStart_;
        groupStart_ = false;
        ControlWord(word, hasParam,
                    static_cast<long>(std::clamp<long long>(param, -2147483647LL, 2147483647LL)),
                    atGroupStart);
    }

    void ControlSymbol(char c)
    {
        if (skippedDepth_ > 0)
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Text(std::string(1, c));
            break;
        case '~':
            Code(0x00A0);
            break;
        case '_':
            Code(0x2011);
            break;
        case '-':
            break; // optional hyphen
        case '*':
            // An optional destination: we know none, so it is skipped.
            if (!states_.empty())
                State().destination = Destination::kSkip;
            break;
        case '\'': {
            if (end_ - p_ >= 2 && std::isxdigit(static_cast<unsigned char>(p_[0])) &&
                std::isxdigit(static_cast<unsigned char>(p_[1]))) {
                const int byte = std::stoi(std::string(p_, 2), nullptr, 16);
                p_ += 2;
                if (pendingSkip_ > 0) {
                    --pendingSkip_;
                    break;
                }
                if (!states_.empty() && State().destination != Destination::kSkip)
                    bytes_.push_back(static_cast<char>(byte));
            }
            break;
        }
        case '\r':
        case '\n':
            EndParagraph(false);
            break;
        default:
            break;
        }
    }

    void ControlWord(const std::string& word, bool hasParam, long param, bool atGroupStart)
    {
        if (skippedDepth_ > 0 || states_.empty())
            return;
        if (word == "bin") {
            // Binary data: its bytes are not RTF and are skipped whole.
            const long count = hasParam && param > 0 ? param : 0;
            p_ += std::min<long long>(count, end_ - p_);
            return;
        }
        GroupState& state = State();
        if (word != "u" && !(word == "uc"))
            FlushBytes();
        if (state.destination == Destination::kSkip)
            return;
        if (atGroupStart || word == "fonttbl" || word == "colortbl") {
            if (word == "fonttbl") {
                state.destination = Destination::kFontTable;
                return;
            }
            if (word == "colortbl") {
                state.destination = Destination::kColourTable;
                colour_ = ColourEntry();
                return;
            }
            if (IsSkippedDestination(word)) {
                state.destination = Destination::kSkip;
                return;
            }
        }
        if (state.destination == Destination::kFontTable) {
            if (word == "f" && hasParam) {
                fontIndex_ = param;
                fontName_.clear();
            }
            return;
        }
        if (state.destination == Destination::kColourTable) {
            const int value = static_cast<int>(std::clamp<long>(hasParam ? param : 0, 0, 255));
            if (word == "red")
                colour_.r = value, colour_.set = true;
            else if (word == "green")
                colour_.g = value, colour_.set = true;
            else if (word == "blue")
                colour_.b = value, colour_.set = true;
            return;
        }
        LTextStyle& style = state.style;
        const bool on = !hasParam || param != 0;
        if (word == "par") {
            EndParagraph(false);
        } else if (word == "line") {
            Code(0x2028);
        } else if (word == "tab") {
            Text("\t");
        } else if (word == "pard") {
            paragraph_ = LParagraphStyle();
        } else if (word == "ql") {
            paragraph_.alignment = LParagraphStyle::kLeft;
        } else if (word == "qc") {
            paragraph_.alignment = LParagraphStyle::kCentre;
        } else if (word == "qr") {
            paragraph_.alignment = LParagraphStyle::kRight;
        } else if (word == "qj") {
            paragraph_.alignment = LParagraphStyle::kJustified;
        } else if (word == "fi") {
            paragraph_.firstLineIndent = Twips(param);
        } else if (word == "sb") {
            paragraph_.spaceBefore = Twips(param);
        } else if (word == "sa") {
            paragraph_.spaceAfter = Twips(param);
        } else if (word == "plain") {
            style = LTextStyle();
            state.fontIndex = -1;
        } else if (word == "b") {
            style.bold = on;
        } else if (word == "i") {
            style.italic = on;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" || word == "ulth" ||
                   word == "uldash") {
            style.underline = on;
        } else if (word == "ulnone") {
            style.underline = false;
        } else if (word == "strike" || word == "striked") {
            style.strike = on;
        } else if (word == "fs") {
            style.fontSize = hasParam && param > 0 ? std::min(param, 3276L) / 2.0 : 0;
        } else if (word == "f") {
            state.fontIndex = static_cast<int>(param);
            auto found = fonts_.find(state.fontIndex);
            style.family = found != fonts_.end() ? found->second : std::string();
        } else if (word == "cf") {
            SetColour(param, &style.hasColor, &style.color);
        } else if (word == "highlight" || word == "cb" || word == "chcbpat") {
            SetColour(param, &style.hasBackground, &style.background);
        } else if (word == "u" && hasParam) {
            FlushBytes();
            Unicode(param);
            pendingSkip_ = state.unicodeSkip;
        } else if (word == "uc") {
            state.unicodeSkip = static_cast<int>(std::clamp<long>(param, 0, 10));
        } else if (word == "ansicpg") {
            codePage_ = static_cast<unsigned>(std::max(0L, param));
        } else if (word == "emdash") {
            Code(0x2014);
        } else if (word == "endash") {
            Code(0x2013);
        } else if (word == "lquote") {
            Code(0x2018);
        } else if (word == "rquote") {
            Code(0x2019);
        } else if (word == "ldblquote") {
            Code(0x201C);
        } else if (word == "rdblquote") {
            Code(0x201D);
        } else if (word == "bullet") {
            Code(0x2022);
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            Code(0x0020);
        }
        // Every other word changes nothing we keep.
    }

    static double Twips(long value) { return std::clamp<long>(value, -31680, 31680) / 20.0; }

    void SetColour(long index, bool* has, LRGBColor* colour)
    {
        if (index <= 0 || static_cast<size_t>(index) >= colours_.size() || !colours_[index].set) {
            *has = false; // 0 or an entry left empty is the automatic colour
            return;
        }
        *has = true;
        const ColourEntry& entry = colours_[index];
        *colour = LRGBColor::FromRGB8(entry.r, entry.g, entry.b);
    }

    void Text(const std::string& text)
    {
        if (skippedDepth_ > 0 || states_.empty() || text.empty())
            return;
        GroupState& state = State();
        if (state.destination == Destination::kSkip)
            return;
        size_t start = 0;
        while (pendingSkip_ > 0 && start < text.size()) {
            ++start;
            --pendingSkip_;
        }
        if (start >= text.size())
            return;
        if (state.destination == Destination::kColourTable) {
            for (size_t i = start; i < text.size(); ++i)
                if (text[i] == ';')
                    EndColourEntry();
            return;
        }
        if (state.destination == Destination::kFontTable) {
            for (size_t i = start; i < text.size(); ++i) {
                if (text[i] == ';')
                    EndFontEntry();
                else
                    bytes_.push_back(text[i]);
            }
            return;
        }
        // Plain bytes above 0x7F are in the document's code page too.
        for (size_t i = start; i < text.size(); ++i)
            bytes_.push_back(text[i]);
    }

    void EndColourEntry()
    {
        if (colours_.size() < kRtfMaxTableEntries)
            colours_.push_back(colour_);
        colour_ = ColourEntry();
    }

    void EndFontEntry()
    {
        FlushBytes();
        if (fontIndex_ >= 0 && fonts_.size() < kRtfMaxTableEntries) {
            size_t first = fontName_.find_first_not_of(' ');
            std::string name = first == std::string::npos ? std::string() : fontName_.substr(first);
            fonts_[static_cast<int>(fontIndex_)] = name;
        }
        fontName_.clear();
        fontIndex_ = -1;
    }

    void Unicode(long value)
    {
        if (value < 0)
            value += 65536;
        const char32_t unit = static_cast<char32_t>(value & 0xFFFF);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (highSurrogate_ != 0)
                Code(0xFFFD);
            highSurrogate_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (highSurrogate_ == 0) {
                Code(0xFFFD);
                return;
            }
            const char32_t code = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
            highSurrogate_ = 0;
            Code(code);
            return;
        }
        Code(unit);
    }

    void Code(char32_t code)
    {
        if (skippedDepth_ > 0 || states_.empty() || (code < 0x20 && code != '\t'))
            return; // control characters are not text, however they are written
        const Destination destination = State().destination;
        if (destination != Destination::kText && destination != Destination::kFontTable)
            return;
        FlushBytes();
        if (destination == Destination::kFontTable) {
            char name[4];
            const int n = LUtf8EncodeOne(code, name);
            if (n > 0 && fontName_.size() < 255)
                fontName_.append(name, static_cast<size_t>(n));
            return;
        }
        if (highSurrogate_ != 0 && (code < 0xDC00 || code > 0xDFFF)) {
            highSurrogate_ = 0;
            Append("\xEF\xBF\xBD");
        }
        char buffer[4];
        const int n = LUtf8EncodeOne(code, buffer);
        if (n > 0)
            Append(std::string(buffer, static_cast<size_t>(n)));
    }

    // Bytes in the document's code page become UTF-8 at the next token.
    void FlushBytes()
    {
        if (bytes_.empty())
            return;
        std::string bytes;
        bytes.swap(bytes_);
        if (states_.empty())
            return;
        if (State().destination == Destination::kFontTable) {
            if (fontName_.size() < 255)
                fontName_ += ToUtf8(bytes);
            return;
        }
        if (State().destination != Destination::kText)
            return;
        std::string text = ToUtf8(bytes);
        // Control characters are not text; a tab is written as \tab.
        text.erase(std::remove_if(text.begin(), text.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; }),
                   text.end());
        if (!text.empty())
            Append(text);
    }

    // Every byte is kept: one that the code page does not define becomes
    // U+FFFD, a NUL byte a control character that the caller drops.
    std::string ToUtf8(const std::string& bytes) const
    {
        bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
        if (ascii)
            return bytes;
        if (codePage_ != 1252 && codePage_ != 0) {
            if (const char* name = LCodePageIconvName(codePage_)) {
                // Room to spare means the conversion was not cut by the buffer.
                for (size_t size = bytes.size() * 4 + 16; size <= bytes.size() * 64 + 16; size *= 2) {
                    std::string out(size, '\0');
                    long n =
                        LIconvConvertBytes(out.data(), out.size(), bytes.data(), bytes.size(), "UTF-8", name);
                    if (n < 0)
                        break;
                    if (static_cast<size_t>(n) + 8 < size) {
                        out.resize(static_cast<size_t>(n));
                        return out;
                    }
                }
            }
        }
        std::string out(bytes.size() * 3 + 1, '\0');
        const size_t n = LWindowsLatin1BytesToUtf8(out.data(), out.size(), bytes.data(), bytes.size());
        out.resize(n);
        return out;
    }

    void Append(const std::string& utf8)
    {
        const LTextStyle& style = State().style;
        if (!current_.runs.empty() && current_.runs.back().style == style)
            current_.runs.back().text += utf8;
        else
            current_.runs.push_back({utf8, style});
    }

    void EndParagraph(bool atEnd)
    {
        FlushBytes();
        if (skippedDepth_ > 0 || (!states_.empty() && State().destination != Destination::kText))
            return;
        if (atEnd && current_.runs.empty() && !out_->paragraphs.empty())
            return; // a final \par does not start a further paragraph
        if (out_->paragraphs.size() >= kRtfMaxParagraphs) {
            tooManyParagraphs_ = true;
            p_ = end_; // nothing further is read
            return;
        }
        current_.style = paragraph_;
        out_->paragraphs.push_back(std::move(current_));
        current_ = LStyledParagraph();
    }

    struct ColourEntry
    {
        int r = 0;
        int g = 0;
        int b = 0;
        bool set = false;
    };

    const char* p_;
    const char* end_;
    LStyledText* out_ = nullptr;
    std::vector<GroupState> states_;
    int skippedDepth_ = 0;
    bool groupStart_ = false;
    int pendingSkip_ = 0;
    char32_t highSurrogate_ = 0;
    unsigned codePage_ = 1252;
    std::string bytes_;
    std::map<int, std::string> fonts_;
    long fontIndex_ = -1;
    std::string fontName_;
    std::vector<ColourEntry> colours_;
    ColourEntry colour_;
    LParagraphStyle paragraph_;
    LStyledParagraph current_;
    bool tooManyParagraphs_ = false;
};

} // namespace

bool LRtfRead(const char* data, size_t length, LStyledText* out, std::string* error)
{
    if (out == nullptr)
        return false;
    *out = LStyledText();
    if (data == nullptr || length < 5 || std::memcmp(data, "{\\rtf", 5) != 0) {
        if (error != nullptr)
            *error = "not RTF: the data does not begin with {\\rtf";
        return false;
    }
    if (length > kRtfMaxInput) {
        if (error != nullptr)
            *error = "RTF larger than " + std::to_string(kRtfMaxInput >> 20) + " MiB";
        return false;
    }
    RtfReader reader(data, length);
    reader.Run(out);
    if (reader.TooManyParagraphs()) {
        *out = LStyledText();
        if (error != nullptr)
            *error = "RTF of more than " + std::to_string(kRtfMaxParagraphs) + " paragraphs";
        return false;
    }
    return true;
}

namespace {

long Twips(double points)
{
    return std::lround(points * 20);
}

void WriteText(std::string& rtf, const std::string& utf8)
{
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t code = 0;
        int n = LUtf8DecodeOne(utf8.data() + i, utf8.size() - i, &code);
        if (n <= 0) {
            code = 0xFFFD;
            n = 1;
        }
        i += static_cast<size_t>(n);
        if (code == '\\' || code == '{' || code == '}') {
            rtf += '\\';
            rtf += static_cast<char>(code);
        } else if (code == '\t') {
            rtf += "\\tab ";
        } else if (code == 0x2028 || code == '\n') {
            rtf += "\\line ";
        } else if (code < 0x20) {
            // other control characters have no place in the text
        } else if (code < 0x80) {
            rtf += static_cast<char>(code);
        } else if (code < 0x10000) {
            rtf += "\\u" + std::to_string(static_cast<int16_t>(code)) + "?";
        } else {
            const char32_t v = code - 0x10000;
            rtf += "\\u" + std::to_string(static_cast<int16_t>(0xD800 + (v >> 10))) + "?";
            rtf += "\\u" + std::to_string(static_cast<int16_t>(0xDC00 + (v & 0x3FF))) + "?";
        }
    }
}

void WriteFontName(std::string& rtf, const std::string& family)
{
    std::string name;
    for (char c : family)
        if (c != ';' && c != '\t' && c != '\n')
            name += c;
    WriteText(rtf, name);
}

} // namespace

std::string LRtfWrite(const LStyledText& input)
{
    LStyledText text = input;
    text.Normalize();
    std::vector<std::string> fonts;
    std::vector<LRGBColor> colours;
    auto fontIndex = [&](const std::string& family) {
        auto it = std::find(fonts.begin(), fonts.end(), family);
        if (it != fonts.end())
            return static_cast<int>(it - fonts.begin());
        fonts.push_back(family);
        return static_cast<int>(fonts.size() - 1);
    };
    auto colourIndex = [&](const LRGBColor& colour) {
        auto it = std::find(colours.begin(), colours.end(), colour);
        if (it != colours.end())
            return static_cast<int>(it - colours.begin()) + 1;
        colours.push_back(colour);
        return static_cast<int>(colours.size());
    };
    std::string body;
    for (size_t p = 0; p < text.paragraphs.size(); ++p) {
        const LStyledParagraph& paragraph = text.paragraphs[p];
        const LParagraphStyle& ps = paragraph.style;
        body += "\\pard";
        static const char* const kAlign[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
        body += kAlign[std::clamp(ps.alignment, 0, 3)];
        if (ps.firstLineIndent != 0)
            body += "\\fi" + std::to_string(Twips(ps.firstLineIndent));
        if (ps.spaceBefore != 0)
            body += "\\sb" + std::to_string(Twips(ps.spaceBefore));
        if (ps.spaceAfter != 0)
            body += "\\sa" + std::to_string(Twips(ps.spaceAfter));
        body += ' ';
        for (const LTextRun& run : paragraph.runs) {
            const LTextStyle& s = run.style;
            body += "{\\plain";
            if (!s.family.empty())
                body += "\\f" + std::to_string(fontIndex(s.family));
            if (s.fontSize > 0)
                body += "\\fs" + std::to_string(std::lround(s.fontSize * 2));
            if (s.bold)
                body += "\\b";
            if (s.italic)
                body += "\\i";
            if (s.underline)
                body += "\\ul";
            if (s.strike)
                body += "\\strike";
            if (s.hasColor)
                body += "\\cf" + std::to_string(colourIndex(s.color));
            if (s.hasBackground)
                body += "\\highlight" + std::to_string(colourIndex(s.background));
            body += ' ';
            WriteText(body, run.text);
            body += '}';
        }
        // Every paragraph ends with its mark, as other programs write them.
        body += "\\par\n";
    }
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\uc1\n";
    if (!fonts.empty()) {
        rtf += "{\\fonttbl";
        for (size_t i = 0; i < fonts.size(); ++i) {
            rtf += "{\\f" + std::to_string(i) + "\\fnil ";
            WriteFontName(rtf, fonts[i]);
            rtf += ";}";
        }
        rtf += "}\n";
    }
    if (!colours.empty()) {
        rtf += "{\\colortbl;";
        for (const LRGBColor& c : colours)
            rtf += "\\red" + std::to_string(c.Red8()) + "\\green" + std::to_string(c.Green8()) + "\\blue" +
                   std::to_string(c.Blue8()) + ";";
        rtf += "}\n";
    }
    rtf += body;
    rtf += "}\n";
    return rtf;
}
