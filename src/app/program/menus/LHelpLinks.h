#pragma once
// The links a window adds to the Help menu: each entry of its table becomes
// a menu item with the command 9021 + its index and opens the maker's page
// it names (a name beginning with '+' is on the second site).

#include <cstdint>

struct LHelpLinkEntry
{
    const char* title; // null ends the table; "" keeps the index without an item
    const char* page;
};

class LHelpLinks
{
public:
    static constexpr int32_t kFirstCommand = 9021;
    static constexpr int32_t kLastCommand = 9039;

    // Adds the table's items to the Help menu, before its command `before`.
    void Create(const LHelpLinkEntry* entries, int32_t before);
    // Opens the page of a link's command; false for any other command.
    bool OnCommand(int32_t command) const;
    int Count() const { return count_; }

private:
    const LHelpLinkEntry* entries_ = nullptr;
    int count_ = 0;
};
