// qd-net check-update [--silent|--startup]: fetches the version file (from
// the maker's site, or QUORIN_SITE's server) and prints what it says and
// what the program decides:
//   version=3.10 / info=... / download=... / info-page=<address or refused>
//   decision=newer|current
// --silent runs the silent check (remembered version, progress window) and
// prints version= and the decision; --startup runs the start-up check with
// its questions and prints decision=start or decision=quit. Both need a
// display (QT_QPA_PLATFORM=offscreen will do).

#include "NetCommand.h"

#include "app/program/online/UpdateCheckDialogs.h"
#include "gui/framework/LApplication.h"
#include "online/LHttpClient.h"
#include "online/LHttpParse.h"
#include "online/LUpdateCheck.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* Decision(double version)
{
    return LVersionHundredths(version) > kQuorinVersionHundredths ? "newer" : "current";
}

int RunCheckUpdate(int argc, char** argv)
{
    const bool silent = QdFlag(argc, argv, "--silent");
    const bool startup = QdFlag(argc, argv, "--startup");
    if (silent && startup)
        return QdFail("--silent and --startup exclude each other");
    if (silent || startup) {
        static int appArgc = 1;
        static char name[] = "qd-net";
        static char* appArgv[] = {name, nullptr};
        LApplication application(appArgc, appArgv);
        if (startup) {
            std::printf("decision=%s\n", LStartupUpdateCheck(false) ? "start" : "quit");
            return 0;
        }
        double version = 0;
        const int result = LSilentUpdateCheck(&version);
        if (result == 2)
            return QdFail("no version information: %s", LHttpLastError());
        if (result != 0)
            return result;
        std::printf("version=%.2f\ndecision=%s\n", version, Decision(version));
        return 0;
    }
    NetStopContext context;
    LVersionInfo info;
    const int result = LUpdateCheck(&context, &info);
    if (result == 2) {
        const char* reason = LHttpLastError();
        return QdFail("no version information: %s", reason[0] != '\0' ? reason : "not a version file");
    }
    if (result != 0)
        return result;
    const std::string page = LUpdateInfoPageUrl(info.info);
    // The fields are the server's text: printed escaped, as every message is.
    std::printf("version=%.2f\ninfo=%s\ndownload=%s\ninfo-page=%s\ndecision=%s\n", info.version,
                LHttpPrintable(info.info).c_str(), LHttpPrintable(info.download).c_str(),
                page.empty() ? "refused" : page.c_str(), Decision(info.version));
    return 0;
}

QdRegistrar reg("check-update", "check-update [--silent|--startup]", &RunCheckUpdate);

} // namespace
