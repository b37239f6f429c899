#pragma once
// Helpers of the disc-image tests: images written to files, read back with
// our own reader, and trees compared.

#include "burn/LDiscImageReader.h"
#include "burn/LDiscImageWriter.h"
#include "burn/LMediaType.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
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

} // namespace quorin::test
