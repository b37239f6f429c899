#include "foundation/files/LFileExists.h"

#include <unistd.h>

bool LFileExists(const char* path)
{
    return path && access(path, F_OK) == 0;
}

bool LFolderExists(const char* path)
{
    return path && path[0] && access(path, F_OK) == 0;
}
