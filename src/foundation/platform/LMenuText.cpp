#include "foundation/platform/LMenuText.h"

#include "foundation/text/LTextBuffer.h"

#include <string>

void LStripMnemonics(char* dest, const char* text)
{
    dest[0] = '\0';
    if (!text)
        return;
    std::string plain;
    for (const char* p = text; *p; ++p) {
        if (*p == '&') {
            if (p[1] != '&')
                continue;
            ++p; // a doubled mark stands for one '&'
        }
        plain.push_back(*p);
    }
    LStrCopyText(dest, plain.c_str());
}

void LStripMenuText(char* dest, const char* text)
{
    LStripMnemonics(dest, text);
    for (char* p = dest; *p; ++p) {
        if (*p == '\t') {
            *p = '\0';
            break;
        }
    }
}
