#include "foundation/containers/LStringMap.h"

#include "foundation/containers/LRedBlackTree.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/text/LUtf8.h"

#include <cstring>

namespace {

int CompareKeys(const char* a, const char* b)
{
    return std::strcmp(a ? a : "", b ? b : "");
}

} // namespace

LStringMap::Iterator::Iterator(const LStringMap& owner) : current(lrb::Leftmost(owner.root)), map(&owner) {}

bool LStringMap::Iterator::Next()
{
    if (!map || !current) {
        current = nullptr;
        return false;
    }
    current = lrb::Successor(current);
    return current != nullptr;
}

LStringMap::LStringMap(const LStringMap& other)
{
    for (Iterator it(other); !it.AtEnd(); it.Next())
        Set(it.current->key.Text(), it.current->value->data);
}

LStringMap::LStringMap(LStringMap&& other) noexcept : root(other.root), count_(other.count_)
{
    other.root = nullptr;
    other.count_ = 0;
}

LStringMap& LStringMap::operator=(const LStringMap& other)
{
    if (this != &other) {
        LStringMap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

LStringMap& LStringMap::operator=(LStringMap&& other) noexcept
{
    if (this != &other) {
        FreeNodes(root);
        root = other.root;
        count_ = other.count_;
        other.root = nullptr;
        other.count_ = 0;
    }
    return *this;
}

LStringMap::~LStringMap()
{
    FreeNodes(root);
}

LStringMap::Node* LStringMap::Find(const char* key) const
{
    Node* n = root;
    while (n) {
        int c = CompareKeys(key, n->key.Text());
        if (c == 0)
            return n;
        n = c < 0 ? n->left : n->right;
    }
    return nullptr;
}

void LStringMap::Set(const char* key, const char* value)
{
    Node* parent = nullptr;
    bool asLeft = false;
    for (Node* n = root; n;) {
        int c = CompareKeys(key, n->key.Text());
        if (c == 0) {
            if (value)
                n->value->Assign(value);
            else
                *n->value = LStringLongTemplate<char>();
            return;
        }
        parent = n;
        asLeft = c < 0;
        n = asLeft ? n->left : n->right;
    }
    Node* node = new Node;
    node->key.Assign(key ? key : "");
    node->value = value ? new LStringLongTemplate<char>(value) : new LStringLongTemplate<char>();
    lrb::InsertAndBalance(root, parent, asLeft, node);
    ++count_;
}

void LStringMap::SetWithPrefix(const char* name, const char* value, const char* prefix)
{
    LStringLongTemplate<char> key;
    key.Format("%s/%s", prefix ? prefix : "", name ? name : "");
    Set(key.Text(), value);
}

const char* LStringMap::Get(const char* key, const char* defaultValue) const
{
    Node* n = Find(key);
    return n ? n->value->Text() : defaultValue;
}

void LStringMap::GetText(const char* key, const char* defaultValue, char* dest) const
{
    LUtf8CopyWhole(dest, Get(key, defaultValue), kTextBufferSize);
}

void LStringMap::GetString(const char* key, const char* defaultValue, LStringLongTemplate<char>* out) const
{
    Node* n = Find(key);
    if (n)
        *out = *n->value;
    else
        out->Assign(defaultValue);
}

bool LStringMap::Contains(const char* key) const
{
    return Find(key) != nullptr;
}

void LStringMap::Remove(const char* key)
{
    Node* n = Find(key);
    if (!n)
        return;
    lrb::EraseAndBalance(root, n);
    n->left = n->right = nullptr;
    FreeNodes(n);
    --count_;
}

void LStringMap::RemoveAll()
{
    FreeNodes(root);
    root = nullptr;
    count_ = 0;
}

void LStringMap::FreeNodes(Node* node)
{
    // Iterative post-order walk that never climbs above the subtree's own
    // root (whose parent link may still point into a live tree).
    Node* top = node;
    while (node) {
        if (node->left) {
            node = node->left;
        } else if (node->right) {
            node = node->right;
        } else {
            Node* parent = node == top ? nullptr : node->parent;
            if (parent) {
                if (parent->left == node)
                    parent->left = nullptr;
                else
                    parent->right = nullptr;
            }
            delete node->value;
            delete node;
            node = parent;
        }
    }
}
