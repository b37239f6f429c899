#pragma once
// Small file helpers for tests: whole-file reads and writes, and folder
// listings that show every entry, hidden ones included, so that a
// temporary file left behind by a save cannot go unnoticed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorin::test {

// True when something exists at the path (a symbolic link counts by what it
// points at).
inline bool PathExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// The whole file; "" when it cannot be read.
inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Creates or replaces the file's contents and gives it the mode; a failure
// fails the test.
inline void WriteFileBytes(const std::string& path, const std::string& bytes, mode_t mode = 0644)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(static_cast<ssize_t>(bytes.size()), write(fd, bytes.data(), bytes.size())) << path;
    ASSERT_EQ(0, fchmod(fd, mode)) << path;
    close(fd);
}

// Every entry of the folder but "." and "..", sorted; empty when it cannot
// be read.
inline std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace quorin::test
