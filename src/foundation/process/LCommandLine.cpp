#include "foundation/process/LCommandLine.h"

#include <cstring>
#include <vector>

namespace {

std::vector<char*>& Arguments()
{
    static std::vector<char*> arguments{nullptr};
    return arguments;
}

} // namespace

void LSetCommandLine(int argc, char** argv)
{
    std::vector<char*>& arguments = Arguments();
    arguments.clear();
    arguments.reserve(size_t(argc > 0 ? argc : 0) + 1);
    for (int i = 0; i < argc && argv && argv[i]; ++i) {
        if (i == 1 && std::strncmp(argv[i], "-psn", 4) == 0)
            continue;
        arguments.push_back(argv[i]);
    }
    arguments.push_back(nullptr);
}

int LGetCommandLineCount()
{
    return int(Arguments().size()) - 1;
}

char** LGetCommandLine()
{
    return Arguments().data();
}
