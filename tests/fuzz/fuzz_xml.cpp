// Feeds arbitrary bytes to the XML reader, writes the tree back and reads
// that again: nothing may crash, leak or read out of bounds, and an error
// always carries its line and column. Well-formed UTF-8 in gives well-formed
// UTF-8 out: no cut may split a character.

#include "foundation/text/LUtf8.h"
#include "foundation/xml/LXmlParser.h"
#include "foundation/xml/LXmlWriter.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader works on a terminated text; the first byte picks whether
    // white space is kept, as the settings store's documents do.
    bool preserve = size > 0 && (data[0] & 1);
    std::string text(reinterpret_cast<const char*>(data), size);

    LXmlDocument document(preserve);
    LXmlReader reader(text.c_str());
    bool ok = LXmlParser::ParseText(&document, &reader);
    if (!ok && std::strncmp(reader.error, "Ln ", 3) != 0)
        std::abort();

    LStringLongTemplate<char> written;
    written.Reserve(260);
    LXmlWriter::WriteDocument(&document, &written);
    if (written.data && LUtf8IsValid(text.c_str()) && !LUtf8IsValid(written.data))
        std::abort();
    if (written.data) {
        LXmlDocument again(preserve);
        LXmlReader second(written.data);
        LXmlParser::ParseText(&again, &second);
        LStringLongTemplate<char> rewritten;
        rewritten.Reserve(260);
        LXmlWriter::WriteDocument(&again, &rewritten);
    }
    return 0;
}
