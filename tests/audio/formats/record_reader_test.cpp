// The record reader under the coded-block sources: records of any size
// against its buffer, a short last record, and a reset after the
// descriptor was moved.

#include "audio/formats/LAudioFileIo.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using quorin::test::TempDir;

namespace {

std::vector<uint8_t> Bytes(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>((i * 131 + i / 251) & 0xFF);
    return bytes;
}

TEST(RecordReader, HandsOutTheFileRecordByRecord)
{
    TempDir dir;
    const std::vector<uint8_t> content = Bytes(100000);
    const std::string path = dir.Path("blocks");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);

    struct Case
    {
        size_t buffer;
        size_t record;
    };
    // Records smaller than the buffer, not dividing it, equal to it and larger.
    for (const Case& c :
         {Case{4096, 65}, Case{4096, 1000}, Case{4096, 4096}, Case{4096, 9000}, Case{65, 64}}) {
        SCOPED_TRACE(testing::Message() << "buffer " << c.buffer << ", records of " << c.record);
        const int fd = open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        LRecordReader reader(c.buffer);
        std::vector<uint8_t> got;
        std::vector<size_t> sizes;
        for (;;) {
            const uint8_t* data = nullptr;
            const size_t n = reader.Next(fd, c.record, &data);
            if (n == 0)
                break;
            sizes.push_back(n);
            got.insert(got.end(), data, data + n);
        }
        EXPECT_EQ(got, content);
        for (size_t i = 0; i + 1 < sizes.size(); ++i)
            ASSERT_EQ(sizes[i], c.record) << "record " << i;
        EXPECT_EQ(sizes.back(), content.size() % c.record ? content.size() % c.record : c.record);

        // Moved elsewhere, the reader starts over from the new offset.
        lseek(fd, 12345, SEEK_SET);
        reader.Reset();
        const uint8_t* data = nullptr;
        ASSERT_EQ(reader.Next(fd, 10, &data), 10u);
        EXPECT_EQ(std::vector<uint8_t>(data, data + 10),
                  std::vector<uint8_t>(content.begin() + 12345, content.begin() + 12355));
        close(fd);
    }
}

} // namespace
