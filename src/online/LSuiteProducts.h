#pragma once
// The maker's programs as the suite launcher offers them: three constant
// tables (the products' names and keys, their titles and descriptions, and
// the tasks they serve by category), the lookups over them, and the usage
// records the launcher keeps in the settings (section "SuiteUsage").

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LSuiteProductName
{
    const char* name;      // short name, as the other tables use it
    const char* key;       // the program's key (its command is the key in lower case)
    const char* webFolder; // path segment of its web page
    const char* shortId;
};

struct LSuiteProductInfo
{
    const char* name;
    const char* title;
    const char* setupName;
    const char* webFolder; // a leading '+' names a page of the second site
    int32_t sortWeight;    // higher first; 0 none
    const char* description;
};

struct LSuiteTask
{
    const char* category;
    const char* name; // the product's short name
    const char* task;
    int32_t reserved;
};

extern const LSuiteProductName LSuiteProductNames[28];
extern const LSuiteProductInfo LSuiteProductInfoRows[32];
extern const LSuiteTask LSuiteTasks[59];

// The program's own product: shown in neither pane of the launcher.
inline constexpr char kSuiteOwnProduct[] = "Quorin";

// The key of the product (first row by name, exact); the name itself when no row matches.
std::string LSuiteProductKeyFromName(const char* name);
// The web folder of the row with that key; else the key in lower case.
std::string LSuiteWebFolderFromKey(const char* key);
// The short id of the row with that key; else the key in lower case.
std::string LSuiteShortIdFromKey(const char* key);
// The info row by name, ignoring case; null when none.
const LSuiteProductInfo* LSuiteFindProductInfo(const char* name);
// Whether the product's program (by its key) is installed.
bool LIsSuiteProductInstalled(const char* name);

// The distinct categories of the task table, in order of first appearance.
std::vector<std::string> LSuiteCategories();

// The web page of a product (info row's webFolder): "/<folder>/" on the
// maker's site, or on the second site for a folder beginning with '+'.
// QUORIN_SITE applied.
std::string LSuiteProductPageUrl(const char* webFolder);
// The maker's search page for the text (surrounding blanks dropped, the rest
// percent-encoded, at most 259 characters): "" for an empty text. An e-mail
// address, when known, is appended as "&email=".
std::string LSuiteSearchUrl(const char* text, const char* email);

// Counts a launch from the launcher: "ar" (installed) or "ai" (not) in
// "SuiteUsage", and the link record {lk key, lt tab, lf task, lc count} under
// "SuiteUsage/Links/<n>" (one record per key, tab and task).
void LSuiteRecordLinkUse(const char* key, const char* tab, const char* task, bool installed);
