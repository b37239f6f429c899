#pragma once
// Red-black balancing shared by the program's string-keyed trees. A node type
// needs the fields `left`, `right`, `parent` (pointers to its own type) and
// `color` (kRbRed or kRbBlack); absent children are null and count as black.

#include <utility>

inline constexpr int kRbBlack = 0;
inline constexpr int kRbRed = 1;

namespace lrb {

template <typename Node> bool IsRed(const Node* n)
{
    return n && n->color == kRbRed;
}

template <typename Node> void ReplaceChild(Node*& root, Node* parent, Node* oldChild, Node* newChild)
{
    if (!parent)
        root = newChild;
    else if (parent->left == oldChild)
        parent->left = newChild;
    else
        parent->right = newChild;
}

template <typename Node> void RotateLeft(Node*& root, Node* x)
{
    Node* y = x->right;
    x->right = y->left;
    if (y->left)
        y->left->parent = x;
    y->parent = x->parent;
    ReplaceChild(root, x->parent, x, y);
    y->left = x;
    x->parent = y;
}

template <typename Node> void RotateRight(Node*& root, Node* x)
{
    Node* y = x->left;
    x->left = y->right;
    if (y->right)
        y->right->parent = x;
    y->parent = x->parent;
    ReplaceChild(root, x->parent, x, y);
    y->right = x;
    x->parent = y;
}

template <typename Node> Node* Leftmost(Node* n)
{
    if (n)
        while (n->left)
            n = n->left;
    return n;
}

// The in-order successor, or null after the last node.
template <typename Node> Node* Successor(Node* n)
{
    if (n->right)
        return Leftmost(n->right);
    Node* p = n->parent;
    while (p && n == p->right) {
        n = p;
        p = p->parent;
    }
    return p;
}

// Links `node` (children null) below `parent` on the given side and restores
// the balance. A null parent makes it the root.
template <typename Node> void InsertAndBalance(Node*& root, Node* parent, bool asLeft, Node* node)
{
    node->left = node->right = nullptr;
    node->parent = parent;
    node->color = kRbRed;
    if (!parent)
        root = node;
    else if (asLeft)
        parent->left = node;
    else
        parent->right = node;

    Node* z = node;
    while (z != root && IsRed(z->parent)) {
        Node* p = z->parent;
        Node* g = p->parent; // exists: a red node is never the root
        if (p == g->left) {
            Node* uncle = g->right;
            if (IsRed(uncle)) {
                p->color = kRbBlack;
                uncle->color = kRbBlack;
                g->color = kRbRed;
                z = g;
            } else {
                if (z == p->right) {
                    z = p;
                    RotateLeft(root, z);
                    p = z->parent;
                }
                p->color = kRbBlack;
                g->color = kRbRed;
                RotateRight(root, g);
            }
        } else {
            Node* uncle = g->left;
            if (IsRed(uncle)) {
                p->color = kRbBlack;
                uncle->color = kRbBlack;
                g->color = kRbRed;
                z = g;
            } else {
                if (z == p->left) {
                    z = p;
                    RotateRight(root, z);
                    p = z->parent;
                }
                p->color = kRbBlack;
                g->color = kRbRed;
                RotateLeft(root, g);
            }
        }
    }
    root->color = kRbBlack;
}

// Unlinks `z` from the tree and restores the balance; the caller frees it.
// A node with two children is replaced by its in-order successor, moved with
// its links and colour, so no other node changes identity.
template <typename Node> void EraseAndBalance(Node*& root, Node* z)
{
    Node* y = z;
    Node* x = nullptr;
    Node* xParent = nullptr;
    if (!y->left) {
        x = y->right;
    } else if (!y->right) {
        x = y->left;
    } else {
        y = y->right;
        while (y->left)
            y = y->left;
        x = y->right;
    }
    int removedColor;
    if (y != z) {
        z->left->parent = y;
        y->left = z->left;
        if (y != z->right) {
            xParent = y->parent;
            if (x)
                x->parent = y->parent;
            y->parent->left = x;
            y->right = z->right;
            z->right->parent = y;
        } else {
            xParent = y;
        }
        ReplaceChild(root, z->parent, z, y);
        y->parent = z->parent;
        removedColor = y->color;
        y->color = z->color;
    } else {
        xParent = y->parent;
        if (x)
            x->parent = y->parent;
        ReplaceChild(root, z->parent, z, x);
        removedColor = z->color;
    }
    if (removedColor == kRbRed)
        return;
    while (x != root && !IsRed(x)) {
        if (x == xParent->left) {
            Node* w = xParent->right;
            if (IsRed(w)) {
                w->color = kRbBlack;
                xParent->color = kRbRed;
                RotateLeft(root, xParent);
                w = xParent->right;
            }
            if (!IsRed(w->left) && !IsRed(w->right)) {
                w->color = kRbRed;
                x = xParent;
                xParent = xParent->parent;
            } else {
                if (!IsRed(w->right)) {
                    w->left->color = kRbBlack;
                    w->color = kRbRed;
                    RotateRight(root, w);
                    w = xParent->right;
                }
                w->color = xParent->color;
                xParent->color = kRbBlack;
                if (w->right)
                    w->right->color = kRbBlack;
                RotateLeft(root, xParent);
                x = root;
                break;
            }
        } else {
            Node* w = xParent->left;
            if (IsRed(w)) {
                w->color = kRbBlack;
                xParent->color = kRbRed;
                RotateRight(root, xParent);
                w = xParent->left;
            }
            if (!IsRed(w->right) && !IsRed(w->left)) {
                w->color = kRbRed;
                x = xParent;
                xParent = xParent->parent;
            } else {
                if (!IsRed(w->left)) {
                    w->right->color = kRbBlack;
                    w->color = kRbRed;
                    RotateLeft(root, w);
                    w = xParent->left;
                }
                w->color = xParent->color;
                xParent->color = kRbBlack;
                if (w->left)
                    w->left->color = kRbBlack;
                RotateRight(root, xParent);
                x = root;
                break;
            }
        }
    }
    if (x)
        x->color = kRbBlack;
}

} // namespace lrb
