#include "foundation/platform/LVersionInfo.h"

#include "foundation/text/LTextBuffer.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/utsname.h>

namespace {

bool ReadNumber(const char*& p, int* value)
{
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    long n = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (n < 100000000)
            n = n * 10 + (*p - '0');
        ++p;
    }
    *value = int(n);
    return true;
}

// The value of an os-release line: quotes removed, escapes resolved.
std::string UnquoteValue(const char* value, size_t length)
{
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < length; ++i) {
        const char ch = value[i];
        if (!quote && (ch == '"' || ch == '\'')) {
            quote = ch;
            continue;
        }
        if (quote && ch == quote) {
            quote = 0;
            continue;
        }
        if (quote == '"' && ch == '\\' && i + 1 < length) {
            out.push_back(value[++i]);
            continue;
        }
        out.push_back(ch);
    }
    return out;
}

void ReadOsReleaseFile(const char* path, LOsVersion* version)
{
    FILE* file = std::fopen(path, "re");
    if (!file)
        return;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < 65536)
        text.append(buffer, n);
    std::fclose(file);
    LParseOsRelease(text.c_str(), version);
}

} // namespace

bool LGetBundleVersion(const char* versionText, int* major, int* minor)
{
    *major = 0;
    *minor = 0;
    if (!versionText || !versionText[0])
        return false;
    const char* p = versionText;
    if (*p == 'V') {
        p = std::strchr(p, ' ');
        if (!p)
            return false;
        while (*p == ' ')
            ++p;
    }
    if (!ReadNumber(p, major))
        return false;
    if (*p == '.') {
        ++p;
        if (!ReadNumber(p, minor))
            *minor = 0;
    }
    return true;
}

bool LParseKernelRelease(const char* release, int* major, int* minor)
{
    *major = 0;
    *minor = 0;
    const char* p = release ? release : "";
    if (!ReadNumber(p, major) || *p != '.')
        return false;
    ++p;
    return ReadNumber(p, minor);
}

void LParseOsRelease(const char* text, LOsVersion* version)
{
    struct Field
    {
        const char* key;
        char* dest;
        size_t size;
    } fields[] = {
        {"ID", version->id, sizeof version->id},
        {"VERSION_ID", version->versionId, sizeof version->versionId},
        {"PRETTY_NAME", version->prettyName, sizeof version->prettyName},
    };
    const char* line = text ? text : "";
    while (*line) {
        const char* end = std::strchr(line, '\n');
        const size_t length = end ? size_t(end - line) : std::strlen(line);
        const char* equals = static_cast<const char*>(std::memchr(line, '=', length));
        if (equals && line[0] != '#') {
            const size_t keyLength = size_t(equals - line);
            for (Field& field : fields) {
                if (std::strlen(field.key) == keyLength && std::memcmp(line, field.key, keyLength) == 0) {
                    size_t valueLength = length - keyLength - 1;
                    if (valueLength > 0 && equals[valueLength] == '\r')
                        --valueLength;
                    const std::string value = UnquoteValue(equals + 1, valueLength);
                    LStrCopyText(field.dest, value.c_str(), field.size);
                }
            }
        }
        if (!end)
            break;
        line = end + 1;
    }
}

const LOsVersion& LGetOsVersion()
{
    static LOsVersion version;
    static std::once_flag once;
    std::call_once(once, [] {
        struct utsname names;
        if (uname(&names) == 0)
            LParseKernelRelease(names.release, &version.kernelMajor, &version.kernelMinor);
        ReadOsReleaseFile("/etc/os-release", &version);
        if (!version.id[0] && !version.prettyName[0])
            ReadOsReleaseFile("/usr/lib/os-release", &version);
    });
    return version;
}

bool LIsKernelAtLeast(int major, int minor)
{
    const LOsVersion& version = LGetOsVersion();
    return version.kernelMajor > major || (version.kernelMajor == major && version.kernelMinor >= minor);
}

bool LIsSupportedSystem()
{
    return LIsKernelAtLeast(5, 3);
}
