#include "online/LComponentsFolder.h"

#include "audio/formats/mp3/LMp3EncoderComponent.h"

#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderScan.h"
#include "foundation/files/LFolderTree.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LBundle.h"
#include "foundation/process/LChildProcess.h"
#include "online/LComponentInstall.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <link.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Unpacks in progress (or left by a process that died) in the components
// folder: ".unpack-<name>-XXXXXX".
constexpr char kUnpackPrefix[] = ".unpack-";

bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// A build of the component for another processor of old (a 32-bit
// big-endian Mach-O image) is not usable anywhere.
bool IsForeignBuild(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    unsigned char head[4] = {};
    const bool read = std::fread(head, 1, 4, file) == 4;
    std::fclose(file);
    return read && head[0] == 0xFE && head[1] == 0xED && head[2] == 0xFA && head[3] == 0xCE;
}

// Code is never left writable by others; what is code keeps (or gets) its
// execute bits, both within the user's umask.
void SecureComponentFile(const char* path, bool executable)
{
    struct stat info;
    if (lstat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return;
    mode_t mode = executable ? 0755 : (info.st_mode & 0777);
    mode &= ~(LCurrentUmask() | S_IWOTH);
    if ((info.st_mode & 07777) != mode)
        chmod(path, mode);
}

void Say(std::string* why, const std::string& text)
{
    if (why != nullptr)
        *why = text;
}

std::string MiB(uint64_t bytes)
{
    return std::to_string(bytes >> 20) + " MiB";
}

// Runs unzip with the arguments and keeps what it prints; false when it
// could not run or did not end well.
bool ReadUnzipOutput(const char* const* argv, std::string* text)
{
    LChildProcess child;
    if (!child.Start(argv, LChildStream::Null, LChildStream::Pipe))
        return false;
    LStringLongTemplate<char> output;
    const bool read = child.ReadOutputToEnd(&output);
    if (child.WaitToEnd() != 0 || !read)
        return false;
    *text = output.Text();
    return true;
}

// The names of the archive's members as unzip sees them: each must stay
// inside the folder it is unpacked into (no absolute path, no "..", no
// backslash that another tool might read as a separator), and there may not
// be more of them than kMaxArchiveMembers (each costs a file system entry).
bool ZipMemberNamesAreSafe(const char* zip, std::string* why)
{
    const char* argv[] = {"unzip", "-Z1", zip, nullptr};
    std::string names;
    if (!ReadUnzipOutput(argv, &names) || names.empty()) {
        Say(why, "unzip cannot read it as a zip archive");
        return false;
    }
    size_t start = 0, count = 0;
    while (start < names.size()) {
        size_t end = names.find('\n', start);
        if (end == std::string::npos)
            end = names.size();
        const std::string member = names.substr(start, end - start);
        start = end + 1;
        if (member.empty())
            continue;
        if (++count > kMaxArchiveMembers) {
            Say(why, "it holds more than " + std::to_string(kMaxArchiveMembers) + " members");
            return false;
        }
        if (member[0] == '/' || member == ".." || member.rfind("../", 0) == 0 ||
            member.find("/../") != std::string::npos ||
            (member.size() >= 3 && member.compare(member.size() - 3, 3, "/..") == 0) ||
            member.find('\\') != std::string::npos) {
            Say(why, "a member's name leads out of the folder it is unpacked into");
            return false;
        }
    }
    return true;
}

std::string TooBig(uint64_t allowed)
{
    return "it unpacks to more than " + MiB(allowed) + " (an archive may unpack to " +
           MiB(kMaxUnpackedBytes) + " at most, and beyond " + MiB(kUnpackRatioFloor) + " to " +
           std::to_string(kMaxUnpackRatio) + " times its own size)";
}

// What the archive's directory says its members unpack to, from unzip's
// totals line ("3 files, 1234 bytes uncompressed, ..."): a quick refusal of
// an archive that owns up to its size before anything is inflated.
bool DeclaredSizeFits(const char* zip, uint64_t allowed, std::string* why)
{
    const char* argv[] = {"unzip", "-Zt", zip, nullptr};
    std::string totals;
    unsigned long long bytes = 0;
    const bool listed = ReadUnzipOutput(argv, &totals);
    const size_t comma = totals.find(", ");
    if (!listed || comma == std::string::npos ||
        std::sscanf(totals.c_str() + comma, ", %llu bytes uncompressed", &bytes) != 1) {
        Say(why, "unzip cannot read its directory");
        return false;
    }
    if (bytes > allowed) {
        Say(why, TooBig(allowed));
        return false;
    }
    return true;
}

// What the members really unpack to: the sizes in an archive's directory
// are claims that unzip does not hold the data to, so every member is
// inflated once and counted, without being written, and the count stops at
// the bound. The unpacking that follows reads the same file, which lies in
// a folder of the user's own under the install lock.
bool InflatedSizeFits(const char* zip, uint64_t allowed, std::string* why)
{
    const char* argv[] = {"unzip", "-p", "-qq", zip, nullptr};
    LChildProcess child;
    if (!child.Start(argv, LChildStream::Null, LChildStream::Pipe)) {
        Say(why, "unzip could not be run");
        return false;
    }
    uint64_t total = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(child.OutputFd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += static_cast<uint64_t>(n);
        if (total > allowed) {
            kill(child.Pid(), SIGKILL);
            child.WaitToEnd();
            Say(why, TooBig(allowed));
            return false;
        }
    }
    child.CloseOutput();
    if (child.WaitToEnd() != 0) {
        Say(why, "unzip found it damaged");
        return false;
    }
    return true;
}

// Only plain files and folders may come out of a component's archive: a
// link could point anywhere, and the program would load through it. Hidden
// entries are looked at like any other. What the files hold together is
// counted once more against the bound.
bool TreeHasOnlyFilesAndFolders(const char* path, uint64_t allowed, std::string* why)
{
    std::error_code error;
    std::filesystem::recursive_directory_iterator walk(path, error), end;
    uint64_t total = 0;
    for (; !error && walk != end; walk.increment(error)) {
        const std::filesystem::file_status status = walk->symlink_status(error);
        if (error)
            break;
        if (std::filesystem::is_regular_file(status)) {
            total += walk->file_size(error);
            if (total > allowed) {
                Say(why, TooBig(allowed));
                return false;
            }
        } else if (!std::filesystem::is_directory(status)) {
            Say(why, "it holds something other than files and folders (a link, say)");
            return false;
        }
    }
    if (error)
        Say(why, "what it unpacked to could not be read");
    return !error;
}

// Puts the new item in the place of the old one in one step: whoever loads
// the component sees either the old or the new, never a half of either. The
// old one ends where the new one was and is removed with the rest.
bool MoveIntoPlace(const char* item, const char* target)
{
    struct stat info;
    if (lstat(target, &info) != 0)
        return renameat2(AT_FDCWD, item, AT_FDCWD, target, RENAME_NOREPLACE) == 0;
    if (renameat2(AT_FDCWD, item, AT_FDCWD, target, RENAME_EXCHANGE) == 0)
        return true;
    // A file system without the exchange: a file replaces a file in one
    // rename all the same.
    return S_ISREG(info.st_mode) && rename(item, target) == 0;
}

// Unpacks the archive into the folder unpack, checks what came out, lets
// prepare look at the item and puts it in place of target.
bool UnpackAndPlace(const char* zip, const char* unpack, const char* name, const char* target,
                    uint64_t allowed, const std::function<bool(const char* item, std::string* why)>& prepare,
                    std::string* why)
{
    const char* argv[] = {"unzip", "-qq", "-o", zip, "-d", unpack, nullptr};
    LChildProcess child;
    if (!child.Start(argv, LChildStream::Null, LChildStream::Null) || child.WaitToEnd() != 0) {
        Say(why, "unzip could not unpack it");
        return false;
    }
    char item[kLPathSize];
    if (!LPathCombine(item, unpack, name, "")) {
        Say(why, "its path is too long");
        return false;
    }
    if (!TreeHasOnlyFilesAndFolders(unpack, allowed, why))
        return false;
    struct stat info;
    if (lstat(item, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))) {
        Say(why, std::string("it holds no item named ") + name);
        return false;
    }
    if (!prepare(item, why))
        return false;
    if (!MoveIntoPlace(item, target)) {
        Say(why, std::string("it could not be moved into place: ") + std::strerror(errno));
        return false;
    }
    return true;
}

// The system's zlib as the loader finds it; the usual place when it cannot
// be loaded.
void SystemZlibPath(char* dest)
{
    std::snprintf(dest, kLPathSize, "%s", "/usr/lib/libz.so.1");
    void* library = dlopen("libz.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr)
        return;
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
        map->l_name[0] == '/')
        std::snprintf(dest, kLPathSize, "%s", map->l_name);
    dlclose(library);
}

} // namespace

uint64_t LAllowedUnpackedBytes(uint64_t archiveBytes)
{
    const uint64_t byRatio = archiveBytes > kMaxUnpackedBytes / kMaxUnpackRatio
                                 ? kMaxUnpackedBytes
                                 : archiveBytes * kMaxUnpackRatio;
    return std::min(kMaxUnpackedBytes, std::max(kUnpackRatioFloor, byRatio));
}

int LInstallZipItem(const char* zip, const char* folder, const char* name, const char* target,
                    const std::function<bool(const char* item, std::string* why)>& prepare, std::string* why)
{
    std::string reason;
    struct stat archive;
    if (stat(zip, &archive) != 0 || !S_ISREG(archive.st_mode)) {
        Say(why, "the archive cannot be read");
        return 2;
    }
    const uint64_t allowed = LAllowedUnpackedBytes(static_cast<uint64_t>(archive.st_size));
    if (!ZipMemberNamesAreSafe(zip, &reason) || !DeclaredSizeFits(zip, allowed, &reason) ||
        !InflatedSizeFits(zip, allowed, &reason)) {
        Say(why, reason);
        return 2;
    }
    char unpack[kLPathSize];
    if (std::snprintf(unpack, sizeof unpack, "%s/%s%s-XXXXXX", folder, kUnpackPrefix, name) >=
            static_cast<int>(sizeof unpack) ||
        mkdtemp(unpack) == nullptr) {
        Say(why, "no folder to unpack it in could be made");
        return 2;
    }
    const bool placed = UnpackAndPlace(zip, unpack, name, target, allowed, prepare, &reason);
    std::error_code error;
    std::filesystem::remove_all(unpack, error);
    if (!placed)
        Say(why, reason.empty() ? std::string("it was refused") : reason);
    return placed ? 0 : 2;
}

void LSecureComponentsTree(const char* path)
{
    struct stat info;
    if (path == nullptr || lstat(path, &info) != 0)
        return;
    if (S_ISREG(info.st_mode)) {
        SecureComponentFile(path, true);
        return;
    }
    if (!S_ISDIR(info.st_mode))
        return; // links are left as they are
    const mode_t mode = 0777 & ~(LCurrentUmask() | S_IWOTH);
    if ((info.st_mode & 07777) != mode)
        chmod(path, mode);
    // Every entry, hidden ones too; links are not followed.
    std::error_code error;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(path, error))
        LSecureComponentsTree(entry.path().c_str());
}

bool LGetShippedComponentsFolder(char* dest)
{
    char resources[kLPathSize];
    dest[0] = '\0';
    return LGetResourcesFolder(resources, sizeof resources) &&
           std::snprintf(dest, kLPathSize, "%s/resources/components", resources) <
               static_cast<int>(kLPathSize);
}

std::string LComponentFileName(const char* name)
{
    // Libraries the maker's programs share keep the file names they were
    // built with; every other component is a file named as the component.
    static const struct
    {
        const char* name;
        const char* file;
    } kLibraryFiles[] = {
        {"snappy", "snappy.so"},
        {"libunrarx64", "libunrarx64.so"},
        {"ccittfaxmac", "ccittfaxmac.so"},
        {"freetype", "libfreetype.so.6"},
    };
    for (const auto& library : kLibraryFiles)
        if (std::strcmp(name, library.name) == 0)
            return library.file;
    return name;
}

bool LIsUsableComponentFolder(const char* name, const char* folder)
{
    std::vector<const char*> libraries;
    if (std::strcmp(name, "unrar") == 0) {
        libraries = {"libunrar.so"};
    } else if (std::strcmp(name, "minizipx64") == 0) {
        libraries = {"libminizip.so"};
    } else if (std::strncmp(name, "ffmpeg", 6) == 0) {
        // The version is the number that starts at the first digit.
        const char* digits = name + 6;
        while (*digits != '\0' && (*digits < '0' || *digits > '9'))
            ++digits;
        const long version = std::strtol(digits, nullptr, 10);
        if (version < 1)
            return false;
        libraries = {"libavcodec.so", "libavformat.so", "libavutil.so", "libswscale.so"};
    } else {
        return false;
    }
    for (const char* library : libraries) {
        char path[kLPathSize];
        if (!LPathCombine(path, folder, library, "") || !IsFile(path))
            return false;
    }
    return true;
}

bool LGetComponentPath(const char* name, char* dest)
{
    dest[0] = '\0';
    if (name == nullptr || *name == '\0')
        return false;
    if (strncasecmp(name, "infozip", 7) == 0) {
        std::snprintf(dest, kLPathSize, "%s", "/usr/bin/unzip");
        return IsFile(dest);
    }
    if (strncasecmp(name, "zlib", 4) == 0) {
        SystemZlibPath(dest);
        return IsFile(dest);
    }
    char folder[kLPathSize];
    if (!LGetComponentsFolder(folder)) {
        // Where it would be, for the caller's message.
        std::snprintf(dest, kLPathSize, "%s", folder);
        return false;
    }
    if (!LPathCombine(dest, folder, LComponentFileName(name).c_str(), ""))
        return false;
    struct stat info;
    if (stat(dest, &info) != 0)
        return false;
    if (S_ISDIR(info.st_mode))
        return LIsUsableComponentFolder(name, dest);
    if (!S_ISREG(info.st_mode))
        return false;
    if (LIsCodecComponent(name))
        return true;
    if (IsForeignBuild(dest)) {
        unlink(dest);
        return false;
    }
    return true;
}

void LComponentNameFromEntry(const char* entry, char* dest)
{
    if (!LPathGetTitle(dest, entry))
        dest[0] = '\0';
    const size_t length = std::strlen(dest);
    if (length > 0 && dest[length - 1] == 'i')
        dest[length - 1] = '\0';
}

bool LIsFolderEmpty(const char* folder)
{
    LFolderScan scan;
    const bool any = scan.Start(folder);
    scan.Close();
    return !any;
}

int LCountNonExecutableFiles(const char* folder)
{
    int count = 0;
    LFolderScan scan;
    for (bool more = scan.Start(folder); more; more = scan.Next()) {
        char path[kLPathSize];
        if (!LPathCombine(path, folder, scan.Name(), ""))
            continue;
        struct stat info;
        if (lstat(path, &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            count += LCountNonExecutableFiles(path);
        else if (S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0111)
            ++count;
    }
    return count;
}

int LInstallShippedComponentFile(const char* name, const char* source)
{
    char folder[kLPathSize], target[kLPathSize];
    if (!LGetComponentsFolder(folder) || !LPathCombine(target, folder, LComponentFileName(name).c_str(), ""))
        return 2;
    if (!LFileCopy(source, target) || !IsFile(target))
        return 2;
    SecureComponentFile(target, true);
    return 0;
}

int LInstallShippedComponentFolder(const char* name, const char* source)
{
    char folder[kLPathSize], target[kLPathSize];
    if (!LGetComponentsFolder(folder) || !LPathCombine(target, folder, LComponentFileName(name).c_str(), ""))
        return 2;
    LCopyFolderTree(source, target);
    if (!IsFolder(target))
        return 2;
    LSecureComponentsTree(target);
    return 0;
}

int LInstallComponentZip(const char* name, const char* zip, bool deleteZip, std::string* why)
{
    char folder[kLPathSize], target[kLPathSize];
    const std::string file = LComponentFileName(name);
    if (!LGetComponentsFolder(folder) || !LPathCombine(target, folder, file.c_str(), "")) {
        Say(why, "the components folder cannot be used");
        if (deleteZip)
            unlink(zip);
        return 2;
    }
    // Everything that would make the new component unusable is looked at
    // before it takes the place of the working one: after the swap it is
    // too late, the old one is gone.
    const int result = LInstallZipItem(
        zip, folder, file.c_str(), target,
        [name, &file](const char* item, std::string* reason) {
            struct stat info;
            if (lstat(item, &info) != 0) {
                *reason = std::string("it holds no ") + file;
                return false;
            }
            if (S_ISDIR(info.st_mode) && !LIsUsableComponentFolder(name, item)) {
                *reason = std::string("its ") + file + " is a folder, not the component's file";
                return false;
            }
            if (!S_ISDIR(info.st_mode) && (!S_ISREG(info.st_mode) || IsForeignBuild(item))) {
                *reason = std::string("its ") + file + " is built for another kind of computer";
                return false;
            }
            LSecureComponentsTree(item);
            return true;
        },
        why);
    if (deleteZip)
        unlink(zip);
    return result;
}

void LRemoveStaleComponentUnpacks(const char* folder)
{
    std::vector<std::filesystem::path> stale;
    std::error_code error;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string().rfind(kUnpackPrefix, 0) == 0)
            stale.push_back(entry.path());
    for (const std::filesystem::path& path : stale)
        std::filesystem::remove_all(path, error);
}
