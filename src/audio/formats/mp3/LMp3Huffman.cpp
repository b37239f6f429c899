#include "audio/formats/mp3/LMp3Huffman.h"

#include <cmath>
#include <mutex>
#include <vector>

#include "audio/formats/mp3/LMp3Tables.h"

namespace {

// A decoding table: the first `rootBits` bits of the stream index the root;
// entries for longer codes point at a second-level table indexed by the next
// bits. Entry layout: leaf = length | x << 8 | y << 12; link = kLink |
// offset << 5 | bits of the second level.
constexpr uint32_t kLink = 0x80000000u;

struct DecodeTable
{
    int rootBits = 0;
    std::vector<uint32_t> entries;
};

DecodeTable BuildTable(const LMp3HuffmanCodeBook& book)
{
    DecodeTable t;
    const int count = book.size * book.size;
    int maxLength = 0;
    for (int i = 0; i < count; ++i)
        maxLength = book.lengths[i] > maxLength ? book.lengths[i] : maxLength;
    t.rootBits = maxLength < 9 ? maxLength : 9;
    t.entries.assign(size_t(1) << t.rootBits, 0);
    // Longest code below each long prefix decides its second-level size.
    std::vector<int> subBits(size_t(1) << t.rootBits, 0);
    for (int i = 0; i < count; ++i) {
        const int len = book.lengths[i];
        if (len > t.rootBits) {
            const uint32_t prefix = book.codes[i] >> (len - t.rootBits);
            if (len - t.rootBits > subBits[prefix])
                subBits[prefix] = len - t.rootBits;
        }
    }
    for (size_t prefix = 0; prefix < subBits.size(); ++prefix) {
        if (subBits[prefix] == 0)
            continue;
        const size_t offset = t.entries.size();
        t.entries.resize(offset + (size_t(1) << subBits[prefix]), 0);
        t.entries[prefix] = kLink | uint32_t(offset << 5) | uint32_t(subBits[prefix]);
    }
    for (int i = 0; i < count; ++i) {
        const int len = book.lengths[i];
        const uint32_t code = book.codes[i];
        const uint32_t leaf = uint32_t(len) | uint32_t(i / book.size) << 8 | uint32_t(i % book.size) << 12;
        if (len <= t.rootBits) {
            const int spare = t.rootBits - len;
            for (uint32_t k = 0; k < (1u << spare); ++k)
                t.entries[(code << spare) | k] = leaf;
        } else {
            const uint32_t prefix = code >> (len - t.rootBits);
            const uint32_t link = t.entries[prefix];
            const int sub = int(link & 31);
            const size_t offset = (link & ~kLink) >> 5;
            const int rest = len - t.rootBits;
            const uint32_t tail = code & ((1u << rest) - 1);
            const int spare = sub - rest;
            for (uint32_t k = 0; k < (1u << spare); ++k)
                t.entries[offset + ((tail << spare) | k)] = leaf;
        }
    }
    return t;
}

struct Tables
{
    DecodeTable books[32];
    uint8_t count1A[64]; // length | value << 4
    float pow43[8207];   // |x|^(4/3) up to 15 + 2^13 - 1
};

const Tables& GetTables()
{
    static Tables* tables = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        tables = new Tables;
        for (int t = 0; t < 32; ++t) {
            const LMp3HuffmanCodeBook& book = LMp3BigValueCodeBook(t);
            if (book.size != 0 && (t < 16 || t == 16 || t == 24))
                tables->books[t] = BuildTable(book);
        }
        for (int t = 17; t < 24; ++t)
            tables->books[t] = tables->books[16];
        for (int t = 25; t < 32; ++t)
            tables->books[t] = tables->books[24];
        for (int i = 0; i < 8207; ++i)
            tables->pow43[i] = float(std::pow(double(i), 4.0 / 3.0));
        for (int v = 0; v < 16; ++v) {
            const int len = kMp3Count1ALengths[v];
            const int spare = 6 - len;
            for (int k = 0; k < (1 << spare); ++k)
                tables->count1A[(kMp3Count1ACodes[v] << spare) | k] = uint8_t(len | v << 4);
        }
    });
    return *tables;
}

// Applies the sign bit that follows a non-zero value.
inline float Signed(LMp3BitReader& bits, float value)
{
    return bits.ReadBit() ? -value : value;
}

} // namespace

bool LMp3DecodePairs(LMp3BitReader& bits, int table, int pairs, size_t endBit, float* values)
{
    if (pairs <= 0)
        return true;
    if (table == 0) {
        for (int i = 0; i < 2 * pairs; ++i)
            values[i] = 0.0f;
        return true;
    }
    const Tables& tables = GetTables();
    const DecodeTable& t = tables.books[table & 31];
    if (t.entries.empty())
        return false;
    const float* pow43 = tables.pow43;
    const uint32_t* entries = t.entries.data();
    const int rootBits = t.rootBits;
    const unsigned linBits = kMp3LinBits[table];
    for (int i = 0; i < pairs; ++i) {
        const uint32_t peek = bits.Peek32();
        uint32_t e = entries[peek >> (32 - rootBits)];
        if (e & kLink) {
            const unsigned sub = e & 31;
            e = entries[((e & ~kLink) >> 5) + ((peek << rootBits) >> (32 - sub))];
        }
        unsigned used = e & 31;
        const unsigned x = (e >> 8) & 15;
        const unsigned y = (e >> 12) & 15;
        float fx, fy;
        if (linBits == 0 || (x != 15 && y != 15)) {
            // Code and both sign bits lie within the 32 bits already peeked
            // (codes are at most 19 bits long).
            fx = pow43[x];
            if (x != 0) {
                if ((peek << used) & 0x80000000u)
                    fx = -fx;
                ++used;
            }
            fy = pow43[y];
            if (y != 0) {
                if ((peek << used) & 0x80000000u)
                    fy = -fy;
                ++used;
            }
            bits.Skip(used);
        } else {
            bits.Skip(used);
            fx = 0.0f;
            if (x != 0)
                fx = Signed(bits, pow43[x == 15 ? 15 + bits.Read(linBits) : x]);
            fy = 0.0f;
            if (y != 0)
                fy = Signed(bits, pow43[y == 15 ? 15 + bits.Read(linBits) : y]);
        }
        values[2 * i] = fx;
        values[2 * i + 1] = fy;
        if (bits.Position() > endBit) {
            for (int k = 2 * i; k < 2 * pairs; ++k)
                values[k] = 0.0f;
            return false;
        }
    }
    return true;
}

int LMp3DecodeQuadruples(LMp3BitReader& bits, bool tableB, int start, size_t endBit, float* values)
{
    const uint8_t* count1A = GetTables().count1A;
    int index = start;
    while (index + 4 <= 576 && bits.Position() < endBit) {
        // Code (at most 6 bits) and up to four sign bits within one peek.
        const uint32_t peek = bits.Peek32();
        int quad;
        unsigned used;
        if (tableB) {
            quad = int(peek >> 28) ^ 15;
            used = 4;
        } else {
            const uint8_t e = count1A[peek >> 26];
            quad = e >> 4;
            used = e & 15;
        }
        float v[4];
        for (int k = 0; k < 4; ++k) {
            if ((quad >> (3 - k)) & 1) {
                v[k] = ((peek << used) & 0x80000000u) ? -1.0f : 1.0f;
                ++used;
            } else {
                v[k] = 0.0f;
            }
        }
        bits.Skip(used);
        if (bits.Position() > endBit)
            break;
        for (int k = 0; k < 4; ++k)
            values[index + k] = v[k];
        index += 4;
    }
    return index;
}
