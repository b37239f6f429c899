// Feeds arbitrary server text to the readers of the version files, as the
// program's and as a component's. Nothing may crash or read out of bounds;
// a version read must be a plain decimal number written after a "version="
// that begins a pair, and the program's other values must be whole pairs'
// values: not empty, without '&'.

#include "online/LVersionFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// True when the text holds "version=" where a pair begins, whose value (up
// to the next '&', line ends and blanks at its end dropped) is the version
// written in digits and one dot at most.
bool HasDecimalVersionKey(const std::string& text, double version)
{
    for (size_t at = text.find("version="); at != std::string::npos; at = text.find("version=", at + 1)) {
        if (at != 0 && text[at - 1] != '&')
            continue;
        std::string value = text.substr(at + 8, text.find('&', at + 8) - (at + 8));
        while (!value.empty() && std::strchr("\r\n \t", value.back()) != nullptr)
            value.pop_back();
        if (!value.empty() && value.find_first_not_of("0123456789.") == std::string::npos &&
            std::count(value.begin(), value.end(), '.') <= 1 &&
            std::strtod(value.c_str(), nullptr) == version)
            return true;
    }
    return false;
}

void CheckVersion(double version, const std::string& text)
{
    if (!std::isfinite(version) || version < 0 || version >= 1e6 || !HasDecimalVersionKey(text, version))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The files are read as C text: up to the first NUL.
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string text(bytes, strnlen(bytes, size));
    LVersionInfo info;
    if (LParseVersionFile(text.c_str(), &info)) {
        CheckVersion(info.version, text);
        for (const char* value : {info.info, info.download})
            if (value[0] == '\0' || std::strchr(value, '&') != nullptr || std::strlen(value) > 259)
                std::abort();
    } else if (info.version != 0 || info.info[0] != '\0' || info.download[0] != '\0') {
        std::abort();
    }
    double version = -1;
    if (LParseComponentVersionFile(text.c_str(), &version))
        CheckVersion(version, text);
    else if (version != 0)
        std::abort();
    // The whole input as a version: what is taken reads back as written.
    if (LParseDecimalVersion(bytes, size, &version)) {
        const std::string written(bytes, size);
        if (written.find_first_not_of("0123456789.") != std::string::npos ||
            version != std::strtod(written.c_str(), nullptr))
            std::abort();
    }
    return 0;
}
