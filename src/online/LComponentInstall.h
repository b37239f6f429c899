#pragma once
// Installing a component the first time it is needed: its zip is fetched
// from the maker's download hosts over verified HTTPS only, unpacked safely
// (LInstallComponentZip) and its version recorded in the shared settings
// section "ComponentVersions". One install at a time per user: the processes
// of all the maker's programs take an flock on ".install.lock" in the
// components folder, which the kernel releases when a holder dies.
//
// The MP3 encoder is a library with LAME's interface loaded at run time: for
// it, installed means that it loads, from the components folder or from the
// copy the program ships (the system's LAME, linked into its resources).
// When neither loads, it is downloaded like any other component, and a
// download that does not load is removed again.
//
// This layer has no windows: the offer and the progress of an install on
// demand go through LInstallOnDemandPrompts, which the program's windows
// fill (app/program/online/InstallOnDemandDialogs.h).

#include <functional>
#include <string>

class LProcessContext;

// Components whose zip is named "<name>.zip"; any other's is "<name>i.zip".
bool LIsCodecComponent(const char* name);
// The zip's name on the download hosts.
std::string LComponentZipName(const char* name);
// The addresses tried in order: the first download host, then the second
// (QUORIN_SITE applied to both).
std::string LComponentDownloadUrl(const char* name, int host);
// The address of the component's version file.
std::string LComponentVersionUrl(const char* name);

// Fetches the version file and reads its "version=" (LParseComponentVersionFile):
// 0 with *version set, 1 stopped, 2 failed, no "version=" or no decimal version.
int LGetComponentVersion(LProcessContext* context, double* version, const char* name);

// Download and install under the per-user lock. path (260 bytes) receives
// the installed path. A component already usable (perhaps installed by
// another process while this one waited) is left alone unless replace is
// set, which fetches and installs it anew (an update). 0 installed, 1
// stopped, 2 failed; nothing but a complete, verified, safely unpacked
// archive replaces anything, so a failure keeps the component that was there.
int LDownloadAndInstallComponent(LProcessContext* context, const char* name, char* path,
                                 bool replace = false);
// Why this thread's last LDownloadAndInstallComponent failed: the download's
// error, or why an archive that came whole was refused ("" when it gave no
// reason). A refused archive's reason also follows "Error downloading
// component" in the message the context receives.
const char* LComponentInstallLastError();

// What an install on demand needs from a user's screen.
struct LInstallOnDemandPrompts
{
    // Offers the download with the text; true when the user accepts it.
    std::function<bool(const std::string& text)> offerDownload;
    // Runs LDownloadAndInstallComponent(name, path) where its progress can be
    // watched and stopped, and returns its result.
    std::function<int(const char* name, char* path)> install;
};

// True when the component is usable. When it is missing the user is offered
// the download (with the other way for the MP3 encoder: the package
// libmp3lame0); accepted, it is installed. path (260 bytes) receives the
// installed path.
bool LComponentInstallOnDemand(const char* name, char* path, const LInstallOnDemandPrompts& prompts);
