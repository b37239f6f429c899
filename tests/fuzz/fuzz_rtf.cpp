// Feeds arbitrary bytes to the RTF reader. Nothing may crash, read out of
// bounds or grow without bound, and what the reader made must survive being
// written and read again: the same paragraphs with the same text.

#include "gui/controls/LRtf.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input = "{\\rtf1 ";
    input.append(reinterpret_cast<const char*>(data), size);
    LStyledText text;
    if (!LRtfRead(input.data(), input.size(), &text))
        return 0;
    const std::string written = LRtfWrite(text);
    LStyledText again;
    if (!LRtfRead(written.data(), written.size(), &again))
        std::abort();
    if (again.PlainText() != text.PlainText() || again.paragraphs.size() != text.paragraphs.size())
        std::abort();
    return 0;
}
