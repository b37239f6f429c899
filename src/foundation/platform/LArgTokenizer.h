#pragma once
// Splits a command text into its words the way a user types them: blanks
// separate words, a pair of double quotes keeps blanks inside one word, and a
// backslash before a blank keeps that blank.

#include "foundation/text/LStringLong.h"

#include <cstdint>

class LArgTokenizer
{
public:
    explicit LArgTokenizer(const char* text) : position(text ? text : "") {}

    // Reads the next word into token. False at the end of the text. A pair of
    // quotes with nothing between them is a word too (an empty argument).
    bool Next();

    const char* position;
    LStringLongTemplate<char> token;
};

// The number of words after the first one.
uint32_t LCountArgTokensAfterFirst(const char* text);
