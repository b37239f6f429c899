#pragma once
// The components folder: code the program loads at run time (the MP3
// encoder "quavex4x64") that lives in a per-user folder shared with the
// maker's other programs, the copies the program ships in its resources to
// fill it, and the safe unpacking of a component's zip.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// What one archive may unpack to. A component is a library of a few
// megabytes and a related program a folder of some tens, compressed about
// three to one; these bounds leave them room many times over, while an
// archive of a few megabytes that inflates to gigabytes is refused before it
// fills the disk. The ratio counts the whole archive: what all members
// unpack to against the archive's own size.
inline constexpr uint64_t kMaxUnpackedBytes = 512ull << 20; // 512 MiB in all
inline constexpr uint64_t kUnpackRatioFloor = 16ull << 20;  // any archive may unpack to 16 MiB
inline constexpr uint64_t kMaxUnpackRatio = 100;            // beyond that, 100 bytes per archive byte
inline constexpr size_t kMaxArchiveMembers = 20000;

// What an archive of `archiveBytes` may unpack to under the bounds above.
uint64_t LAllowedUnpackedBytes(uint64_t archiveBytes);

// The shipped components: "resources/components" in the resources folder
// (260 bytes).
bool LGetShippedComponentsFolder(char* dest);
// The installed path of a component (260 bytes), set even when the answer is
// false; true when it is there and usable. "infozip" and "zlib" (by their
// first letters, any case) are the system's unzip program and zlib; a few
// shared libraries keep their library file names (LComponentFileName); any
// other component is the components folder + its name. A file is usable
// unless it is a build for the old big-endian Macs (which is deleted); a
// folder only when it is one of the folder components with its libraries
// (LIsUsableComponentFolder). When the components folder cannot be made, the
// answer is false with that folder as the path.
bool LGetComponentPath(const char* name, char* dest);
// The name of a component's file (or folder) in the components folder.
std::string LComponentFileName(const char* name);
// A folder in a component's place is usable only for the components that
// are folders of libraries: "unrar" (libunrar.so), "minizipx64"
// (libminizip.so) and "ffmpeg" followed by a version number (libavcodec.so,
// libavformat.so, libavutil.so and libswscale.so); each needs its libraries
// inside it.
bool LIsUsableComponentFolder(const char* name, const char* folder);
// A component's name from a shipped entry: the file name without extension
// and without one trailing 'i' ("quavex4x64i.zip" is "quavex4x64").
void LComponentNameFromEntry(const char* entry, char* dest);
// True when the folder holds no entry (hidden names count as none).
bool LIsFolderEmpty(const char* folder);
// Files below the folder, at any depth, that lack an execute bit.
int LCountNonExecutableFiles(const char* folder);

// Gives everything below the path (the path included) the modes of code
// within the user's umask: files 0755, folders 0777, never writable by
// others. Links are not followed.
void LSecureComponentsTree(const char* path);

// 0 when installed, 2 when not. Copies take the user's umask; code gets
// execute rights; nothing becomes writable by others.
int LInstallShippedComponentFile(const char* name, const char* source);
int LInstallShippedComponentFolder(const char* name, const char* source);
// Installs the component "name" from a zip: the archive is unpacked (the
// unzip program, its arguments as an argument vector) into a new folder
// beside the components, refused when a member's name is absolute or climbs
// with "..", when it holds more than kMaxArchiveMembers members or unpacks to
// more than LAllowedUnpackedBytes, or when anything but files and folders
// comes out of it. Its item named as the component's file
// (LComponentFileName) must be a file built for this system, or one of the
// folder components with its libraries (LIsUsableComponentFolder); only then
// does it replace the installed one, in a single rename. 0 installed, 2 not
// (the installed component, if any, is untouched; why, when given, says what
// was wrong). The zip is deleted
// afterwards when asked, whatever the result.
int LInstallComponentZip(const char* name, const char* zip, bool deleteZip, std::string* why = nullptr);
// The unpacking behind LInstallComponentZip, for any folder: the zip's item
// "name" comes out in a new folder ".unpack-<name>-XXXXXX" in `folder` (the
// same checks of names, sizes, links and kinds), prepare may look at it and
// fix it up (false refuses it; it may say why), then it replaces `target` in
// a single rename. 0 installed, 2 not, with the reason in why when given; the
// zip is kept.
int LInstallZipItem(const char* zip, const char* folder, const char* name, const char* target,
                    const std::function<bool(const char* item, std::string* why)>& prepare,
                    std::string* why = nullptr);
// Removes the unpack folders that processes killed mid-install left in the
// components folder. Only while holding the install lock.
void LRemoveStaleComponentUnpacks(const char* folder);
