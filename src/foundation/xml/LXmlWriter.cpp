#include "foundation/xml/LXmlWriter.h"

#include <cstring>
#include <strings.h>

namespace {

bool IsBlank(const char* text)
{
    for (; *text; ++text) {
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n')
            return false;
    }
    return true;
}

const char* NodeText(const LXmlNode* node)
{
    if (node->text)
        return node->text;
    if (node->firstChild && node->firstChild->text)
        return node->firstChild->text;
    return "";
}

void AppendTabs(LStringLongTemplate<char>* out, int depth)
{
    for (int i = 0; i < depth; ++i)
        out->AppendChar('\t');
}

// Escapes the bytes in [begin, end).
void AppendEscapedRange(LStringLongTemplate<char>* out, const char* begin, const char* end)
{
    const char* run = begin;
    for (const char* p = begin; p < end; ++p) {
        const char* entity = nullptr;
        switch (*p) {
        case '"':
            entity = "&quot;";
            break;
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        default:
            continue;
        }
        if (p > run)
            out->Append(run, p - run);
        out->Append(entity);
        run = p + 1;
    }
    if (end > run)
        out->Append(run, end - run);
}

// Attribute values also keep their line ends and tabs as character
// references: a reader folds raw ones (CR LF into LF, and, by the XML rules,
// all of them into spaces), which would change the value.
void AppendAttribute(LStringLongTemplate<char>* out, const char* name, const char* value)
{
    out->AppendChar(' ');
    out->Append(name);
    out->Append("=\"");
    const char* run = value;
    for (const char* p = value;; ++p) {
        const char* reference = *p == '\r' ? "&#13;" : *p == '\n' ? "&#10;" : *p == '\t' ? "&#9;" : nullptr;
        if (!reference && *p)
            continue;
        AppendEscapedRange(out, run, p);
        if (!*p)
            break;
        out->Append(reference);
        run = p + 1;
    }
    out->AppendChar('"');
}

bool WriteTextNode(const LXmlNode* node, LStringLongTemplate<char>* out)
{
    const char* text = NodeText(node);
    if (IsBlank(text))
        return false;
    // Every line end (CR, LF, CR LF or LF CR) becomes a single LF.
    const char* line = text;
    const char* p = text;
    while (*p) {
        if (*p != '\r' && *p != '\n') {
            ++p;
            continue;
        }
        AppendEscapedRange(out, line, p);
        out->AppendChar('\n');
        char other = *p == '\r' ? '\n' : '\r';
        ++p;
        if (*p == other)
            ++p;
        line = p;
    }
    AppendEscapedRange(out, line, p);
    return true;
}

} // namespace

void LXmlWriter::AppendEscaped(LStringLongTemplate<char>* out, const char* text)
{
    AppendEscapedRange(out, text, text + std::strlen(text));
}

bool LXmlWriter::WriteNode(const LXmlNode* node, LStringLongTemplate<char>* out, int depth)
{
    if (!node->name)
        return WriteTextNode(node, out);

    const char* name = node->name;
    if (depth > 0)
        AppendTabs(out, depth);
    out->AppendChar('<');
    out->Append(name);

    if (std::strcmp(name, "?xml") == 0) {
        const char* version = node->attributes.Get("version", "");
        if (version[0])
            AppendAttribute(out, "version", version);
        for (LStringMap::Iterator it(node->attributes); !it.AtEnd(); it.Next()) {
            if (strcasecmp(it.Key(), "version") != 0)
                AppendAttribute(out, it.Key(), it.Value());
        }
    } else {
        for (LStringMap::Iterator it(node->attributes); !it.AtEnd(); it.Next())
            AppendAttribute(out, it.Key(), it.Value());
    }

    if (name[0] != '!' && name[0] != '?') {
        bool hasElement = false;
        bool hasText = false;
        for (const LXmlNode* child = node->firstChild; child; child = child->next) {
            if (child->name)
                hasElement = true;
            else if (!IsBlank(NodeText(child)))
                hasText = true;
        }
        if (hasElement) {
            out->AppendChar('>');
            if (depth >= 0)
                out->AppendChar('\n');
            for (const LXmlNode* child = node->firstChild; child; child = child->next)
                WriteNode(child, out, depth >= 0 ? depth + 1 : -1);
            if (depth > 0)
                AppendTabs(out, depth);
            out->Append("</");
            out->Append(name);
            out->Append(">\n");
            return true;
        }
        if (hasText) {
            out->AppendChar('>');
            for (const LXmlNode* child = node->firstChild; child; child = child->next)
                WriteNode(child, out, depth >= 0 ? depth + 1 : -1);
            out->Append("</");
            out->Append(name);
            out->Append(">\n");
            return true;
        }
    }

    if (name[0] == '?') {
        out->Append("?>");
    } else if (name[0] == '!') {
        // Comments, CDATA sections and DOCTYPE keep their raw content.
        for (const LXmlNode* child = node->firstChild; child; child = child->next)
            out->Append(NodeText(child));
        if (std::strcmp(name, "!--") == 0)
            out->Append("-->");
        else if (strcasecmp(name, "![CDATA[") == 0)
            out->Append("]]>");
        else
            out->AppendChar('>');
    } else {
        out->Append("/>");
    }
    if (depth >= 0)
        out->AppendChar('\n');
    return true;
}

void LXmlWriter::WriteDocument(const LXmlNode* document, LStringLongTemplate<char>* out)
{
    for (const LXmlNode* node = document->firstChild; node; node = node->next)
        WriteNode(node, out, 0);
}
