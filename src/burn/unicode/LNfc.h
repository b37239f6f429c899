#pragma once
// Canonical composition (Unicode normalisation form C), for file names that
// disc file systems record precomposed.

#include <string>
#include <vector>

std::u32string LNfcCompose(const std::u32string& text);

// UTF-8 in, NFC UTF-8 out; ill-formed bytes become U+FFFD.
std::string LNfcComposeUtf8(const std::string& text);

// UTF-8 into code points; ill-formed bytes become U+FFFD.
std::u32string LUtf8ToCodePointString(const std::string& text);
std::string LCodePointStringToUtf8(const std::u32string& text);
