#include "foundation/xml/LXmlParser.h"

#include "foundation/text/LUtf8.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr const char* kAmpersandError =
    "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the '&' "
    "with '&amp;' or add a ';' at the end of the control string.";

constexpr const char* kEofError =
    "(EOF) Element <%s> should be terminated with </%s>. Check you have terminated your element properly.";

constexpr int kMaxEntityName = 23;
constexpr uint32_t kMaxCodePoint = 0x10FFFF;

bool IsNameTerminator(int c)
{
    return c == '/' || c == '=' || c == '>' || c == ' ' || c == '\t' || c == '\n' || c == 0;
}

void EncodeCodePoint(uint32_t codePoint, char out[260])
{
    if (codePoint == 0) {
        out[0] = 0;
        return;
    }
    int length = LUtf8EncodeOne(codePoint, out);
    out[length] = 0;
}

} // namespace

int LXmlParser::PeekChar(const LXmlReader* reader)
{
    return static_cast<unsigned char>(reader->text[reader->position]);
}

int LXmlParser::GetChar(LXmlReader* reader)
{
    int c = static_cast<unsigned char>(reader->text[reader->position]);
    if (c == 0)
        return 0;
    reader->position++;
    if (c == '\r' || c == '\n') {
        int other = c == '\r' ? '\n' : '\r';
        if (static_cast<unsigned char>(reader->text[reader->position]) == other)
            reader->position++;
        reader->line++;
        reader->column = 1;
        return '\n';
    }
    reader->column++;
    return c;
}

void LXmlParser::SetError(LXmlReader* reader, const char* message)
{
    if (reader->error[0])
        return;
    int used =
        std::snprintf(reader->error, sizeof reader->error, "Ln %d, Col %d: ", reader->line, reader->column);
    // Long messages (they quote element names) are cut at a character boundary.
    size_t length = used > 0 ? static_cast<size_t>(used) : 0;
    size_t room = sizeof reader->error - 1;
    size_t take = std::min(std::strlen(message), room - length);
    if (take < std::strlen(message)) {
        while (take > 0 && (static_cast<unsigned char>(message[take]) & 0xC0) == 0x80)
            take--;
    }
    std::memcpy(reader->error + length, message, take);
    reader->error[length + take] = 0;
}

// Formatting lives outside the recursive parse functions so that their stack
// frames stay small.
void LXmlParser::SetErrorF(LXmlReader* reader, const char* format, ...)
{
    if (reader->error[0])
        return;
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    SetError(reader, message);
}

void LXmlParser::DecodeEntity(LXmlReader* reader, char out[260])
{
    out[0] = 0;
    char entity[kMaxEntityName + 1];
    int length = 0;
    for (;;) {
        int c = PeekChar(reader);
        // A blank, a line end, the end of the text or the start of a tag
        // cannot belong to an entity: report it and leave that character to
        // the caller, so markup after a stray '&' still parses.
        if (c == 0 || c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '<') {
            SetError(reader, kAmpersandError);
            return;
        }
        GetChar(reader);
        if (c == ';')
            break;
        if (length == kMaxEntityName) {
            SetError(reader, kAmpersandError);
            // The dropped bytes end with a whole character: the rest of one
            // cut in two would be a broken character in the text.
            while ((PeekChar(reader) & 0xC0) == 0x80)
                GetChar(reader);
            return;
        }
        entity[length++] = static_cast<char>(c);
    }
    entity[length] = 0;

    static const struct
    {
        const char* name;
        const char* text;
    } kNamed[] = {{"amp", "&"}, {"gt", ">"}, {"lt", "<"}, {"quot", "\""}, {"apos", "'"}};
    for (const auto& named : kNamed) {
        if (std::strcmp(entity, named.name) == 0) {
            std::strcpy(out, named.text);
            return;
        }
    }

    if (entity[0] != '#') {
        std::strcpy(out, "&");
        return;
    }

    // Character references accumulate with a ceiling, so no run of digits can
    // overflow; anything beyond Unicode, and the surrogate halves, are errors.
    uint64_t value = 0;
    bool anyDigit = false;
    if (entity[1] == 'x' || entity[1] == 'X') {
        for (const char* p = entity + 2; *p; ++p) {
            int digit;
            if (*p >= '0' && *p <= '9')
                digit = *p - '0';
            else if (*p >= 'a' && *p <= 'f')
                digit = *p - 'a' + 10;
            else if (*p >= 'A' && *p <= 'F')
                digit = *p - 'A' + 10;
            else
                continue;
            anyDigit = true;
            if (value <= kMaxCodePoint)
                value = value * 16 + digit;
        }
    } else {
        for (const char* p = entity + 1; *p >= '0' && *p <= '9'; ++p) {
            anyDigit = true;
            if (value <= kMaxCodePoint)
                value = value * 10 + (*p - '0');
        }
    }
    if (!anyDigit || value == 0)
        return;
    if (value > kMaxCodePoint || (value >= 0xD800 && value <= 0xDFFF)) {
        SetError(reader, "Character reference outside the Unicode range.");
        EncodeCodePoint(0xFFFD, out);
        return;
    }
    EncodeCodePoint(static_cast<uint32_t>(value), out);
}

namespace {

// A name in a 260-byte buffer. Bytes past 259 are dropped, and a character
// that the limit cut in two is dropped whole, so that a long name stays
// well-formed UTF-8 (written back, a split character would spoil the file).
class NameSink
{
public:
    explicit NameSink(char name[260]) : name_(name) { name_[0] = 0; }

    void Add(char c)
    {
        if (length_ < 259) {
            name_[length_++] = c;
            name_[length_] = 0;
        } else {
            cut_ = true;
        }
    }
    void AddText(const char* text)
    {
        for (; *text; ++text)
            Add(*text);
    }
    // A comment, CDATA or DOCTYPE opener ends the name where it stands.
    bool Done() const
    {
        return (length_ == 3 && std::strcmp(name_, "!--") == 0) ||
               (length_ == 8 && (std::strcmp(name_, "!DOCTYPE") == 0 || std::strcmp(name_, "![CDATA[") == 0));
    }
    void Finish()
    {
        if (cut_) {
            length_ = LUtf8BoundaryBefore(name_, length_);
            name_[length_] = 0;
        }
    }

private:
    char* name_;
    size_t length_ = 0;
    bool cut_ = false;
};

class ValueSink
{
public:
    explicit ValueSink(std::string* value) : value_(value) { value_->clear(); }
    void Add(char c) { value_->push_back(c); }
    void AddText(const char* text) { value_->append(text); }
    bool Done() const { return false; }

private:
    std::string* value_;
};

} // namespace

template <typename Sink> int LXmlParser::ReadToken(LXmlReader* reader, Sink& sink)
{
    int quote = 0;
    for (;;) {
        const int c = GetChar(reader);
        if (c == 0)
            return 0;
        if (quote) {
            if (c == quote) {
                quote = 0;
                continue;
            }
        } else if (IsNameTerminator(c)) {
            return c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        if (c == '&') {
            char decoded[260];
            DecodeEntity(reader, decoded);
            sink.AddText(decoded);
        } else {
            sink.Add(static_cast<char>(c));
        }
        if (sink.Done())
            return GetChar(reader);
    }
}

int LXmlParser::ReadName(LXmlReader* reader, char name[260])
{
    NameSink sink(name);
    const int terminator = ReadToken(reader, sink);
    sink.Finish();
    return terminator;
}

int LXmlParser::ReadValue(LXmlReader* reader, std::string* value)
{
    ValueSink sink(value);
    if (PeekChar(reader) == ' ')
        GetChar(reader);
    return ReadToken(reader, sink);
}

void LXmlParser::FlushText(LXmlNode* parent, std::string* run)
{
    if (run->empty())
        return;
    size_t begin = 0;
    size_t end = run->size();
    if (!parent->preserveSpace) {
        while (begin < end && (*run)[begin] >= 1 && (*run)[begin] <= 31)
            begin++;
        while (end > begin && static_cast<unsigned char>((*run)[end - 1]) < 32)
            end--;
    }
    if (end > begin) {
        LXmlNode* textNode = LXmlNode::NewText(run->substr(begin, end - begin).c_str());
        textNode->preserveSpace = parent->preserveSpace;
        parent->AppendChild(textNode);
    }
    run->clear();
}

void LXmlParser::ParseChildren(LXmlNode* parent, LXmlReader* reader)
{
    parent->DeleteChildren();
    std::string run;
    run.reserve(32);
    char name[260];
    for (;;) {
        if (reader->stopped)
            break;
        if (reader->position - reader->lastCheck >= 512) {
            reader->lastCheck = reader->position;
            if (reader->cancel && reader->cancel->IsStopRequested()) {
                reader->stopped = true;
                break;
            }
        }
        int c = GetChar(reader);
        if (c == 0) {
            if (parent->name)
                SetErrorF(reader, kEofError, parent->name, parent->name);
            break;
        }
        if (c == '&') {
            char decoded[260];
            DecodeEntity(reader, decoded);
            run.append(decoded);
            continue;
        }
        if (c != '<') {
            run.push_back(static_cast<char>(c));
            continue;
        }

        int terminator = ReadName(reader, name);
        if (name[0]) {
            FlushText(parent, &run);
            LXmlNode* child = parent->AppendChild(new LXmlNode);
            ParseElement(child, name, terminator, reader, parent->preserveSpace);
            continue;
        }

        // An empty name ends this element: an end tag, or a stray '<'.
        if (terminator != '/')
            SetError(reader, "Misplaced < without name. Use &lt; instead of < if appropriate.");
        else
            terminator = ReadEndTag(parent, reader);
        while (terminator != '>' && terminator != 0)
            terminator = GetChar(reader);
        break;
    }
    FlushText(parent, &run);
}

int LXmlParser::ReadEndTag(const LXmlNode* parent, LXmlReader* reader)
{
    char endName[260];
    int terminator = ReadName(reader, endName);
    if (!parent->name) {
        SetErrorF(reader, "Misplaced </%s> which does not match a <%s>.", endName, endName);
    } else if (std::strcmp(parent->name, endName) != 0) {
        SetErrorF(reader,
                  "Element <%s> should be terminated with </%s>, was with %s. Check you have terminated "
                  "your element properly.",
                  parent->name, parent->name, endName);
    }
    return terminator;
}

void LXmlParser::ReadSpecial(LXmlNode* node, int terminator, LXmlReader* reader)
{
    const bool comment = std::strcmp(node->name, "!--") == 0;
    const bool cdata = std::strcmp(node->name, "![CDATA[") == 0;
    std::string raw;
    bool inSubset = false;
    int c = terminator;
    for (;;) {
        if (c == 0) {
            SetErrorF(reader, kEofError, node->name, node->name);
            break;
        }
        if (c == '>') {
            if (comment || cdata) {
                const char* closing = comment ? "--" : "]]";
                if (raw.size() >= 2 && raw.compare(raw.size() - 2, 2, closing) == 0) {
                    raw.resize(raw.size() - 2);
                    break;
                }
            } else if (!inSubset) {
                break;
            }
        } else if (!comment && !cdata) {
            if (c == '[')
                inSubset = true;
            else if (c == ']')
                inSubset = false;
        }
        raw.push_back(static_cast<char>(c));
        c = GetChar(reader);
    }
    LXmlNode* content = LXmlNode::NewText(raw.c_str());
    content->preserveSpace = node->preserveSpace;
    node->AppendChild(content);
}

void LXmlParser::ParseElement(LXmlNode* node, const char* name, int terminator, LXmlReader* reader,
                              uint8_t preserveSpace)
{
    node->DeleteChildren();
    node->SetName(name);
    node->SetText(nullptr);
    node->preserveSpace = preserveSpace;

    if (std::strcmp(name, "!--") == 0 || std::strcmp(name, "![CDATA[") == 0 ||
        std::strcmp(name, "!DOCTYPE") == 0) {
        ReadSpecial(node, terminator, reader);
        return;
    }

    const bool declaration = name[0] == '?';
    bool empty = false;
    int c = terminator;
    char attributeName[260];
    std::string value;
    while (c != '>') {
        if (c == 0) {
            SetErrorF(reader, "Tag <%s> does not have a closing '>'", name);
            reader->stopped = true;
            return;
        }
        if (c == '/')
            empty = true;
        c = ReadName(reader, attributeName);
        // An attribute named like a comment opener ends there and hands back
        // the next byte as its terminator; when that byte begins a character,
        // the whole character goes, never half of it.
        if ((c & 0xC0) == 0xC0) {
            while ((PeekChar(reader) & 0xC0) == 0x80)
                GetChar(reader);
        }
        if (c == ' ' && PeekChar(reader) == '=') {
            GetChar(reader);
            c = '=';
        }
        value.clear();
        if (c == '=')
            c = ReadValue(reader, &value);
        if (c == '>' && !value.empty() && value.back() == '?')
            value.pop_back();
        // In "<?xml version='1.0' ?>" the closing '?' reads as a name of its
        // own; it is part of the tag's end, not an attribute.
        size_t nameLength = std::strlen(attributeName);
        if (declaration && c == '>' && nameLength > 0 && attributeName[nameLength - 1] == '?')
            attributeName[--nameLength] = 0;
        if (!attributeName[0])
            continue;
        if (strcasecmp(attributeName, "xml:space") == 0)
            node->preserveSpace = 1;
        else
            node->SetAttribute(attributeName, value.c_str());
    }

    if (empty || name[0] == '!' || declaration)
        return;

    if (reader->depth >= kXmlMaxDepth) {
        SetErrorF(reader, "Element <%s> is nested deeper than %d levels.", name, kXmlMaxDepth);
        reader->stopped = true;
        return;
    }
    reader->depth++;
    ParseChildren(node, reader);
    reader->depth--;
}

bool LXmlParser::ParseText(LXmlNode* document, LXmlReader* reader)
{
    reader->error[0] = 0;
    reader->position = 0;
    reader->line = 1;
    reader->column = 1;
    reader->depth = 0;
    reader->stopped = false;
    reader->lastCheck = 0;
    ParseChildren(document, reader);
    return !reader->HasError();
}
