// qd-disc scan: the burner list as the burn settings see it.

#include "QdBurnDrive.h"
#include "QdCommand.h"

#include "burn/LDiscServices.h"
#include "burn/LLibburnBackend.h"

#include <cstdio>
#include <string>

namespace {

std::string WriteList(const LBurnDriveEntry& e)
{
    std::string list;
    auto add = [&](bool on, const char* name) {
        if (!on)
            return;
        if (!list.empty())
            list += ",";
        list += name;
    };
    add(e.canWriteCd, "cd");
    add(e.canWriteCdSao, "cd-sao");
    add(e.canWriteDvd, "dvd-r");
    add(e.canWriteDvdPlusR, "dvd+r");
    add(e.canWriteDvdRam, "dvd-ram");
    add(e.canWriteBd, "bd-r");
    add(e.canWriteHdDvd, "hd-dvd-r");
    return list;
}

int RunScan(int argc, char** argv)
{
    const char* driveText = QdOption(argc, argv, "--drive");
    QdBurnDrive drive;
    LBurnBackend* backend = &LGetLibburnBackend();
    bool only = false;
    if (driveText != nullptr) {
        if (const int bad = QdParseBurnDrive(driveText, false, drive))
            return bad;
        backend = drive.backend;
        only = !drive.fake;
    }
    QdSignalContext context(QdFlag(argc, argv, "--verbose"));
    LBurnDriveList list;
    LScanBurnDrives(&context, *backend, list);
    int shown = 0;
    for (uint32_t i = 0; i < list.count; ++i) {
        if (only && i != drive.index)
            continue;
        const LBurnDriveEntry& e = list.drives[i];
        std::string speeds;
        for (uint32_t s = 0; s < e.speedCount; ++s)
            speeds += (s ? "," : "") + std::to_string(e.speeds[s]);
        std::printf("%u\t%s\t%s\twrite=%s\tmedia=%s\tblank=%d\tspeeds=%s\n", i, e.vendor, e.product,
                    WriteList(e).c_str(), QdMediaText(e.media).c_str(), e.blankAndAppendable ? 1 : 0,
                    speeds.c_str());
        ++shown;
    }
    return shown > 0 ? 0 : 1;
}

QdRegistrar reg("scan", "scan [--drive D] [--verbose]", &RunScan);

} // namespace
