// qd-disc layout --fs CODE [--label NAME] [--boot IMAGE] PATH...: the sector
// map of the image ("sector name" per line) and its last sector, without
// writing anything.

#include "DiscArgs.h"
#include "QdCommand.h"

#include "burn/LDiscImageWriter.h"
#include "burn/LMediaType.h"

#include <cstdio>

namespace {

int RunLayout(int argc, char** argv)
{
    QdDiscArgs args;
    if (!QdParseDiscArgs(argc, argv, false, &args))
        return 2;
    LDiscImageWriter writer(args.compilation->Root(), kMediaImageFile,
                            static_cast<uint32_t>(args.fileSystemCode), nullptr, args.boot);
    writer.BuildLayout();
    if (!writer.result.Ok()) {
        if (writer.result.message[0] != '\0')
            return QdFail("code %d: %s: %s", writer.result.code, writer.result.CodeText(),
                          writer.result.message);
        return QdFail("code %d: %s", writer.result.code, writer.result.CodeText());
    }
    for (const LSectorMapEntry& entry : writer.SectorMap())
        std::printf("%u %s\n", entry.sector, entry.name.c_str());
    std::printf("%u last sector\n", writer.lastSector);
    return 0;
}

QdRegistrar reg("layout", "layout --fs CODE [--label NAME] [--boot IMAGE] PATH...", &RunLayout);

} // namespace
