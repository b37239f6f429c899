// Promised files: the wait ends only once every promised file is complete
// and released by its writer; moves make names unique, and a failed move
// loses no file.

#include "gui/framework/LPromisedFiles.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using quorin::test::TempDir;

namespace {

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

bool Exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

class StopAtOnce : public LLocalProcessContext
{
public:
    bool IsStopRequested() override { return true; }
};

TEST(PromisedFiles, AFetchIsNeverAPromiseHere)
{
    std::vector<std::string> out{"stale"};
    EXPECT_EQ(LFetchPromisedFiles(nullptr, true, &out), 2);
    EXPECT_TRUE(out.empty());
}

// A writer process creates three files under an exclusive lock and grows
// them in steps; the wait must not end before all three are released whole.
TEST(PromisedFiles, TheWaitEndsOnceThreeGrowingFilesAreReleased)
{
    TempDir dir;
    const std::string folder = dir.Path("0private");
    const std::string staging = dir.Path("staging");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(staging.c_str(), 0700), 0);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        int fds[3];
        for (int i = 0; i < 3; ++i) {
            const std::string name = "photo " + std::to_string(i) + ".jpg";
            fds[i] = open((staging + "/" + name).c_str(), O_WRONLY | O_CREAT, 0600);
            flock(fds[i], LOCK_EX);
            // Locked before it appears in the folder.
            rename((staging + "/" + name).c_str(), (folder + "/" + name).c_str());
        }
        const std::string chunk(10000, 'x');
        for (int step = 0; step < 5; ++step)
            for (int i = 0; i < 3; ++i) {
                (void)!write(fds[i], chunk.data(), chunk.size());
                usleep(30000);
            }
        for (int fd : fds) {
            flock(fd, LOCK_UN);
            close(fd);
        }
        _exit(0);
    }
    LLocalProcessContext context;
    std::vector<LPromisedFile> files;
    EXPECT_EQ(LWaitForPromisedFiles(&context, folder, "", 3, &files, 100), 0);
    int status = 0;
    waitpid(writer, &status, 0);
    // Each file is seen only once its writer let go of it, so all are whole.
    ASSERT_EQ(files.size(), 3u);
    for (const LPromisedFile& file : files)
        EXPECT_EQ(file.size, 50000) << file.path;
}

TEST(PromisedFiles, MovesMakeNamesUniqueAndEmptyTheFolder)
{
    TempDir dir;
    const std::string folder = dir.Path("0private");
    const std::string destination = dir.Path("Pictures");
    mkdir(folder.c_str(), 0700);
    mkdir(destination.c_str(), 0755);
    Write(destination + "/a.jpg", "old");
    Write(destination + "/a_0.jpg", "older");
    Write(folder + "/a.jpg", "new");
    Write(folder + "/b", "plain");
    std::vector<LPromisedFile> files;
    LLocalProcessContext context;
    EXPECT_EQ(LWaitForPromisedFiles(&context, folder, destination, 2, &files, 10), 0);
    EXPECT_FALSE(Exists(folder)) << "the private folder goes once empty";
    std::ifstream moved(destination + "/a_1.jpg");
    std::string text;
    moved >> text;
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(Exists(destination + "/b"));
    for (const LPromisedFile& file : files)
        EXPECT_TRUE(Exists(file.path)) << file.path;

    EXPECT_EQ(LUniqueNameInFolder(destination, "c.jpg"), destination + "/c.jpg");
    EXPECT_EQ(LUniqueNameInFolder(destination, "a.jpg", 2), "") << "the search is bounded";
    EXPECT_EQ(LUniqueNameInFolder(destination, ".hidden"), destination + "/.hidden");
}

TEST(PromisedFiles, AFailedMoveKeepsTheFileAndItsPath)
{
    TempDir dir;
    const std::string folder = dir.Path("0private");
    mkdir(folder.c_str(), 0700);
    Write(folder + "/a.jpg", "keep");
    Write(dir.Path("not-a-folder"), "x");
    std::vector<LPromisedFile> files;
    LLocalProcessContext context;
    EXPECT_EQ(LWaitForPromisedFiles(&context, folder, dir.Path("not-a-folder"), 1, &files, 10), 2);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].path, folder + "/a.jpg");
    EXPECT_TRUE(Exists(folder + "/a.jpg"));
    EXPECT_TRUE(Exists(folder)) << "a folder with a file in it stays";
}

TEST(PromisedFiles, AStopBeforeTheFirstRoundRemovesTheEmptyFolder)
{
    TempDir dir;
    const std::string folder = dir.Path("0private");
    mkdir(folder.c_str(), 0700);
    StopAtOnce stop;
    std::vector<LPromisedFile> files;
    EXPECT_EQ(LWaitForPromisedFiles(&stop, folder, "", 3, &files, 10), 1);
    EXPECT_FALSE(Exists(folder));
}

} // namespace
