#include "DiscArgs.h"

#include "QdCommand.h"

#include <cstring>
#include <string>
#include <vector>

bool QdParseDiscArgs(int argc, char** argv, bool wantOutput, QdDiscArgs* args)
{
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto value = [&](const char* flag) -> const char* {
            if (i + 1 >= argc) {
                QdFail("%s needs a value", flag);
                return nullptr;
            }
            return argv[++i];
        };
        if (std::strcmp(arg, "--fs") == 0) {
            const char* text = value(arg);
            if (text == nullptr)
                return false;
            if (!QdNumber(text, 1, 25, args->fileSystemCode)) {
                QdFail("--fs takes a file-system code from 1 to 25, not '%s'", text);
                return false;
            }
        } else if (std::strcmp(arg, "--label") == 0) {
            if ((args->label = value(arg)) == nullptr)
                return false;
        } else if (std::strcmp(arg, "--boot") == 0) {
            if ((args->boot = value(arg)) == nullptr)
                return false;
        } else if (std::strcmp(arg, "--verify") == 0) {
            args->verify = true;
        } else if (wantOutput && args->output == nullptr) {
            args->output = arg;
        } else {
            paths.push_back(arg);
        }
    }
    if (args->fileSystemCode == 0 || (wantOutput && args->output == nullptr)) {
        QdFail("missing %s", args->fileSystemCode == 0 ? "--fs CODE" : "the output file");
        return false;
    }
    args->compilation = std::make_unique<LDiscCompilation>(args->label);
    for (const char* path : paths) {
        std::string error;
        if (args->compilation->AddPath(args->compilation->Root(), path, &error) == nullptr) {
            QdFail("%s", error.c_str());
            return false;
        }
    }
    return true;
}
