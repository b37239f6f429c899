// qd-disc image OUT --fs CODE [--label NAME] [--boot IMAGE] [--verify] PATH...:
// writes the compilation of the paths as an image file, and with --verify
// reads it back and compares.

#include "DiscArgs.h"
#include "QdCommand.h"

#include "burn/LDiscImageWriter.h"
#include "burn/LMediaType.h"
#include "foundation/files/LFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int Report(const LBurnResult& result)
{
    if (result.message[0] != '\0')
        return QdFail("code %d: %s: %s", result.code, result.CodeText(), result.message);
    return QdFail("code %d: %s", result.code, result.CodeText());
}

int RunImage(int argc, char** argv)
{
    QdDiscArgs args;
    if (!QdParseDiscArgs(argc, argv, true, &args))
        return 2;
    LDiscImageWriter writer(args.compilation->Root(), kMediaImageFile,
                            static_cast<uint32_t>(args.fileSystemCode), nullptr, args.boot);
    writer.BuildLayout();
    if (!writer.result.Ok())
        return Report(writer.result);

    // Written beside the name and renamed once whole: a failure leaves no
    // part of an image under the name.
    char temporary[PATH_MAX];
    const int fd = LCreateFileBeside(args.output, temporary, sizeof temporary, 0666);
    if (fd < 0)
        return QdFail("%s: %s", args.output, std::strerror(errno));
    writer.WriteImageFile(nullptr, fd, false);
    const bool closed = ::fdatasync(fd) == 0 && ::close(fd) == 0;
    if (!writer.result.Ok()) {
        ::unlink(temporary);
        return Report(writer.result);
    }
    if (!closed || ::rename(temporary, args.output) != 0) {
        const int error = errno;
        ::unlink(temporary);
        return QdFail("code %d: %s: %s", kBurnWriteError, LBurnErrorText(kBurnWriteError),
                      std::strerror(error));
    }

    if (args.verify) {
        const int in = ::open(args.output, O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return QdFail("%s: %s", args.output, std::strerror(errno));
        writer.WriteImageFile(nullptr, in, true);
        ::close(in);
        if (!writer.result.Ok()) {
            for (const LBurnResultDetail* d = writer.result.details; d != nullptr; d = d->next)
                std::fprintf(stderr, "qd-disc: detail %d: %s\n", d->code, d->message);
            return Report(writer.result);
        }
    }
    return 0;
}

QdRegistrar reg("image", "image OUT --fs CODE [--label NAME] [--boot IMAGE] [--verify] PATH...", &RunImage);

} // namespace
