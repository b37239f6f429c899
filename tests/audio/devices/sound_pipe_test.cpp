// The byte pipe between two pipelines and the sample FIFO of the output
// stream: wrap-around, blocking and closing on either side, and a producer
// and a consumer running at once.

#include "audio/devices/LSampleFifo.h"
#include "audio/devices/LSoundPipe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int64_t ElapsedMs(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Pipe
{
    explicit Pipe(uint32_t channels = 2)
        : buffer(new LSoundPipeBuffer(44100, channels, 0x7FFF0)), writer(new LSoundPipeWriter(buffer)),
          reader(new LSoundPipeReader(buffer))
    {
    }
    LSoundPipeBufferPtr buffer;
    LSoundSinkPtr writer;
    LSoundSourcePtr reader;
};

TEST(SoundPipe, WritesMoreThanTheRingHoldsWhileTheReaderDrains)
{
    Pipe pipe;
    const int64_t frames = 400000; // 3.2 MB, more than two rings
    std::vector<int32_t> data(static_cast<size_t>(frames) * 2);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<int32_t>(i * 2654435761u);
    std::thread writer([&] {
        for (int64_t done = 0; done < frames; done += 8192)
            pipe.writer->Write(data.data() + done * 2, std::min<int64_t>(8192, frames - done));
    });
    std::vector<int32_t> got(data.size());
    for (int64_t done = 0; done < frames; done += 1000) {
        const int64_t n = std::min<int64_t>(1000, frames - done);
        EXPECT_EQ(pipe.reader->Read(got.data() + done * 2, n), n);
    }
    writer.join();
    EXPECT_EQ(got, data);
    EXPECT_EQ(pipe.writer->GetPosition(), frames);
    EXPECT_EQ(pipe.reader->GetPosition(), 0);
    EXPECT_EQ(pipe.reader->GetLength(), 0);
}

TEST(SoundPipe, ClosingTheReaderReleasesABlockedWriter)
{
    Pipe pipe;
    std::vector<int32_t> data(400000 * 2, 7);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        pipe.writer->Write(data.data(), 400000); // more than the ring: blocks
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(done.load());
    const auto start = Clock::now();
    pipe.reader.Reset();
    writer.join();
    EXPECT_TRUE(done.load());
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_FALSE(pipe.buffer->IsReaderOpen());
}

TEST(SoundPipe, ClosingTheWriterGivesTheRestThenZeros)
{
    Pipe pipe;
    const int32_t frame[4] = {1, 2, 3, 4};
    pipe.writer->Write(frame, 2);
    EXPECT_TRUE(pipe.reader->IsMoreDataPending());
    EXPECT_EQ(pipe.reader->GetLength(), 2);
    std::vector<int32_t> got(10, -1);
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pipe.writer.Reset();
    });
    const auto start = Clock::now();
    EXPECT_EQ(pipe.reader->Read(got.data(), 5), 5);
    closer.join();
    EXPECT_LT(ElapsedMs(start), 1000); // woken by the close, not by the poll time-out
    EXPECT_EQ(got, (std::vector<int32_t>{1, 2, 3, 4, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(pipe.reader->IsMoreDataPending());
}

TEST(SoundPipe, DiscardEmptiesAndWaitForDataReportsArrival)
{
    Pipe pipe;
    std::vector<int32_t> data(2000, 5);
    pipe.writer->Write(data.data(), 1000);
    EXPECT_EQ(pipe.reader->GetLength(), 1000);
    pipe.buffer->Discard();
    EXPECT_EQ(pipe.reader->GetLength(), 0);
    EXPECT_EQ(pipe.reader->WaitForData(20), 0); // the wake-up of the discarded bytes does not count
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pipe.writer->Write(data.data(), 10);
    });
    EXPECT_GT(pipe.reader->WaitForData(2000), 0);
    late.join();
}

TEST(SoundPipe, ZeroChannelsBehaveAsMonoAndEndsCountReferences)
{
    LSoundPipeBufferPtr buffer(new LSoundPipeBuffer(22050, 0, 0x7FFF0));
    EXPECT_EQ(buffer->GetChannels(), 1u);
    EXPECT_EQ(buffer->GetBytesPerFrame(), 4u);
    {
        LSoundSinkPtr writer(new LSoundPipeWriter(buffer));
        LSoundSourcePtr reader(new LSoundPipeReader(buffer));
        EXPECT_EQ(writer->GetChannels(), 1);
        EXPECT_EQ(reader->GetChannels(), 1);
        EXPECT_EQ(reader->GetRate(), 22050);
        EXPECT_EQ(reader->GetPeakLimit(), 0x7FFF0u);
        EXPECT_TRUE(buffer->IsWriterOpen());
        const int32_t s[3] = {9, 8, 7};
        writer->Write(s, 3);
        EXPECT_EQ(reader->GetLength(), 3);
    }
    EXPECT_FALSE(buffer->IsWriterOpen());
    auto* handle = new LSoundPipeBufferPtr(buffer);
    LDeleteSoundPipeBufferPtr(handle);
    EXPECT_EQ(buffer->ReadableBytes(), 12u);
}

TEST(SampleFifo, KeepsOneSampleFreeAndWrapsAround)
{
    LSampleFifo fifo(2, 10, 4);
    EXPECT_EQ(fifo.FreeSamples(), 9u);
    EXPECT_EQ(fifo.FreeFrames(), 4u);
    EXPECT_EQ(fifo.GetFrames(), 5u);
    int32_t in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    int32_t out[8] = {};
    for (int round = 0; round < 5; ++round) { // crosses the end of the ring several times
        fifo.Write(in, 6);
        EXPECT_EQ(fifo.ReadableFrames(), 3u);
        EXPECT_TRUE(fifo.DataReady().IsSignalled());
        fifo.Read(out, 6);
        EXPECT_EQ(std::vector<int32_t>(out, out + 6), std::vector<int32_t>(in, in + 6));
        EXPECT_TRUE(fifo.SpaceReady().IsSignalled());
        fifo.DataReady().Reset();
        fifo.SpaceReady().Reset();
    }
    fifo.Write(in, 8);
    EXPECT_EQ(fifo.FreeSamples(), 1u);
    fifo.Flush();
    EXPECT_EQ(fifo.ReadableSamples(), 0u);
    fifo.SetChannels(3);
    EXPECT_EQ(fifo.GetFrames(), 3u);
    EXPECT_EQ(fifo.GetCapacity(), 10u);
}

TEST(SampleFifo, OneProducerAndOneConsumerAtOnceLoseAndReorderNothing)
{
    LSampleFifo fifo(2, 4096, 256);
    const int64_t total = 2000000;
    std::thread producer([&] {
        std::vector<int32_t> block(512);
        int64_t next = 0;
        while (next < total) {
            const uint32_t n = std::min<uint32_t>(fifo.FreeSamples() & ~1u, 512);
            if (n == 0) {
                fifo.SpaceReady().Wait(5);
                fifo.SpaceReady().Reset();
                continue;
            }
            const uint32_t count = static_cast<uint32_t>(std::min<int64_t>(n, total - next));
            for (uint32_t i = 0; i < count; ++i)
                block[i] = static_cast<int32_t>(next + i);
            fifo.Write(block.data(), count);
            next += count;
        }
    });
    std::vector<int32_t> block(512);
    int64_t expected = 0;
    bool ordered = true;
    while (expected < total) {
        const uint32_t n = std::min<uint32_t>(fifo.ReadableSamples(), 512);
        if (n == 0) {
            fifo.DataReady().Wait(5);
            fifo.DataReady().Reset();
            continue;
        }
        fifo.Read(block.data(), n);
        for (uint32_t i = 0; i < n; ++i)
            ordered = ordered && block[i] == static_cast<int32_t>(expected + i);
        expected += n;
    }
    producer.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(fifo.ReadableSamples(), 0u);
}

} // namespace
