#include "foundation/files/LAppDataSubfolder.h"

#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"

#include <sys/stat.h>

bool LCreateAppDataSubfolder(const char* name, char* dest)
{
    char base[kLPathSize];
    if (!LGetAppDataFolder(base) || !LPathCombine(dest, base, name, "")) {
        dest[0] = '\0';
        return false;
    }
    mkdir(dest, 0777);
    struct stat info;
    return stat(dest, &info) == 0 && S_ISDIR(info.st_mode);
}
