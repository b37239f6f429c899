#include "app/program/preferences/PreferenceChanges.h"

#include "foundation/settings/LSettings.h"

#include <string>

namespace {

std::string KeyOf(const char* section, const char* name)
{
    char key[520] = {};
    LSettingsMakeKey(key, section, name);
    return key;
}

} // namespace

void PreferenceChanges::Set(const char* section, const char* name, const char* value)
{
    const std::string key = KeyOf(section, name);
    for (auto& entry : values_) {
        if (entry.first == key) {
            entry.second = value ? value : "";
            return;
        }
    }
    values_.emplace_back(key, value ? value : "");
}

void PreferenceChanges::SetInt(const char* section, const char* name, long long value)
{
    Set(section, name, std::to_string(value).c_str());
}

const char* PreferenceChanges::Find(const char* section, const char* name) const
{
    const std::string key = KeyOf(section, name);
    for (const auto& entry : values_)
        if (entry.first == key)
            return entry.second.c_str();
    return nullptr;
}

bool PreferenceChanges::Commit() const
{
    if (values_.empty())
        return true;
    std::vector<std::pair<std::string, const char*>> changes;
    changes.reserve(values_.size());
    for (const auto& entry : values_)
        changes.emplace_back(entry.first, entry.second.c_str());
    return LPreferenceStore::Shared().Set(kLSettingsCurrentUser, kLSettingsApplicationId, changes);
}

bool PreferenceFlagOn(const char* section, const char* name, bool absentOn)
{
    char text[260] = {};
    const bool found = LSettingsGetString(section, name, "", text);
    if (!found)
        return absentOn;
    if (absentOn)
        return !(text[0] == '0' && text[1] == '\0');
    return text[0] != '\0' && !(text[0] == '0' && text[1] == '\0');
}
