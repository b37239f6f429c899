// qd-net install-component NAME [--update]: installs a component into the
// components folder through the program's own install path (the maker's
// download hosts, or QUORIN_SITE's server), printing each step:
//   zip=<address tried first> / status: <line> ... / installed=<path>
//   version=<recorded version>
// Without --update a component that is already usable is left as it is.
// Exit status 0 installed, 1 stopped, 2 failed.

#include "NetCommand.h"

#include "foundation/settings/LSharedSettings.h"
#include "online/LComponentInstall.h"

#include <cstdio>

namespace {

class PrintingContext : public NetStopContext
{
public:
    void Message(const char* text) override { std::printf("message: %s\n", text); }
    void MessageLevel(const char* text, int level) override { std::printf("status %d: %s\n", level, text); }
};

int RunInstallComponent(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return QdFail("usage: install-component NAME [--update]");
    const char* name = argv[1];
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("zip=%s\nsecond-host=%s\n", LComponentDownloadUrl(name, 0).c_str(),
                LComponentDownloadUrl(name, 1).c_str());
    PrintingContext context;
    char path[260];
    const int result = LDownloadAndInstallComponent(&context, name, path, QdFlag(argc, argv, "--update"));
    if (result == 1)
        return 1;
    if (result != 0) {
        const char* reason = LComponentInstallLastError();
        return QdFail("%s was not installed%s%s", name, reason[0] != '\0' ? ": " : "", reason);
    }
    char version[64];
    LSharedSettingsGetString("ComponentVersions", name, "", version);
    std::printf("installed=%s\nversion=%s\n", path, version);
    return 0;
}

QdRegistrar reg("install-component", "install-component NAME [--update]", &RunInstallComponent);

} // namespace
