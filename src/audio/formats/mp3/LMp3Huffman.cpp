#include "audio/formats/mp3/LMp3Huffman.h"

#include <cmath>
#include <cstring>
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

// A count1 quadruple with its sign bits, looked up by the next bits of the
// stream: the four values and the bits they take.
struct Quadruple
{
    float values[4];
    uint32_t bits;
};

struct Tables
{
    DecodeTable books[32];
    Quadruple count1A[1024]; // by the next 10 bits: code (up to 6) and signs (up to 4)
    Quadruple count1B[256];  // by the next 8 bits: code (4) and signs
    float pow43[8207];       // |x|^(4/3) up to 15 + 2^13 - 1
};

// The quadruple whose code of `length` bits starts `prefix` (left-aligned in
// `width` bits), signs following.
Quadruple MakeQuadruple(int quad, int length, uint32_t prefix, int width)
{
    Quadruple q{};
    int used = length;
    for (int k = 0; k < 4; ++k) {
        if ((quad >> (3 - k)) & 1) {
            const bool negative = (prefix >> (width - 1 - used)) & 1;
            q.values[k] = negative ? -1.0f : 1.0f;
            ++used;
        }
    }
    q.bits = uint32_t(used);
    return q;
}

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
        for (uint32_t prefix = 0; prefix < 1024; ++prefix) {
            for (int v = 0; v < 16; ++v) {
                const int len = kMp3Count1ALengths[v];
                if ((prefix >> (10 - len)) == kMp3Count1ACodes[v]) {
                    tables->count1A[prefix] = MakeQuadruple(v, len, prefix, 10);
                    break;
                }
            }
        }
        for (uint32_t prefix = 0; prefix < 256; ++prefix)
            tables->count1B[prefix] = MakeQuadruple(int(prefix >> 4) ^ 15, 4, prefix, 8);
    });
    return *tables;
}

// Applies the sign bit that follows a non-zero value.
inline float Signed(LMp3BitReader& bits, float value)
{
    return bits.ReadBit() ? -value : value;
}

// value with its sign bit flipped when sign is 1 (without a branch).
inline float FlipSign(float value, uint32_t sign)
{
    uint32_t u;
    std::memcpy(&u, &value, 4);
    u ^= sign << 31;
    std::memcpy(&value, &u, 4);
    return value;
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
            const uint32_t hasX = x != 0;
            fx = FlipSign(pow43[x], ((peek << used) >> 31) & hasX);
            used += hasX;
            const uint32_t hasY = y != 0;
            fy = FlipSign(pow43[y], ((peek << used) >> 31) & hasY);
            used += hasY;
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
    const Tables& tables = GetTables();
    const Quadruple* table = tableB ? tables.count1B : tables.count1A;
    const unsigned shift = tableB ? 24 : 22;
    int index = start;
    while (index + 4 <= 576 && bits.Position() < endBit) {
        const Quadruple& q = table[bits.Peek32() >> shift];
        bits.Skip(q.bits);
        if (bits.Position() > endBit)
            break; // the last quadruple ran past the granule's bits: not part of it
        std::memcpy(values + index, q.values, sizeof q.values);
        index += 4;
    }
    return index;
}
