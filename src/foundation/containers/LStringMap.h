#pragma once
// An ordered map from UTF-8 text keys to text values (XML attributes, tag
// fields, the table of temporary copies). Keys are unique and ordered by their
// bytes (strcmp); a null key counts as "".

#include "foundation/text/LStringLong.h"

#include <cstddef>

class LStringMap
{
public:
    struct Node
    {
        LStringLongTemplate<char> key;
        LStringLongTemplate<char>* value = nullptr; // owned, never null in a linked node
        int color = 0;
        Node* left = nullptr;
        Node* right = nullptr;
        Node* parent = nullptr;
    };

    // Walks the keys in ascending byte order. It starts at the first key;
    // `current` is null past the end.
    class Iterator
    {
    public:
        Node* current = nullptr;
        const LStringMap* map = nullptr;

        Iterator() = default;
        explicit Iterator(const LStringMap& owner);

        bool AtEnd() const { return current == nullptr; }
        // Moves to the next key; false at the end or when the iterator has no map.
        bool Next();
        const char* Key() const { return current ? current->key.Text() : ""; }
        const char* Value() const { return current ? current->value->Text() : ""; }
    };

    Node* root = nullptr;

    LStringMap() = default;
    LStringMap(const LStringMap& other);
    LStringMap(LStringMap&& other) noexcept;
    LStringMap& operator=(const LStringMap& other);
    LStringMap& operator=(LStringMap&& other) noexcept;
    ~LStringMap();

    // Stores a copy of `value` under `key`, replacing any value it had. A null
    // value stores a value object without text (read back as "").
    void Set(const char* key, const char* value);
    // Stores under the key "<prefix>/<name>".
    void SetWithPrefix(const char* name, const char* value, const char* prefix);

    // The stored text, or `defaultValue` itself when the key is missing.
    const char* Get(const char* key, const char* defaultValue) const;
    // Get into a 260-byte buffer, cut between characters when longer.
    void GetText(const char* key, const char* defaultValue, char* dest) const;
    // A copy of the stored value, or of `defaultValue` when the key is missing.
    void GetString(const char* key, const char* defaultValue, LStringLongTemplate<char>* out) const;
    bool Contains(const char* key) const;
    void Remove(const char* key);
    void RemoveAll();

    std::size_t Count() const { return count_; }
    bool IsEmpty() const { return root == nullptr; }
    Iterator Begin() const { return Iterator(*this); }

    // Frees a subtree: left, right, then the node with its key and value.
    static void FreeNodes(Node* node);

    Node* Find(const char* key) const;

private:
    std::size_t count_ = 0;
};
