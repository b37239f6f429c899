#include "foundation/platform/LArgTokenizer.h"

namespace {

bool IsBlank(char ch)
{
    return static_cast<unsigned char>(ch) < 33 && ch != '\0';
}

} // namespace

bool LArgTokenizer::Next()
{
    token.Clear();
    while (IsBlank(*position))
        ++position;
    if (*position == '\0')
        return false;
    bool quoted = false;
    bool sawQuotes = false;
    while (*position) {
        const char ch = *position;
        if (ch == '"') {
            ++position;
            if (quoted)
                return true; // the closing quote ends the word
            quoted = true;
            sawQuotes = true;
            continue;
        }
        if (ch == '\\' && position[1] == ' ') {
            token.AppendChar(' ');
            position += 2;
            continue;
        }
        if (!quoted && IsBlank(ch)) {
            ++position;
            break;
        }
        token.AppendChar(ch);
        ++position;
    }
    return !token.IsEmpty() || sawQuotes;
}

uint32_t LCountArgTokensAfterFirst(const char* text)
{
    LArgTokenizer tokenizer(text);
    uint32_t count = 0;
    while (tokenizer.Next())
        ++count;
    return count > 0 ? count - 1 : 0;
}
