// Disc types: names, families and the media each may be burned on, and how
// the general types become specific ones for the loaded disc.

#include "burn/LDiscType.h"
#include "burn/LMediaType.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DiscTypeCase
{
    uint32_t type;
    const char* name;
    LDiscFamily family;
    uint32_t firstMedia; // compatible range
    uint32_t lastMedia;
};

TEST(DiscType, NamesFamiliesAndCompatibleMedia)
{
    const DiscTypeCase cases[] = {
        {0, "Audio CD", LDiscFamily::kCd, 0, 1},
        {1, "Video Blu-ray", LDiscFamily::kBluRay, 16, 17},
        {2, "ISO+Joliet CD", LDiscFamily::kCd, 0, 1},
        {3, "ISO+Joliet CD", LDiscFamily::kCd, 0, 1},
        {4, "UDF CD", LDiscFamily::kCd, 0, 1},
        {6, "ISO+Joliet DVD", LDiscFamily::kDvd, 3, 9},
        {8, "UDF DVD", LDiscFamily::kDvd, 3, 9},
        {9, "", LDiscFamily::kCd, 0, 1},
        {11, "ISO HD DVD", LDiscFamily::kHdDvd, 13, 14},
        {15, "ISO+Joliet Blu-ray", LDiscFamily::kBluRay, 16, 17},
        {19, "ISO Disc", LDiscFamily::kCd, 0, 18},
        {21, "Bootable UDF Disc", LDiscFamily::kCd, 0, 1},
        {22, "Hybrid Disc", LDiscFamily::kCd, 0, 18},
        {25, "MP3 DVD", LDiscFamily::kDvd, 3, 9},
        {26, "", LDiscFamily::kCd, 0, 1},
        {0xFFFFFFFFu, "", LDiscFamily::kCd, 0, 1},
    };
    for (const DiscTypeCase& c : cases) {
        EXPECT_STREQ(LDiscTypeName(c.type), c.name) << c.type;
        EXPECT_EQ(LDiscTypeFamily(c.type), c.family) << c.type;
        for (uint32_t media = 0; media <= 19; ++media)
            EXPECT_EQ(LIsMediaCompatible(c.type, media), media >= c.firstMedia && media <= c.lastMedia)
                << c.type << " on " << media;
    }
    // Type 23 is not checked against the media at all.
    for (uint32_t media = 0; media <= 19; ++media)
        EXPECT_TRUE(LIsMediaCompatible(23, media)) << media;
}

TEST(DiscType, FamilyCodes)
{
    EXPECT_EQ(LCannotWriteCode(LDiscFamily::kCd), 16);
    EXPECT_EQ(LCannotWriteCode(LDiscFamily::kDvd), 17);
    EXPECT_EQ(LCannotWriteCode(LDiscFamily::kHdDvd), 18);
    EXPECT_EQ(LCannotWriteCode(LDiscFamily::kBluRay), 19);
    EXPECT_EQ(LWrongDiscCode(LDiscFamily::kCd), 21);
    EXPECT_EQ(LWrongDiscCode(LDiscFamily::kDvd), 20);
    EXPECT_EQ(LWrongDiscCode(LDiscFamily::kHdDvd), 22);
    EXPECT_EQ(LWrongDiscCode(LDiscFamily::kBluRay), 23);
    EXPECT_EQ(LMediaFamily(kMediaDvdRam), LDiscFamily::kDvd);
    EXPECT_EQ(LMediaFamily(kMediaHdDvdR), LDiscFamily::kHdDvd);
    EXPECT_EQ(LMediaFamily(kMediaBdRom), LDiscFamily::kBluRay);
    EXPECT_EQ(LMediaFamily(kMediaCdRom), LDiscFamily::kCd);
}

struct RefineCase
{
    uint32_t type;
    uint32_t media;
    uint32_t refined;
};

TEST(DiscType, GeneralTypesBecomeSpecificForTheLoadedMedia)
{
    const RefineCase cases[] = {
        {19, kMediaDvdPlusR, 6},  {19, kMediaCdRw, 2},       {19, kMediaBdR, 15},    {19, kMediaHdDvdR, 11},
        {23, kMediaDvdR, 6},      {20, kMediaDvdPlusRw, 8},  {20, kMediaBdRe, 16},   {21, kMediaCdR, 2},
        {20, kMediaHdDvdRam, 12}, {19, kMediaImageFile, 19}, {20, kMediaNoDisc, 20}, {22, kMediaDvdR, 22},
        {6, kMediaBdR, 6},
    };
    for (const RefineCase& c : cases)
        EXPECT_EQ(LRefineDiscType(c.type, c.media), c.refined) << c.type << " on " << c.media;
}

} // namespace
