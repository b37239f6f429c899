#pragma once
// The MP3 encoder's parameters, stored as text values in the settings section
// "MP3Encoder". A plain value: callers keep it on their stack, load it and
// hand it to the MP3 sink.

#include <cstddef>
#include <cstdint>

inline constexpr const char* kMp3EncoderSection = "MP3Encoder";

// The bitrates (kbps) the user chooses from, for constant bit rate and for
// the two limits of variable bit rate.
inline constexpr uint16_t kMp3ListedBitrates[] = {8,  16,  24,  32,  40,  48,  56,  64, 80,
                                                  96, 112, 128, 160, 192, 224, 256, 320};
inline constexpr std::size_t kMp3ListedBitrateCount =
    sizeof kMp3ListedBitrates / sizeof kMp3ListedBitrates[0];

// The listed bitrate nearest to kbps (the lower one of two equally near).
// Never 0: a bitrate divides in the encoder set-up.
uint16_t LMp3NearestListedBitrate(int64_t kbps);

// What the validation of a record found.
enum LMp3OptionsCheck : int {
    kMp3OptionsValid = 0,
    // Variable bit rate: maximum 161 or more with a minimum below 32.
    kMp3OptionsVbrTooFarApart = 1,
    // Variable bit rate: maximum below the minimum.
    kMp3OptionsVbrMaxBelowMin = 2,
};

inline constexpr const char* kMp3VbrTooFarApartText =
    "Your VBR minimum and maximum bitrates are too far apart, which will cause problems with the encoder. "
    "The minimum rate must be 32 or above, or the maximum rate 160 or below.";
inline constexpr const char* kMp3VbrMaxBelowMinText =
    "Your VBR maximum bitrate cannot be smaller than the minimum bitrate.";

struct LMp3EncoderOptions
{
    bool ConstantBitRate = true; // false: variable bit rate
    uint16_t CBRBitRate = 192;   // kbps
    bool HighQuality = true;     // constant mode: encoder quality 2 instead of 5
    uint16_t VBRMinBitRate = 32; // kbps
    uint16_t VBRMaxBitRate = 320;
    uint8_t VBRQuality = 4; // 0 (highest) to 9 (lowest)
    bool ErrorProtection = false;
    uint8_t ChannelMode = 0; // 0 stereo, 1 joint, 2 forced mid/side, 3 mono
    char VersionStr[10] = {};
    uint8_t Quality = 3;
    uint8_t BitRateControlMethod = 1;
    uint8_t Lowpass = 0;
    // Variable mode: a non-zero value asks for an average bit rate of this
    // many kbps (within the VBR limits) instead of a quality level.
    uint8_t ABRBitRate = 0;

    // Fills every field from the settings; missing values give the defaults
    // above. Bitrates that are not listed become the nearest listed one.
    void Load();
    // Writes every field to the settings.
    void Save() const;
    // The rules a record must pass before it is saved from the options page;
    // they apply to variable bit rate only.
    LMp3OptionsCheck Validate() const;
};
