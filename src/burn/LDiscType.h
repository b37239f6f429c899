#pragma once
// The kinds of data or audio disc a burn produces (0..25). Each names a media
// family, which decides the "cannot write" and "wrong disc" codes, and the
// media it may be burned on. The same numbers are the file-system codes the
// image generator chooses its file systems from.

#include <cstdint>

enum class LDiscFamily { kCd, kDvd, kHdDvd, kBluRay };

inline constexpr uint32_t kDiscTypeIsoDisc = 19;
inline constexpr uint32_t kDiscTypeUdfDisc = 20;
inline constexpr uint32_t kDiscTypeBootableUdfDisc = 21;
inline constexpr uint32_t kDiscTypeAnyDisc = 23;
inline constexpr uint32_t kDiscTypeAudioCd = 0;

// "" for the unnamed codes and anything outside 0..25.
const char* LDiscTypeName(uint32_t discType);
LDiscFamily LDiscTypeFamily(uint32_t discType);
// Whether a disc type may be burned on a media code.
bool LIsMediaCompatible(uint32_t discType, uint32_t media);

// 16..19: the drive cannot write this family.
int LCannotWriteCode(LDiscFamily family);
// 20..23: the loaded disc is not of this family.
int LWrongDiscCode(LDiscFamily family);
// The family a media code belongs to (CD for the codes of no family).
LDiscFamily LMediaFamily(uint32_t media);

// The general disc types made specific by the loaded media, from the first
// letter of its name: 20 and 21 become UDF types, 19 and 23 ISO types.
uint32_t LRefineDiscType(uint32_t discType, uint32_t media);
