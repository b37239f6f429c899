// qd-disc errors: the burn error table and the media names, "code text" per line.

#include "QdCommand.h"

#include "burn/LBurnResult.h"
#include "burn/LMediaType.h"

#include <cstdio>

namespace {

int RunErrors(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    for (int code = 0; code < kBurnErrorCount; ++code)
        std::printf("%d %s\n", code, LBurnErrorText(code));
    for (uint32_t media = 0; media <= kMediaNoDisc; ++media)
        std::printf("media %u %s\n", media, LMediaTypeName(media));
    return 0;
}

QdRegistrar reg("errors", "errors", &RunErrors);

} // namespace
