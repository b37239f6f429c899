#pragma once
// Fixtures for the tag tests: MP3 and WAV files made by sox and lame at test
// time, ID3v2 tags built byte by byte for the cases no tagger writes, and a
// way to ask mutagen what a file holds.

#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tagtest {

using Bytes = std::vector<uint8_t>;
using quorin::test::CaptureCommand;
using quorin::test::HaveTool;
using quorin::test::Quote;
using quorin::test::ReadFileBytes;
using quorin::test::RunCommand;
using quorin::test::WriteFileBytes;

inline const char* kPython = "/usr/bin/python3";

inline bool HaveMutagen()
{
    return RunCommand(std::string(kPython) + " -c 'import mutagen' 2>/dev/null") == 0;
}

#define TAGTEST_REQUIRE_MUTAGEN()                                                                            \
    if (!::tagtest::HaveMutagen())                                                                           \
    GTEST_SKIP() << "python3-mutagen is not installed (make deps installs it)"

// Names every ID3 frame class at the top level of a mutagen program.
inline const char* kMutagenPreamble =
    "import sys\nimport mutagen.id3 as _m\n"
    "globals().update({k: getattr(_m, k) for k in dir(_m) if not k.startswith('_')})\n";

// Runs a Python program with mutagen at hand; argv[1..] are the arguments.
// Returns its standard output; a failure fails the test.
inline std::string RunPython(const std::string& program, const std::vector<std::string>& args = {})
{
    quorin::test::TempDir dir;
    const std::string script = dir.Path("script.py");
    WriteFileBytes(script, program);
    std::string command = std::string(kPython) + " " + Quote(script);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    int status = -1;
    std::string out = CaptureCommand(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    return out;
}

// A short mono MP3 made by sox and lame (no tags, one LAME info frame).
inline void MakeMp3(const std::string& path, double seconds = 0.3)
{
    ASSERT_TRUE(HaveTool("sox") && HaveTool("lame")) << "sox and lame are needed (make deps installs them)";
    const std::string wav = path + ".src.wav";
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 1 -b 16 " + Quote(wav) + " synth " + std::to_string(seconds) +
                         " sine 440 2>/dev/null"),
              0);
    ASSERT_EQ(RunCommand("lame --quiet -b 64 " + Quote(wav) + " " + Quote(path) + " 2>/dev/null"), 0);
    unlink(wav.c_str());
}

// A short 16-bit stereo WAV made by sox.
inline void MakeWav(const std::string& path, double seconds = 0.2)
{
    ASSERT_TRUE(HaveTool("sox")) << "sox is needed (make deps installs it)";
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(path) + " synth " + std::to_string(seconds) +
                         " sine 440 sine 660 2>/dev/null"),
              0);
}

inline std::string ToString(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

inline Bytes ToBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

inline void PutBe32(Bytes& b, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void PutSyncSafe(Bytes& b, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        b.push_back(static_cast<uint8_t>((v >> (7 * i)) & 0x7F));
}

// Unsynchronisation: a zero byte after every FF that is followed by a byte
// of E0 or above or by a zero byte (and after a final FF).
inline Bytes Unsynchronise(const Bytes& in)
{
    Bytes out;
    for (size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] >= 0xE0 || in[i + 1] == 0))
            out.push_back(0);
    }
    return out;
}

// One frame: id (3 characters for version 2, else 4), data, flags.
inline Bytes Frame(int version, const std::string& id, const Bytes& data, uint16_t flags = 0)
{
    Bytes b(id.begin(), id.end());
    const uint32_t size = static_cast<uint32_t>(data.size());
    if (version == 2) {
        b.push_back(static_cast<uint8_t>(size >> 16));
        b.push_back(static_cast<uint8_t>(size >> 8));
        b.push_back(static_cast<uint8_t>(size));
    } else {
        if (version == 4)
            PutSyncSafe(b, size);
        else
            PutBe32(b, size);
        b.push_back(static_cast<uint8_t>(flags >> 8));
        b.push_back(static_cast<uint8_t>(flags));
    }
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// A text frame's data: encoding byte then the bytes as given.
inline Bytes Text(uint8_t encoding, const std::string& bytes)
{
    Bytes b(1 + bytes.size());
    b[0] = encoding;
    std::copy(bytes.begin(), bytes.end(), b.begin() + 1);
    return b;
}

// UTF-16 bytes of an ASCII/Latin-1 text: little-endian with a mark, or big-endian without.
inline std::string Utf16(const std::string& latin1, bool bigEndian, bool mark)
{
    std::string out;
    if (mark)
        out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (unsigned char c : latin1) {
        if (bigEndian) {
            out.push_back('\0');
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(c));
            out.push_back('\0');
        }
    }
    return out;
}

// A whole tag: header (the size counts what follows it), then body.
inline Bytes Tag(int version, const Bytes& body, uint8_t flags = 0, int64_t sizeField = -1)
{
    Bytes b{'I', 'D', '3', static_cast<uint8_t>(version), 0, flags};
    PutSyncSafe(b, sizeField < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(sizeField));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Concat(const std::vector<Bytes>& parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The MPEG audio of a file: what lies between an ID3v2 tag at the start and
// an ID3v1 record at the end.
inline std::string Mp3Audio(const std::string& bytes)
{
    size_t start = 0;
    if (bytes.size() >= 10 && bytes.compare(0, 3, "ID3") == 0) {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
        start = 10 + ((p[6] & 0x7F) << 21 | (p[7] & 0x7F) << 14 | (p[8] & 0x7F) << 7 | (p[9] & 0x7F));
        if (p[3] == 4 && (p[5] & 0x10))
            start += 10;
    }
    size_t end = bytes.size();
    if (end >= 128 + start && bytes.compare(end - 128, 3, "TAG") == 0)
        end -= 128;
    return start <= end ? bytes.substr(start, end - start) : std::string();
}

// The payload of the first chunk with this id in a RIFF file ("" when none).
inline std::string RiffChunk(const std::string& bytes, const char* id)
{
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        const uint32_t size = p[4] | p[5] << 8 | p[6] << 16 | static_cast<uint32_t>(p[7]) << 24;
        if (bytes.compare(at, 4, id) == 0)
            return bytes.substr(at + 8, size);
        at += 8 + size + (size & 1);
    }
    return std::string();
}

// Every chunk id of a RIFF file in order.
inline std::vector<std::string> RiffChunkIds(const std::string& bytes)
{
    std::vector<std::string> ids;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        const uint32_t size = p[4] | p[5] << 8 | p[6] << 16 | static_cast<uint32_t>(p[7]) << 24;
        ids.push_back(bytes.substr(at, 4));
        at += 8 + size + (size & 1);
    }
    return ids;
}

// "KEY=VALUE" lines of a mutagen dump into a map.
inline std::map<std::string, std::string> ParseLines(const std::string& text)
{
    std::map<std::string, std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            out[line.substr(0, eq)] = line.substr(eq + 1);
        at = end + 1;
    }
    return out;
}

// A small PNG and a small JPEG, made by ImageMagick or (without it) from fixed bytes.
inline std::string MakePicture(const std::string& folder, const std::string& name)
{
    const std::string path = folder + "/" + name;
    if (HaveTool("convert") && RunCommand("convert -size 8x8 xc:red " + Quote(path) + " 2>/dev/null") == 0)
        return path;
    ADD_FAILURE() << "ImageMagick convert is needed to make " << name;
    return path;
}

} // namespace tagtest
