#include "foundation/platform/LBundle.h"
#include "foundation/platform/LStandardFolders.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class UserFolders : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        for (const char* name : {"XDG_PICTURES_DIR", "XDG_DOWNLOAD_DIR"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(UserFolders, FallBackToTheHomeFolderAndCreateIt)
{
    char dest[260];
    ASSERT_TRUE(LGetPicturesFolder(dest));
    EXPECT_EQ(std::string(dest), home_.Path("Pictures"));
    EXPECT_TRUE(IsFolder(dest));
    ASSERT_TRUE(LGetDownloadsFolder(dest));
    EXPECT_EQ(std::string(dest), home_.Path("Downloads"));
    EXPECT_TRUE(IsFolder(dest));
}

TEST_F(UserFolders, EnvironmentNamesTheMusicFolder)
{
    char dest[260];
    ASSERT_TRUE(LGetMusicFolder(dest));
    EXPECT_EQ(std::string(dest), std::getenv("XDG_MUSIC_DIR"));
}

TEST_F(UserFolders, UserDirsFileComesFirst)
{
    std::ofstream(home_.Path(".config/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                        << "XDG_MUSIC_DIR=\"$HOME/Audio files\"\n"
                                                        << "XDG_PICTURES_DIR=\"/srv/pictures\"\n"
                                                        << "XDG_DOWNLOAD_DIR=\"$HOME/\"\n";
    char dest[260];
    ASSERT_TRUE(LGetMusicFolder(dest));
    EXPECT_EQ(std::string(dest), home_.Path("Audio files"));
    ASSERT_TRUE(LGetPicturesFolder(dest));
    EXPECT_EQ(std::string(dest), "/srv/pictures");
    // The home folder itself means "turned off": the fallback is used.
    ASSERT_TRUE(LGetDownloadsFolder(dest));
    EXPECT_EQ(std::string(dest), home_.Path("Downloads"));
}

TEST(Bundle, InstalledAndBuildTreeLayouts)
{
    quorin::test::TempDir dir;
    std::filesystem::create_directories(dir.Path("usr/bin"));
    std::filesystem::create_directories(dir.Path("usr/share/quorin"));
    std::filesystem::create_directories(dir.Path("build/bin"));
    char bundle[260], resources[260];
    ASSERT_TRUE(LGetBundleLayout(dir.Path("usr/bin/quorin").c_str(), bundle, sizeof bundle, resources,
                                 sizeof resources));
    EXPECT_EQ(std::string(bundle), dir.Path("usr"));
    EXPECT_EQ(std::string(resources), dir.Path("usr/share/quorin"));
    // A "bin" folder without share/quorin beside it is a build tree.
    ASSERT_TRUE(LGetBundleLayout(dir.Path("build/bin/quorin").c_str(), bundle, sizeof bundle, resources,
                                 sizeof resources));
    EXPECT_EQ(std::string(bundle), dir.Path("build/bin"));
    EXPECT_EQ(std::string(resources), dir.Path("build/bin"));
    // Too small a buffer is a failure, never a cut path.
    char small[8];
    EXPECT_FALSE(LGetBundleLayout(dir.Path("usr/bin/quorin").c_str(), small, sizeof small, resources,
                                  sizeof resources));
    EXPECT_STREQ(small, "");
}

TEST(Bundle, RunningProgramAndItsResources)
{
    char executable[4096];
    ASSERT_TRUE(LGetExecutablePath(executable, sizeof executable));
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    EXPECT_STREQ(executable, self);
    char resources[260], help[260];
    ASSERT_TRUE(LGetResourcesFolder(resources, sizeof resources));
    ASSERT_TRUE(LGetHelpFolder(help));
    EXPECT_EQ(std::string(help), std::string(resources) + "/help");
    char bundle[260];
    ASSERT_TRUE(LGetBundlePath(bundle, sizeof bundle));
    EXPECT_EQ(std::string(self).rfind(bundle, 0), 0u);
}

TEST(Bundle, ReferenceFileFirstLine)
{
    char resources[260];
    ASSERT_TRUE(LGetResourcesFolder(resources, sizeof resources));
    const std::string folder = std::string(resources) + "/resources";
    const bool existed = IsFolder(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/ref.txt";
    char dest[260] = "junk";
    unlink(path.c_str());
    LReadResourceRefFile(dest);
    EXPECT_STREQ(dest, "");
    std::ofstream(path) << "partner-42\r\nsecond line\n";
    LReadResourceRefFile(dest);
    EXPECT_STREQ(dest, "partner-42");
    unlink(path.c_str());
    if (!existed)
        rmdir(folder.c_str());
}

} // namespace
