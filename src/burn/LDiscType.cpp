#include "burn/LDiscType.h"

#include "burn/LMediaType.h"

namespace {

struct DiscTypeRow
{
    const char* name;
    LDiscFamily family;
    // Compatible media as a bit set of media codes.
    uint32_t media;
};

constexpr uint32_t Bits(uint32_t from, uint32_t to)
{
    uint32_t bits = 0;
    for (uint32_t i = from; i <= to; ++i)
        bits |= 1u << i;
    return bits;
}

constexpr uint32_t kCdMedia = Bits(0, 1);
constexpr uint32_t kDvdMedia = Bits(3, 9);
constexpr uint32_t kHdDvdMedia = Bits(13, 14);
constexpr uint32_t kBdMedia = Bits(16, 17);
constexpr uint32_t kAllButNoDisc = Bits(0, 18);
constexpr uint32_t kNotChecked = 0xFFFFFFFFu;

constexpr DiscTypeRow kRows[] = {
    {"Audio CD", LDiscFamily::kCd, kCdMedia},
    {"Video Blu-ray", LDiscFamily::kBluRay, kBdMedia},
    {"ISO+Joliet CD", LDiscFamily::kCd, kCdMedia},
    {"ISO+Joliet CD", LDiscFamily::kCd, kCdMedia},
    {"UDF CD", LDiscFamily::kCd, kCdMedia},
    {"Hybrid CD", LDiscFamily::kCd, kCdMedia},
    {"ISO+Joliet DVD", LDiscFamily::kDvd, kDvdMedia},
    {"ISO DVD", LDiscFamily::kDvd, kDvdMedia},
    {"UDF DVD", LDiscFamily::kDvd, kDvdMedia},
    {"", LDiscFamily::kCd, kCdMedia},
    {"Hybrid DVD", LDiscFamily::kDvd, kDvdMedia},
    {"ISO HD DVD", LDiscFamily::kHdDvd, kHdDvdMedia},
    {"UDF HD DVD", LDiscFamily::kHdDvd, kHdDvdMedia},
    {"", LDiscFamily::kCd, kCdMedia},
    {"Hybrid HD DVD", LDiscFamily::kHdDvd, kHdDvdMedia},
    {"ISO+Joliet Blu-ray", LDiscFamily::kBluRay, kBdMedia},
    {"UDF Blu-ray", LDiscFamily::kBluRay, kBdMedia},
    {"", LDiscFamily::kCd, kCdMedia},
    {"Hybrid Blu-ray", LDiscFamily::kBluRay, kBdMedia},
    {"ISO Disc", LDiscFamily::kCd, kAllButNoDisc},
    {"UDF Disc", LDiscFamily::kCd, kAllButNoDisc},
    {"Bootable UDF Disc", LDiscFamily::kCd, kCdMedia},
    {"Hybrid Disc", LDiscFamily::kCd, kAllButNoDisc},
    {"", LDiscFamily::kCd, kNotChecked},
    {"MP3 CD", LDiscFamily::kCd, kCdMedia},
    {"MP3 DVD", LDiscFamily::kDvd, kDvdMedia},
};

constexpr uint32_t kRowCount = sizeof kRows / sizeof kRows[0];
constexpr DiscTypeRow kOutside = {"", LDiscFamily::kCd, kCdMedia};

const DiscTypeRow& Row(uint32_t discType)
{
    return discType < kRowCount ? kRows[discType] : kOutside;
}

} // namespace

const char* LDiscTypeName(uint32_t discType)
{
    return Row(discType).name;
}

LDiscFamily LDiscTypeFamily(uint32_t discType)
{
    return Row(discType).family;
}

bool LIsMediaCompatible(uint32_t discType, uint32_t media)
{
    const uint32_t set = Row(discType).media;
    if (set == kNotChecked)
        return true;
    return media < 32 && (set & (1u << media)) != 0;
}

int LCannotWriteCode(LDiscFamily family)
{
    switch (family) {
    case LDiscFamily::kDvd:
        return 17;
    case LDiscFamily::kHdDvd:
        return 18;
    case LDiscFamily::kBluRay:
        return 19;
    case LDiscFamily::kCd:
        break;
    }
    return 16;
}

int LWrongDiscCode(LDiscFamily family)
{
    switch (family) {
    case LDiscFamily::kDvd:
        return 20;
    case LDiscFamily::kHdDvd:
        return 22;
    case LDiscFamily::kBluRay:
        return 23;
    case LDiscFamily::kCd:
        break;
    }
    return 21;
}

LDiscFamily LMediaFamily(uint32_t media)
{
    switch (LMediaTypeName(media)[0]) {
    case 'D':
        return LDiscFamily::kDvd;
    case 'H':
        return LDiscFamily::kHdDvd;
    case 'B':
        return LDiscFamily::kBluRay;
    default:
        return LDiscFamily::kCd;
    }
}

uint32_t LRefineDiscType(uint32_t discType, uint32_t media)
{
    const char letter = LMediaTypeName(media)[0];
    if (discType == kDiscTypeUdfDisc || discType == kDiscTypeBootableUdfDisc) {
        switch (letter) {
        case 'B':
            return 16;
        case 'C':
            return 2;
        case 'D':
            return 8;
        case 'H':
            return 12;
        default:
            return discType;
        }
    }
    if (discType == kDiscTypeIsoDisc || discType == kDiscTypeAnyDisc) {
        switch (letter) {
        case 'B':
            return 15;
        case 'C':
            return 2;
        case 'D':
            return 6;
        case 'H':
            return 11;
        default:
            return discType;
        }
    }
    return discType;
}
