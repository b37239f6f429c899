#pragma once
// Installing a missing sibling program from the maker's site into the
// user's applications folder ("$XDG_DATA_HOME/applications/<command>/"):
// its zip is fetched over verified HTTPS only, unpacked safely beside the
// target and renamed into place, under the per-user install lock of that
// folder. Nothing runs during the install and nothing needs more rights than
// the user's: an archive that is not a ready program folder (an installer,
// a disk image, a package) is not something the program can check, so it is
// never run; the user is sent to the program's web page instead.

#include <string>

class LProcessContext;

// The archive holds no program folder the program can install.
inline constexpr int kRelatedInstallNotInstallable = 3;

// The archive's name: the key in lower case followed by "maci.zip".
std::string LRelatedProgramZipName(const char* key);
// The archive's addresses on a download host (0 the first, 1 the second):
// form 0 "/components/<zip>", form 1 "/<short id>/<zip>". QUORIN_SITE applied.
std::string LRelatedProgramDownloadUrl(const char* key, int host, int form);

// Makes the installed program from a downloaded archive: the archive's
// folder "<command>" must hold the executable "<command>"; it replaces the
// program's folder in one rename. Modes are the user's, never writable by
// others; the executable gets execute rights. 0 installed, 2 the archive
// could not be unpacked safely, kRelatedInstallNotInstallable when it holds
// no such program. The zip is left where it is.
int LInstallRelatedProgramZip(const char* key, const char* zip);

// Fetches the archive from one host (both address forms in turn) and
// installs it: 0, 1 stopped, 2 not fetched, kRelatedInstallNotInstallable.
int LDownloadRelatedProgram(LProcessContext* context, int host, const char* key);

// The install-on-demand body: status lines "Download install-on-demand" and
// the program; a program already installed (perhaps by another process while
// this one waited for the lock) answers 0; otherwise the first host, then
// the second. Both failing to deliver shows "Download failed, please check
// your internet connection and try again". 0 installed, 1 stopped, 2 not
// fetched, kRelatedInstallNotInstallable.
int LDownloadAndInstallRelatedProgram(LProcessContext* context, const char* key);
