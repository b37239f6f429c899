#pragma once
// The program's settings: text values addressed by a section and a name
// (key "section/name") in the user's preferences of the program's domain,
// written through on every change and shared by all its processes.

#include "foundation/settings/LPreferenceStore.h"
#include "foundation/text/LStringLong.h"

#include <cstdint>

inline constexpr const char* kLSettingsApplicationId = "com.oxbelsoftware.quorin";

// The value into a 260-byte buffer (cut between characters); the default
// when missing. True when the value was found.
bool LSettingsGetString(const char* section, const char* name, const char* defaultValue, char* dest);
// The whole value, any length; the default when missing.
void LSettingsGetLongString(const char* section, const char* name, const char* defaultValue,
                            LStringLongTemplate<char>* out);
void LSettingsSetString(const char* section, const char* name, const char* value);
// Removes the value and its companion "__" + name.
void LSettingsDelete(const char* section, const char* name);

// Numbers stored as decimal text. A missing or empty value gives the default;
// a text that is not a number gives 0.
int LSettingsGetInt(const char* section, const char* name, int defaultValue);
int64_t LSettingsGetInt64(const char* section, const char* name, int64_t defaultValue);
// Read with '.' as the decimal separator whatever the user's locale ("0.5"
// is a half everywhere); a ',' separator written by a comma locale is read too.
double LSettingsGetDouble(const char* section, const char* name, double defaultValue);
void LSettingsSetInt(const char* section, const char* name, int64_t value);
// Written with '.' as the decimal separator, precise enough to read back the same double.
void LSettingsSetDouble(const char* section, const char* name, double value);

bool LSettingsGetStringForUser(LSettingsUser user, const char* section, const char* name,
                               const char* defaultValue, char* dest);
void LSettingsSetStringForUser(LSettingsUser user, const char* section, const char* name, const char* value);
// True when a value is stored under exactly this key text.
bool LSettingsKeyExists(LSettingsUser user, const char* key);
// Stores an entry for every parent of the path ("Lists/" = "Lists", "Lists/3/" = "3")
// so that enumerations see sections that hold no values yet. Always true.
bool LSettingsCreateParentKeys(LSettingsUser user, const char* path);

class LSettingsKeyEnum;

// Finds the sub-key (or value name) of `path` that follows the enumerator's
// current name in case-insensitive order; "" and false when there is none.
bool LSettingsFindNextSubkey(LSettingsUser user, const char* path, const LSettingsKeyEnum* enumerator,
                             char* dest);

// One hierarchical key, such as "Lists/3/".
class LSettingsKey
{
public:
    void SetString(const char* valueName, const char* value);
    bool GetString(const char* valueName, const char* defaultValue, char* dest) const;
    bool GetStringOrEmpty(const char* valueName, char* dest) const;

    LSettingsUser user = kLSettingsCurrentUser;
    char name[260] = {}; // the last component
    char path[260] = {}; // the full key path, ending in '/'
};

// Walks the sub-keys of a key in case-insensitive order. After Begin and
// after each Next, `child` is the sub-key found, or has an empty path at the end.
class LSettingsKeyEnum
{
public:
    void Begin(const LSettingsKey* parentKey);
    void Next();

    char currentName[260] = {};
    LSettingsKey parent;
    LSettingsKey child;
};

// Writes one value into another program's domain ("com.oxbelsoftware." + the
// lower-cased application part).
void LSettingsSetOtherApp(LSettingsUser user, const char* applicationPart, const char* section,
                          const char* name, const char* value);
void LSettingsSetOtherAppDigit(const char* applicationPart, const char* section, const char* name, int digit);

// Reads a decimal integer the way the settings store does: leading blanks and
// one sign, digits up to the first other character, saturating at
// +/-9223372036854775807; 0 when no digit follows.
int64_t LStrToInt64(const char* text);

// The key text of a section and name ("%s/%s", or "%s%s" when the section
// ends in '/'), cut to 519 bytes between characters.
void LSettingsMakeKey(char* dest, const char* section, const char* name);
