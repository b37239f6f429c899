#include "gui/framework/LFilePanels.h"

#include <strings.h>

#include <cstring>

LFileTypeFilter LFileTypeFilter::Parse(const char* list, const char* defaultExtension, int callerDefault)
{
    LFileTypeFilter filter;
    filter.defaultGroup = callerDefault >= 1 ? callerDefault : 0;
    const char* wanted = defaultExtension ? defaultExtension : "";
    if (*wanted == '.')
        ++wanted;
    for (const char* p = list; p && *p;) {
        const char* name = p;
        const char* patterns = name + std::strlen(name) + 1;
        if (!*patterns)
            break;
        filter.groups.emplace_back(name);
        int index = -2; // not yet set by a first pattern
        for (const char* star = std::strstr(patterns, "*."); star; star = std::strstr(star, "*.")) {
            const char* start = star + 2;
            const char* end = std::strchr(start, ';');
            std::string extension = end ? std::string(start, end) : std::string(start);
            star = end ? end : start + extension.size();
            if (extension == "*") {
                if (index == -2)
                    index = -1;
                continue;
            }
            filter.types.push_back(extension);
            if (index == -2)
                index = static_cast<int>(filter.types.size()) - 1;
            if (filter.defaultGroup < 1 && *wanted && strcasecmp(extension.c_str(), wanted) == 0)
                filter.defaultGroup = static_cast<int>(filter.groups.size());
        }
        filter.indices.push_back(index == -2 ? -1 : index);
        p = patterns + std::strlen(patterns) + 1;
    }
    return filter;
}

std::vector<std::string> LFileTypeFilter::AllowedTypes(int group) const
{
    if (group < 1 || group > static_cast<int>(indices.size()))
        return {};
    const int first = indices[static_cast<size_t>(group - 1)];
    if (first < 0)
        return {};
    size_t end = types.size();
    for (size_t next = static_cast<size_t>(group); next < indices.size(); ++next)
        if (indices[next] >= 0) {
            end = static_cast<size_t>(indices[next]);
            break;
        }
    return {types.begin() + first, types.begin() + static_cast<long>(end)};
}
