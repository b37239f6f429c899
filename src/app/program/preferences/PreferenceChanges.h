#pragma once
// The values an OK of the preference windows stores, gathered while every
// page is checked and written in one go: either all of them reach the
// settings file or, when it cannot be written, none does. Another process's
// changes made meanwhile are kept (the settings store merges them).

#include <string>
#include <utility>
#include <vector>

class PreferenceChanges
{
public:
    void Set(const char* section, const char* name, const char* value);
    void SetInt(const char* section, const char* name, long long value);
    void SetFlag(const char* section, const char* name, bool on) { Set(section, name, on ? "1" : "0"); }

    // The value gathered for the setting, null when none was.
    const char* Find(const char* section, const char* name) const;
    bool Empty() const { return values_.empty(); }

    // Writes everything through the settings store at once; false (nothing
    // stored) when the file could not be written.
    bool Commit() const;

private:
    std::vector<std::pair<std::string, std::string>> values_; // key, value
};

// A stored flag: on when its text is neither empty nor "0"; when absentOn,
// an absent value is on too and only "0" is off.
bool PreferenceFlagOn(const char* section, const char* name, bool absentOn = false);
