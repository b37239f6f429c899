#pragma once
// Points HOME and the XDG folders at a fresh temporary folder for the life of
// the object, so no test ever touches the real user's files.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace quorin::test {

class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

private:
    std::string root_;
    std::map<std::string, std::optional<std::string>> saved_;
};

// A fixture for tests that touch user folders.
class TempHomeTest : public ::testing::Test
{
protected:
    TempHome home_;
};

// A fresh empty folder removed (with its contents) at destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string Path(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

void RemoveTree(const std::string& path);

} // namespace quorin::test
