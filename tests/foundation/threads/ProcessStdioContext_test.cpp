#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LProcessStdioContext.h"
#include "foundation/threads/LSignalObject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A helper-process context on a temporary output file and an input pipe that
// the test holds the other end of, with a clock the test moves by hand.
class TestStdioContext : public LProcessStdioContext
{
public:
    TestStdioContext(FILE* out, FILE* in) : LProcessStdioContext(out, in) {}
    uint32_t now = 1000000;

protected:
    uint32_t CurrentMilliseconds() override { return now; }
};

struct Record
{
    uint8_t type;
    std::string payload;
};

class StdioContextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        out_ = tmpfile();
        ASSERT_NE(out_, nullptr);
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        in_ = fdopen(ends[0], "r");
        inWrite_ = ends[1];
        context_ = std::make_unique<TestStdioContext>(out_, in_);
    }
    void TearDown() override
    {
        context_.reset();
        if (inWrite_ >= 0)
            close(inWrite_);
        fclose(in_);
        fclose(out_);
    }

    std::string Output()
    {
        fflush(out_);
        std::string bytes;
        rewind(out_);
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, out_)) > 0)
            bytes.append(buffer, n);
        fseek(out_, 0, SEEK_END);
        return bytes;
    }

    // Splits the output into records (all but the result records, whose
    // length only the entry knows).
    std::vector<Record> Records()
    {
        std::string bytes = Output();
        std::vector<Record> records;
        size_t i = 0;
        while (i < bytes.size()) {
            uint8_t type = uint8_t(bytes[i++]);
            size_t size = 0;
            if (type >= 128 && type <= 131) {
                EXPECT_LE(i + 2, bytes.size());
                size = uint8_t(bytes[i]) | size_t(uint8_t(bytes[i + 1])) << 8;
                i += 2;
            } else if (type == 16) {
                size = 8;
            } else if (type != 17 && type != 18 && type != 19) {
                ADD_FAILURE() << "unexpected record type " << int(type);
                break;
            }
            EXPECT_LE(i + size, bytes.size()) << "record runs past the output";
            records.push_back({type, bytes.substr(i, size)});
            i += size;
        }
        return records;
    }

    static double Fraction(const Record& record)
    {
        double value;
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= uint64_t(uint8_t(record.payload[i])) << (8 * i);
        memcpy(&value, &bits, sizeof value);
        return value;
    }

    void SendStopByte() { ASSERT_EQ(write(inWrite_, "x", 1), 1); }

    FILE* out_ = nullptr;
    FILE* in_ = nullptr;
    int inWrite_ = -1;
    std::unique_ptr<TestStdioContext> context_;
};

TEST_F(StdioContextTest, MessageRecordsCarryTypeLengthAndText)
{
    context_->Message("hello");
    context_->MessageLevel("title", 0);
    context_->MessageLevel("step", 1);
    context_->MessageLevel("detail", 2);
    context_->MessageLevel("ignored", 3);
    context_->MessageLevel("ignored", -1);
    context_->Message("");
    context_->BeginIndeterminateProgress();
    context_->EndIndeterminateProgress();
    std::string expected("\x80\x05\x00hello"
                         "\x81\x05\x00title"
                         "\x82\x04\x00step"
                         "\x83\x06\x00"
                         "detail"
                         "\x80\x00\x00"
                         "\x11\x12",
                         3 + 5 + 3 + 5 + 3 + 4 + 3 + 6 + 3 + 2);
    EXPECT_EQ(Output(), expected);
}

TEST_F(StdioContextTest, LongMessageIsCutTo65535Bytes)
{
    context_->Message(std::string(70000, 'a').c_str());
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, 128);
    EXPECT_EQ(records[0].payload, std::string(65535, 'a'));
}

TEST_F(StdioContextTest, CutNeverSplitsACharacter)
{
    // 65534 bytes of ASCII, then a two-byte character across the limit.
    std::string text = std::string(65534, 'a') + "\xC3\xA9" + "tail";
    context_->MessageLevel(text.c_str(), 1);
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, 130);
    EXPECT_EQ(records[0].payload, std::string(65534, 'a'));
}

TEST_F(StdioContextTest, ProgressIsThrottledButCompletionAlwaysGoesOut)
{
    context_->Progress(0.1);
    context_->now += 50;
    context_->Progress(0.2);
    context_->now += 50;
    context_->Progress(0.3);
    context_->Progress(1.0); // always written
    context_->now += 200;    // 250 ms after the 1.0 record: still too early
    context_->Progress(0.5);
    context_->now += 50;
    context_->Progress(0.6);
    context_->Progress(1.0);
    auto records = Records();
    ASSERT_EQ(records.size(), 4u);
    const double expected[] = {0.1, 1.0, 0.6, 1.0};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(records[i].type, 16);
        EXPECT_EQ(Fraction(records[i]), expected[i]) << i;
    }
}

TEST_F(StdioContextTest, ProgressOnTheRealClock)
{
    LProcessStdioContext context(out_, in_);
    context.Progress(0.1);
    context.Progress(0.2);
    context.Progress(0.3);
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Fraction(records[0]), 0.1);
}

TEST_F(StdioContextTest, KeepAliveAtMostOncePerSecond)
{
    EXPECT_FALSE(context_->IsStopRequested());
    context_->now += 999;
    EXPECT_FALSE(context_->IsStopRequested());
    context_->now += 1;
    EXPECT_FALSE(context_->IsStopRequested());
    EXPECT_EQ(Output(), std::string("\x13\x13"));
}

TEST_F(StdioContextTest, AnyInputByteOrAClosedInputIsAStop)
{
    EXPECT_FALSE(context_->IsStopRequested());
    SendStopByte();
    EXPECT_TRUE(context_->IsStopRequested());
    EXPECT_TRUE(context_->IsStopRequested()); // the byte is never consumed
}

TEST_F(StdioContextTest, ParentClosingItsEndIsAStop)
{
    close(inWrite_);
    inWrite_ = -1;
    EXPECT_TRUE(context_->IsStopRequested());
    EXPECT_TRUE(context_->WaitForStop(5000));
}

TEST_F(StdioContextTest, ReadInputTakesTheRequestAndLeavesTheStopByte)
{
    std::string request(520, '\0');
    for (size_t i = 0; i < request.size(); ++i)
        request[i] = char(i * 7);
    ASSERT_EQ(write(inWrite_, request.data(), request.size()), ssize_t(request.size()));
    SendStopByte();
    std::string got(520, '\0');
    EXPECT_TRUE(context_->ReadInput(nullptr, 0));
    ASSERT_TRUE(context_->ReadInput(got.data(), got.size()));
    EXPECT_EQ(got, request);
    EXPECT_TRUE(context_->IsStopRequested());
}

TEST_F(StdioContextTest, ReadInputFailsOnAShortRequest)
{
    ASSERT_EQ(write(inWrite_, "12345", 5), 5);
    close(inWrite_);
    inWrite_ = -1;
    char buffer[10];
    EXPECT_FALSE(context_->ReadInput(buffer, sizeof buffer));
    EXPECT_FALSE(context_->ReadInput(buffer, 1)); // end of input
    EXPECT_TRUE(context_->ReadInput(buffer, 0));
}

TEST_F(StdioContextTest, WaitsTimeOutWithoutAStop)
{
    LSignalObject signal;
    LPollSet empty;
    EXPECT_FALSE(context_->WaitForStop(20));
    EXPECT_EQ(context_->WaitForStopOrSignal(&signal, 20), LWaitTimedOut);
    EXPECT_EQ(context_->WaitForStopOrPollSet(&empty, 20), LWaitTimedOut);
    EXPECT_EQ(empty.count, 0u);
}

TEST_F(StdioContextTest, WaitsEndOnSignalOrStopAndStopWins)
{
    LSignalObject signal;
    signal.Signal();
    EXPECT_EQ(context_->WaitForStopOrSignal(&signal, 5000), LWaitSignalled);
    LPollSet set;
    set.Add(signal);
    EXPECT_EQ(context_->WaitForStopOrPollSet(&set, 5000), LWaitSignalled);
    EXPECT_EQ(set.count, 1u);
    SendStopByte();
    EXPECT_EQ(context_->WaitForStopOrSignal(&signal, 5000), LWaitStopRequested);
    EXPECT_EQ(context_->WaitForStopOrPollSet(&set, 5000), LWaitStopRequested);
}

TEST_F(StdioContextTest, StopDuringALongWaitEndsItAtOnce)
{
    std::thread parent([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        SendStopByte();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(context_->WaitForStop(LNoTimeLimit));
    parent.join();
    // Well inside the first 300 ms slice: the wait watches the input itself.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
}

TEST_F(StdioContextTest, WaitSendsKeepAlivesBetweenSlices)
{
    // Real slices of 300 ms; the fake clock says a second passes per test.
    class Ticking : public LProcessStdioContext
    {
    public:
        using LProcessStdioContext::LProcessStdioContext;
        uint32_t now = 0;

    protected:
        uint32_t CurrentMilliseconds() override { return now += 1000; }
    } context(out_, in_);
    EXPECT_FALSE(context.WaitForStop(650)); // tests at the start, 300 and 600
    EXPECT_EQ(Output(), std::string("\x13\x13\x13"));
}

TEST_F(StdioContextTest, ResultRecords)
{
    const char data[4] = {'a', 'b', 'c', 'd'};
    context_->SendResult(0, data, 4);
    context_->SendResult(1, data, 4);
    context_->SendResult(2, data, 4);
    context_->SendResult(-3, nullptr, 2);
    EXPECT_EQ(Output(), std::string("\x01"
                                    "abcd"
                                    "\x02"
                                    "\x00"
                                    "abcd"
                                    "\x00\x00\x00",
                                    1 + 4 + 1 + 1 + 4 + 3));
}

} // namespace
