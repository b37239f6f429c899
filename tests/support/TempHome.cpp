#include "support/TempHome.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quorin::test {

namespace {

std::string MakeTempFolder(const char* prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed for " + pattern);
    return pattern;
}

const char* const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                  "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "XDG_MUSIC_DIR"};

} // namespace

TempHome::TempHome()
    : root_(MakeTempFolder("quorin-home."))
{
    for (const char* name : kVariables) {
        const char* old = std::getenv(name);
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    const std::pair<const char*, const char*> layout[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", "/.config"},
        {"XDG_DATA_HOME", "/.local/share"},
        {"XDG_CACHE_HOME", "/.cache"},
        {"XDG_STATE_HOME", "/.local/state"},
        {"XDG_RUNTIME_DIR", "/.run"},
        {"XDG_MUSIC_DIR", "/Music"},
    };
    for (const auto& [name, sub] : layout) {
        std::string path = root_ + sub;
        std::filesystem::create_directories(path);
        if (std::string(name) == "XDG_RUNTIME_DIR")
            chmod(path.c_str(), 0700);
        setenv(name, path.c_str(), 1);
    }
}

TempHome::~TempHome()
{
    for (const auto& [name, value] : saved_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    RemoveTree(root_);
}

TempDir::TempDir()
    : path_(MakeTempFolder("quorin-test."))
{
}

TempDir::~TempDir()
{
    RemoveTree(path_);
}

void RemoveTree(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

} // namespace quorin::test
