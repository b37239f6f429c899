#include "foundation/files/LTempCopyTable.h"

#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileSystem.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool LMakeTempCopy(LTempCopyTable* table, const char* key, const char* source)
{
    char extension[kLPathSize];
    if (!LPathGetExtension(extension, source))
        return false;
    if (!table->tempFolder[0]) {
        char caches[kLPathSize];
        char folder[kLPathSize];
        if (!LGetCachesFolder(caches) || !LPathCombine(folder, caches, "0XXXXXX", ""))
            return false;
        // mkdtemp makes the folder private (0700).
        if (!mkdtemp(folder))
            return false;
        std::strcpy(table->tempFolder, folder);
    }
    char path[kLPathSize];
    if (!LPathCombine(path, table->tempFolder, "0XXXXXX", extension))
        return false;
    const int fd = mkostemps(path, static_cast<int>(std::strlen(extension)), O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    if (!LFileCopy(source, path)) {
        unlink(path);
        return false;
    }
    table->copies.Set(key, path);
    return true;
}
