// The buffered reader, the memory stream and the byte array.

#include "foundation/files/LBufferedFile.h"
#include "foundation/files/LByteArray.h"
#include "foundation/files/LMemoryStream.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using quorin::test::TempDir;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

std::vector<uint8_t> Pattern(std::size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 131) ^ (i >> 8));
    return bytes;
}

TEST(BufferedFile, ReadsSmallAndLargePiecesInOrder)
{
    TempDir dir;
    const std::string path = dir.Path("data");
    const std::vector<uint8_t> data = Pattern(3 * LBufferedFile::kBufferSize + 777);
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_EQ(static_cast<ssize_t>(data.size()), write(fd, data.data(), data.size()));
        close(fd);
    }
    LBufferedFile file;
    ASSERT_TRUE(file.Open(path.c_str(), O_RDONLY));
    // Mixed sizes: small ones come from the buffer, large ones pass through
    // once it is used up, and both continue where the other stopped.
    const std::size_t sizes[] = {1, 255, 256, 257, 3, 9000, 100, 8192, 4000, 1, 20000};
    std::vector<uint8_t> back;
    for (std::size_t size : sizes) {
        std::vector<uint8_t> piece(size);
        const std::size_t got = file.Read(piece.data(), size);
        piece.resize(got);
        back.insert(back.end(), piece.begin(), piece.end());
        if (got < size)
            break;
    }
    EXPECT_EQ(data, back);
    uint8_t byte;
    EXPECT_EQ(0u, file.Read(&byte, 1));
    EXPECT_EQ(0u, file.Read(back.data(), 1000));

    // The descriptor's position less the unread bytes is the logical position.
    ASSERT_EQ(0, lseek(file.fd, 0, SEEK_SET));
    file.Discard();
    uint8_t first[10];
    ASSERT_EQ(10u, file.Read(first, 10));
    EXPECT_EQ(0, std::memcmp(first, data.data(), 10));
    EXPECT_EQ(10, lseek(file.fd, 0, SEEK_CUR) - static_cast<off_t>(file.filled - file.position));
}

TEST(BufferedFile, WithoutADescriptorReadsNothing)
{
    LBufferedFile file;
    uint8_t bytes[300];
    EXPECT_EQ(0u, file.Read(bytes, 10));
    EXPECT_EQ(0u, file.Read(bytes, 300));
}

TEST(BufferedFile, LargeReadsFromAPipeAreFilledUpToTheEnd)
{
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    const std::vector<uint8_t> data = Pattern(3000);
    // Two separate writes make the pipe answer a large read in two parts.
    ASSERT_EQ(1000, write(fds[1], data.data(), 1000));
    LBufferedFile file(fds[0]);
    std::vector<uint8_t> back(3000);
    pid_t child = fork();
    if (child == 0) {
        usleep(20000);
        (void)!write(fds[1], data.data() + 1000, 2000);
        _exit(0);
    }
    close(fds[1]);
    EXPECT_EQ(3000u, file.Read(back.data(), back.size()));
    EXPECT_EQ(data, back);
    int status;
    waitpid(child, &status, 0);
}

TEST(MemoryStream, GrowsFromEmptyAndDoublesItsSize)
{
    LMemoryStream stream;
    ASSERT_TRUE(stream.Write("abc", 3));
    EXPECT_EQ(3u, stream.size);
    EXPECT_EQ(3u, stream.position);
    EXPECT_EQ(3u, stream.highWater);
    EXPECT_EQ(0, std::memcmp(stream.data, "abc", 3));
    ASSERT_TRUE(stream.Write("d", 1));
    EXPECT_EQ(6u, stream.size); // doubled
    EXPECT_EQ(4u, stream.highWater);
    EXPECT_EQ(0, stream.data[4]);
    EXPECT_EQ(0, stream.data[5]);
    // Rewriting inside the stream keeps the size and the high-water mark.
    stream.position = 1;
    ASSERT_TRUE(stream.Write("XY", 2));
    EXPECT_EQ(6u, stream.size);
    EXPECT_EQ(4u, stream.highWater);
    EXPECT_EQ(0, std::memcmp(stream.data, "aXYd", 4));
    EXPECT_TRUE(stream.Write(nullptr, 0));
}

TEST(MemoryStream, CopiesFromItselfWhileGrowing)
{
    LMemoryStream stream;
    const std::vector<uint8_t> data = Pattern(1000);
    ASSERT_TRUE(stream.Write(data.data(), data.size()));
    ASSERT_EQ(1000u, stream.size);
    // Copying the whole stream to its end makes it grow: the source must be
    // read from the new block.
    ASSERT_TRUE(stream.Write(stream.data, 1000));
    EXPECT_EQ(2000u, stream.size);
    EXPECT_EQ(0, std::memcmp(stream.data, data.data(), 1000));
    EXPECT_EQ(0, std::memcmp(stream.data + 1000, data.data(), 1000));
    // Overlapping copies inside the block.
    stream.position = 10;
    ASSERT_TRUE(stream.Write(stream.data, 100));
    EXPECT_EQ(0, std::memcmp(stream.data + 10, data.data(), 100));
}

TEST(MemoryStream, SetSizeAndCapacity)
{
    LMemoryStream stream;
    ASSERT_TRUE(stream.SetSize(4096)); // whole sectors set ahead
    EXPECT_EQ(4096u, stream.size);
    EXPECT_EQ(4096u, stream.capacity);
    ASSERT_TRUE(stream.SetSize(5000));
    EXPECT_EQ(8192u, stream.capacity);
    ASSERT_TRUE(stream.SetSize(0)); // the HTTP client empties it so
    EXPECT_EQ(0u, stream.size);
    EXPECT_EQ(8192u, stream.capacity);
    stream.position = 0;
    ASSERT_TRUE(stream.Write("abcdef", 6));
    ASSERT_TRUE(stream.SetCapacity(4));
    EXPECT_EQ(4u, stream.size);
    EXPECT_EQ(0, std::memcmp(stream.data, "abcd", 4));
    ASSERT_TRUE(stream.SetCapacity(0));
    EXPECT_EQ(nullptr, stream.data);
    EXPECT_EQ(0u, stream.size);
    stream.position = UINT64_MAX - 1;
    EXPECT_FALSE(stream.Write("abc", 3));
}

TEST(MemoryStream, MemoryThatCannotBeHadLeavesItAsItWas)
{
    if (kUnderAddressSanitizer)
        GTEST_SKIP() << "the address sanitizer stops the program at an impossible allocation";
    LMemoryStream stream;
    ASSERT_TRUE(stream.Write("xy", 2));
    EXPECT_FALSE(stream.SetCapacity(UINT64_MAX / 2));
    EXPECT_EQ(2u, stream.size);
    EXPECT_EQ(0, std::memcmp(stream.data, "xy", 2));
    stream.position = UINT64_MAX / 4;
    EXPECT_FALSE(stream.Write("abc", 3));
    EXPECT_EQ(2u, stream.size);
}

TEST(ByteArray, GrowsAndShrinks)
{
    LByteArray array;
    ASSERT_TRUE(array.SetSize(10));
    EXPECT_EQ(10u, array.size);
    EXPECT_EQ(10u, array.capacity);
    std::iota(array.data, array.data + 10, uint8_t{1});
    ASSERT_TRUE(array.SetSize(11));
    EXPECT_EQ(20u, array.capacity);
    EXPECT_EQ(0, array.data[10]);
    EXPECT_EQ(10, array.data[9]);
    ASSERT_TRUE(array.SetSize(3));
    EXPECT_EQ(20u, array.capacity);
    // A smaller capacity takes the size down with it.
    ASSERT_TRUE(array.SetCapacity(2));
    EXPECT_EQ(2u, array.size);
    EXPECT_EQ(1, array.data[0]);
    EXPECT_EQ(2, array.data[1]);
}

TEST(ByteArray, FailedAllocationLeavesItEmpty)
{
    if (kUnderAddressSanitizer)
        GTEST_SKIP() << "the address sanitizer stops the program at an impossible allocation";
    LByteArray array;
    ASSERT_TRUE(array.SetSize(16));
    EXPECT_FALSE(array.SetSize(UINT64_MAX / 4));
    EXPECT_EQ(0u, array.size);
    EXPECT_EQ(0u, array.capacity);
    EXPECT_EQ(nullptr, array.data);
    ASSERT_TRUE(array.SetSize(4));
    EXPECT_EQ(4u, array.size);
}

} // namespace
