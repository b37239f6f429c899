#pragma once
// Constant data of MPEG audio layer III (ISO/IEC 11172-3 and its lower
// sampling frequency extension ISO/IEC 13818-3, with the MPEG-2.5 rates).

#include <cstdint>

// One Huffman code book of the big-values region: code words and their
// lengths for every pair (x, y), row by row (index x * size + y).
struct LMp3HuffmanCodeBook
{
    int size;              // values per coordinate: 2, 3, 4, 6, 8 or 16
    const uint16_t* codes; // size * size code words
    const uint8_t* lengths;
};

// Code books by table number 0..31 (tables 0, 4 and 14 have no code words:
// size 0); tables 16..23 share book 16, 24..31 share book 24.
const LMp3HuffmanCodeBook& LMp3BigValueCodeBook(int table);
// Extra bits read after the value 15 of tables 16..31 (0 for the others).
extern const uint8_t kMp3LinBits[32];

// The two count1 books (quadruples v w x y, index v*8 + w*4 + x*2 + y).
extern const uint8_t kMp3Count1ACodes[16];
extern const uint8_t kMp3Count1ALengths[16];

// Bitrates in kbit/s by bitrate index (0 = free format, 15 invalid).
extern const uint16_t kMp3BitratesV1[16];
extern const uint16_t kMp3BitratesV2[16];
// Sampling rates of MPEG-1 by rate index.
extern const int32_t kMp3SampleRatesV1[3];

// Scale-factor band boundaries by rate (0..8: 44100, 48000, 32000, 22050,
// 24000, 16000, 11025, 12000, 8000): 23 long boundaries (frequency lines) and
// 14 short boundaries (lines within one window).
extern const uint16_t kMp3LongBands[9][23];
extern const uint16_t kMp3ShortBands[9][14];

// Pre-emphasis added to the long scale factors when preflag is set.
extern const uint8_t kMp3Pretab[22];

// MPEG-1 scale factor lengths by scalefac_compress.
extern const uint8_t kMp3Slen1[16];
extern const uint8_t kMp3Slen2[16];

// MPEG-2 scale factor bands per partition: [table 0..5][block kind: long,
// short, mixed][partition 0..3].
extern const uint8_t kMp3LsfPartitions[6][3][4];

// Alias-reduction coefficients c(i).
extern const double kMp3AliasCoefficients[8];

// Synthesis window D[i], i = 0..256, in units of 2^-16 (the rest of the 512
// values follow from symmetry: D[512 - i] = -D[i] unless i is a multiple of 64,
// where D[512 - i] = D[i]).
extern const int32_t kMp3SynthesisWindow[257];
