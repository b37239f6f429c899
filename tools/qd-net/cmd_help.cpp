// qd-net help TOPIC: prints the address the program would open for a help
// topic (the local help file's file:// address when the program's help
// folder has it, else the online help with its query) without opening it
// or counting it.

#include "NetCommand.h"

#include "online/LHelpTopics.h"

#include <cstdio>
#include <string>

namespace {

int RunHelp(int argc, char** argv)
{
    if (argc < 2)
        return QdFail("usage: help TOPIC");
    const std::string url = LResolveHelpTopic(argv[1]);
    if (url.empty())
        return QdFail("\"%s\" is no help topic name", argv[1]);
    std::printf("%s\n", url.c_str());
    return 0;
}

QdRegistrar reg("help", "help TOPIC", &RunHelp);

} // namespace
