// qd-audio join OUT IN...: joins the inputs in order into OUT, a 44.1 kHz
// stereo WAV (or an MP3 when OUT ends in ".mp3"), converting each input's
// rate and channels, and prints the path written.

#include "QdCommand.h"

#include "app/queue/SplitJoinJobs.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdio>

namespace {

class JoinContext : public LLocalProcessContext
{
public:
    void Message(const char* text) override { std::fprintf(stderr, "qd-audio: %s\n", text); }
};

int RunJoin(int argc, char** argv)
{
    if (argc < 3 || argv[1][0] == '-')
        return QdFail("usage: qd-audio join OUT IN...");
    JoinFilesArgs args;
    args.outputPath = argv[1];
    for (int i = 2; i < argc; ++i)
        args.inputs.push_back(argv[i]);
    JoinContext context;
    const int result = JoinFiles(&context, args);
    if (result != 0) {
        if (!args.outputPath.empty())
            std::fprintf(stderr, "qd-audio: the joined sound was kept as %s\n", args.outputPath.c_str());
        return QdFail("the files could not be joined into %s", argv[1]);
    }
    std::printf("%s\n", args.outputPath.c_str());
    return 0;
}

QdRegistrar reg("join", "join OUT IN...", &RunJoin);

} // namespace
