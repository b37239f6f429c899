#include "gui/framework/LPromisedFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace {

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Rename, or across file systems a copy and removal of the source. The
// source stays when anything fails.
bool MoveFile(const std::string& from, const std::string& to)
{
    if (rename(from.c_str(), to.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    {
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(to, std::ios::binary | std::ios::trunc);
        if (!in || !out)
            return false;
        out << in.rdbuf();
        out.flush();
        if (!out) {
            out.close();
            unlink(to.c_str());
            return false;
        }
    }
    return unlink(from.c_str()) == 0;
}

// Removes the private folder only when nothing is left in it.
void RemoveIfEmpty(const std::string& folder)
{
    rmdir(folder.c_str());
}

void Say(LProcessContext* context, const std::string& text, int level)
{
    if (context)
        context->MessageLevel(text.c_str(), level);
}

} // namespace

int LFetchPromisedFiles(const LDragInfo* info, bool, std::vector<std::string>* out)
{
    (void)info;
    if (out)
        out->clear();
    return 2;
}

std::string LUniqueNameInFolder(const std::string& folder, const std::string& name, unsigned bound)
{
    std::string path = folder + "/" + name;
    if (!Exists(path))
        return path;
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
    for (unsigned i = 0; i < bound; ++i) {
        path = folder + "/" + stem + "_" + std::to_string(i) + extension;
        if (!Exists(path))
            return path;
    }
    return {};
}

int LWaitForPromisedFiles(LProcessContext* context, const std::string& folder, const std::string& destination,
                          uint64_t expected, std::vector<LPromisedFile>* files, uint32_t roundMs)
{
    Say(context, "Waiting for files to be copied...", 0);
    if (context && context->IsStopRequested()) {
        RemoveIfEmpty(folder);
        return 1;
    }
    for (;;) {
        bool changed = false;
        if (DIR* dir = opendir(folder.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name == "." || name == "..")
                    continue;
                const std::string path = folder + "/" + name;
                // A file its writer still holds exclusively is not ready.
                const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd < 0)
                    continue;
                if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
                    close(fd);
                    continue;
                }
                struct stat info;
                const bool sized = fstat(fd, &info) == 0;
                flock(fd, LOCK_UN);
                close(fd);
                if (!sized)
                    continue;
                bool known = false;
                for (LPromisedFile& file : *files) {
                    if (file.path != path)
                        continue;
                    known = true;
                    if (info.st_size > file.size) {
                        file.size = info.st_size;
                        changed = true;
                    }
                }
                if (!known) {
                    files->push_back({path, info.st_size});
                    Say(context, name, 1);
                    changed = true;
                }
            }
            closedir(dir);
        }
        if (!changed && files->size() >= expected)
            break;
        if (files->size() >= 2 && expected > 0 && context)
            context->Progress(static_cast<double>(files->size() - 1) / static_cast<double>(expected));
        if (context ? context->WaitForStop(roundMs) : (usleep(roundMs * 1000), false)) {
            // Stopped: what arrived is removed with the folder.
            for (const LPromisedFile& file : *files)
                unlink(file.path.c_str());
            RemoveIfEmpty(folder);
            return 1;
        }
    }
    if (destination.empty())
        return 0;
    Say(context, "Moving files...", 0);
    bool failed = false;
    for (LPromisedFile& file : *files) {
        const size_t slash = file.path.rfind('/');
        const std::string name = file.path.substr(slash + 1);
        Say(context, name, 1);
        const std::string wanted = destination + "/" + name;
        const std::string target = LUniqueNameInFolder(destination, name);
        if (target.empty()) {
            Say(context, "Failed to move \"" + file.path + "\" to \"" + wanted + "\"", 1);
            failed = true;
            continue;
        }
        if (target != wanted) {
            const std::string renamed = target.substr(target.rfind('/') + 1);
            Say(context,
                "\"" + name + "\" already exists in the target folder. It will be renamed to \"" + renamed +
                    "\"",
                1);
        }
        if (!MoveFile(file.path, target)) {
            Say(context, "Failed to move \"" + file.path + "\" to \"" + target + "\"", 1);
            failed = true;
            continue;
        }
        file.path = target;
    }
    RemoveIfEmpty(folder);
    return failed ? 2 : 0;
}

LPromisedFilesTask::LPromisedFilesTask(std::string folder, std::string destination, uint64_t expected)
    : LProgressDialog("Getting Files From Source Application"), folder(std::move(folder)),
      destination(std::move(destination)), expected(expected)
{
}

int64_t LPromisedFilesTask::Process()
{
    return LWaitForPromisedFiles(this, folder, destination, expected, &files);
}
