#include "audio/formats/riff/LRiffTagList.h"

#include "foundation/text/LUtf8.h"

#include <cstring>

LRiffTagList::~LRiffTagList()
{
    Clear();
}

LRiffTagNode* LRiffTagList::Add(const char* key, const char* value, size_t length)
{
    LRiffTagNode* node = new LRiffTagNode;
    LUtf8CopyWhole(node->key, key ? key : "", sizeof node->key);
    node->value.assign(value ? value : "", value ? length : 0);
    node->next = head_;
    head_ = node;
    ++count_;
    return node;
}

LRiffTagNode* LRiffTagList::Find(const char* key) const
{
    for (LRiffTagNode* node = head_; node; node = node->next)
        if (std::strcmp(node->key, key) == 0)
            return node;
    return nullptr;
}

void LRiffTagList::Remove(LRiffTagNode* node)
{
    for (LRiffTagNode** link = &head_; *link; link = &(*link)->next) {
        if (*link == node) {
            *link = node->next;
            delete node;
            --count_;
            return;
        }
    }
}

void LRiffTagList::Clear()
{
    while (head_) {
        LRiffTagNode* next = head_->next;
        delete head_;
        head_ = next;
    }
    count_ = 0;
}
