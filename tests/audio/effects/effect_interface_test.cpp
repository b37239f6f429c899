// The effect interface: defaults, the gain effect's parameter and presets,
// and the tagged parameter stream (exact bytes, round trips, unknown
// elements, damaged streams, failing descriptors).

#include "audio/effects/LGainEffect.h"
#include "audio/effects/LSoundEffect.h"
#include "audio/effects/LTaggedStream.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

// A seekable in-memory descriptor.
class MemoryFile
{
public:
    MemoryFile() : fd_(memfd_create("tagged", MFD_CLOEXEC)) {}
    explicit MemoryFile(const std::vector<uint8_t>& bytes) : MemoryFile()
    {
        EXPECT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::lseek(fd_, 0, SEEK_SET);
    }
    ~MemoryFile() { ::close(fd_); }
    int Fd() const { return fd_; }
    std::vector<uint8_t> Bytes() const
    {
        const off_t size = ::lseek(fd_, 0, SEEK_END);
        std::vector<uint8_t> out(static_cast<size_t>(size));
        EXPECT_EQ(::pread(fd_, out.data(), out.size(), 0), size);
        return out;
    }

private:
    int fd_;
};

// An effect with nothing but the defaults.
class PlainEffect : public LSoundEffect
{
public:
    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override { out = source; }
};

std::vector<uint8_t> Header(uint16_t id, uint16_t type, uint64_t length)
{
    std::vector<uint8_t> h = {uint8_t(id), uint8_t(id >> 8), uint8_t(type), uint8_t(type >> 8)};
    for (int i = 0; i < 8; ++i)
        h.push_back(uint8_t(length >> (8 * i)));
    return h;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> SaveGain(int32_t gain, uint8_t flags)
{
    LGainEffect effect(gain);
    effect.SetFlags(flags);
    MemoryFile file;
    LTaggedWriter writer(file.Fd());
    effect.SaveParameters(writer);
    EXPECT_TRUE(writer.IsOk());
    return file.Bytes();
}

bool LoadGain(LGainEffect& effect, const std::vector<uint8_t>& bytes)
{
    MemoryFile file(bytes);
    LTaggedReader reader(file.Fd());
    LTaggedElementIterator elements = reader.Elements();
    return effect.LoadParameters(reader, elements);
}

TEST(SoundEffect, DefaultsOfTheBase)
{
    PlainEffect effect;
    char name[kEffectTextSize];
    effect.GetName(name, sizeof name);
    EXPECT_STREQ(name, "Unnamed Effect");
    EXPECT_EQ(effect.GetParameterCount(), 0);
    EXPECT_EQ(effect.Clone(), nullptr);
    EXPECT_TRUE(effect.IsRealTimeCapable());
    EXPECT_FALSE(effect.HasUserParameters());
    EXPECT_EQ(effect.GetVersion(), 1);
    EXPECT_EQ(effect.GetLatencyFrames(), 0);
    EXPECT_EQ(effect.GetPresetCount(), 0);
    EXPECT_EQ(effect.GetCurrentPreset(), -1);

    char small[5];
    effect.GetName(small, sizeof small);
    EXPECT_STREQ(small, "Unna"); // cut, always terminated
}

TEST(SoundEffect, DefaultSavesThirteenBytesAndLoadsThemBack)
{
    PlainEffect effect;
    effect.SetFlags(1);
    MemoryFile file;
    LTaggedWriter writer(file.Fd());
    effect.SaveParameters(writer);
    ASSERT_TRUE(writer.IsOk());
    EXPECT_EQ(file.Bytes(), Concat({Header(8192, 1, 1), {1}}));

    PlainEffect loaded;
    LTaggedReader reader(file.Fd(), 0, 13);
    LTaggedElementIterator elements = reader.Elements();
    EXPECT_TRUE(loaded.LoadParameters(reader, elements));
    EXPECT_EQ(loaded.GetFlags(), 1);
}

TEST(GainEffect, StoredAsFortyOneBytes)
{
    EXPECT_EQ(SaveGain(16777216, 0),
              Concat({Header(4096, 0, 13), Header(8192, 1, 1), {0}, Header(8192, 2, 4), {0, 0, 0, 1}}));
}

TEST(GainEffect, RoundTripsGainAndFlag)
{
    for (int32_t gain : {0, 1, 16777216, 33554432, -16777216, INT32_MAX, INT32_MIN}) {
        for (uint8_t flags : {0, 1}) {
            LGainEffect loaded(12345);
            ASSERT_TRUE(LoadGain(loaded, SaveGain(gain, flags)));
            EXPECT_EQ(loaded.GetGain(), gain);
            EXPECT_EQ(loaded.GetFlags(), flags);
        }
    }
}

TEST(GainEffect, UnknownElementsAtEitherLevelAreSkipped)
{
    const auto bytes = Concat({
        Header(77, 2, 4),
        {9, 9, 9, 9},                  // unknown, top level
        Header(4096, 0, 13 + 13 + 12), // base container
        Header(5, 1, 1),
        {7}, // unknown child
        Header(8192, 1, 1),
        {1},             // the flag
        Header(9, 0, 0), // empty unknown container
        Header(300, 7, 3),
        {1, 2, 3}, // unknown type
        Header(8192, 2, 4),
        {0, 0, 0, 2}, // the gain (x2.0)
    });
    LGainEffect loaded;
    ASSERT_TRUE(LoadGain(loaded, bytes));
    EXPECT_EQ(loaded.GetGain(), 33554432);
    EXPECT_EQ(loaded.GetFlags(), 1);
}

TEST(GainEffect, DamagedStreamsAreRejectedAndChangeNothing)
{
    const auto good = SaveGain(33554432, 1);
    // Every cut of the stream short of its end, except the one right after the
    // base container, which leaves a shorter but whole stream.
    for (size_t cut = 1; cut < good.size(); ++cut) {
        if (cut == 25)
            continue;
        LGainEffect loaded(16777216);
        EXPECT_FALSE(LoadGain(loaded, std::vector<uint8_t>(good.begin(), good.begin() + cut)))
            << "cut at " << cut;
        EXPECT_EQ(loaded.GetGain(), 16777216) << "cut at " << cut;
        EXPECT_EQ(loaded.GetFlags(), 0) << "cut at " << cut;
    }

    const std::vector<std::vector<uint8_t>> damaged = {
        // A length far beyond the end of the file.
        Concat({Header(8192, 2, 0xFFFFFFFFFFFFFFF0ull), {0, 0, 0, 2}}),
        // A child that claims more than its container holds.
        Concat({Header(4096, 0, 13), Header(8192, 1, 5), {1}, Header(8192, 2, 4), {0, 0, 0, 2}}),
        // The gain stored with the wrong type or size.
        Concat({Header(8192, 1, 1), {2}}),
        Concat({Header(8192, 2, 3), {0, 0, 2}}),
        Concat({Header(8192, 2, 8), {0, 0, 0, 2, 0, 0, 0, 0}}),
        // The flag stored as four bytes.
        Concat({Header(4096, 0, 16), Header(8192, 2, 4), {1, 0, 0, 0}}),
        // Trailing bytes too few for a header.
        Concat({Header(8192, 2, 4), {0, 0, 0, 2}, {1, 2, 3}}),
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        LGainEffect loaded(16777216);
        EXPECT_FALSE(LoadGain(loaded, damaged[i])) << "case " << i;
        EXPECT_EQ(loaded.GetGain(), 16777216) << "case " << i;
    }

    // An empty stream holds nothing to load and nothing wrong.
    LGainEffect empty(5);
    EXPECT_TRUE(LoadGain(empty, {}));
    EXPECT_EQ(empty.GetGain(), 5);
}

TEST(GainEffect, RawParametersNeedAllFourBytes)
{
    LGainEffect effect(7);
    {
        MemoryFile file({0, 0, 0, 3});
        LTaggedReader reader(file.Fd());
        EXPECT_TRUE(effect.LoadRawParameters(reader));
        EXPECT_EQ(effect.GetGain(), 50331648);
    }
    {
        MemoryFile file({1, 2, 3});
        LTaggedReader reader(file.Fd());
        EXPECT_FALSE(effect.LoadRawParameters(reader));
        EXPECT_EQ(effect.GetGain(), 50331648);
    }
}

TEST(GainEffect, PercentageParameterAndPresets)
{
    LGainEffect effect;
    char text[kEffectTextSize];
    effect.GetName(text, sizeof text);
    EXPECT_STREQ(text, "Amplify");
    EXPECT_EQ(effect.GetParameterCount(), 1);
    EXPECT_TRUE(effect.HasUserParameters());

    struct Case
    {
        int16_t percent;
        int32_t gain;
        int32_t reported;
        int32_t preset;
    };
    const Case cases[] = {
        {100, 16777216, 100, -1}, {400, 67108864, 400, -1}, {50, 8388608, 50, 1},
        {75, 12582912, 75, -1},   {25, 4194304, 25, 0},     {200, 33554432, 200, 2},
        {300, 50331648, 300, 3},  {1, 167772, 1, -1},       {33, 5536481, 33, -1},
    };
    for (const auto& c : cases) {
        effect.SetParameter(0, &c.percent);
        EXPECT_EQ(effect.GetGain(), c.gain) << c.percent;
        LEffectParameterInfo info;
        effect.GetParameterInfo(0, info);
        ASSERT_NE(info.current, nullptr);
        EXPECT_EQ(*info.current, c.reported) << c.percent;
        EXPECT_EQ(effect.GetCurrentPreset(), c.preset) << c.percent;
    }

    // Percentages beyond what 32 bits hold saturate instead of wrapping negative.
    const int16_t huge = 32767;
    effect.SetParameter(0, &huge);
    EXPECT_EQ(effect.GetGain(), INT32_MAX);
    const int16_t other = 200;
    effect.SetParameter(1, &other); // only index 0 exists
    EXPECT_EQ(effect.GetGain(), INT32_MAX);

    LEffectParameterInfo info;
    effect.GetParameterInfo(0, info);
    EXPECT_EQ(info.kind, 0);
    EXPECT_STREQ(info.name, "Gain Percentage");
    EXPECT_STREQ(info.unit, "%");
    EXPECT_EQ(info.valueSize, 4);
    EXPECT_EQ(*info.minimum, 1);
    EXPECT_EQ(*info.maximum, 400);
    EXPECT_TRUE(info.owned);
    effect.GetParameterInfo(0, info); // filling again frees the previous values

    EXPECT_EQ(effect.GetPresetCount(), 4);
    const char* names[] = {"Quarter Volume", "Half Volume", "Double Volume", "Triple Volume"};
    for (int i = 0; i < 4; ++i) {
        effect.GetPresetName(i, text, sizeof text);
        EXPECT_STREQ(text, names[i]);
    }
    effect.ApplyPreset(2);
    EXPECT_EQ(effect.GetGain(), 33554432);
    effect.ApplyPreset(4);
    EXPECT_EQ(effect.GetGain(), 33554432);
    EXPECT_EQ(effect.GetCurrentPreset(), 2);
}

TEST(GainEffect, CloneKeepsTheGainButNotTheFlag)
{
    LGainEffect effect(33554432);
    effect.SetFlags(1);
    LSoundEffect* copy = effect.Clone();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(static_cast<LGainEffect*>(copy)->GetGain(), 33554432);
    EXPECT_EQ(copy->GetFlags(), 0);
    delete copy;
}

TEST(TaggedWriter, NestedLengthsArePatchedAfterTheChildren)
{
    MemoryFile file;
    LTaggedWriter writer(file.Fd());
    ASSERT_TRUE(writer.OpenElement(1, kTaggedContainer));
    ASSERT_TRUE(writer.OpenElement(2, kTaggedContainer));
    ASSERT_TRUE(writer.WriteByte(3, 0xAB));
    ASSERT_TRUE(writer.WriteUInt32(4, 0x01020304));
    ASSERT_TRUE(writer.CloseElement(2));
    ASSERT_TRUE(writer.OpenElement(5, 9));
    ASSERT_TRUE(writer.WriteBytes("xyz", 3));
    ASSERT_TRUE(writer.CloseElement(5));
    ASSERT_TRUE(writer.CloseElement(1));
    EXPECT_EQ(file.Bytes(), Concat({Header(1, 0, 12 + 29 + 15),
                                    Header(2, 0, 29),
                                    Header(3, 1, 1),
                                    {0xAB},
                                    Header(4, 2, 4),
                                    {4, 3, 2, 1},
                                    Header(5, 9, 3),
                                    {'x', 'y', 'z'}}));

    // And the reader walks the same structure.
    LTaggedReader reader(file.Fd(), 0, static_cast<int64_t>(file.Bytes().size()));
    LTaggedElementIterator top = reader.Elements();
    ASSERT_TRUE(top.Next());
    EXPECT_EQ(top.Id(), 1);
    LTaggedElementIterator level1 = top.Children();
    ASSERT_TRUE(level1.Next());
    EXPECT_EQ(level1.Id(), 2);
    LTaggedElementIterator level2 = level1.Children();
    uint8_t byte = 0;
    uint32_t word = 0;
    ASSERT_TRUE(level2.Next());
    EXPECT_TRUE(level2.ReadByte(&byte));
    ASSERT_TRUE(level2.Next());
    EXPECT_TRUE(level2.ReadUInt32(&word));
    EXPECT_FALSE(level2.Next());
    EXPECT_EQ(byte, 0xAB);
    EXPECT_EQ(word, 0x01020304u);
    ASSERT_TRUE(level1.Next());
    EXPECT_EQ(level1.Id(), 5);
    EXPECT_EQ(level1.Length(), 3u);
    EXPECT_FALSE(level1.Next());
    EXPECT_FALSE(top.Next());
    EXPECT_FALSE(reader.IsFailed());
}

TEST(TaggedWriter, FailuresTurnTheOkFlagOff)
{
    {
        LTaggedWriter writer(-1);
        EXPECT_FALSE(writer.WriteByte(1, 2));
        EXPECT_FALSE(writer.IsOk());
    }
    {
        // A pipe cannot be sought back into, so lengths could never be patched.
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        LTaggedWriter writer(fds[1]);
        LGainEffect effect;
        effect.SaveParameters(writer);
        EXPECT_FALSE(writer.IsOk());
        close(fds[0]);
        close(fds[1]);
    }
    {
        MemoryFile file;
        LTaggedWriter writer(file.Fd());
        EXPECT_FALSE(writer.CloseElement(1)); // nothing open
        EXPECT_FALSE(writer.IsOk());
        EXPECT_FALSE(writer.OpenElement(1, 0)); // stays off
        EXPECT_TRUE(file.Bytes().empty());
    }
    {
        // A full device: the write fails.
        int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
        if (full >= 0) {
            LTaggedWriter writer(full);
            EXPECT_FALSE(writer.WriteUInt32(1, 2));
            EXPECT_FALSE(writer.IsOk());
            close(full);
        }
    }
}

} // namespace
