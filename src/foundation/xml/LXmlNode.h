#pragma once
// The tree the XML reader builds and the writer serialises: elements with
// attributes, nameless text nodes, and the special nodes ("?xml", "!--",
// "![CDATA[", "!DOCTYPE") whose raw content sits in one nameless child.

#include "foundation/containers/LStringMap.h"

#include <cstdint>

class LXmlNode
{
public:
    LXmlNode() = default;
    // Frees the node's own name, text and attributes; children and siblings
    // belong to LXmlDeleteNodeList.
    ~LXmlNode();
    LXmlNode(const LXmlNode&) = delete;
    LXmlNode& operator=(const LXmlNode&) = delete;

    // An element named `name` (copied), with no attributes or children.
    static LXmlNode* NewElement(const char* name);
    // A nameless text node holding a copy of `text`.
    static LXmlNode* NewText(const char* text);

    // The first child whose name equals `name`; a nameless child compares as "".
    LXmlNode* FindChild(const char* name) const;
    // Adds `child` after the last child and returns it.
    LXmlNode* AppendChild(LXmlNode* child);
    // Frees every child (and their subtrees).
    void DeleteChildren();

    void SetName(const char* name);
    void SetText(const char* text);
    void SetAttribute(const char* name, const char* value) { attributes.Set(name, value); }
    const char* GetAttribute(const char* name, const char* fallback) const
    {
        return attributes.Get(name, fallback);
    }

    bool IsElement() const { return name != nullptr; }

    LXmlNode* next = nullptr;
    // Set for an element that carried "xml:space" and everything under it;
    // such text runs keep their white space.
    uint8_t preserveSpace = 1;
    LStringMap attributes;
    LXmlNode* firstChild = nullptr;
    char* name = nullptr; // null for a text node
    char* text = nullptr; // null for an element
};

// A document is a nameless node whose children are the top-level nodes.
class LXmlDocument : public LXmlNode
{
public:
    explicit LXmlDocument(bool keepSpace = true) { preserveSpace = keepSpace ? 1 : 0; }
    ~LXmlDocument() { DeleteChildren(); }
};

// Frees a sibling list: every node with its name, text, attributes and children.
void LXmlDeleteNodeList(LXmlNode* list);
