// qd-net install-program NAME: installs a sibling program (Tessary, Corvane,
// ...) into the user's applications folder through the program's own install
// path (the maker's download hosts, or QUORIN_SITE's server), printing each
// step:
//   zip=<addresses tried, in order> / status: <line> ... / installed=<path>
// Exit status 0 installed (or already there), 1 stopped, 2 not downloaded,
// 3 the download holds no program that can be installed (its web page is
// printed as page=<address>).

#include "NetCommand.h"

#include "online/LHttpClient.h"
#include "online/LRelatedProgramInstall.h"
#include "online/LRelatedPrograms.h"
#include "online/LSuiteProducts.h"

#include <cstdio>

namespace {

class PrintingContext : public NetStopContext
{
public:
    void Message(const char* text) override { std::printf("message: %s\n", text); }
    void MessageLevel(const char* text, int level) override { std::printf("status %d: %s\n", level, text); }
};

int RunInstallProgram(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return QdFail("usage: install-program NAME");
    const std::string key = LSuiteProductKeyFromName(argv[1]);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    for (int host = 0; host < 2; ++host)
        for (int form = 0; form < 2; ++form)
            std::printf("zip=%s\n", LRelatedProgramDownloadUrl(key.c_str(), host, form).c_str());
    PrintingContext context;
    const int result = LDownloadAndInstallRelatedProgram(&context, key.c_str());
    if (result == 1)
        return 1;
    if (result == kRelatedInstallNotInstallable) {
        const LSuiteProductInfo* info = LSuiteFindProductInfo(argv[1]);
        const std::string folder = info != nullptr ? info->webFolder : LSuiteWebFolderFromKey(key.c_str());
        std::printf("page=%s\n", LSuiteProductPageUrl(folder.c_str()).c_str());
        QdFail("%s: the download holds no program that can be installed", key.c_str());
        return result;
    }
    if (result != 0) {
        const char* reason = LHttpLastError();
        return QdFail("%s was not installed%s%s", key.c_str(), reason[0] != '\0' ? ": " : "", reason);
    }
    char path[260];
    LFindRelatedProgram(path, key.c_str());
    std::printf("installed=%s\n", path);
    return 0;
}

QdRegistrar reg("install-program", "install-program NAME", &RunInstallProgram);

} // namespace
