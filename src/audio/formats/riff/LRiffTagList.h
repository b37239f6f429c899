#pragma once
// Key/value texts read from or to be written into RIFF metadata chunks: a
// singly linked list, new nodes at the head.

#include <cstddef>
#include <string>

constexpr size_t kRiffTagKeySize = 260;

struct LRiffTagNode
{
    LRiffTagNode* next = nullptr;
    char key[kRiffTagKeySize] = {}; // at most 259 bytes, cut between UTF-8 characters
    std::string value;              // its length is the value length; c_str() holds the terminator
    char infoId[4] = {};            // for items to be written: their INFO id
};

class LRiffTagList
{
public:
    LRiffTagList() = default;
    ~LRiffTagList();
    LRiffTagList(const LRiffTagList&) = delete;
    LRiffTagList& operator=(const LRiffTagList&) = delete;

    // Puts a new node at the head; returns it.
    LRiffTagNode* Add(const char* key, const char* value, size_t length);
    LRiffTagNode* Find(const char* key) const;
    // Unlinks node and frees it with its value.
    void Remove(LRiffTagNode* node);
    void Clear();

    LRiffTagNode* Head() const { return head_; }
    size_t Count() const { return count_; }

private:
    LRiffTagNode* head_ = nullptr;
    size_t count_ = 0;
};
