#include "foundation/files/LFile.h"

#include <fcntl.h>
#include <unistd.h>

bool LFile::Open(const char* path, int flags)
{
    Close();
    fd = open(path, flags | O_CLOEXEC, 0666);
    return fd >= 0;
}

void LFile::Close()
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}
