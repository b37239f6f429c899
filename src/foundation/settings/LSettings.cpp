#include "foundation/settings/LSettings.h"

#include "foundation/text/LTextBuffer.h"
#include "foundation/text/LUtf8.h"

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <strings.h>

namespace {

constexpr size_t kKeySize = 520;
constexpr int64_t kInt64Limit = 9223372036854775807LL;

// Parsing and formatting with '.' as the decimal separator, whatever
// setlocale chose for the process.
locale_t CLocale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

std::string Key(const char* section, const char* name)
{
    char key[kKeySize];
    LSettingsMakeKey(key, section, name);
    return key;
}

void CopyDefault(char* dest, const char* defaultValue)
{
    LStrCopyText(dest, defaultValue ? defaultValue : "", kTextBufferSize);
}

// The last component of a path such as "Lists/3/": "3".
std::string LastComponent(const std::string& prefix)
{
    std::string trimmed = prefix;
    while (!trimmed.empty() && trimmed.back() == '/')
        trimmed.pop_back();
    size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

} // namespace

void LSettingsMakeKey(char* dest, const char* section, const char* name)
{
    section = section ? section : "";
    name = name ? name : "";
    size_t sectionLength = std::strlen(section);
    bool slashed = sectionLength > 0 && section[sectionLength - 1] == '/';
    std::string key = std::string(section) + (slashed ? "" : "/") + name;
    size_t length = LUtf8BoundaryBefore(key.c_str(), std::min(key.size(), kKeySize - 1));
    std::memcpy(dest, key.data(), length);
    dest[length] = 0;
}

bool LSettingsGetStringForUser(LSettingsUser user, const char* section, const char* name,
                               const char* defaultValue, char* dest)
{
    std::optional<std::string> value =
        LPreferenceStore::Shared().Get(user, kLSettingsApplicationId, Key(section, name).c_str());
    if (!value) {
        CopyDefault(dest, defaultValue);
        return false;
    }
    LUtf8CopyWhole(dest, value->c_str(), kTextBufferSize);
    return true;
}

void LSettingsSetStringForUser(LSettingsUser user, const char* section, const char* name, const char* value)
{
    LPreferenceStore::Shared().Set(user, kLSettingsApplicationId, {{Key(section, name), value ? value : ""}});
}

bool LSettingsGetString(const char* section, const char* name, const char* defaultValue, char* dest)
{
    return LSettingsGetStringForUser(kLSettingsCurrentUser, section, name, defaultValue, dest);
}

void LSettingsGetLongString(const char* section, const char* name, const char* defaultValue,
                            LStringLongTemplate<char>* out)
{
    std::optional<std::string> value = LPreferenceStore::Shared().Get(
        kLSettingsCurrentUser, kLSettingsApplicationId, Key(section, name).c_str());
    if (value)
        out->Assign(value->data(), value->size());
    else
        out->Assign(defaultValue ? defaultValue : "");
}

void LSettingsSetString(const char* section, const char* name, const char* value)
{
    LSettingsSetStringForUser(kLSettingsCurrentUser, section, name, value);
}

void LSettingsDelete(const char* section, const char* name)
{
    std::string companion = std::string("__") + (name ? name : "");
    LPreferenceStore::Shared().Set(
        kLSettingsCurrentUser, kLSettingsApplicationId,
        {{Key(section, name), nullptr}, {Key(section, companion.c_str()), nullptr}});
}

int64_t LStrToInt64(const char* text)
{
    if (!text)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p && *p < 33)
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    if (*p < '0' || *p > '9')
        return 0;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        int digit = *p - '0';
        if (value > kInt64Limit / 10 || (value == kInt64Limit / 10 && digit >= 8))
            return negative ? -kInt64Limit : kInt64Limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

int LSettingsGetInt(const char* section, const char* name, int defaultValue)
{
    char text[kTextBufferSize];
    LSettingsGetString(section, name, "", text);
    if (!text[0])
        return defaultValue;
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

int64_t LSettingsGetInt64(const char* section, const char* name, int64_t defaultValue)
{
    char text[kTextBufferSize];
    LSettingsGetString(section, name, "", text);
    if (!text[0])
        return defaultValue;
    return LStrToInt64(text);
}

double LSettingsGetDouble(const char* section, const char* name, double defaultValue)
{
    char text[kTextBufferSize];
    LSettingsGetString(section, name, "", text);
    if (!text[0])
        return defaultValue;
    char* end = nullptr;
    double value = strtod_l(text, &end, CLocale());
    // "0,5" from a program that wrote in a comma locale: the ',' is the separator.
    if (end && *end == ',' && end[1] >= '0' && end[1] <= '9' && !std::strchr(text, '.')) {
        std::string dotted = text;
        dotted[size_t(end - text)] = '.';
        value = strtod_l(dotted.c_str(), nullptr, CLocale());
    }
    return value;
}

void LSettingsSetInt(const char* section, const char* name, int64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    LSettingsSetString(section, name, text);
}

void LSettingsSetDouble(const char* section, const char* name, double value)
{
    char text[64];
    locale_t previous = uselocale(CLocale());
    std::snprintf(text, sizeof text, "%.17g", value);
    uselocale(previous);
    LSettingsSetString(section, name, text);
}

bool LSettingsKeyExists(LSettingsUser user, const char* key)
{
    return LPreferenceStore::Shared().Get(user, kLSettingsApplicationId, key ? key : "").has_value();
}

bool LSettingsCreateParentKeys(LSettingsUser user, const char* path)
{
    const char* p = path ? path : "";
    while (*p == '/')
        ++p;
    std::string walked;
    std::vector<std::pair<std::string, const char*>> missing;
    std::vector<std::string> values; // keeps the texts alive for `missing`
    std::vector<std::string> prefixes;
    for (const char* c = p; *c; ++c) {
        walked.push_back(*c);
        if (*c == '/' && c[1] != '/')
            prefixes.push_back(walked);
    }
    values.reserve(prefixes.size());
    for (const std::string& prefix : prefixes) {
        if (LSettingsKeyExists(user, prefix.c_str()))
            continue;
        values.push_back(LastComponent(prefix));
        missing.emplace_back(prefix, nullptr);
    }
    for (size_t i = 0; i < missing.size(); ++i)
        missing[i].second = values[i].c_str();
    if (!missing.empty())
        LPreferenceStore::Shared().Set(user, kLSettingsApplicationId, missing);
    return true;
}

bool LSettingsFindNextSubkey(LSettingsUser user, const char* path, const LSettingsKeyEnum* enumerator,
                             char* dest)
{
    dest[0] = 0;
    const char* current = enumerator ? enumerator->currentName : "";
    std::vector<std::string> keys = LPreferenceStore::Shared().Keys(user, kLSettingsApplicationId);
    if (keys.empty())
        return false;
    const char* prefix = path ? path : "";
    size_t prefixLength = std::strlen(prefix);
    std::string best;
    bool found = false;
    for (const std::string& fullKey : keys) {
        char key[kTextBufferSize];
        LUtf8CopyWhole(key, fullKey.c_str(), sizeof key);
        if (strncasecmp(key, prefix, prefixLength) != 0)
            continue;
        const char* rest = key + prefixLength;
        std::string candidate(rest, std::strcspn(rest, "/"));
        if (candidate.empty() || strcasecmp(candidate.c_str(), current) == 0)
            continue;
        if (current[0] && strcasecmp(candidate.c_str(), current) < 0)
            continue;
        if (!found || strcasecmp(candidate.c_str(), best.c_str()) < 0) {
            best = candidate;
            found = true;
        }
    }
    if (found)
        LStrCopyText(dest, best.c_str(), kTextBufferSize);
    return found;
}

void LSettingsKey::SetString(const char* valueName, const char* value)
{
    LSettingsCreateParentKeys(user, path);
    LSettingsSetStringForUser(user, path, valueName, value);
}

bool LSettingsKey::GetString(const char* valueName, const char* defaultValue, char* dest) const
{
    return LSettingsGetStringForUser(user, path, valueName, defaultValue, dest);
}

bool LSettingsKey::GetStringOrEmpty(const char* valueName, char* dest) const
{
    return GetString(valueName, "", dest);
}

void LSettingsKeyEnum::Begin(const LSettingsKey* parentKey)
{
    parent = *parentKey;
    currentName[0] = 0;
    child = LSettingsKey();
    child.user = kLSettingsCurrentUser;
    Next();
}

void LSettingsKeyEnum::Next()
{
    char found[kTextBufferSize];
    if (!LSettingsFindNextSubkey(parent.user, parent.path, this, found)) {
        child.path[0] = 0;
        return;
    }
    LStrCopyText(currentName, found, sizeof currentName);
    child.user = parent.user;
    size_t parentLength = std::strlen(parent.path);
    bool needsSlash = parentLength > 0 && parent.path[parentLength - 1] != '/';
    std::string childPath = std::string(parent.path) + (needsSlash ? "/" : "") + found + "/";
    // A path that does not fit would name another key: the walk ends there.
    if (childPath.size() >= sizeof child.path) {
        child.path[0] = 0;
        return;
    }
    std::memcpy(child.path, childPath.c_str(), childPath.size() + 1);
    LStrCopyText(child.name, found, sizeof child.name);
}

void LSettingsSetOtherApp(LSettingsUser user, const char* applicationPart, const char* section,
                          const char* name, const char* value)
{
    std::string domain = std::string("com.oxbelsoftware.") + (applicationPart ? applicationPart : "");
    for (char& c : domain)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    LPreferenceStore::Shared().Set(user, domain.c_str(), {{Key(section, name), value ? value : ""}});
}

void LSettingsSetOtherAppDigit(const char* applicationPart, const char* section, const char* name, int digit)
{
    char text[2] = {char('0' + (digit < 0 ? 0 : digit > 9 ? 9 : digit)), 0};
    LSettingsSetOtherApp(kLSettingsCurrentUser, applicationPart, section, name, text);
}
