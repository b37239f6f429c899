#include "QdScsiDrive.h"

#include "QdBurnDrive.h"
#include "QdCommand.h"

#include "burn/LOpticalDriveNumbering.h"
#include "burn/mmc/LSgIoTransport.h"
#include "burn/mmc/emulated/LEmulatedMmcDrive.h"

#include <cstring>

int QdReportScsiResult(const LBurnResult& result)
{
    if (result.code == kBurnNoError)
        return 0;
    if (result.code == kBurnUserCanceled && result.message[0] == '\0')
        return 1;
    char text[1200];
    result.Describe(text, sizeof text);
    std::fprintf(stderr, "qd-disc: code %d: %s (sense %X/%02X/%02X)\n", result.code, text, result.senseKey,
                 result.additionalSenseCode, result.additionalSenseCodeQualifier);
    for (const LBurnResultDetail* d = result.details; d != nullptr; d = d->next)
        std::fprintf(stderr, "qd-disc: detail %d: %s\n", d->code, d->message);
    return 2;
}

QdScsiDrive::~QdScsiDrive()
{
    device.reset();
    if (trace != nullptr)
        std::fclose(trace);
}

int QdOpenScsiDrive(const char* text, const char* tracePath, QdScsiDrive& drive)
{
    if (text == nullptr)
        return QdFail("--drive is required");
    if (std::strncmp(text, "fake:", 5) == 0 || std::strcmp(text, "none") == 0)
        return QdFail("%s drives belong to the audio-CD commands; use N, /dev/srN or emulated:FILE.img here",
                      text);
    LBurnResult result;
    std::unique_ptr<LScsiTransport> transport;
    if (std::strncmp(text, "emulated:", 9) == 0) {
        transport = LEmulatedMmcDrive::Open(text + 9, result);
    } else {
        const std::vector<std::string> paths = LListOpticalDrivePaths();
        uint32_t index = 0;
        // The index is resolved to one node once; the node stays open and
        // exclusive for the whole command.
        if (!LParseOpticalDriveChoice(text, paths, index))
            return QdFail("no optical drive \"%s\"", text);
        transport = LSgIoTransport::Open(paths[index], result);
    }
    if (!transport)
        return QdReportScsiResult(result) == 0 ? 2 : 2;
    drive.device = std::make_unique<LScsiDevice>(std::move(transport));
    if (tracePath != nullptr) {
        drive.trace = std::fopen(tracePath, "we");
        if (drive.trace == nullptr)
            return QdFail("%s: %s", tracePath, std::strerror(errno));
        FILE* out = drive.trace;
        drive.device->SetTrace([out](const std::string& line) { std::fprintf(out, "%s\n", line.c_str()); });
    }
    return 0;
}
