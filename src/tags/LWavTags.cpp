#include "tags/LWavTags.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/text/LCharsetConvert.h"
#include "foundation/text/LStringLong.h"
#include "tags/LTagFileReplace.h"
#include "tags/LTagText.h"
#include "tags/LWavChunkLayout.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <unistd.h>

namespace {

struct InfoKey
{
    const char* id;
    const char* key;
};

constexpr InfoKey kInfoKeys[] = {
    {"INAM", "TITLE"},      {"IART", "ARTIST"},    {"ISTR", "ALBUMARTIST"}, {"IPRD", "ALBUM"},
    {"ICRD", "DATE"},       {"ICMT", "COMMENT"},   {"ITRK", "TRACKNUMBER"}, {"IGNR", "GENRE"},
    {"ICOP", "COPYRIGHT"},  {"ISRC", "ENCODEDBY"}, {"ISFT", "ENCODER"},     {"ISBJ", "CATEGORY"},
    {"bext", "BWFVERSION"},
};

constexpr const char* kAcceptedKeys[] = {
    "ALBUM",
    "ALBUMARTIST",
    "ARTIST",
    "CODINGHISTORY",
    "REFERENCE",
    "ORIGINATOR",
    "TIMEREFHIGH",
    "TIMEREFLOW",
    "UMID",
    "BWFVERSION",
    "CLASSIFICATION",
    "CLIENTID",
    "CUTID",
    "ENDDATE",
    "ENDTIME",
    "LEVELREFERENCE",
    "OUTCUE",
    "POSTTIMER1USAGE",
    "POSTTIMER2USAGE",
    "POSTTIMER3USAGE",
    "POSTTIMER4USAGE",
    "POSTTIMER5USAGE",
    "POSTTIMER6USAGE",
    "POSTTIMER7USAGE",
    "POSTTIMER8USAGE",
    "POSTTIMER1VALUE",
    "POSTTIMER2VALUE",
    "POSTTIMER3VALUE",
    "POSTTIMER4VALUE",
    "POSTTIMER5VALUE",
    "POSTTIMER6VALUE",
    "POSTTIMER7VALUE",
    "POSTTIMER8VALUE",
    "PRODUCERAPPVERSION",
    "TAGTEXT",
    "USERDEF",
    "CARTVERSION",
    "CATEGORY",
    "COMMENT",
    "COPYRIGHT",
    "DATE",
    "ENCODER",
    "GENRE",
    "ENCODEDBY",
    "TIME",
    "TITLE",
    "TRACKNUMBER",
    "URL",
};

// Fixed fields of the broadcast-wave and cart records: key, offset, width.
struct Field
{
    const char* key;
    size_t offset;
    size_t width;
};

constexpr size_t kBextSize = 602;
constexpr size_t kCartSize = 2048;
// Texts after the fixed records larger than this are damage, not history.
constexpr uint32_t kMaxTrailingText = 1u << 20;

constexpr Field kBextTexts[] = {
    {"COMMENT", 0, 256}, {"ORIGINATOR", 256, 32}, {"REFERENCE", 288, 32}, {"DATE", 320, 10}, {"TIME", 330, 8},
};

constexpr Field kCartTexts[] = {
    {"CARTVERSION", 0, 4},       {"TITLE", 4, 64},
    {"ARTIST", 68, 64},          {"CUTID", 132, 64},
    {"CLIENTID", 196, 64},       {"CATEGORY", 260, 64},
    {"CLASSIFICATION", 324, 64}, {"OUTCUE", 388, 64},
    {"DATE", 452, 10},           {"TIME", 462, 8},
    {"ENDDATE", 470, 10},        {"ENDTIME", 480, 8},
    {"ENCODEDBY", 488, 64},      {"PRODUCERAPPVERSION", 552, 64},
    {"USERDEF", 616, 64},        {"URL", 1024, 1024},
};

std::string FieldText(const uint8_t* record, const Field& field)
{
    const char* text = reinterpret_cast<const char*>(record + field.offset);
    return std::string(text, strnlen(text, field.width));
}

void PutField(uint8_t* record, size_t offset, size_t width, const char* value)
{
    std::memset(record + offset, 0, width);
    size_t length = std::strlen(value);
    if (length > width) {
        // Cut between characters, never inside one.
        length = width;
        while (length > 0 && (static_cast<uint8_t>(value[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(record + offset, value, length);
}

// The fields that are not texts: key, offset, width.
constexpr Field kBextNumbers[] = {
    {"TIMEREFLOW", 338, 4},
    {"TIMEREFHIGH", 342, 4},
    {"BWFVERSION", 346, 2},
    {"UMID", 348, 64},
};
constexpr Field kCartNumbers[] = {
    {"LEVELREFERENCE", 680, 4},  {"POSTTIMER1USAGE", 684, 4}, {"POSTTIMER1VALUE", 688, 4},
    {"POSTTIMER2USAGE", 692, 4}, {"POSTTIMER2VALUE", 696, 4}, {"POSTTIMER3USAGE", 700, 4},
    {"POSTTIMER3VALUE", 704, 4}, {"POSTTIMER4USAGE", 708, 4}, {"POSTTIMER4VALUE", 712, 4},
    {"POSTTIMER5USAGE", 716, 4}, {"POSTTIMER5VALUE", 720, 4}, {"POSTTIMER6USAGE", 724, 4},
    {"POSTTIMER6VALUE", 728, 4}, {"POSTTIMER7USAGE", 732, 4}, {"POSTTIMER7VALUE", 736, 4},
    {"POSTTIMER8USAGE", 740, 4}, {"POSTTIMER8VALUE", 744, 4},
};

// Keys that no other chunk holds: a value for one of them is a reason to add the chunk.
constexpr const char* kBextOnlyKeys[] = {"ORIGINATOR", "REFERENCE", "TIMEREFLOW",   "TIMEREFHIGH",
                                         "BWFVERSION", "UMID",      "CODINGHISTORY"};
constexpr const char* kCartOnlyKeys[] = {
    "CARTVERSION",     "CUTID",           "CLIENTID",           "CLASSIFICATION",  "OUTCUE",
    "ENDDATE",         "ENDTIME",         "PRODUCERAPPVERSION", "USERDEF",         "URL",
    "LEVELREFERENCE",  "TAGTEXT",         "POSTTIMER1USAGE",    "POSTTIMER1VALUE", "POSTTIMER2USAGE",
    "POSTTIMER2VALUE", "POSTTIMER3USAGE", "POSTTIMER3VALUE",    "POSTTIMER4USAGE", "POSTTIMER4VALUE",
    "POSTTIMER5USAGE", "POSTTIMER5VALUE", "POSTTIMER6USAGE",    "POSTTIMER6VALUE", "POSTTIMER7USAGE",
    "POSTTIMER7VALUE", "POSTTIMER8USAGE", "POSTTIMER8VALUE",
};

template <size_t N> bool AnyValue(const LAudioTagMap* tags, const char* const (&keys)[N])
{
    for (const char* key : keys)
        if (*tags->Get(key))
            return true;
    return false;
}

std::string TrailingText(const std::vector<uint8_t>& bytes)
{
    size_t length = bytes.size();
    // The terminator and the pad byte of an odd length are not text.
    while (length > 0 && bytes[length - 1] == 0)
        --length;
    if (length == 0)
        return std::string();
    const char* text = reinterpret_cast<const char*>(bytes.data());
    return std::string(text, strnlen(text, length));
}

// A whole decimal number of at most maxDigits digits, clamped to limit.
uint64_t ParseNumber(const char* value, size_t maxDigits, uint64_t limit)
{
    char cut[24] = {};
    std::memcpy(cut, value, strnlen(value, maxDigits < sizeof cut - 1 ? maxDigits : sizeof cut - 1));
    return LTagLeadingNumber(cut, limit);
}

} // namespace

void KeyToInfoId(const char* key, char id[4])
{
    for (const InfoKey& entry : kInfoKeys)
        if (std::strcmp(entry.key, key) == 0) {
            std::memcpy(id, entry.id, 4);
            return;
        }
    std::memcpy(id, "    ", 4);
}

const char* InfoIdToKey(const char id[4])
{
    for (const InfoKey& entry : kInfoKeys)
        if (std::memcmp(entry.id, id, 4) == 0)
            return entry.key;
    return nullptr;
}

// ---- reading ----

namespace {
constexpr char kReaderIds[][5] = {"cart", "bext", "DISP", "id3 ", "LIST", "CSET"};
}

LWavTagReader::LWavTagReader(const char* path, LId3v2CarriedFrames* carried)
    : LRiffReader(path, kReaderIds, 6), carried_(carried)
{
}

void LWavTagReader::KeyForInfoId(const char id[4], char key[kRiffTagKeySize])
{
    const char* found = InfoIdToKey(id);
    std::snprintf(key, kRiffTagKeySize, "%s", found ? found : "    ");
}

bool LWavTagReader::ReadWantedChunk(LRiffChunkHeader& header)
{
    if (LRiffIdIs(header.id, "id3 "))
        return HandleId3Chunk(header);
    if (LRiffIdIs(header.id, "bext"))
        return HandleBextChunk(header);
    if (LRiffIdIs(header.id, "cart"))
        return HandleCartChunk(header);
    if (LRiffIdIs(header.id, "DISP"))
        return HandleDispChunk(header);
    return LRiffReader::ReadWantedChunk(header);
}

bool LWavTagReader::ReadAll()
{
    return ReadChunks();
}

bool LWavTagReader::HandleId3Chunk(const LRiffChunkHeader& header)
{
    if (header.size < 10 || header.size - 10 >= kId3v2MaxTagSize)
        return false;
    std::vector<uint8_t> tag(header.size);
    tag.resize(LReadFully(fd_, tag.data(), tag.size()));
    if (carried_)
        carried_->clear(); // a later "id3 " chunk is the one that counts
    // A reader that only collects the frames to carry has no use for the artwork file.
    return ParseId3v2Tag(&id3Tags_, tag.data(), tag.size(), carried_, carried_ == nullptr);
}

bool LWavTagReader::HandleBextChunk(const LRiffChunkHeader& header)
{
    uint8_t record[kBextSize] = {};
    const size_t fixed = header.size < kBextSize ? header.size : kBextSize;
    if (LReadFully(fd_, record, fixed) != fixed)
        return false;
    bextRecord_.assign(record, record + kBextSize);
    std::string history;
    if (header.size > kBextSize && header.size - kBextSize <= kMaxTrailingText) {
        std::vector<uint8_t> rest(header.size - kBextSize);
        rest.resize(LReadFully(fd_, rest.data(), rest.size()));
        history = TrailingText(rest);
    }
    for (const Field& field : kBextTexts)
        AddTag(field.key, FieldText(record, field).c_str(), false);
    AddTag("TIMEREFLOW", std::to_string(LGetLe32(record + 338)).c_str(), false);
    AddTag("TIMEREFHIGH", std::to_string(LGetLe32(record + 342)).c_str(), false);
    AddTag("BWFVERSION", std::to_string(LGetLe16(record + 346)).c_str(), false);
    bool umidSet = false;
    std::string umid;
    for (int i = 0; i < 64; ++i) {
        umidSet = umidSet || record[348 + i] != 0;
        umid += std::to_string(record[348 + i]) + ",";
    }
    if (umidSet) // all zero bytes: no UMID
        AddTag("UMID", umid.c_str(), false);
    AddTag("CODINGHISTORY", history.c_str(), false);
    return true;
}

bool LWavTagReader::HandleCartChunk(const LRiffChunkHeader& header)
{
    uint8_t record[kCartSize] = {};
    const size_t fixed = header.size < kCartSize ? header.size : kCartSize;
    if (LReadFully(fd_, record, fixed) != fixed)
        return false;
    cartRecord_.assign(record, record + kCartSize);
    std::string tagText;
    if (header.size > kCartSize && header.size - kCartSize <= kMaxTrailingText) {
        std::vector<uint8_t> rest(header.size - kCartSize);
        rest.resize(LReadFully(fd_, rest.data(), rest.size()));
        tagText = TrailingText(rest);
    }
    for (const Field& field : kCartTexts)
        AddTag(field.key, FieldText(record, field).c_str(), false);
    const uint32_t level = LGetLe32(record + 680);
    if (level != 0)
        AddTag("LEVELREFERENCE", std::to_string(level).c_str(), false);
    for (int n = 1; n <= 8; ++n) {
        const uint8_t* timer = record + 684 + 8 * (n - 1);
        const std::string usage(reinterpret_cast<const char*>(timer),
                                strnlen(reinterpret_cast<const char*>(timer), 4));
        const uint32_t value = LGetLe32(timer + 4);
        // An unused timer (no usage code, no value) says nothing.
        if (usage.empty() && value == 0)
            continue;
        AddTag(("POSTTIMER" + std::to_string(n) + "USAGE").c_str(), usage.c_str(), false);
        AddTag(("POSTTIMER" + std::to_string(n) + "VALUE").c_str(), std::to_string(value).c_str(), false);
    }
    AddTag("TAGTEXT", tagText.c_str(), false);
    return true;
}

bool LWavTagReader::HandleDispChunk(const LRiffChunkHeader& header)
{
    uint8_t type[4];
    if (header.size < 4 || LReadFully(fd_, type, 4) != 4 || LGetLe32(type) != 1)
        return false;
    if (header.size - 4 > kMaxTrailingText)
        return false;
    std::vector<uint8_t> text(header.size - 4);
    text.resize(LReadFully(fd_, text.data(), text.size()));
    AddTag("TITLE", TrailingText(text).c_str(), true);
    return true;
}

std::string LWavTagReader::ConvertText(const std::string& text) const
{
    const unsigned codePage = hasCodePage_ ? codePage_ : 65001;
    if (codePage == 65001)
        return LTagUtf8OrWindows1252(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    LStringLongTemplate<char> source(text.c_str());
    LStringLongTemplate<char> converted;
    LCodePageToUtf8(codePage, &converted, &source);
    if (converted.IsEmpty())
        return LTagWindows1252ToUtf8(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return converted.Text();
}

void LWavTagReader::MoveInto(LAudioTagMap* tags)
{
    for (const LRiffTagNode* node = tags_.Head(); node; node = node->next) {
        if (tags->Has(node->key))
            continue;
        if (id3Tags_.Has(node->key)) {
            // An ID3 time holds no seconds: a chunk's time of the same minute is the finer one.
            const char* id3Time = id3Tags_.Get(node->key);
            if (std::strcmp(node->key, "TIME") == 0 && node->value.size() == 8 && std::strlen(id3Time) == 8 &&
                std::strncmp(id3Time, node->value.c_str(), 5) == 0 && std::strcmp(id3Time + 5, ":00") == 0) {
                tags->Set("TIME", node->value.c_str());
                id3Tags_.Remove("TIME");
                continue;
            }
            if (std::strcmp(node->key, "IMAGE") != 0) {
                tags->Set(node->key, id3Tags_.Get(node->key));
                id3Tags_.Remove(node->key);
            }
            continue;
        }
        tags->Set(node->key, ConvertText(node->value).c_str());
    }
    for (LStringMap::Iterator it = id3Tags_.fields.Begin(); !it.AtEnd(); it.Next()) {
        // The artwork lives in this reader's private folder, which goes away
        // with it: the caller's record gets a copy of its own.
        if (std::strcmp(it.Key(), "IMAGE") == 0) {
            if (*it.Value())
                LMakeTempCopy(tags, "IMAGE", it.Value());
            continue;
        }
        tags->Set(it.Key(), it.Value());
    }
    id3Tags_.Clear();
}

bool ReadWavTags(LAudioTagMap* tags, const char* path)
{
    if (!tags || !path)
        return true;
    LWavTagReader reader(path);
    reader.ReadAll();
    reader.MoveInto(tags);
    return true;
}

// ---- writing ----

namespace {
constexpr char kWriterIds[][5] = {"id3 ", "cart", "bext", "DISP"};
}

LWavTagWriter::LWavTagWriter(const char* path, const LAudioTagMap* tags, const LId3v2CarriedFrames* carried,
                             const LWavOldChunks* old)
    : LRiffWriter(path, kWriterIds, 4, tags->fields), newTags_(tags), old_(old)
{
    bool anyValue = false;
    for (LStringMap::Iterator it = tags->fields.Begin(); !it.AtEnd(); it.Next())
        anyValue = anyValue || *it.Value();
    if (!anyValue) {
        // Nothing to store: the old chunks go and no new ones come.
        disp_.written = cart_.written = bext_.written = id3_.written = true;
        return;
    }
    // A chunk the file had keeps the bytes of the fields left as they were;
    // a new one comes only for values no other chunk can hold.
    auto seed = [&](OwnChunk& chunk, const std::vector<uint8_t>* had, size_t size, bool wanted,
                    const Field* texts, size_t textCount, const Field* numbers, size_t numberCount) {
        if (!(had && !had->empty()) && !wanted) {
            chunk.written = true;
            return;
        }
        chunk.payload = had && !had->empty() ? *had : std::vector<uint8_t>();
        chunk.payload.resize(size, 0);
        for (size_t i = 0; i < textCount; ++i)
            if (!Unchanged(texts[i].key))
                std::memset(chunk.payload.data() + texts[i].offset, 0, texts[i].width);
        for (size_t i = 0; i < numberCount; ++i)
            if (!Unchanged(numbers[i].key))
                std::memset(chunk.payload.data() + numbers[i].offset, 0, numbers[i].width);
    };
    seed(cart_, old ? &old->cart : nullptr, kCartSize, AnyValue(tags, kCartOnlyKeys), kCartTexts,
         std::size(kCartTexts), kCartNumbers, std::size(kCartNumbers));
    seed(bext_, old ? &old->bext : nullptr, kBextSize, AnyValue(tags, kBextOnlyKeys), kBextTexts,
         std::size(kBextTexts), kBextNumbers, std::size(kBextNumbers));
    std::vector<uint8_t> tag;
    if (BuildId3v2Tag(tags, carried, &tag) > 0)
        id3_.payload = std::move(tag);
    else
        id3_.written = true; // no frame: no chunk
}

void LWavTagWriter::FinishPayloads()
{
    if (finished_)
        return;
    finished_ = true;
    if (!disp_.written) {
        // Type 1 (text), the text, its terminator, and a zero more when that
        // makes the size even.
        disp_.payload.assign(4, 0);
        disp_.payload[0] = 1;
        if (!dispText_.empty()) {
            disp_.payload.insert(disp_.payload.end(), dispText_.begin(), dispText_.end());
            disp_.payload.push_back(0);
            if ((dispText_.size() + 1) & 1)
                disp_.payload.push_back(0);
        }
    }
    if (!cart_.written && !tagText_.empty()) {
        cart_.payload.insert(cart_.payload.end(), tagText_.begin(), tagText_.end());
        cart_.payload.push_back(0);
    }
    if (!bext_.written && !codingHistory_.empty()) {
        bext_.payload.insert(bext_.payload.end(), codingHistory_.begin(), codingHistory_.end());
        bext_.payload.push_back(0);
    }
}

bool LWavTagWriter::Unchanged(const char* key) const
{
    return old_ && newTags_ && std::strcmp(newTags_->Get(key), old_->record.Get(key)) == 0;
}

LWavTagWriter::OwnChunk* LWavTagWriter::Find(const char id[4])
{
    for (OwnChunk* chunk : {&id3_, &cart_, &bext_, &disp_})
        if (std::memcmp(chunk->id, id, 4) == 0)
            return chunk;
    return nullptr;
}

bool LWavTagWriter::IsComplete()
{
    return LRiffWriter::IsComplete() && disp_.written && cart_.written && bext_.written && id3_.written;
}

void LWavTagWriter::InfoIdForKey(const char* key, char id[4])
{
    KeyToInfoId(key, id);
}

void LWavTagWriter::OnInfoItem(const char* key, const char* value)
{
    SetTag(key, value);
}

bool LWavTagWriter::AcceptsInfoKey(const char* key)
{
    for (const char* accepted : kAcceptedKeys)
        if (std::strcmp(accepted, key) == 0)
            return true;
    return false;
}

void LWavTagWriter::SetTag(const char* key, const char* value)
{
    if (std::strcmp(key, "TITLE") == 0)
        dispText_ = value;
    if (std::strcmp(key, "TAGTEXT") == 0)
        tagText_ = value;
    if (std::strcmp(key, "CODINGHISTORY") == 0)
        codingHistory_ = value;
    // The bytes of a field whose value was not changed stay as the file had them.
    if (Unchanged(key))
        return;
    if (cart_.payload.size() >= kCartSize) {
        uint8_t* cart = cart_.payload.data();
        for (const Field& field : kCartTexts)
            if (std::strcmp(field.key, key) == 0)
                PutField(cart, field.offset, field.width, value);
        if (std::strcmp(key, "LEVELREFERENCE") == 0)
            LPutLe32(cart + 680, static_cast<uint32_t>(ParseNumber(value, 11, 0xFFFFFFFFu)));
        for (int n = 1; n <= 8; ++n) {
            uint8_t* timer = cart + 684 + 8 * (n - 1);
            if (std::string("POSTTIMER" + std::to_string(n) + "USAGE") == key)
                PutField(timer, 0, 4, value);
            if (std::string("POSTTIMER" + std::to_string(n) + "VALUE") == key)
                LPutLe32(timer + 4, static_cast<uint32_t>(ParseNumber(value, 11, 0xFFFFFFFFu)));
        }
    }
    if (bext_.payload.size() >= kBextSize) {
        uint8_t* bext = bext_.payload.data();
        for (const Field& field : kBextTexts)
            if (std::strcmp(field.key, key) == 0)
                PutField(bext, field.offset, field.width, value);
        if (std::strcmp(key, "TIMEREFLOW") == 0)
            LPutLe32(bext + 338, static_cast<uint32_t>(ParseNumber(value, 11, 0xFFFFFFFFu)));
        if (std::strcmp(key, "TIMEREFHIGH") == 0)
            LPutLe32(bext + 342, static_cast<uint32_t>(ParseNumber(value, 11, 0xFFFFFFFFu)));
        if (std::strcmp(key, "BWFVERSION") == 0)
            LPutLe16(bext + 346, static_cast<uint32_t>(ParseNumber(value, 6, 0xFFFF)));
        if (std::strcmp(key, "UMID") == 0) {
            // "n,n,...": the first 64 numbers, each cut to a byte.
            std::memset(bext + 348, 0, 64);
            const char* p = value;
            for (int i = 0; i < 64 && *p; ++i) {
                bext[348 + i] = static_cast<uint8_t>(LTagLeadingNumber(p, 0xFFFFFFFFu) & 0xFF);
                const char* comma = std::strchr(p, ',');
                if (!comma)
                    break;
                p = comma + 1;
            }
        }
    }
}

bool LWavTagWriter::ReplacesChunk(const LRiffChunkHeader& header)
{
    if (LRiffIdIs(header.id, "DISP")) {
        // Only a text DISP is ours; a picture or other kind stays.
        uint8_t type[4];
        return header.size >= 4 && visitOffset_ >= 0 && LPreadFully(fd_, type, 4, visitOffset_ + 8) == 4 &&
               LGetLe32(type) == 1;
    }
    return LRiffIdIs(header.id, "cart") || LRiffIdIs(header.id, "bext") || LRiffIdIs(header.id, "id3 ");
}

uint32_t LWavTagWriter::OwnChunkSize(const char id[4], bool& skip, bool)
{
    FinishPayloads();
    OwnChunk* chunk = Find(id);
    skip = !chunk || chunk->written;
    return skip ? 0 : static_cast<uint32_t>(chunk->payload.size());
}

bool LWavTagWriter::WriteOwn(OwnChunk& chunk)
{
    if (chunk.written)
        return false;
    LRiffChunkHeader header;
    std::memcpy(header.id, chunk.id, 4);
    header.size = static_cast<uint32_t>(chunk.payload.size());
    if (!WriteChunk(header, chunk.payload.data(), header.size))
        return false;
    chunk.written = true;
    chunk.payload.clear();
    chunk.payload.shrink_to_fit();
    return true;
}

bool LWavTagWriter::WriteOwnChunk(const char id[4])
{
    FinishPayloads();
    OwnChunk* chunk = Find(id);
    return chunk && WriteOwn(*chunk);
}

int64_t LWavTagWriter::WriteRemainingChunks()
{
    FinishPayloads();
    int64_t total = 0;
    for (OwnChunk* chunk : {&id3_, &disp_, &bext_, &cart_}) {
        if (chunk->written)
            continue;
        const int64_t bytes = 8 + LRiffEvenSize(static_cast<uint32_t>(chunk->payload.size()));
        if (!WriteOwn(*chunk))
            return -1;
        total += bytes;
    }
    return total;
}

bool WriteWavTags(const LAudioTagMap* tags, const char* path, LTagFileError* error, std::string* detail)
{
    LTagFileError scratch;
    LTagFileError& result = error ? *error : scratch;
    result = LTagFileError::kNone;
    // An empty record is written too: it removes the tags the file had.
    if (!tags) {
        result = LTagFileError::kNothingToWrite;
        return false;
    }
    LTagFileReplace file;
    result = file.Open(path);
    if (result != LTagFileError::kNone)
        return false;
    // RIFF sizes are 32-bit: a file this large cannot be described after the rewrite.
    if (file.SourceSize() >= (int64_t{1} << 32)) {
        result = LTagFileError::kTooLarge;
        return false;
    }
    uint8_t head[12];
    if (LPreadFully(file.Source(), head, 12, 0) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        result = LTagFileError::kNotWave;
        return false;
    }
    // Chunks are placed where the sizes say they are: wrong sizes would put
    // them over the audio.
    std::string damage;
    if (!LCheckWavChunkLayout(file.Source(), file.SourceSize(), &damage)) {
        if (detail)
            *detail = damage;
        result = LTagFileError::kDamagedLayout;
        return false;
    }
    // The chunks are rearranged in a copy, so the original keeps its tags
    // until the finished copy takes its place.
    if (file.Begin() < 0) {
        result = LTagFileError::kCannotCreateCopy;
        return false;
    }
    if (!file.CopyFromSource(0, file.SourceSize())) {
        file.Abandon();
        result = LTagFileError::kWriteFailed;
        return false;
    }
    LId3v2CarriedFrames carried;
    LWavOldChunks oldChunks;
    {
        LWavTagReader old(file.TempPath(), &carried);
        old.ReadAll();
        oldChunks.cart = old.CartRecord();
        oldChunks.bext = old.BextRecord();
        old.MoveInto(&oldChunks.record);
    }
    bool written;
    {
        LWavTagWriter writer(file.TempPath(), tags, &carried, &oldChunks);
        written = writer.IsOpen() && writer.Rewrite();
    }
    if (!written) {
        file.Abandon();
        result = LTagFileError::kWriteFailed;
        return false;
    }
    result = file.Commit();
    return result == LTagFileError::kNone;
}
