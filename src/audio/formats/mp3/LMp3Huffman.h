#pragma once
// Huffman decoding of layer III spectral values: the big-values pairs and
// the count1 quadruples, through lookup tables built once from the code books.

#include <cstdint>

#include "audio/formats/mp3/LMp3BitReader.h"

// The spectral values come out already raised to the power 4/3 with their
// sign (x -> sign(x) |x|^(4/3)), ready for the scale factor gains.

// Decodes pairs with code table `table` (0..31) into values[0 .. 2 * pairs).
// Reading stops early when the reader passes `endBit`. Returns false when the
// table cannot be used (4 or 14) or the data ran out.
bool LMp3DecodePairs(LMp3BitReader& bits, int table, int pairs, size_t endBit, float* values);

// Decodes quadruples with count1 table A (tableB false) or B from
// values[start] until the reader reaches `endBit` or 576 lines are filled.
// Returns the index after the last line written; a quadruple that ended past
// endBit is discarded (its lines are left zero).
int LMp3DecodeQuadruples(LMp3BitReader& bits, bool tableB, int start, size_t endBit, float* values);
