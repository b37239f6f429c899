#pragma once
// Arguments shared by the image commands: the compilation of the given paths
// and the file-system code.

#include "burn/LDiscNode.h"

#include <memory>

struct QdDiscArgs
{
    long fileSystemCode = 0;
    const char* label = "Disc";
    const char* boot = nullptr;
    const char* output = nullptr;
    bool verify = false;
    std::unique_ptr<LDiscCompilation> compilation;
};

// Parses "[OUT] --fs CODE [--label NAME] [--boot IMAGE] [--verify] PATH...";
// prints the failure and returns false on bad arguments or unreadable paths.
bool QdParseDiscArgs(int argc, char** argv, bool wantOutput, QdDiscArgs* args);
