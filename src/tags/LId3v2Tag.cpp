#include "tags/LId3v2Tag.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileSystem.h"
#include "tags/LId3Genres.h"
#include "tags/LId3v1Tag.h"
#include "tags/LTagFileReplace.h"
#include "tags/LTagImage.h"
#include "tags/LTagText.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <string>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct IdKey
{
    const char* id;
    const char* key;
};

// Frame id <-> record key. "DATE" is written as TYER + TDAT and read from
// those, TDRC and TDAT; the read-only keys come last so that the inverse
// lookup of a key finds its writable frame first.
constexpr IdKey kFrameKeys[] = {
    {"APIC", "IMAGE"},     {"TIT2", "TITLE"},       {"TPE1", "ARTIST"},       {"TPE2", "ALBUMARTIST"},
    {"TALB", "ALBUM"},     {"TRCK", "TRACKNUMBER"}, {"TPOS", "DISKNUMBER"},   {"TCON", "GENRE"},
    {"TLEN", "LENGTH"},    {"TBPM", "BPM"},         {"PCNT", "PLAYCOUNT"},    {"TCOM", "COMPOSER"},
    {"TIT1", "CATEGORY"},  {"TDAT", "DATE"},        {"TIME", "TIME"},         {"POPM", "RATING"},
    {"COMM", "COMMENT"},   {"TPUB", "PRODUCER"},    {"TCOP", "COPYRIGHT"},    {"TSSE", "ENCODER"},
    {"TENC", "ENCODEDBY"}, {"WXXX", "URL"},         {"TDEN", "ENCODINGTIME"}, {"TMED", "MEDIA"},
    {"USLT", "LYRICS"},
};

constexpr const char* kWritableKeys[] = {
    "IMAGE",   "TITLE",    "ARTIST",    "ALBUMARTIST", "ALBUM",     "TRACKNUMBER", "DISKNUMBER", "GENRE",
    "LENGTH",  "BPM",      "PLAYCOUNT", "COMPOSER",    "CATEGORY",  "DATE",        "TIME",       "RATING",
    "COMMENT", "PRODUCER", "COPYRIGHT", "ENCODER",     "ENCODEDBY", "URL",
};

// Version 2.2 ids and their later four-character forms, as the 2.3 standard lists them.
constexpr IdKey kV22Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"}, {"EQU", "EQUA"},
    {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"},
    {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
    {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"},
    {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
    {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"},
};

bool IsIdChar(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsFrameId(const char* id)
{
    return std::strlen(id) == 4 && IsIdChar(id[0]) && IsIdChar(id[1]) && IsIdChar(id[2]) && IsIdChar(id[3]);
}

// The tag size as the header states it: 7 bits a byte, without masking,
// so a damaged header with high bits set gives a size above any real tag.
uint32_t TagSizeField(const uint8_t* p)
{
    return (uint32_t{p[0]} << 21) + (uint32_t{p[1]} << 14) + (uint32_t{p[2]} << 7) + uint32_t{p[3]};
}

uint32_t SyncSafe(const uint8_t* p)
{
    return (uint32_t{p[0] & 0x7Fu} << 21) | (uint32_t{p[1] & 0x7Fu} << 14) | (uint32_t{p[2] & 0x7Fu} << 7) |
           uint32_t{p[3] & 0x7Fu};
}

void PutSyncSafe(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>((v >> 21) & 0x7F);
    p[1] = static_cast<uint8_t>((v >> 14) & 0x7F);
    p[2] = static_cast<uint8_t>((v >> 7) & 0x7F);
    p[3] = static_cast<uint8_t>(v & 0x7F);
}

// Undoes unsynchronisation: every FF 00 loses its 00.
std::vector<uint8_t> Resynchronise(const uint8_t* p, size_t n)
{
    std::vector<uint8_t> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(p[i]);
        if (p[i] == 0xFF && i + 1 < n && p[i + 1] == 0x00)
            ++i;
    }
    return out;
}

// ---- reading encoded strings from a frame ----

// Reads one string in the given encoding from at most n bytes; consumed gets
// the bytes used, terminator included. False for an unknown encoding.
bool ReadString(const uint8_t* p, size_t n, int encoding, std::string* text, size_t* consumed)
{
    text->clear();
    *consumed = 0;
    if (encoding == 0 || encoding == 3) {
        const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(p, 0, n));
        const size_t length = zero ? static_cast<size_t>(zero - p) : n;
        *text = encoding == 0 ? LTagLatin1ToUtf8(p, length) : LTagUtf8OrWindows1252(p, length);
        *consumed = zero ? length + 1 : length;
        return true;
    }
    if (encoding != 1 && encoding != 2)
        return false;
    const size_t units = n / 2;
    size_t length = 0;
    while (length < units && (p[2 * length] | p[2 * length + 1]) != 0)
        ++length;
    *consumed = (length < units ? length + 1 : length) * 2;
    // Text cut one byte short (an odd length, no terminator): a little-endian
    // unit keeps its low byte, which is the whole of a Latin character.
    std::vector<uint8_t> widened;
    const bool littleEndianText = encoding == 1 && !(n >= 2 && p[0] == 0xFE && p[1] == 0xFF);
    if (length == units && (n & 1) && littleEndianText && p[n - 1] != 0) {
        widened.assign(p, p + n);
        widened.push_back(0);
        p = widened.data();
        ++length;
        *consumed = n;
    }
    const uint8_t* start = p;
    bool bigEndian = encoding == 2;
    // Each string of a UTF-16 frame carries its own byte-order mark; some
    // writers put one before UTF-16BE text too.
    if (length > 0 && start[0] == 0xFF && start[1] == 0xFE) {
        bigEndian = false;
        start += 2;
        --length;
    } else if (length > 0 && start[0] == 0xFE && start[1] == 0xFF) {
        bigEndian = true;
        start += 2;
        --length;
    }
    *text = LTagUtf16ToUtf8(start, length, bigEndian);
    return true;
}

// ---- the frames of a tag being read ----

enum class FrameUse {
    kCarry,   // the record cannot hold it: written back as it was
    kTaken,   // its content is in the record: the record's frame replaces it
    kChoice,  // one of several frames that could fill a key; the chosen one is taken, the others carried
    kDropped, // damaged or meaningless once the tag changes
};

struct ReadFrame
{
    char id[5] = {};
    FrameUse use = FrameUse::kCarry;
    std::vector<uint8_t> v23; // the frame as a version 2.3 frame, for carrying
};

struct PictureChoice
{
    size_t frameIndex = 0;
    std::vector<uint8_t> bytes;
    const LTagImageType* type = nullptr;
    int pictureType = 0;
};

class TagReader
{
public:
    TagReader(LAudioTagMap* tags, int version, bool keepArtwork)
        : tags_(tags), version_(version), keepArtwork_(keepArtwork)
    {
    }

    void Frame(const char* id, const uint8_t* data, size_t size, const uint8_t* v23Header, bool readable,
               const std::vector<uint8_t>& v23Data);
    void Finish(LId3v2CarriedFrames* carried);

private:
    FrameUse Handle(const char* id, const uint8_t* data, size_t size);
    FrameUse TextFrame(const char* id, const uint8_t* data, size_t size);
    FrameUse Picture(const char* id, const uint8_t* data, size_t size);
    std::string ReadFrameText(const uint8_t* data, size_t size, int encoding, bool allValues);

    LAudioTagMap* tags_;
    int version_;
    bool keepArtwork_;
    std::vector<ReadFrame> frames_;
    std::map<std::string, size_t> chosen_; // frame id -> index of the frame whose content the record holds
    std::vector<PictureChoice> pictures_;
};

std::string TagReader::ReadFrameText(const uint8_t* data, size_t size, int encoding, bool allValues)
{
    std::string text;
    size_t consumed = 0;
    if (!ReadString(data, size, encoding, &text, &consumed))
        return text;
    // Version 2.4 separates several values by terminators; keep them all, in
    // the "/" form that version 2.3 uses for several values.
    while (allValues && version_ == 4 && consumed < size) {
        std::string more;
        size_t used = 0;
        if (!ReadString(data + consumed, size - consumed, encoding, &more, &used) || used == 0)
            break;
        consumed += used;
        if (!more.empty())
            text += "/" + more;
    }
    return text;
}

void TagReader::Frame(const char* id, const uint8_t* data, size_t size, const uint8_t* v23Header,
                      bool readable, const std::vector<uint8_t>& v23Data)
{
    ReadFrame frame;
    std::memcpy(frame.id, id, 4);
    if (readable && size > 0)
        frame.use = Handle(id, data, size);
    else if (size == 0)
        frame.use = FrameUse::kDropped;
    if (frame.use == FrameUse::kCarry || frame.use == FrameUse::kChoice) {
        if (v23Header) {
            frame.v23.assign(v23Header, v23Header + 10);
            frame.v23.insert(frame.v23.end(), v23Data.begin(), v23Data.end());
        } else if (frame.use == FrameUse::kCarry) {
            frame.use = FrameUse::kDropped; // nothing that version 2.3 can hold
        }
    }
    frames_.push_back(std::move(frame));
}

FrameUse TagReader::Handle(const char* id, const uint8_t* data, size_t size)
{
    const size_t index = frames_.size();
    if (std::strcmp(id, "APIC") == 0)
        return Picture(id, data, size);
    if (std::strcmp(id, "WXXX") == 0) {
        if (size < 2 || data[0] > 3)
            return FrameUse::kCarry;
        std::string description;
        size_t used = 0;
        ReadString(data + 1, size - 1, data[0], &description, &used);
        const size_t rest = size - 1 - used;
        const uint8_t* url = data + 1 + used;
        const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(url, 0, rest));
        tags_->Set("URL", LTagLatin1ToUtf8(url, zero ? static_cast<size_t>(zero - url) : rest).c_str());
        chosen_[id] = index;
        return FrameUse::kChoice;
    }
    if (std::strcmp(id, "COMM") == 0 || std::strcmp(id, "USLT") == 0) {
        if (size < 5 || data[0] > 3)
            return FrameUse::kCarry;
        std::string description;
        size_t used = 0;
        ReadString(data + 4, size - 4, data[0], &description, &used);
        const bool comment = id[0] == 'C';
        if (comment) {
            // Players keep their own bookkeeping in comments; it is not the user's comment.
            for (const char* own : {"iTunNORM", "iTunSMPB", "iTunes_CDDB_IDs", "iTunPGAP"})
                if (strcasecmp(description.c_str(), own) == 0)
                    return FrameUse::kCarry;
        }
        if (size - 4 - used == 0)
            return FrameUse::kCarry;
        std::string text = ReadFrameText(data + 4 + used, size - 4 - used, data[0], false);
        tags_->Set(comment ? "COMMENT" : "LYRICS", text.c_str());
        chosen_[id] = index;
        return FrameUse::kChoice;
    }
    if (std::strcmp(id, "POPM") == 0) {
        const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
        if (!zero || static_cast<size_t>(zero - data) + 1 >= size)
            return FrameUse::kCarry;
        tags_->Set("RATING", std::to_string(zero[1]).c_str());
        chosen_[id] = index;
        return FrameUse::kChoice;
    }
    if (std::strcmp(id, "PCNT") == 0) {
        if (size < 4)
            return FrameUse::kDropped;
        // The counter grows beyond 32 bits by adding bytes; 8 of them is plenty.
        uint64_t count = 0;
        const size_t bytes = size > 8 ? 8 : size;
        for (size_t i = 0; i < bytes; ++i)
            count = (count << 8) | data[i];
        tags_->Set("PLAYCOUNT", std::to_string(count).c_str());
        return FrameUse::kTaken;
    }
    if (id[0] == 'T' && std::strcmp(id, "TXXX") != 0)
        return TextFrame(id, data, size);
    return FrameUse::kCarry;
}

FrameUse TagReader::TextFrame(const char* id, const uint8_t* data, size_t size)
{
    if (data[0] > 3)
        return FrameUse::kDropped; // damaged; carried, it would stand beside the record's own frame
    std::string text = ReadFrameText(data + 1, size - 1, data[0], true);
    auto allDigits = [](const std::string& s, size_t from, size_t count) {
        if (s.size() < from + count)
            return false;
        for (size_t i = from; i < from + count; ++i)
            if (s[i] < '0' || s[i] > '9')
                return false;
        return true;
    };
    if (std::strcmp(id, "TCON") == 0) {
        if (text.empty())
            return FrameUse::kTaken;
        // "(17)", "(17)Rock" and a bare "17" all name entry 17 of the list.
        size_t digits = 0;
        const size_t start = text[0] == '(' ? 1 : 0;
        while (start + digits < text.size() && digits < 4 && text[start + digits] >= '0' &&
               text[start + digits] <= '9')
            ++digits;
        const bool reference =
            digits > 0 && (start == 1 ? start + digits < text.size() && text[start + digits] == ')'
                                      : digits == text.size());
        if (reference) {
            const int number = std::atoi(text.c_str() + start);
            if (const char* name = Id3GenreName(number)) {
                tags_->Set("GENRE", name);
                return FrameUse::kTaken;
            }
        }
        std::string collapsed;
        for (char c : text)
            if (c != '(' || collapsed.empty() || collapsed.back() != '(')
                collapsed.push_back(c);
        tags_->Set("GENRE", collapsed.c_str());
        return FrameUse::kTaken;
    }
    if (std::strcmp(id, "TYER") == 0) {
        if (text.size() < 4)
            return FrameUse::kTaken;
        std::string date = tags_->Get("DATE");
        if (date.size() >= 10 && date.compare(0, 4, "0000") == 0)
            date.replace(0, 4, text, 0, 4); // a TDAT came first
        else if (date.size() >= 10 && allDigits(date, 0, 4))
            date.replace(0, 4, text, 0, 4);
        else
            date = text.substr(0, 4); // a year alone stays a year: no day is invented
        tags_->Set("DATE", date.c_str());
        return FrameUse::kTaken;
    }
    if (std::strcmp(id, "TDAT") == 0) {
        if (text.size() != 4 || !allDigits(text, 0, 4))
            return FrameUse::kTaken;
        std::string date = tags_->Get("DATE");
        const std::string year = date.size() >= 4 ? date.substr(0, 4) : "0000";
        date = year + "-" + text.substr(2, 2) + "-" + text.substr(0, 2);
        tags_->Set("DATE", date.c_str());
        return FrameUse::kTaken;
    }
    if (std::strcmp(id, "TDRC") == 0) {
        // Recording time in any of its precisions: yyyy, yyyy-MM, yyyy-MM-dd,
        // yyyy-MM-ddTHH, yyyy-MM-ddTHH:mm, yyyy-MM-ddTHH:mm:ss.
        if (!allDigits(text, 0, 4))
            return FrameUse::kTaken;
        // The date as precise as the frame says, never a day it does not name.
        std::string date = text.substr(0, 4);
        if (text.size() >= 7 && text[4] == '-' && allDigits(text, 5, 2)) {
            date += text.substr(4, 3);
            if (text.size() >= 10 && text[7] == '-' && allDigits(text, 8, 2))
                date += text.substr(7, 3);
        }
        tags_->Set("DATE", date.c_str());
        if (text.size() >= 13 && text[10] == 'T' && allDigits(text, 11, 2)) {
            std::string time = text.substr(11, 2);
            time +=
                text.size() >= 16 && text[13] == ':' && allDigits(text, 14, 2) ? text.substr(13, 3) : ":00";
            time +=
                text.size() >= 19 && text[16] == ':' && allDigits(text, 17, 2) ? text.substr(16, 3) : ":00";
            tags_->Set("TIME", time.c_str());
        }
        return FrameUse::kTaken;
    }
    if (std::strcmp(id, "TIME") == 0) {
        if (text.size() == 4 && allDigits(text, 0, 4))
            tags_->Set("TIME", (text.substr(0, 2) + ":" + text.substr(2, 2) + ":00").c_str());
        return FrameUse::kTaken;
    }
    const char* key = Id3FrameIdToKey(id);
    if (key != id) {
        tags_->Set(key, text.c_str());
    } else {
        std::string own = std::string("ID3/") + id;
        tags_->Set(own.c_str(), text.c_str());
    }
    return FrameUse::kTaken;
}

FrameUse TagReader::Picture(const char* id, const uint8_t* data, size_t size)
{
    (void)id;
    if (size < 2 || data[0] > 3)
        return FrameUse::kCarry;
    const int encoding = data[0];
    size_t at = 1;
    std::string mime;
    size_t used = 0;
    if (version_ == 2) {
        at += 3; // a three-letter image format instead of a MIME type
    } else {
        ReadString(data + at, size - at, 0, &mime, &used);
        at += used;
    }
    if (at >= size)
        return FrameUse::kCarry;
    const int pictureType = data[at++];
    std::string description;
    if (at > size)
        return FrameUse::kCarry;
    ReadString(data + at, size - at, encoding, &description, &used);
    at += used;
    if (at >= size)
        return FrameUse::kCarry;
    PictureChoice choice;
    choice.type = LTagImageTypeOfBytes(data + at, size - at);
    if (!choice.type)
        return FrameUse::kCarry; // not a picture this program can show: keep it as it is
    choice.frameIndex = frames_.size();
    choice.bytes.assign(data + at, data + size);
    choice.pictureType = pictureType;
    pictures_.push_back(std::move(choice));
    return FrameUse::kChoice;
}

void TagReader::Finish(LId3v2CarriedFrames* carried)
{
    // The artwork: the front cover when there is one, else the last picture.
    if (!pictures_.empty()) {
        const PictureChoice* pick = &pictures_.back();
        for (const PictureChoice& p : pictures_)
            if (p.pictureType == 3)
                pick = &p;
        if (!keepArtwork_ || LMakeTempFileFromBytes(tags_, "IMAGE", pick->bytes.data(), pick->bytes.size(),
                                                    pick->type->extension))
            chosen_["APIC"] = pick->frameIndex;
        else
            frames_[pick->frameIndex].use = FrameUse::kCarry;
    }
    if (!carried)
        return;
    for (size_t i = 0; i < frames_.size(); ++i) {
        const ReadFrame& frame = frames_[i];
        bool keep = frame.use == FrameUse::kCarry;
        if (frame.use == FrameUse::kChoice) {
            auto it = chosen_.find(frame.id);
            keep = it == chosen_.end() || it->second != i;
        }
        if (keep && !frame.v23.empty())
            carried->insert(carried->end(), frame.v23.begin(), frame.v23.end());
    }
}

// Tells whether a frame header could start at p (an id of four valid
// characters), or the tag ends there (padding or the exact end).
bool PlausibleNextFrame(const uint8_t* p, size_t remaining)
{
    if (remaining == 0 || p[0] == 0)
        return true;
    if (remaining < 4)
        return false;
    return IsIdChar(p[0]) && IsIdChar(p[1]) && IsIdChar(p[2]) && IsIdChar(p[3]);
}

} // namespace

const char* Id3FrameIdToKey(const char* id)
{
    for (const IdKey& entry : kFrameKeys)
        if (std::strcmp(entry.id, id) == 0)
            return entry.key;
    return id;
}

const char* KeyToId3FrameId(const char* key)
{
    for (const IdKey& entry : kFrameKeys)
        if (std::strcmp(entry.key, key) == 0)
            return entry.id;
    return key;
}

bool IsId3WritableKey(const char* key)
{
    for (const char* writable : kWritableKeys)
        if (std::strcmp(writable, key) == 0)
            return true;
    // Other text frames pass through under their own id; a four-letter key
    // that is not a text frame id (or "UMID", a broadcast-wave field) is not one.
    return IsFrameId(key) && key[0] == 'T' && std::strcmp(key, "TXXX") != 0;
}

bool ParseId3v2Tag(LAudioTagMap* tags, const uint8_t* tag, size_t length, LId3v2CarriedFrames* carried,
                   bool keepArtwork)
{
    if (!tags || !tag || length < 10 || std::memcmp(tag, "ID3", 3) != 0)
        return false;
    const int version = tag[3];
    if (version < 2 || version > 4)
        return false;
    const uint8_t flags = tag[5];
    const uint32_t size = TagSizeField(tag + 6);
    if (size >= kId3v2MaxTagSize)
        return false;
    const size_t available = length - 10 < size ? length - 10 : size;
    // Version 2.2 named a compression scheme that was never defined: nothing inside is readable.
    if (version == 2 && (flags & 0x40))
        return true;
    std::vector<uint8_t> body;
    if (version < 4 && (flags & 0x80))
        body = Resynchronise(tag + 10, available);
    else
        body.assign(tag + 10, tag + 10 + available);
    const uint8_t* b = body.data();
    const size_t n = body.size();
    size_t pos = 0;
    if (version >= 3 && (flags & 0x40)) {
        if (n < 4)
            return true;
        // 2.3 counts the extended header without its size field, 2.4 with it.
        const uint64_t extended = version == 3 ? uint64_t{4} + LGetBe32(b) : uint64_t{SyncSafe(b)};
        if (extended < 4 || extended > n)
            return true;
        pos = static_cast<size_t>(extended);
    }
    TagReader reader(tags, version, keepArtwork);
    const size_t headerSize = version == 2 ? 6 : 10;
    const bool tagUnsynchronised = version == 4 && (flags & 0x80);
    while (pos + headerSize <= n) {
        const uint8_t* h = b + pos;
        char id[5] = {};
        if (version == 2) {
            if (!IsIdChar(h[0]) || !IsIdChar(h[1]) || !IsIdChar(h[2]))
                break;
            char shortId[4] = {static_cast<char>(h[0]), static_cast<char>(h[1]), static_cast<char>(h[2]), 0};
            for (const IdKey& entry : kV22Ids)
                if (std::strcmp(entry.id, shortId) == 0)
                    std::memcpy(id, entry.key, 4);
            if (!id[0])
                std::memcpy(id, shortId, 3); // no later form: read-only, never carried
        } else {
            if (!IsIdChar(h[0]) || !IsIdChar(h[1]) || !IsIdChar(h[2]) || !IsIdChar(h[3]))
                break;
            std::memcpy(id, h, 4);
        }
        uint64_t frameSize;
        if (version == 2) {
            frameSize = (uint32_t{h[3]} << 16) | (uint32_t{h[4]} << 8) | h[5];
        } else if (version == 3) {
            frameSize = LGetBe32(h + 4);
        } else {
            // Some writers put plain sizes into 2.4 tags: believe the form that
            // leads to another frame or to the end.
            frameSize = SyncSafe(h + 4);
            const uint64_t plain = LGetBe32(h + 4);
            if ((h[4] | h[5] | h[6] | h[7]) & 0x80) {
                frameSize = plain;
            } else if (plain != frameSize) {
                const size_t after = pos + headerSize;
                const bool safeFits = after + frameSize <= n &&
                                      PlausibleNextFrame(b + after + frameSize, n - after - frameSize);
                const bool plainFits =
                    after + plain <= n && PlausibleNextFrame(b + after + plain, n - after - plain);
                if (!safeFits && plainFits)
                    frameSize = plain;
            }
        }
        const size_t dataStart = pos + headerSize;
        if (frameSize > n - dataStart)
            break; // runs past the tag: damaged from here on
        const uint8_t* data = b + dataStart;
        size_t dataSize = static_cast<size_t>(frameSize);
        pos = dataStart + dataSize;

        const uint8_t status = version == 2 ? 0 : h[8];
        const uint8_t format = version == 2 ? 0 : h[9];
        bool readable = true;
        bool dropped = false;
        uint8_t v23[10];
        std::vector<uint8_t> v23Data;
        std::vector<uint8_t> plainData;
        if (version == 3) {
            // Compressed or encrypted frames cannot be read as text; grouped
            // ones carry one extra byte before their data.
            if (status & 0x80)
                dropped = true; // asks to be dropped when the tag changes
            if (format & 0xC0) {
                readable = false;
            } else if (format & 0x20) {
                if (dataSize < 1)
                    continue;
                data += 1;
                dataSize -= 1;
            }
            std::memcpy(v23, h, 10);
            v23Data.assign(b + dataStart, b + dataStart + frameSize);
        } else if (version == 4) {
            if (status & 0x40)
                dropped = true;
            // Extra bytes in this order: group, encryption method, data length.
            size_t extra = 0;
            const bool grouped = format & 0x40;
            const bool compressed = format & 0x08;
            const bool encrypted = format & 0x04;
            const bool lengthGiven = format & 0x01;
            uint8_t group = 0, method = 0;
            uint32_t fullLength = 0;
            if (grouped && extra < dataSize)
                group = data[extra++];
            if (encrypted && extra < dataSize)
                method = data[extra++];
            if (lengthGiven && extra + 4 <= dataSize) {
                fullLength = SyncSafe(data + extra);
                extra += 4;
            } else if (lengthGiven) {
                continue;
            }
            if (extra > dataSize)
                continue;
            if (tagUnsynchronised || (format & 0x02)) {
                plainData = Resynchronise(data + extra, dataSize - extra);
            } else {
                plainData.assign(data + extra, data + dataSize);
            }
            data = plainData.data();
            dataSize = plainData.size();
            readable = !compressed && !encrypted;
            // The same frame in version 2.3 form: flags moved to their 2.3
            // bits, extras in 2.3 order (uncompressed size, method, group).
            if (compressed && !lengthGiven)
                dropped = true;
            uint8_t status23 = static_cast<uint8_t>(((status & 0x40) << 1) | ((status & 0x20) << 1) |
                                                    ((status & 0x10) << 1));
            uint8_t format23 =
                static_cast<uint8_t>((compressed ? 0x80 : 0) | (encrypted ? 0x40 : 0) | (grouped ? 0x20 : 0));
            if (compressed) {
                uint8_t full[4];
                LPutBe32(full, fullLength);
                v23Data.insert(v23Data.end(), full, full + 4);
            }
            if (encrypted)
                v23Data.push_back(method);
            if (grouped)
                v23Data.push_back(group);
            v23Data.insert(v23Data.end(), plainData.begin(), plainData.end());
            std::memcpy(v23, id, 4);
            LPutBe32(v23 + 4, static_cast<uint32_t>(v23Data.size()));
            v23[8] = status23;
            v23[9] = format23;
        } else {
            std::memcpy(v23, id, 4);
            LPutBe32(v23 + 4, static_cast<uint32_t>(dataSize));
            v23[8] = v23[9] = 0;
            v23Data.assign(data, data + dataSize);
        }
        // Frames with no later four-character form, and a 2.2 link frame whose
        // contents name 2.2 ids, cannot go into a 2.3 tag.
        const bool convertible =
            id[3] != '\0' &&
            !(version == 2 && (std::strcmp(id, "LINK") == 0 || std::strcmp(id, "APIC") == 0));
        if (dropped)
            continue;
        reader.Frame(id, data, dataSize, convertible ? v23 : nullptr, readable, v23Data);
    }
    reader.Finish(carried);
    return true;
}

bool ReadId3v2Tag(LAudioTagMap* tags, int fd, int64_t offset, LId3v2CarriedFrames* carried, bool keepArtwork)
{
    uint8_t header[10];
    if (fd < 0 || offset < 0 || LPreadFully(fd, header, 10, offset) != 10)
        return false;
    if (std::memcmp(header, "ID3", 3) != 0 || header[3] < 2 || header[3] > 4)
        return false;
    const uint32_t size = TagSizeField(header + 6);
    if (size >= kId3v2MaxTagSize)
        return false;
    const int64_t fileSize = LDescriptorSize(fd);
    int64_t available = fileSize - offset - 10;
    if (available < 0)
        available = 0;
    const size_t toRead = static_cast<size_t>(available < size ? available : size);
    std::vector<uint8_t> tag(10 + toRead);
    std::memcpy(tag.data(), header, 10);
    const size_t got = LPreadFully(fd, tag.data() + 10, toRead, offset + 10);
    tag.resize(10 + got);
    return ParseId3v2Tag(tags, tag.data(), tag.size(), carried, keepArtwork);
}

// ---- writing ----

namespace {

class TagBuilder
{
public:
    explicit TagBuilder(std::vector<uint8_t>* out) : out_(out) {}

    void Frame(const char* id, const std::vector<uint8_t>& data)
    {
        uint8_t header[10] = {};
        std::memcpy(header, id, 4);
        LPutBe32(header + 4, static_cast<uint32_t>(data.size()));
        out_->insert(out_->end(), header, header + 10);
        out_->insert(out_->end(), data.begin(), data.end());
        ++frames_;
        written_.insert(std::string(id, 4));
    }

    // Encoding 1 (UTF-16 with byte-order mark), little-endian units, no terminator.
    void TextFrame(const char* id, const char* text)
    {
        std::vector<uint8_t> data{1};
        AppendUtf16(&data, text);
        Frame(id, data);
    }

    // COMM and USLT: UTF-16, language "eng", an empty description, the text.
    void LanguageTextFrame(const char* id, const char* text)
    {
        std::vector<uint8_t> data{1, 'e', 'n', 'g', 0xFF, 0xFE, 0, 0};
        AppendUtf16(&data, text);
        Frame(id, data);
    }

    static void AppendUtf16(std::vector<uint8_t>* data, const char* text)
    {
        data->push_back(0xFF);
        data->push_back(0xFE);
        for (uint16_t unit : LTagUtf8ToUtf16(text)) {
            data->push_back(static_cast<uint8_t>(unit));
            data->push_back(static_cast<uint8_t>(unit >> 8));
        }
    }

    int Frames() const { return frames_; }
    const std::set<std::string>& Written() const { return written_; }
    void AddFrames(int count) { frames_ += count; }

private:
    std::vector<uint8_t>* out_;
    int frames_ = 0;
    std::set<std::string> written_;
};

// Pictures larger than this are not artwork (and would not fit the tag sizes players accept).
constexpr int64_t kMaxPictureBytes = 64 << 20;

bool ReadPicture(const char* path, std::vector<uint8_t>* bytes)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int64_t size = LDescriptorSize(fd);
    bool ok = size > 0 && size <= kMaxPictureBytes;
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        ok = LReadFully(fd, bytes->data(), bytes->size()) == bytes->size();
    }
    close(fd);
    return ok;
}

// Appends the carried frames, leaving out those that would stand beside a
// frame of the same id that may occur only once (a text frame or the play
// counter the record wrote). Returns how many were appended.
int AppendCarried(std::vector<uint8_t>* out, const LId3v2CarriedFrames& frames,
                  const std::set<std::string>& written)
{
    int count = 0;
    for (size_t at = 0; at + 10 <= frames.size();) {
        const size_t length = 10 + LGetBe32(frames.data() + at + 4);
        if (length > frames.size() - at)
            break;
        const std::string id(reinterpret_cast<const char*>(frames.data() + at), 4);
        const bool single = (id[0] == 'T' && id != "TXXX") || id == "PCNT";
        if (!(single && written.count(id))) {
            out->insert(out->end(), frames.begin() + static_cast<ptrdiff_t>(at),
                        frames.begin() + static_cast<ptrdiff_t>(at + length));
            ++count;
        }
        at += length;
    }
    return count;
}

} // namespace

int BuildId3v2Tag(const LAudioTagMap* tags, const LId3v2CarriedFrames* carried, std::vector<uint8_t>* out)
{
    out->clear();
    if (!tags)
        return 0;
    out->assign({'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0});
    TagBuilder builder(out);
    for (LStringMap::Iterator it = tags->fields.Begin(); !it.AtEnd(); it.Next()) {
        const char* key = it.Key();
        const char* value = it.Value();
        if (!*value || std::strcmp(key, "IMAGE") == 0 || std::strcmp(key, "LYRICS") == 0)
            continue;
        const char* id = KeyToId3FrameId(key);
        bool writable = IsId3WritableKey(key);
        if (id == key && std::strncmp(key, "ID3/", 4) == 0 && std::strlen(key) >= 5) {
            id = key + 4;
            writable = IsId3WritableKey(id);
        }
        if (!writable || !IsFrameId(id))
            continue;
        const std::string text = value;
        if (std::strcmp(id, "TDAT") == 0) {
            // "YYYY-MM-DD": the year in TYER, day and month in TDAT. A shorter
            // date gives what it holds and no more.
            if (text.size() >= 4)
                builder.TextFrame("TYER", text.substr(0, 4).c_str());
            if (text.size() >= 10 && text[4] == '-' && text[7] == '-')
                builder.TextFrame("TDAT", (text.substr(8, 2) + text.substr(5, 2)).c_str());
        } else if (std::strcmp(id, "TIME") == 0) {
            if (text.size() >= 5 && text[2] == ':')
                builder.TextFrame("TIME", (text.substr(0, 2) + text.substr(3, 2)).c_str());
        } else if (std::strcmp(id, "COMM") == 0) {
            builder.LanguageTextFrame("COMM", value);
        } else if (std::strcmp(id, "WXXX") == 0) {
            std::vector<uint8_t> data{0, 0};
            const std::string url = LTagUtf8ToLatin1(value);
            data.insert(data.end(), url.begin(), url.end());
            builder.Frame("WXXX", data);
        } else if (std::strcmp(id, "PCNT") == 0) {
            std::vector<uint8_t> data(4);
            LPutBe32(data.data(), static_cast<uint32_t>(LTagLeadingNumber(value, 0xFFFFFFFFu)));
            builder.Frame("PCNT", data);
        } else if (std::strcmp(id, "POPM") == 0) {
            builder.Frame("POPM", {0, static_cast<uint8_t>(LTagLeadingNumber(value, 255))});
        } else if (std::strcmp(id, "TCON") == 0) {
            const int genre = Id3GenreIndex(value);
            if (genre >= 0) {
                builder.TextFrame("TCON", ("(" + std::to_string(genre) + ")").c_str());
            } else {
                // A '(' at the start would read as a genre reference: doubled, it is plain text.
                std::string escaped;
                for (char c : text) {
                    escaped.push_back(c);
                    if (c == '(')
                        escaped.push_back('(');
                }
                builder.TextFrame("TCON", escaped.c_str());
            }
        } else {
            builder.TextFrame(id, value);
        }
    }
    const char* lyrics = tags->Get("LYRICS");
    if (*lyrics)
        builder.LanguageTextFrame("USLT", lyrics);
    if (carried && !carried->empty())
        builder.AddFrames(AppendCarried(out, *carried, builder.Written()));
    const char* image = tags->Get("IMAGE");
    std::vector<uint8_t> picture;
    if (*image && ReadPicture(image, &picture)) {
        const LTagImageType* type = LTagImageTypeOfBytes(picture.data(), picture.size());
        if (!type)
            type = LTagImageTypeOfExtension(image);
        if (type) {
            std::vector<uint8_t> data{0};
            data.insert(data.end(), type->mimeType, type->mimeType + std::strlen(type->mimeType));
            data.insert(data.end(), {0, 0, 0}); // terminator, picture type "other", empty description
            data.insert(data.end(), picture.begin(), picture.end());
            builder.Frame("APIC", data);
        }
    }
    const uint64_t size = out->size() - 10;
    if (builder.Frames() == 0 || size >= kId3v2MaxTagSize) {
        out->clear();
        return 0;
    }
    PutSyncSafe(out->data() + 6, static_cast<uint32_t>(size));
    return builder.Frames();
}

bool WriteId3v2Tag(int fd, int64_t offset, LId3v2Header* header, const LAudioTagMap* tags,
                   const LId3v2CarriedFrames* carried)
{
    std::vector<uint8_t> tag;
    if (fd < 0 || BuildId3v2Tag(tags, carried, &tag) == 0)
        return false;
    if (!LPwriteFully(fd, tag.data(), tag.size(), offset))
        return false;
    if (header) {
        header->version = 3;
        header->revision = 0;
        header->flags = 0;
        header->size = static_cast<uint32_t>(tag.size() - 10);
        header->dataOffset = offset + 10;
    }
    return lseek(fd, offset + static_cast<int64_t>(tag.size()), SEEK_SET) >= 0;
}

bool ReadId3v2Header(int fd, LId3v2Header* header)
{
    uint8_t h[10];
    if (fd < 0 || LPreadFully(fd, h, 10, 0) != 10 || std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF ||
        h[4] == 0xFF || (h[6] | h[7] | h[8] | h[9]) & 0x80)
        return false;
    const uint32_t size = SyncSafe(h + 6);
    if (int64_t{size} > LDescriptorSize(fd))
        return false;
    if (header) {
        header->version = h[3];
        header->revision = h[4];
        header->flags = h[5];
        header->size = size;
        header->dataOffset = 10;
    }
    return true;
}

int64_t Id3v2TagSpan(int fd)
{
    LId3v2Header header;
    if (!ReadId3v2Header(fd, &header))
        return 0;
    int64_t span = 10 + int64_t{header.size};
    // A 2.4 footer repeats the header after the tag.
    uint8_t footer[3];
    if (header.version == 4 && (header.flags & 0x10) && LPreadFully(fd, footer, 3, span) == 3 &&
        std::memcmp(footer, "3DI", 3) == 0)
        span += 10;
    const int64_t fileSize = LDescriptorSize(fd);
    return span < fileSize ? span : fileSize;
}

bool RewriteId3v2Tag(const LAudioTagMap* tags, const char* path)
{
    return LWriteMp3Tags(tags, path, true, false, nullptr);
}

int ReadId3Tags(LAudioTagMap* tags, const char* path)
{
    if (!tags || !path)
        return 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    LFileLockWait(fd, LOCK_SH | LOCK_NB, 1000); // read either way: reading never harms the file
    const bool v2 = ReadId3v2Tag(tags, fd, 0);
    const bool v1 = ReadId3v1Tag(tags, fd);
    close(fd);
    return v2 || v1 ? 1 : 0;
}
