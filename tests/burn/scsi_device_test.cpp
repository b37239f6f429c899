#include "MmcTestDrive.h"

#include "burn/mmc/LSgIoTransport.h"

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

struct SenseCase
{
    const char* name;
    std::vector<uint8_t> bytes;
    uint8_t key, asc, ascq;
};

TEST(ScsiSense, DecodesFixedAndDescriptorFormatsAndRejectsTheRest)
{
    const SenseCase cases[] = {
        {"fixed", {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x0C, 0x00}, 3, 0x0C, 0},
        // ILI and EOM in the key byte must not hide the medium error.
        {"fixed with ILI/EOM", {0xF0, 0, 0x63, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x0C, 0x00}, 3, 0x0C, 0},
        {"deferred fixed", {0x71, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x04, 0x01}, 2, 0x04, 1},
        {"descriptor", {0x72, 0x06, 0x28, 0x00, 0, 0, 0, 0}, 6, 0x28, 0},
        {"deferred descriptor", {0x73, 0x05, 0x24, 0x00}, 5, 0x24, 0},
        {"unknown response code", {0x05, 0xFF, 0xFF, 0xFF}, 0, 0, 0},
        {"too short fixed", {0x70, 0}, 0, 0, 0},
        {"empty", {}, 0, 0, 0},
    };
    for (const SenseCase& c : cases) {
        const LScsiSense s = LDecodeSense(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(s.senseKey, c.key) << c.name;
        EXPECT_EQ(s.additionalSenseCode, c.asc) << c.name;
        EXPECT_EQ(s.additionalSenseCodeQualifier, c.ascq) << c.name;
    }
}

TEST(SgIoTransport, MissingNodeIsDriveMissing)
{
    TempDir dir;
    LBurnResult result;
    EXPECT_EQ(LSgIoTransport::Open(dir.Path("sr9"), result), nullptr);
    EXPECT_EQ(result.code, kBurnDriveMissing);
}

TEST(EmulatedDrive, BusyDriveFailsToOpenWithCode39)
{
    TempDir dir;
    LBurnResult result;
    EXPECT_EQ(LEmulatedMmcDrive::Open(dir.Path("d.img") + ",profile=cdr,fail=busy", result), nullptr);
    EXPECT_EQ(result.code, 39);
}

TEST(EmulatedDrive, BadSettingsAreRefused)
{
    TempDir dir;
    for (const char* bad : {",profile=floppy", ",blocks=x", ",fail=melt", ",fail=short:40", ",colour=red"}) {
        LBurnResult result;
        EXPECT_EQ(LEmulatedMmcDrive::Open(dir.Path("d.img") + bad, result), nullptr) << bad;
        EXPECT_FALSE(result.Ok()) << bad;
    }
}

TEST(ScsiDevice, NotReadyIsRetriedWithinTheTimeOutThenFails)
{
    MmcTestDrive t(",profile=cdr,fail=notready:100");
    const uint8_t tur[6] = {};
    EXPECT_EQ(t.device->ExecuteCommand(t.context, tur, 6, nullptr, 0, 10000, LScsiDirection::kNone), 2);
    // 10 s in 500 ms steps: about twenty tries, never more.
    EXPECT_GE(t.trace.size(), 19u);
    EXPECT_LE(t.trace.size(), 21u);
    EXPECT_TRUE(t.device->SenseIs(2, 0x04, 0x01));

    MmcTestDrive quick(",profile=cdr,fail=notready:3");
    EXPECT_EQ(quick.device->ExecuteCommand(quick.context, tur, 6, nullptr, 0, 10000, LScsiDirection::kNone),
              0);
    EXPECT_EQ(quick.trace.size(), 4u);
    uint8_t k, a, q;
    EXPECT_FALSE(quick.device->GetLastSense(k, a, q));
    EXPECT_EQ(k, 0);
}

TEST(ScsiDevice, TimeOutFailsWithZeroSenseAndNoRetry)
{
    MmcTestDrive t(",profile=cdr,fail=notready:1,fail=timeout:0");
    const uint8_t tur[6] = {};
    EXPECT_EQ(t.device->ExecuteCommand(t.context, tur, 6, nullptr, 0, 10000, LScsiDirection::kNone), 2);
    EXPECT_TRUE(t.device->LastTimedOut());
    EXPECT_EQ(t.trace.size(), 1u);
    EXPECT_EQ(t.trace[0], "000000000000 none 0 -> TIMEOUT resid=0");
    uint8_t k = 9, a = 9, q = 9;
    EXPECT_TRUE(t.device->GetLastSense(k, a, q));
    EXPECT_EQ(k + a + q, 0);
}

TEST(ScsiDevice, BadSenseDoesNotInheritThePreviousCommandsSense)
{
    MmcTestDrive t(",profile=cdr,fail=badsense:0x25");
    const uint8_t bogus[6] = {0xEE, 0, 0, 0, 0, 0};
    EXPECT_EQ(t.device->ExecuteCommand(t.context, bogus, 6, nullptr, 0, 1000, LScsiDirection::kNone), 2);
    EXPECT_TRUE(t.device->SenseIs(5, 0x20, 0));
    uint8_t capacity[8];
    const uint8_t readCapacity[10] = {0x25};
    EXPECT_EQ(
        t.device->ExecuteCommand(t.context, readCapacity, 10, capacity, 8, 1000, LScsiDirection::kFromDevice),
        2);
    EXPECT_TRUE(t.device->SenseIs(0, 0, 0));
}

TEST(ScsiDevice, HasFeatureNeedsADescriptorOfThatFeature)
{
    MmcTestDrive t(",profile=dvd+rw");
    EXPECT_TRUE(t.device->HasFeature(t.context, 0x002A, true));
    EXPECT_TRUE(t.device->HasFeature(t.context, 0x002B, false));
    EXPECT_FALSE(t.device->HasFeature(t.context, 0x002B, true)); // supported, not the loaded disc
    EXPECT_TRUE(t.device->HasFeature(t.context, 0x0003, true));
    EXPECT_FALSE(t.device->HasFeature(t.context, 0x0051, false));
}

TEST(EmulatedDrive, KeepsTheDiscBetweenRuns)
{
    TempDir dir;
    const std::string image = dir.Path("keep.img");
    LBurnResult result;
    {
        auto drive = LEmulatedMmcDrive::Open(image + ",profile=dvd+r", result);
        ASSERT_TRUE(drive);
        drive->nextWritable = 1234;
        drive->discStatus = 1;
    }
    auto again = LEmulatedMmcDrive::Open(image, result);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->profile, 0x001B);
    EXPECT_EQ(again->nextWritable, 1234u);
    EXPECT_EQ(again->discStatus, 1);
    auto fresh = LEmulatedMmcDrive::Open(image + ",profile=dvd+r", result);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->nextWritable, 0u);
}

} // namespace
