#pragma once
// A small, forgiving XML reader: it builds an LXmlNode tree from a text,
// decodes entities, counts lines and columns and keeps the first error as a
// message ("Ln %d, Col %d: ...") instead of giving up at once.

#include "foundation/xml/LXmlNode.h"

#include <cstdint>
#include <string>

class LProcessContext;

// Deeper nesting than this is refused: the reader recurses once per level.
constexpr int kXmlMaxDepth = 256;

struct LXmlReader
{
    LXmlReader(const char* source, LProcessContext* cancelObject = nullptr)
        : text(source ? source : ""), cancel(cancelObject)
    {
    }

    bool HasError() const { return error[0] != 0; }

    const char* text;
    char error[260] = {}; // empty until the first error
    uint64_t position = 0;
    int32_t line = 1;
    int32_t column = 1;
    LProcessContext* cancel; // asked every 512 characters whether to stop; may be null

    // Reader bookkeeping beyond the text position.
    int depth = 0;          // elements open around the current position
    bool stopped = false;   // parsing was cancelled or cannot go on
    uint64_t lastCheck = 0; // position of the last cancel test
};

class LXmlParser
{
public:
    // Reads text and child elements into `parent` until its end tag (or the
    // end of the text for a nameless document node). Existing children are freed.
    static void ParseChildren(LXmlNode* parent, LXmlReader* reader);

    // Fills one element from its attributes onwards; `terminator` is the
    // character that ended the name.
    static void ParseElement(LXmlNode* node, const char* name, int terminator, LXmlReader* reader,
                             uint8_t preserveSpace);

    // Keeps only the first error, prefixed with the reader's line and column.
    static void SetError(LXmlReader* reader, const char* message);

    // Reads an entity after its '&' and puts its decoded bytes into `out`
    // (empty when nothing is to be added).
    static void DecodeEntity(LXmlReader* reader, char out[260]);

    // Parses a whole text into `document` (a nameless node); true when no error
    // was recorded. The first error, if any, is left in reader->error.
    static bool ParseText(LXmlNode* document, LXmlReader* reader);

private:
    __attribute__((noinline, format(printf, 2, 3))) static void SetErrorF(LXmlReader* reader,
                                                                          const char* format, ...);
    __attribute__((noinline)) static int ReadEndTag(const LXmlNode* parent, LXmlReader* reader);
    static int GetChar(LXmlReader* reader);
    static int PeekChar(const LXmlReader* reader);
    // Names and attribute values read alike: up to a terminator outside
    // quotes, which is returned (0 at the end of the text). A quote opens a
    // part that the same quote closes, inside which terminators are ordinary
    // characters; the quotes are not kept and entities are decoded.
    template <typename Sink> static int ReadToken(LXmlReader* reader, Sink& sink);
    static int ReadName(LXmlReader* reader, char name[260]);
    static int ReadValue(LXmlReader* reader, std::string* value);
    static void ReadSpecial(LXmlNode* node, int terminator, LXmlReader* reader);
    static void FlushText(LXmlNode* parent, std::string* run);
};
