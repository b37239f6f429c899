#include "foundation/xml/LXmlNode.h"

#include <cstring>

namespace {

char* CopyText(const char* text)
{
    if (!text)
        return nullptr;
    size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

} // namespace

LXmlNode::~LXmlNode()
{
    delete[] name;
    delete[] text;
}

LXmlNode* LXmlNode::NewElement(const char* elementName)
{
    LXmlNode* node = new LXmlNode;
    node->name = CopyText(elementName ? elementName : "");
    return node;
}

LXmlNode* LXmlNode::NewText(const char* content)
{
    LXmlNode* node = new LXmlNode;
    node->text = CopyText(content ? content : "");
    return node;
}

LXmlNode* LXmlNode::FindChild(const char* wanted) const
{
    for (LXmlNode* child = firstChild; child; child = child->next) {
        if (std::strcmp(child->name ? child->name : "", wanted ? wanted : "") == 0)
            return child;
    }
    return nullptr;
}

LXmlNode* LXmlNode::AppendChild(LXmlNode* child)
{
    child->next = nullptr;
    if (!firstChild) {
        firstChild = child;
        return child;
    }
    LXmlNode* last = firstChild;
    while (last->next)
        last = last->next;
    last->next = child;
    return child;
}

void LXmlNode::DeleteChildren()
{
    LXmlDeleteNodeList(firstChild);
    firstChild = nullptr;
}

void LXmlNode::SetName(const char* newName)
{
    char* copy = CopyText(newName);
    delete[] name;
    name = copy;
}

void LXmlNode::SetText(const char* newText)
{
    char* copy = CopyText(newText);
    delete[] text;
    text = copy;
}

void LXmlDeleteNodeList(LXmlNode* list)
{
    // Siblings are walked in a loop; only nesting recurses, and the reader
    // bounds how deep a tree can be.
    while (list) {
        LXmlNode* following = list->next;
        LXmlDeleteNodeList(list->firstChild);
        delete list;
        list = following;
    }
}
