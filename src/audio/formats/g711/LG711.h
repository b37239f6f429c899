#pragma once
// ITU-T G.711 companding at the internal sample scale (16-bit PCM x 16).
// Decoding yields exactly the standard 16-bit expansion times 16, so our
// A-law and mu-law files read the same everywhere; encoding picks the code
// whose expansion is nearest (mu-law) or whose interval holds the sample
// (A-law), saturating at the top of the last segment.

#include <cstddef>
#include <cstdint>

// One internal sample to one 8-bit code.
void LLinearToMuLaw(uint8_t& out, int32_t sample);
void LLinearToALaw(uint8_t& out, int32_t sample);

// One 8-bit code to one internal sample.
int32_t LMuLawToInternal(uint8_t code);
int32_t LALawToInternal(uint8_t code);

// Block conversions (table lookups, eight at a time).
void LDecodeMuLaw(const uint8_t* codes, int32_t* samples, size_t count);
void LDecodeALaw(const uint8_t* codes, int32_t* samples, size_t count);
void LEncodeMuLaw(const int32_t* samples, uint8_t* codes, size_t count);
void LEncodeALaw(const int32_t* samples, uint8_t* codes, size_t count);
