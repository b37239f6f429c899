#pragma once
// One 32-bit command space shared by control ids, menu ids and four-character
// codes. A code's first character sits in the highest byte, so 'ok  ' reads
// the same in a debugger dump as in the source.

#include <cstdint>

constexpr int32_t LFourCharCode(const char (&text)[5])
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(text[3])));
}

constexpr int32_t kCommandOK = LFourCharCode("ok  ");
constexpr int32_t kCommandCancel = LFourCharCode("not!");
constexpr int32_t kCommandHelp = LFourCharCode("ahlp");
constexpr int32_t kCommandReady = LFourCharCode("wrdy");
constexpr int32_t kCommandPreferences = LFourCharCode("pref");
constexpr int32_t kCommandQuit = LFourCharCode("quit");
constexpr int32_t kCommandBack = LFourCharCode("Back");
constexpr int32_t kCommandFinish = LFourCharCode("fin!");
constexpr int32_t kCommandToggleToolbar = 9500;

// Event id of a window message that carries a command in its first data word.
constexpr uint32_t kWindowMessageCommand = 0xFFFFFFFFu;
