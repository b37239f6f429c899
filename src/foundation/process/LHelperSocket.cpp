#include "foundation/process/LHelperSocket.h"

#include "foundation/files/LAppDataSubfolder.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

bool LGetHelperSocketPath(char* dest, const char* name)
{
    dest[0] = '\0';
    if (!name || !name[0] || std::strchr(name, '/'))
        return false;
    char folder[kLPathSize];
    const bool folderFound = std::strcmp(name, "quorind") == 0 ? LCreateAppDataSubfolder("Shared", folder)
                                                               : LGetCachesFolder(folder);
    if (!folderFound)
        return false;
    char fileName[kLPathSize];
    const int n = std::snprintf(fileName, sizeof fileName, ".spipe.%s", name);
    if (n < 0 || size_t(n) >= sizeof fileName)
        return false;
    return LPathCombine(dest, folder, fileName, "");
}

void LConnectHelperPipe(int* socketOut, const char* name)
{
    *socketOut = -1;
    char path[kLPathSize];
    if (!LGetHelperSocketPath(path, name) || !LFileExists(path))
        return;
    sockaddr_un address = {};
    const size_t length = std::strlen(path);
    if (length >= sizeof address.sun_path)
        return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path, length + 1);

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    const socklen_t size = socklen_t(offsetof(sockaddr_un, sun_path) + length + 1);
    const int rc = connect(fd, reinterpret_cast<const sockaddr*>(&address), size);
    const int flags = rc == 0 ? fcntl(fd, F_GETFL) : -1;
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        close(fd);
        return;
    }
    *socketOut = fd;
}
