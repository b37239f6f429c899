#pragma once
// An emulated drive opened through the device layer on a fake clock, with
// every command's trace line kept.

#include "TestProgressWait.h"
#include "burn/mmc/LScsiDevice.h"
#include "burn/mmc/emulated/LEmulatedMmcDrive.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quorin::test {

using StoppableContext = TestProgressWait;

struct MmcTestDrive
{
    explicit MmcTestDrive(const std::string& settings, const std::string& image = "disc.img")
    {
        path = dir.Path(image);
        LBurnResult result;
        auto transport = LEmulatedMmcDrive::Open(path + settings, result);
        EXPECT_TRUE(result.Ok()) << result.message;
        if (!transport)
            return;
        drive = transport.get();
        device = std::make_unique<LScsiDevice>(std::move(transport), &clock);
        device->SetTrace([this](const std::string& line) { trace.push_back(line); });
    }

    // Trace lines whose CDB starts with the opcode's hex.
    std::vector<std::string> Commands(const char* opcodeHex) const
    {
        std::vector<std::string> out;
        for (const std::string& line : trace)
            if (line.rfind(opcodeHex, 0) == 0)
                out.push_back(line);
        return out;
    }

    TempDir dir;
    std::string path;
    LFakeMmcClock clock;
    StoppableContext context;
    LEmulatedMmcDrive* drive = nullptr;
    std::unique_ptr<LScsiDevice> device;
    std::vector<std::string> trace;
};

} // namespace quorin::test
