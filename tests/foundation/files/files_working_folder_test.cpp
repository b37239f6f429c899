// Working folders in the caches folder: removed when their task ends, and
// at a later start only when the process that made them died.

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LWorkingFolder.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

class WorkingFolderTest : public TempHomeTest
{
protected:
    // A child process makes a working folder with a file in it, tells its
    // path and waits for a byte on `hold` (or is killed at once when hold is
    // -1). The child's pid goes to *child.
    static std::string MadeByAnotherProcess(int hold, pid_t* child)
    {
        int path[2];
        EXPECT_EQ(pipe(path), 0);
        *child = fork();
        if (*child == 0) {
            close(path[0]);
            auto* folder = new LWorkingFolder;
            std::ofstream(folder->Path() + "/File01.aiff") << "audio";
            const std::string text = folder->Path() + "\n";
            if (write(path[1], text.data(), text.size()) != static_cast<ssize_t>(text.size()))
                _exit(2);
            char byte;
            if (hold >= 0 && read(hold, &byte, 1) == 1) {
                delete folder;
                _exit(0);
            }
            // Killed mid-task: nothing is cleaned up.
            kill(getpid(), SIGKILL);
            _exit(1);
        }
        close(path[1]);
        std::string made;
        char c;
        while (read(path[0], &c, 1) == 1 && c != '\n')
            made += c;
        close(path[0]);
        return made;
    }
};

} // namespace

TEST_F(WorkingFolderTest, AFolderGoesWithItsTask)
{
    std::string path;
    {
        LWorkingFolder folder;
        path = folder.Path();
        ASSERT_FALSE(path.empty());
        struct stat info;
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        std::ofstream(path + "/File01.aiff") << "audio";
    }
    EXPECT_FALSE(PathExists(path));
}

TEST_F(WorkingFolderTest, AStartRemovesOnlyTheFoldersOfProcessesThatDied)
{
    char caches[1024] = {};
    ASSERT_TRUE(LGetCachesFolder(caches));

    pid_t killed = 0;
    const std::string dead = MadeByAnotherProcess(-1, &killed);
    int status = 0;
    ASSERT_EQ(waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(PathExists(dead + "/File01.aiff"));

    int hold[2];
    ASSERT_EQ(pipe(hold), 0);
    pid_t running = 0;
    const std::string alive = MadeByAnotherProcess(hold[0], &running);
    ASSERT_FALSE(alive.empty());

    LWorkingFolder own;
    // Folders that are no working folders of ours: a folder without a
    // marker and a session recording's file.
    const std::string foreign = std::string(caches) + "/0abcdef";
    ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
    std::ofstream(std::string(caches) + "/0ghijkl.wav") << "take";

    EXPECT_EQ(LRemoveDeadWorkingFolders(), 1);
    EXPECT_FALSE(PathExists(dead));
    EXPECT_TRUE(PathExists(alive + "/File01.aiff"));
    EXPECT_TRUE(PathExists(own.Path()));
    EXPECT_TRUE(PathExists(foreign));
    EXPECT_TRUE(PathExists(std::string(caches) + "/0ghijkl.wav"));

    // Its process ends as it should: the folder goes with it.
    ASSERT_EQ(write(hold[1], "x", 1), 1);
    ASSERT_EQ(waitpid(running, &status, 0), running);
    close(hold[0]);
    close(hold[1]);
    EXPECT_FALSE(PathExists(alive));
    EXPECT_EQ(LRemoveDeadWorkingFolders(), 0);
    EXPECT_TRUE(PathExists(own.Path()));
}
