#pragma once
// Shared helpers of the MP3 writer tests: a TempHome whose components folder
// holds the encoder component, test signals, and what the reference tools
// (mpg123, ffprobe, ffmpeg) make of a file.

#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mp3enc {

using quorin::test::Quote;

// The component the build tree ships (a link to the system's libmp3lame).
inline std::string BuiltComponent()
{
    return quorin::test::BuildDir() + "/resources/" + kMp3EncoderComponentName;
}

inline std::string ComponentsFolder(const quorin::test::TempHome& home)
{
    return home.Path(".local/share/Quorin/Components");
}

// Puts the component into the components folder of the TempHome in force;
// false when the build tree has none to give.
inline bool InstallComponent()
{
    struct stat info;
    if (stat(BuiltComponent().c_str(), &info) != 0)
        return false;
    char folder[260];
    if (!LGetComponentsFolder(folder))
        return false;
    const std::string link = std::string(folder) + "/" + kMp3EncoderComponentName;
    unlink(link.c_str());
    return symlink(BuiltComponent().c_str(), link.c_str()) == 0;
}

// A test signal on the internal scale: 440 Hz left, 660 Hz right (a third
// channel, when asked for, 880 Hz), at half of full scale.
inline std::vector<int32_t> Tones(int32_t rate, int channels, int64_t frames)
{
    static const double kFrequencies[] = {440.0, 660.0, 880.0, 1100.0};
    std::vector<int32_t> samples(static_cast<size_t>(frames * channels));
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<size_t>(i * channels + c)] = static_cast<int32_t>(
                std::lround(262144.0 * std::sin(2.0 * M_PI * kFrequencies[c % 4] * double(i) / rate)));
    return samples;
}

// mpg123's description of the first frame: "MPEG 1.0 L III cbr128 44100 j-s".
inline std::string Mpg123Description(const std::string& path)
{
    const std::string out = quorin::test::CaptureCommand("mpg123 -t -v -n 1 " + Quote(path) + " 2>&1");
    const size_t layer = out.find(" L III ");
    if (layer == std::string::npos)
        return out;
    const size_t start = out.rfind('\n', layer);
    const size_t at = start == std::string::npos ? 0 : start + 1;
    return out.substr(at, out.find('\n', layer) - at);
}

// Frames mpg123 decodes (it honours the encoder's delay and padding).
inline int64_t Mpg123Frames(const std::string& path, int channels)
{
    const std::string pcm = quorin::test::CaptureCommand("mpg123 -q -s " + Quote(path) + " 2>/dev/null");
    return static_cast<int64_t>(pcm.size() / (2 * static_cast<size_t>(channels)));
}

// Frames ffmpeg decodes.
inline int64_t FfmpegFrames(const std::string& path, int channels)
{
    const std::string pcm = quorin::test::CaptureCommand("ffmpeg -v error -i " + Quote(path) +
                                                         " -f s16le -acodec pcm_s16le - 2>/dev/null");
    return static_cast<int64_t>(pcm.size() / (2 * static_cast<size_t>(channels)));
}

// ffprobe's "sample_rate,channels,bit_rate" of the audio stream.
inline std::string FfprobeStream(const std::string& path)
{
    std::string out = quorin::test::CaptureCommand(
        "ffprobe -v error -select_streams a -show_entries stream=sample_rate,channels,bit_rate -of csv=p=0 " +
        Quote(path) + " 2>/dev/null");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The names in a folder, sorted.
inline std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace mp3enc
