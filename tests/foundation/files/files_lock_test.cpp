// File locks with back-off between processes, whole-file reads and writes,
// the caches folder and temporary files.

#include "foundation/files/LAppDataSubfolder.h"
#include "foundation/files/LFileSystem.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using quorin::test::TempDir;
using quorin::test::TempHome;
using Clock = std::chrono::steady_clock;
using quorin::test::FolderEntries;

// A child process that takes a flock on a file and holds it until told to
// let go (or for a fixed time).
class LockHolder
{
public:
    LockHolder(const std::string& path, int operation, int holdMs = -1)
    {
        int ready[2];
        if (pipe(ready) != 0 || pipe(release_) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            const char ok = (fd >= 0 && flock(fd, operation) == 0) ? 'y' : 'n';
            (void)!write(ready[1], &ok, 1);
            if (holdMs >= 0) {
                usleep(static_cast<useconds_t>(holdMs) * 1000);
            } else {
                char byte;
                (void)!read(release_[0], &byte, 1);
            }
            _exit(0);
        }
        close(ready[1]);
        char ok = 'n';
        locked_ = read(ready[0], &ok, 1) == 1 && ok == 'y';
        close(ready[0]);
    }
    ~LockHolder()
    {
        if (pid_ > 0) {
            const char byte = 'x';
            (void)!write(release_[1], &byte, 1);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        close(release_[0]);
        close(release_[1]);
    }
    bool Locked() const { return locked_; }

private:
    pid_t pid_ = -1;
    int release_[2] = {-1, -1};
    bool locked_ = false;
};

int OpenFile(const std::string& path)
{
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

long MsSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(FileLockWait, GivesUpAfterTheBackOffWhenAnotherProcessHoldsTheLock)
{
    TempDir dir;
    const std::string path = dir.Path("locked");
    LockHolder holder(path, LOCK_EX);
    ASSERT_TRUE(holder.Locked());

    const int fd = OpenFile(path);
    ASSERT_GE(fd, 0);
    const auto start = Clock::now();
    EXPECT_FALSE(LFileLockWait(fd, LOCK_EX | LOCK_NB, 1000));
    // Sleeps of 32, 64, 128, 256 and 512 ms.
    const long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 992);
    EXPECT_LT(elapsed, 10000);

    // A shared lock is refused too while the other process holds it exclusively.
    EXPECT_FALSE(LFileLockWait(fd, LOCK_SH | LOCK_NB, 100));
    close(fd);
}

TEST(FileLockWait, TakesTheLockOnceTheOtherProcessLetsGo)
{
    TempDir dir;
    const std::string path = dir.Path("locked");
    LockHolder holder(path, LOCK_EX, 150);
    ASSERT_TRUE(holder.Locked());
    const int fd = OpenFile(path);
    ASSERT_GE(fd, 0);
    const auto start = Clock::now();
    EXPECT_TRUE(LFileLockWait(fd, LOCK_EX | LOCK_NB, 5000));
    const long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 100);
    // Well before the whole back-off of 5000 ms.
    EXPECT_LT(elapsed, 4000);
    close(fd);
}

TEST(FileLockWait, SharedLocksGoTogetherAndAFreeLockIsTakenAtOnce)
{
    TempDir dir;
    const std::string path = dir.Path("shared");
    {
        LockHolder reader(path, LOCK_SH);
        ASSERT_TRUE(reader.Locked());
        const int fd = OpenFile(path);
        EXPECT_TRUE(LFileLockWait(fd, LOCK_SH | LOCK_NB, 1000));
        close(fd);
        const int writer = OpenFile(path);
        EXPECT_FALSE(LFileLockWait(writer, LOCK_EX | LOCK_NB, 50));
        close(writer);
    }
    const int fd = OpenFile(path);
    EXPECT_TRUE(LFileLockWait(fd, LOCK_EX | LOCK_NB, 1000));
    close(fd);
    // A bad descriptor is not worth waiting for.
    const auto start = Clock::now();
    EXPECT_FALSE(LFileLockWait(-1, LOCK_EX | LOCK_NB, 5000));
    EXPECT_LT(MsSince(start), 1000);
}

// The tag and WAV writers open their file beside the target again by path
// and flock it: the mark that keeps cleaners away must not stand in their way.
TEST(FileBeside, TheWritersOwnFlockOfItsFileIsFree)
{
    TempDir dir;
    const std::string target = dir.Path("take.wav");
    char temp[PATH_MAX];
    const int fd = LCreateFileBeside(target.c_str(), temp, sizeof temp, 0600);
    ASSERT_GE(fd, 0);
    const int again = open(temp, O_RDWR | O_CLOEXEC);
    ASSERT_GE(again, 0);
    EXPECT_TRUE(LFileLockWait(again, LOCK_EX | LOCK_NB, 10));
    // And a cleaner still leaves the file alone while its writer runs.
    EXPECT_EQ(LRemoveStaleFilesBeside(target.c_str()), 0);
    EXPECT_EQ(access(temp, F_OK), 0);
    close(again);
    close(fd);
    unlink(temp);
}

TEST(TickCount, FollowsTheWallClockInMilliseconds)
{
    const uint32_t before = LGetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const uint32_t passed = LGetTickCount() - before; // wraps like the tick itself
    EXPECT_GE(passed, 49u);
    EXPECT_LT(passed, 5000u);
}

TEST(WholeFileReadWrite, WrittenFilesReadBackExactly)
{
    TempDir dir;
    const std::string path = dir.Path("block.wff");
    std::vector<unsigned char> data(1028);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 7);
    ASSERT_TRUE(LWriteFileExact(path.c_str(), data.data(), data.size(), 100));
    std::vector<unsigned char> back(data.size());
    ASSERT_TRUE(LReadFileExact(path.c_str(), back.data(), back.size(), 100));
    EXPECT_EQ(data, back);
    // More than the file holds is a failure; less is fine.
    std::vector<unsigned char> more(data.size() + 1);
    EXPECT_FALSE(LReadFileExact(path.c_str(), more.data(), more.size(), 100));
    EXPECT_TRUE(LReadFileExact(path.c_str(), back.data(), 10, 100));
    EXPECT_FALSE(LReadFileExact(dir.Path("missing").c_str(), back.data(), 1, 100));
    // Neither a folder nor a FIFO is a file to read (the FIFO would block).
    EXPECT_FALSE(LReadFileExact(dir.Path().c_str(), back.data(), 1, 100));
    ASSERT_EQ(0, mkfifo(dir.Path("fifo").c_str(), 0600));
    EXPECT_FALSE(LReadFileExact(dir.Path("fifo").c_str(), back.data(), 1, 100));

    // Writing shorter contents leaves nothing of the old ones behind.
    ASSERT_TRUE(LWriteFileExact(path.c_str(), "abc", 3, 100));
    struct stat info
    {
    };
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_EQ(3, info.st_size);
    ASSERT_TRUE(LWriteFileExact(path.c_str(), "", 0, 100));
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_EQ(0, info.st_size);
}

TEST(WholeFileReadWrite, WritesGoToANewFileRenamedOverTheOld)
{
    TempDir dir;
    const std::string path = dir.Path("settings");
    const mode_t old = umask(022);
    ASSERT_TRUE(LWriteFileExact(path.c_str(), "first", 5, 100));
    struct stat first
    {
    };
    ASSERT_EQ(0, stat(path.c_str(), &first));
    EXPECT_EQ(0644u, first.st_mode & 07777);

    // A reader that opened the old file keeps reading the old contents.
    const int reader = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(0, chmod(path.c_str(), 0600));
    ASSERT_TRUE(LWriteFileExact(path.c_str(), "second", 6, 100));
    char buffer[16] = {};
    EXPECT_EQ(5, read(reader, buffer, sizeof buffer));
    EXPECT_STREQ("first", buffer);
    close(reader);

    struct stat second
    {
    };
    ASSERT_EQ(0, stat(path.c_str(), &second));
    EXPECT_NE(first.st_ino, second.st_ino);
    // The permissions of the replaced file are kept.
    EXPECT_EQ(0600u, second.st_mode & 07777);
    char back[6];
    ASSERT_TRUE(LReadFileExact(path.c_str(), back, 6, 100));
    EXPECT_EQ(0, std::memcmp(back, "second", 6));
    // No temporary file stays behind.
    EXPECT_EQ(std::vector<std::string>{"settings"}, FolderEntries(dir.Path()));
    umask(old);
}

TEST(WholeFileReadWrite, ASymbolicLinkStaysAndItsFileIsReplaced)
{
    TempDir dir;
    ASSERT_EQ(0, mkdir(dir.Path("real").c_str(), 0777));
    const std::string target = dir.Path("real/data");
    ASSERT_TRUE(LWriteFileExact(target.c_str(), "old", 3, 100));
    const std::string link = dir.Path("link");
    ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));
    ASSERT_TRUE(LWriteFileExact(link.c_str(), "new!", 4, 100));
    struct stat info
    {
    };
    ASSERT_EQ(0, lstat(link.c_str(), &info));
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    char back[4];
    ASSERT_TRUE(LReadFileExact(target.c_str(), back, 4, 100));
    EXPECT_EQ(0, std::memcmp(back, "new!", 4));
}

TEST(WholeFileReadWrite, FailuresLeaveNothingBehind)
{
    TempDir dir;
    EXPECT_FALSE(LWriteFileExact(dir.Path("missing/file").c_str(), "x", 1, 100));
    EXPECT_FALSE(LWriteFileExact("", "x", 1, 100));
    // A folder cannot be replaced by a file.
    ASSERT_EQ(0, mkdir(dir.Path("folder").c_str(), 0777));
    EXPECT_FALSE(LWriteFileExact(dir.Path("folder").c_str(), "x", 1, 100));
    EXPECT_EQ(std::vector<std::string>{"folder"}, FolderEntries(dir.Path()));
    EXPECT_TRUE(FolderEntries(dir.Path("folder")).empty());
}

TEST(WholeFileReadWrite, AWriterGoesOnWhenAReaderKeepsItsLock)
{
    TempDir dir;
    const std::string path = dir.Path("busy");
    ASSERT_TRUE(LWriteFileExact(path.c_str(), "old", 3, 100));
    LockHolder reader(path, LOCK_SH);
    ASSERT_TRUE(reader.Locked());
    const auto start = Clock::now();
    EXPECT_TRUE(LWriteFileExact(path.c_str(), "new", 3, 200));
    EXPECT_GE(MsSince(start), 200 - 200 / 32 - 1);
    char back[3];
    ASSERT_TRUE(LReadFileExact(path.c_str(), back, 3, 100));
    EXPECT_EQ(0, std::memcmp(back, "new", 3));
}

TEST(CachesFolder, LivesInTheXdgCacheFolder)
{
    TempHome home;
    char dest[kLPathSize];
    ASSERT_TRUE(LGetCachesFolder(dest));
    EXPECT_EQ(home.Path(".cache/Quorin"), dest);
    struct stat info
    {
    };
    ASSERT_EQ(0, stat(dest, &info));
    EXPECT_TRUE(S_ISDIR(info.st_mode));

    const std::string other = home.Path("elsewhere");
    setenv("XDG_CACHE_HOME", other.c_str(), 1);
    ASSERT_TRUE(LGetCachesFolder(dest));
    EXPECT_EQ(other + "/Quorin", dest);
    EXPECT_TRUE(LFolderExists(dest));

    // A relative setting is not a cache folder: the home folder's is used.
    setenv("XDG_CACHE_HOME", "relative", 1);
    ASSERT_TRUE(LGetCachesFolder(dest));
    EXPECT_EQ(home.Path(".cache/Quorin"), dest);
}

TEST(AppDataSubfolder, IsMadeInTheProgramsDataFolder)
{
    TempHome home;
    const mode_t old = umask(022);
    char dest[kLPathSize];
    EXPECT_TRUE(LCreateAppDataSubfolder("Shared", dest));
    EXPECT_EQ(home.Path(".local/share/Quorin/Shared"), dest);
    struct stat info
    {
    };
    ASSERT_EQ(0, stat(dest, &info));
    EXPECT_EQ(0755u, info.st_mode & 07777);
    // An existing folder is fine.
    EXPECT_TRUE(LCreateAppDataSubfolder("Shared", dest));
    EXPECT_FALSE(LCreateAppDataSubfolder(std::string(300, 'n').c_str(), dest));
    EXPECT_STREQ("", dest);
    umask(old);
}

TEST(TempFileRecord, IsMadePrivateInTheCachesFolderAndRemoved)
{
    TempHome home;
    LTempFile temp;
    ASSERT_TRUE(temp.Create(".wav"));
    const std::string path = temp.path;
    const std::string folder = home.Path(".cache/Quorin/");
    ASSERT_EQ(0u, path.rfind(folder, 0)) << path;
    const std::string name = path.substr(folder.size());
    EXPECT_EQ(11u, name.size()) << name;
    EXPECT_EQ('0', name[0]);
    EXPECT_EQ(".wav", name.substr(7));
    ASSERT_GE(temp.fd, 0);
    EXPECT_EQ(3, write(temp.fd, "abc", 3));
    struct stat info
    {
    };
    ASSERT_EQ(0, stat(path.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 07777);
    EXPECT_EQ(FD_CLOEXEC, fcntl(temp.fd, F_GETFD) & FD_CLOEXEC);

    LTempFile second;
    ASSERT_TRUE(second.Create(".wav"));
    EXPECT_STRNE(temp.path, second.path);

    EXPECT_EQ(0, temp.Remove());
    EXPECT_EQ(-1, temp.fd);
    EXPECT_FALSE(LFileExists(path.c_str()));
    EXPECT_EQ(-1, temp.Remove());
    EXPECT_EQ(0, second.Remove());
}

TEST(FileAndFolderExists, FilesAndFolders)
{
    TempDir dir;
    EXPECT_TRUE(LFolderExists(dir.Path().c_str()));
    EXPECT_TRUE(LFileExists(dir.Path().c_str()));
    EXPECT_FALSE(LFileExists(dir.Path("none").c_str()));
    EXPECT_FALSE(LFileExists(""));
    EXPECT_FALSE(LFolderExists(""));
    EXPECT_FALSE(LFileExists(nullptr));
}

} // namespace
