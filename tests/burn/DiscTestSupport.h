#pragma once
// Helpers of the disc-image tests: images written to files, read back with
// our own reader, and trees compared.

#include "burn/LDiscImageReader.h"
#include "burn/LDiscImageWriter.h"
#include "burn/LMediaType.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace quorin::test {

// Writes the image of the compilation to `path`; the writer's result tells.
inline void WriteImage(LDiscImageWriter& writer, const std::string& path, bool verify = false)
{
    writer.BuildLayout();
    if (!writer.result.Ok())
        return;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    writer.WriteImageFile(nullptr, fd, false);
    close(fd);
    if (verify && writer.result.Ok()) {
        const int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(in, 0);
        writer.WriteImageFile(nullptr, in, true);
        close(in);
    }
}

inline LDiscImageReader::ReadSector FileSectors(const std::string& path)
{
    auto file = std::shared_ptr<FILE>(std::fopen(path.c_str(), "rb"), [](FILE* f) {
        if (f)
            std::fclose(f);
    });
    return [file](uint64_t sector, uint8_t* out) {
        if (!file || fseeko(file.get(), static_cast<off_t>(sector * 2048), SEEK_SET) != 0)
            return false;
        return std::fread(out, 1, 2048, file.get()) == 2048;
    };
}

inline LDiscImageReader::ReadSector LaidOutSectors(const LDiscImageWriter& writer)
{
    return [&writer](uint64_t sector, uint8_t* out) { return writer.LaidOutSector(sector, out); };
}

// "name/" for folders, "name size" for files, one per line, depth-first.
inline void Listing(const LDiscImageEntry& folder, const std::string& prefix, std::string* out)
{
    for (const LDiscImageEntry& child : folder.children) {
        if (child.folder) {
            *out += prefix + child.name + "/\n";
            Listing(child, prefix + child.name + "/", out);
        } else {
            *out += prefix + child.name + " " + std::to_string(child.size) + "\n";
        }
    }
}

inline std::string Listing(const LDiscImageEntry& root)
{
    std::string out;
    Listing(root, "", &out);
    return out;
}

// Whether a program is on PATH.
inline bool DiscToolExists(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; its exit status, with standard output and error in `out`.
inline int RunDiscTool(const std::string& command, std::string* out)
{
    out->clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out->append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace quorin::test
