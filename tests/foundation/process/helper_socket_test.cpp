#include "foundation/platform/LStandardFolders.h"
#include "foundation/process/LHelperSocket.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class HelperSocket : public quorin::test::TempHomeTest
{
protected:
    // A listening socket at path; its descriptor, or -1.
    static int Listen(const std::string& path)
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
};

TEST_F(HelperSocket, PathsOfTheServices)
{
    char path[260];
    ASSERT_TRUE(LGetHelperSocketPath(path, "worker"));
    EXPECT_EQ(std::string(path), home_.Path(".cache/Quorin/.spipe.worker"));
    ASSERT_TRUE(LGetHelperSocketPath(path, "quorind"));
    EXPECT_EQ(std::string(path), home_.Path(".local/share/Quorin/Shared/.spipe.quorind"));
    struct stat info;
    EXPECT_EQ(stat(home_.Path(".local/share/Quorin/Shared").c_str(), &info), 0);
}

TEST_F(HelperSocket, NamesThatWouldLeaveTheFolderAreRefused)
{
    char path[260] = "x";
    EXPECT_FALSE(LGetHelperSocketPath(path, "../escape"));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(LGetHelperSocketPath(path, ""));
    EXPECT_FALSE(LGetHelperSocketPath(path, std::string(300, 'n').c_str()));
}

TEST_F(HelperSocket, ConnectsToARunningService)
{
    char path[260];
    ASSERT_TRUE(LGetHelperSocketPath(path, "svc"));
    const int server = Listen(path);
    ASSERT_GE(server, 0);
    int fd = -2;
    LConnectHelperPipe(&fd, "svc");
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(fcntl(fd, F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    const int accepted = accept(server, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    ASSERT_EQ(write(fd, "hi", 2), 2);
    char buffer[2];
    EXPECT_EQ(read(accepted, buffer, 2), 2);
    close(accepted);
    close(fd);
    close(server);
}

TEST_F(HelperSocket, NoServiceGivesMinusOne)
{
    int fd = 5;
    LConnectHelperPipe(&fd, "absent");
    EXPECT_EQ(fd, -1);

    // A plain file where the socket should be: the connection is refused.
    char path[260];
    ASSERT_TRUE(LGetHelperSocketPath(path, "plain"));
    std::fclose(std::fopen(path, "w"));
    LConnectHelperPipe(&fd, "plain");
    EXPECT_EQ(fd, -1);
}

TEST_F(HelperSocket, PathLongerThanASocketAddressIsRefusedNotCut)
{
    // A caches folder deep enough that the socket path passes 107 bytes. A
    // socket at the cut path must not be reached.
    std::string deep = home_.Path("c");
    while (deep.size() < 120)
        deep += "/deeper";
    ASSERT_EQ(std::system(("mkdir -p '" + deep + "/Quorin'").c_str()), 0);
    setenv("XDG_CACHE_HOME", deep.c_str(), 1);
    char path[260];
    ASSERT_TRUE(LGetHelperSocketPath(path, "svc"));
    ASSERT_GE(std::strlen(path), sizeof(sockaddr_un::sun_path));
    std::fclose(std::fopen(path, "w"));
    // A service listening where the cut path would lead.
    const std::string cut(path, sizeof(sockaddr_un::sun_path) - 1);
    const int decoy = Listen(cut);
    int fd = 5;
    LConnectHelperPipe(&fd, "svc");
    EXPECT_EQ(fd, -1);
    if (decoy >= 0)
        close(decoy);
}

} // namespace
