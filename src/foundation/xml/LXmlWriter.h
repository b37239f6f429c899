#pragma once
// Turns an LXmlNode tree back into text, one element per line with tab
// indentation.

#include "foundation/text/LStringLong.h"
#include "foundation/xml/LXmlNode.h"

class LXmlWriter
{
public:
    // Appends the node's text form. Depth 0 and above indents by that many
    // tabs and ends lines; depth -1 writes without line structure. The result
    // is false only for a text node with nothing but white space (nothing is
    // written then).
    static bool WriteNode(const LXmlNode* node, LStringLongTemplate<char>* out, int depth);

    // Appends every top-level node of a document at depth 0.
    static void WriteDocument(const LXmlNode* document, LStringLongTemplate<char>* out);

    // Appends text with '"', '&', '<' and '>' replaced by their entities.
    static void AppendEscaped(LStringLongTemplate<char>* out, const char* text);
};
