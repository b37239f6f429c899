// qd-disc drives [--drive D]: each optical drive as
// "N<TAB>/dev/srN<TAB>VENDOR PRODUCT<TAB>write=LIST|-".

#include "QdCommand.h"
#include "QdScsiDrive.h"

#include "burn/LOpticalDriveNumbering.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LSgIoTransport.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdio>
#include <string>

namespace {

std::string Trimmed(const uint8_t* bytes, size_t length)
{
    std::string text(reinterpret_cast<const char*>(bytes), length);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

std::string Describe(LScsiDevice& device)
{
    LLocalProcessContext context;
    uint8_t inquiry[36] = {};
    const uint8_t cdb[6] = {0x12, 0, 0, 0, sizeof inquiry, 0};
    std::string name = "-";
    if (device.ExecuteCommand(context, cdb, 6, inquiry, sizeof inquiry, 5000, LScsiDirection::kFromDevice) ==
            0 &&
        device.BytesMoved() >= 32)
        name = Trimmed(inquiry + 8, 8) + " " + Trimmed(inquiry + 16, 16);
    LBurnResult result;
    LDriveCapabilities caps;
    LMmcGetDriveCapabilities(result, context, device, caps);
    return name + "\twrite=" + (result.Ok() ? caps.WriteList() : std::string("-"));
}

int RunDrives(int argc, char** argv)
{
    const char* only = QdOption(argc, argv, "--drive");
    if (only != nullptr) {
        QdScsiDrive drive;
        if (const int bad = QdOpenScsiDrive(only, QdOption(argc, argv, "--trace"), drive))
            return bad;
        std::printf("0\t%s\t%s\n", drive.device->Transport().Name().c_str(), Describe(*drive.device).c_str());
        return 0;
    }
    const std::vector<std::string> paths = LListOpticalDrivePaths();
    for (size_t i = 0; i < paths.size(); ++i) {
        LBurnResult result;
        auto transport = LSgIoTransport::Open(paths[i], result);
        if (!transport) {
            // A busy drive is still listed, without poking it.
            std::printf("%zu\t%s\t-\twrite=-\n", i, paths[i].c_str());
            continue;
        }
        LScsiDevice device(std::move(transport));
        std::printf("%zu\t%s\t%s\n", i, paths[i].c_str(), Describe(device).c_str());
    }
    return paths.empty() ? 1 : 0;
}

QdRegistrar reg("drives", "drives [--drive D] [--trace FILE]", &RunDrives);

} // namespace
