#include "gui/framework/LTextLines.h"

std::string LBreakTextIntoLines(const LWindow* window, const char* text, int widthPx)
{
    std::string out, line, word;
    auto flushWord = [&] {
        if (word.empty())
            return;
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && window->GetTextWidth(candidate.c_str()) > widthPx) {
            out += line + "\n";
            line = word;
        } else {
            line = candidate;
        }
        word.clear();
    };
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == ' ') {
            flushWord();
        } else if (*p == '\n') {
            flushWord();
            out += line + "\n";
            line.clear();
        } else {
            word += *p;
        }
    }
    flushWord();
    return out + line;
}
