#include "audio/formats/mp3/LMp3LayerIIIDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "audio/formats/mp3/LMp3BitReader.h"
#include "audio/formats/mp3/LMp3Huffman.h"
#include "audio/formats/mp3/LMp3Tables.h"

namespace {

constexpr int kGainOffset = 640; // gain table index of exponent 0
constexpr int kGainEntries = 768;
constexpr int kMaxReservoirBack = 511;

struct RequantTables
{
    float pow43[8207];        // |x|^(4/3)
    float gain[kGainEntries]; // 2^(e / 4) for e = index - kGainOffset
    float isMpeg1[7][2];      // (left, right) factors by intensity position
    float isLsf[2][32][2];    // by intensity scale and position
};

const RequantTables& Tables()
{
    static const RequantTables* tables = [] {
        auto* t = new RequantTables;
        for (int i = 0; i < kGainEntries; ++i)
            t->gain[i] = float(std::pow(2.0, (i - kGainOffset) / 4.0));
        for (int p = 0; p < 7; ++p) {
            if (p == 6) {
                t->isMpeg1[p][0] = 1.0f;
                t->isMpeg1[p][1] = 0.0f;
            } else {
                const double k = std::tan(p * M_PI / 12.0);
                t->isMpeg1[p][0] = float(k / (1.0 + k));
                t->isMpeg1[p][1] = float(1.0 / (1.0 + k));
            }
        }
        for (int scale = 0; scale < 2; ++scale) {
            const double i0 = scale ? std::pow(2.0, -0.5) : std::pow(2.0, -0.25);
            for (int p = 0; p < 32; ++p) {
                double l = 1.0, r = 1.0;
                if (p & 1)
                    l = std::pow(i0, (p + 1) / 2);
                else if (p != 0)
                    r = std::pow(i0, p / 2);
                t->isLsf[scale][p][0] = float(l);
                t->isLsf[scale][p][1] = float(r);
            }
        }
        return t;
    }();
    return *tables;
}

inline float Gain(int exponent)
{
    const int index = exponent + kGainOffset;
    if (index < 0)
        return 0.0f;
    return Tables().gain[index < kGainEntries ? index : kGainEntries - 1];
}

struct GranuleInfo
{
    int part23Length = 0;
    int bigValues = 0;
    int globalGain = 0;
    int scalefacCompress = 0;
    bool windowSwitching = false;
    int blockType = 0;
    bool mixed = false;
    int tableSelect[3] = {};
    int subblockGain[3] = {};
    int region0Count = 0;
    int region1Count = 0;
    bool preflag = false;
    int scalefacScale = 0;
    bool count1TableB = false;
    bool valid = true;

    bool ShortBlocks() const { return windowSwitching && blockType == 2; }
};

struct SideInfo
{
    int mainDataBegin = 0;
    uint8_t scfsi[2][4] = {};
    GranuleInfo gr[2][2];
};

// Per-channel scale factors, kept across granules for scfsi.
struct ScaleFactors
{
    uint8_t longSf[22] = {};
    uint8_t shortSf[13][3] = {};
    // Intensity positions that are illegal for the right channel of an
    // MPEG-2 stream (the largest value its length allows).
    uint8_t longIllegal[22] = {};
    uint8_t shortIllegal[13][3] = {};
    int intensityScale = 0;
};

void ReadGranule(LMp3BitReader& bits, bool lsf, GranuleInfo& g)
{
    g = GranuleInfo{};
    g.part23Length = int(bits.Read(12));
    g.bigValues = int(bits.Read(9));
    g.globalGain = int(bits.Read(8));
    g.scalefacCompress = int(bits.Read(lsf ? 9 : 4));
    g.windowSwitching = bits.ReadBit();
    if (g.windowSwitching) {
        g.blockType = int(bits.Read(2));
        g.mixed = bits.ReadBit();
        g.tableSelect[0] = int(bits.Read(5));
        g.tableSelect[1] = int(bits.Read(5));
        for (int w = 0; w < 3; ++w)
            g.subblockGain[w] = int(bits.Read(3));
        // Block type 0 cannot be signalled with window switching.
        if (g.blockType == 0)
            g.valid = false;
    } else {
        for (int r = 0; r < 3; ++r)
            g.tableSelect[r] = int(bits.Read(5));
        g.region0Count = int(bits.Read(4));
        g.region1Count = int(bits.Read(3));
    }
    if (!lsf)
        g.preflag = bits.ReadBit();
    g.scalefacScale = int(bits.Read(1));
    g.count1TableB = bits.ReadBit();
    if (g.bigValues > 288)
        g.valid = false;
}

} // namespace

struct LMp3LayerIIIDecoder::State
{
    // Reservoir: main data of earlier frames followed by the current one,
    // with zero padding so that the bit reader may peek past the end.
    alignas(16) uint8_t reservoir[kMaxReservoirBack + kMaxMainDataBytes + 16];
    int reservoirBytes = 0;

    ScaleFactors scale[2];
    alignas(32) float xr[2][576];
    int nonZero[2] = {};
    // Hybrid output in the synthesis input layout; the padding slots stay zero.
    alignas(32) float subbands[3 * 256] = {};
    LMp3HybridFilter hybrid[2];
    LMp3SynthesisFilter synthesis[2];
};

LMp3LayerIIIDecoder::LMp3LayerIIIDecoder() : s_(new State)
{
    Tables();
    Reset();
}

LMp3LayerIIIDecoder::~LMp3LayerIIIDecoder()
{
    delete s_;
}

void LMp3LayerIIIDecoder::Reset()
{
    s_->reservoirBytes = 0;
    std::memset(s_->reservoir, 0, sizeof(s_->reservoir));
    for (int ch = 0; ch < 2; ++ch) {
        s_->scale[ch] = ScaleFactors{};
        s_->hybrid[ch].Reset();
        s_->synthesis[ch].Reset();
    }
}

namespace {

// Reads the scale factors of one MPEG-1 granule and channel.
void ReadScaleFactorsMpeg1(LMp3BitReader& bits, const GranuleInfo& g, int granule, const uint8_t* scfsi,
                           ScaleFactors& sf)
{
    const int slen1 = kMp3Slen1[g.scalefacCompress & 15];
    const int slen2 = kMp3Slen2[g.scalefacCompress & 15];
    if (g.ShortBlocks()) {
        int sfb = 0;
        if (g.mixed) {
            for (; sfb < 8; ++sfb)
                sf.longSf[sfb] = uint8_t(bits.Read(slen1));
            sfb = 3;
        }
        for (; sfb < 12; ++sfb)
            for (int w = 0; w < 3; ++w)
                sf.shortSf[sfb][w] = uint8_t(bits.Read(sfb < 6 ? slen1 : slen2));
        for (int w = 0; w < 3; ++w)
            sf.shortSf[12][w] = 0;
        return;
    }
    static const int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        if (granule == 1 && scfsi[group])
            continue; // shared with the first granule
        const int slen = group < 2 ? slen1 : slen2;
        for (int sfb = kGroupStart[group]; sfb < kGroupStart[group + 1]; ++sfb)
            sf.longSf[sfb] = uint8_t(bits.Read(slen));
    }
    sf.longSf[21] = 0;
}

// Reads the scale factors of an MPEG-2 / 2.5 granule; sets preflag.
void ReadScaleFactorsLsf(LMp3BitReader& bits, GranuleInfo& g, bool intensityRight, ScaleFactors& sf)
{
    int slen[4] = {};
    int table = 0;
    int sfc = g.scalefacCompress;
    if (intensityRight) {
        sf.intensityScale = sfc & 1;
        int isc = sfc >> 1;
        if (isc < 180) {
            slen[0] = isc / 36;
            slen[1] = (isc % 36) / 6;
            slen[2] = (isc % 36) % 6;
            table = 3;
        } else if (isc < 244) {
            isc -= 180;
            slen[0] = (isc % 64) >> 4;
            slen[1] = (isc % 16) >> 2;
            slen[2] = isc % 4;
            table = 4;
        } else {
            isc -= 244;
            slen[0] = isc / 3;
            slen[1] = isc % 3;
            table = 5;
        }
        g.preflag = false;
    } else {
        if (sfc < 400) {
            slen[0] = (sfc >> 4) / 5;
            slen[1] = (sfc >> 4) % 5;
            slen[2] = (sfc & 15) >> 2;
            slen[3] = sfc & 3;
            table = 0;
            g.preflag = false;
        } else if (sfc < 500) {
            sfc -= 400;
            slen[0] = (sfc >> 2) / 5;
            slen[1] = (sfc >> 2) % 5;
            slen[2] = sfc & 3;
            table = 1;
            g.preflag = false;
        } else {
            sfc -= 500;
            slen[0] = sfc / 3;
            slen[1] = sfc % 3;
            table = 2;
            g.preflag = true;
        }
    }
    const int kind = g.ShortBlocks() ? (g.mixed ? 2 : 1) : 0;
    const uint8_t* counts = kMp3LsfPartitions[table][kind];
    // Destinations in stream order: long bands, then (band, window) pairs.
    const int longCount = kind == 0 ? 21 : kind == 2 ? 6 : 0;
    const int firstShort = kind == 2 ? 3 : 0;
    int slot = 0;
    for (int part = 0; part < 4; ++part) {
        const int bitsPer = slen[part];
        const uint8_t illegal = uint8_t((1 << bitsPer) - 1);
        for (int i = 0; i < counts[part]; ++i, ++slot) {
            const uint8_t value = uint8_t(bits.Read(bitsPer));
            if (slot < longCount) {
                sf.longSf[slot] = value;
                sf.longIllegal[slot] = illegal;
            } else {
                const int s = slot - longCount;
                const int sfb = firstShort + s / 3;
                if (sfb < 13) {
                    sf.shortSf[sfb][s % 3] = value;
                    sf.shortIllegal[sfb][s % 3] = illegal;
                }
            }
        }
    }
    // The last band has no scale factor of its own: intensity uses the one before.
    sf.longSf[21] = 0;
    sf.longIllegal[21] = sf.longIllegal[20];
    for (int w = 0; w < 3; ++w) {
        sf.shortSf[12][w] = 0;
        sf.shortIllegal[12][w] = sf.shortIllegal[11][w];
    }
}

// Scales the decoded values (already sign(x) |x|^(4/3)) in place by the
// gains of their bands.
void Requantize(const GranuleInfo& g, const ScaleFactors& sf, int rateRow, bool lsf, int nonZero, float* xr)
{
    const uint16_t* longBands = kMp3LongBands[rateRow];
    const uint16_t* shortBands = kMp3ShortBands[rateRow];
    const int base = g.globalGain - 210;
    const int shift = 1 + g.scalefacScale;

    auto apply = [&](int start, int end, float gain) {
        end = std::min(end, nonZero);
        for (int i = start; i < end; ++i)
            xr[i] *= gain;
    };

    int shortStartBand = 0;
    int longEnd = 576;
    if (g.ShortBlocks()) {
        if (g.mixed) {
            const int longBandsUsed = lsf ? 6 : 8;
            longEnd = longBands[longBandsUsed];
            shortStartBand = 3;
        } else {
            longEnd = 0;
        }
    }
    for (int sfb = 0; sfb < 22 && longBands[sfb] < longEnd && longBands[sfb] < nonZero; ++sfb) {
        const int pre = g.preflag ? kMp3Pretab[sfb] : 0;
        const int exponent = base - ((sf.longSf[sfb] + pre) << shift);
        apply(longBands[sfb], std::min<int>(longBands[sfb + 1], longEnd), Gain(exponent));
    }
    if (!g.ShortBlocks())
        return;
    for (int sfb = shortStartBand; sfb < 13; ++sfb) {
        const int width = shortBands[sfb + 1] - shortBands[sfb];
        const int start = 3 * shortBands[sfb];
        if (start >= nonZero)
            break;
        for (int w = 0; w < 3; ++w) {
            const int exponent = base - 8 * g.subblockGain[w] - (sf.shortSf[sfb][w] << shift);
            apply(start + w * width, start + (w + 1) * width, Gain(exponent));
        }
    }
}

// Short-block lines come band by band, window by window; the filter bank
// wants them by frequency with the three windows interleaved.
void Reorder(const GranuleInfo& g, int rateRow, float* xr)
{
    const uint16_t* shortBands = kMp3ShortBands[rateRow];
    const int firstBand = g.mixed ? 3 : 0;
    float tmp[576];
    const int regionStart = 3 * shortBands[firstBand];
    for (int sfb = firstBand; sfb < 13; ++sfb) {
        const int width = shortBands[sfb + 1] - shortBands[sfb];
        const int start = 3 * shortBands[sfb];
        for (int w = 0; w < 3; ++w)
            for (int j = 0; j < width; ++j)
                tmp[start + 3 * j + w] = xr[start + w * width + j];
    }
    std::memcpy(xr + regionStart, tmp + regionStart, sizeof(float) * size_t(576 - regionStart));
}

int LastNonZero(const float* xr, int limit)
{
    while (limit > 0 && xr[limit - 1] == 0.0f)
        --limit;
    return limit;
}

} // namespace

namespace {

struct StereoContext
{
    float* left;
    float* right;
    bool midSide;
    bool lsf;
    const ScaleFactors* rightScale;
};

inline void MidSide(float* l, float* r, int start, int end)
{
    constexpr float kInvSqrt2 = 0.70710678118654752f;
    for (int i = start; i < end; ++i) {
        const float m = l[i];
        const float s = r[i];
        l[i] = (m + s) * kInvSqrt2;
        r[i] = (m - s) * kInvSqrt2;
    }
}

// One band of the intensity region: the right channel is made from the left
// one, unless the position is illegal, where the band stays as coded (mid/side
// when that is on).
void IntensityBand(const StereoContext& c, int start, int end, int position, int illegal)
{
    const RequantTables& t = Tables();
    float kl, kr;
    if (c.lsf) {
        if (position == illegal || position > 31) {
            if (c.midSide)
                MidSide(c.left, c.right, start, end);
            return;
        }
        kl = t.isLsf[c.rightScale->intensityScale][position][0];
        kr = t.isLsf[c.rightScale->intensityScale][position][1];
    } else {
        if (position >= 7) {
            if (c.midSide)
                MidSide(c.left, c.right, start, end);
            return;
        }
        kl = t.isMpeg1[position][0];
        kr = t.isMpeg1[position][1];
    }
    for (int i = start; i < end; ++i) {
        const float v = c.left[i];
        c.left[i] = v * kl;
        c.right[i] = v * kr;
    }
}

bool AnyNonZero(const float* xr, int start, int end)
{
    for (int i = start; i < end; ++i)
        if (xr[i] != 0.0f)
            return true;
    return false;
}

// Intensity stereo over the long bands from `firstBand` to the band that ends
// at `endLine`, the lines below the band of the last non-zero right value
// getting mid/side when on.
void IntensityLong(const StereoContext& c, const uint16_t* longBands, int endBandLimit, int endLine)
{
    const int lastRight = LastNonZero(c.right, endLine);
    int bound = 0;
    while (bound < endBandLimit && longBands[bound] < lastRight)
        ++bound;
    // bound is now the band after the one holding the last non-zero value.
    if (c.midSide)
        MidSide(c.left, c.right, 0, longBands[bound]);
    for (int sfb = bound; sfb < endBandLimit; ++sfb) {
        const int src = sfb < 21 ? sfb : 20;
        IntensityBand(c, longBands[sfb], longBands[sfb + 1], c.rightScale->longSf[src],
                      c.rightScale->longIllegal[src]);
    }
}

void IntensityShort(const StereoContext& c, const uint16_t* shortBands, int firstBand)
{
    for (int w = 0; w < 3; ++w) {
        int bound = firstBand;
        for (int sfb = 12; sfb >= firstBand; --sfb) {
            const int width = shortBands[sfb + 1] - shortBands[sfb];
            const int start = 3 * shortBands[sfb] + w * width;
            if (AnyNonZero(c.right, start, start + width)) {
                bound = sfb + 1;
                break;
            }
        }
        for (int sfb = firstBand; sfb < 13; ++sfb) {
            const int width = shortBands[sfb + 1] - shortBands[sfb];
            const int start = 3 * shortBands[sfb] + w * width;
            if (sfb < bound) {
                if (c.midSide)
                    MidSide(c.left, c.right, start, start + width);
            } else {
                const int src = sfb < 12 ? sfb : 11;
                IntensityBand(c, start, start + width, c.rightScale->shortSf[src][w],
                              c.rightScale->shortIllegal[src][w]);
            }
        }
    }
}

} // namespace

LMp3LayerIIIDecoder::Result LMp3LayerIIIDecoder::DecodeFrame(const LMp3FrameHeader& header,
                                                             const uint8_t* payload, size_t payloadBytes,
                                                             float* out)
{
    State& s = *s_;
    const bool lsf = header.IsLowSamplingFrequency();
    const int channels = header.channels;
    const int granules = lsf ? 1 : 2;
    const int rateRow = header.rateTableIndex;
    if (payloadBytes < size_t(header.sideInfoBytes))
        return kBadFrame;
    const int mainBytes = int(payloadBytes) - header.sideInfoBytes;
    if (mainBytes > kMaxMainDataBytes)
        return kBadFrame;

    // Side information, read from a padded copy.
    uint8_t sideBytes[32 + 8] = {};
    std::memcpy(sideBytes, payload, size_t(header.sideInfoBytes));
    LMp3BitReader sideBits(sideBytes, size_t(header.sideInfoBytes) * 8);
    SideInfo side;
    if (lsf) {
        side.mainDataBegin = int(sideBits.Read(8));
        sideBits.Skip(channels == 1 ? 1 : 2);
    } else {
        side.mainDataBegin = int(sideBits.Read(9));
        sideBits.Skip(channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch)
            for (int g = 0; g < 4; ++g)
                side.scfsi[ch][g] = uint8_t(sideBits.Read(1));
    }
    for (int gr = 0; gr < granules; ++gr)
        for (int ch = 0; ch < channels; ++ch)
            ReadGranule(sideBits, lsf, side.gr[gr][ch]);

    // Bit reservoir: the back pointer must stay within what earlier frames left.
    const uint8_t* mainData = payload + header.sideInfoBytes;
    if (side.mainDataBegin > s.reservoirBytes) {
        const int keep = std::min(s.reservoirBytes, kMaxReservoirBack);
        std::memmove(s.reservoir, s.reservoir + s.reservoirBytes - keep, size_t(keep));
        std::memcpy(s.reservoir + keep, mainData, size_t(mainBytes));
        s.reservoirBytes = keep + mainBytes;
        return kNeedReservoir;
    }
    std::memmove(s.reservoir, s.reservoir + s.reservoirBytes - side.mainDataBegin,
                 size_t(side.mainDataBegin));
    std::memcpy(s.reservoir + side.mainDataBegin, mainData, size_t(mainBytes));
    const int totalBytes = side.mainDataBegin + mainBytes;
    std::memset(s.reservoir + totalBytes, 0, 16);
    s.reservoirBytes = totalBytes;
    const size_t totalBits = size_t(totalBytes) * 8;

    const bool jointStereo = channels == 2 && header.mode == kMp3ModeJointStereo;
    const bool midSide = jointStereo && (header.modeExtension & 2);
    const bool intensity = jointStereo && (header.modeExtension & 1);

    LMp3BitReader bits(s.reservoir, totalBits);
    size_t cursor = 0;
    for (int gr = 0; gr < granules; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            GranuleInfo& g = side.gr[gr][ch];
            float* xr = s.xr[ch];
            const size_t start = cursor;
            const size_t end = cursor + size_t(g.part23Length);
            cursor = end;
            std::memset(xr, 0, sizeof(float) * 576);
            s.nonZero[ch] = 0;
            if (!g.valid || end > totalBits) {
                if (g.part23Length > 0 || !g.valid)
                    ++damagedGranules_;
                continue;
            }
            bits.SetPosition(start);
            if (lsf)
                ReadScaleFactorsLsf(bits, g, intensity && ch == 1, s.scale[ch]);
            else
                ReadScaleFactorsMpeg1(bits, g, gr, side.scfsi[ch], s.scale[ch]);
            if (bits.Position() > end) {
                ++damagedGranules_;
                continue;
            }

            // Huffman regions, bounded by the band table and by big_values.
            const uint16_t* longBands = kMp3LongBands[rateRow];
            int region1, region2;
            if (g.windowSwitching) {
                region1 = (g.blockType == 2 && !g.mixed) ? 3 * kMp3ShortBands[rateRow][3] : longBands[8];
                region2 = 576;
            } else {
                region1 = longBands[std::min(g.region0Count + 1, 22)];
                region2 = longBands[std::min(g.region0Count + g.region1Count + 2, 22)];
            }
            const int bigLines = 2 * g.bigValues;
            region1 = std::min(region1, bigLines);
            region2 = std::clamp(region2, region1, bigLines);
            bool ok = LMp3DecodePairs(bits, g.tableSelect[0], region1 / 2, end, xr) &&
                      LMp3DecodePairs(bits, g.tableSelect[1], (region2 - region1) / 2, end, xr + region1) &&
                      LMp3DecodePairs(bits, g.tableSelect[2], (bigLines - region2) / 2, end, xr + region2);
            if (!ok) {
                std::memset(xr, 0, sizeof(float) * 576);
                ++damagedGranules_;
                continue;
            }
            int nonZero = LMp3DecodeQuadruples(bits, g.count1TableB, bigLines, end, xr);
            nonZero = LastNonZero(xr, nonZero);
            Requantize(g, s.scale[ch], rateRow, lsf, nonZero, xr);
            s.nonZero[ch] = nonZero;
        }

        if (jointStereo && (midSide || intensity)) {
            StereoContext c{s.xr[0], s.xr[1], midSide, lsf, &s.scale[1]};
            const GranuleInfo& g = side.gr[gr][1];
            const int limit = std::max(s.nonZero[0], s.nonZero[1]);
            if (!intensity) {
                MidSide(s.xr[0], s.xr[1], 0, limit);
            } else {
                const uint16_t* longBands = kMp3LongBands[rateRow];
                const uint16_t* shortBands = kMp3ShortBands[rateRow];
                if (!g.ShortBlocks()) {
                    IntensityLong(c, longBands, 22, 576);
                } else if (!g.mixed) {
                    IntensityShort(c, shortBands, 0);
                } else {
                    const int longBandsUsed = lsf ? 6 : 8;
                    const int longEnd = longBands[longBandsUsed];
                    if (AnyNonZero(s.xr[1], longEnd, 576)) {
                        if (midSide)
                            MidSide(s.xr[0], s.xr[1], 0, longEnd);
                        IntensityShort(c, shortBands, 3);
                    } else {
                        IntensityLong(c, longBands, longBandsUsed, longEnd);
                        for (int w = 0; w < 3; ++w)
                            for (int sfb = 3; sfb < 13; ++sfb) {
                                const int width = shortBands[sfb + 1] - shortBands[sfb];
                                const int start = 3 * shortBands[sfb] + w * width;
                                const int src = sfb < 12 ? sfb : 11;
                                IntensityBand(c, start, start + width, s.scale[1].shortSf[src][w],
                                              s.scale[1].shortIllegal[src][w]);
                            }
                    }
                }
            }
            const int stereoLimit = intensity ? 576 : limit;
            s.nonZero[0] = LastNonZero(s.xr[0], stereoLimit);
            s.nonZero[1] = LastNonZero(s.xr[1], stereoLimit);
        }

        for (int ch = 0; ch < channels; ++ch) {
            const GranuleInfo& g = side.gr[gr][ch];
            float* xr = s.xr[ch];
            int nonZero = s.nonZero[ch];
            if (g.valid && g.ShortBlocks() && nonZero > 0) {
                Reorder(g, rateRow, xr);
                nonZero = LastNonZero(xr, 576);
            }
            s.hybrid[ch].Process(xr, g.valid ? g.blockType : 0, g.valid && g.mixed, nonZero, s.subbands);
            s.synthesis[ch].Process(s.subbands, 18,
                                    out + size_t(ch) * header.samplesPerFrame + size_t(gr) * 576);
        }
    }
    return kDecoded;
}

void LMp3LayerIIIDecoder::DecodeSilence(const LMp3FrameHeader& header, float* out)
{
    State& s = *s_;
    const int granules = header.IsLowSamplingFrequency() ? 1 : 2;
    const int channels = header.channels;
    for (int gr = 0; gr < granules; ++gr)
        for (int ch = 0; ch < channels; ++ch) {
            std::memset(s.xr[ch], 0, sizeof(s.xr[ch]));
            s.hybrid[ch].Process(s.xr[ch], 0, false, 0, s.subbands);
            s.synthesis[ch].Process(s.subbands, 18,
                                    out + size_t(ch) * header.samplesPerFrame + size_t(gr) * 576);
        }
}
