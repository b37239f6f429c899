#pragma once
// What the tag dialogs share and what the main window does with their
// results: the star rating table, the category list, date texts, the set of
// changes a dialog made, and the writes that follow (one file, its copy in
// the copy folder, several files).

#include "tags/LAudioTagMap.h"

#include <string>
#include <utility>
#include <vector>

// The knowledge-base article every tag dialog's Help opens: what each tag
// means and where the formats keep it.
inline constexpr int kTagEditingArticle = 10061;

// Stars shown for a stored rating: empty or 0 none, 1-31 one, 32-95 two,
// 96-159 three, 160-223 four, 224 and above five.
int TagStarsFromRating(const char* rating);
// The stored value for stars 1..5 ("1", "64", "128", "196", "255"); "" for
// none, which takes the rating out of the file.
const char* TagRatingFromStars(int stars);

// The category rows: code and name, the first row empty.
struct TagCategory
{
    const char* code;
    const char* name;
};
inline constexpr int kTagCategoryCount = 30;
extern const TagCategory kTagCategories[kTagCategoryCount];
// The text a row shows: code, a blank, name (a lone blank for the empty row).
std::string TagCategoryText(int row);
// The row whose text equals the trimmed value (the last equal one), -1 when
// none or only the empty row.
int TagCategoryRow(const char* value);

// "YYYY-MM-DD   HH:MM:SS".
void FormatDateTime(char* out, int year, int month, int day, int hour, int minute, int second);
// A date picker's value as the "DATE" and "TIME" texts (local time).
void TagDateTimeTexts(int64_t seconds, std::string* date, std::string* time);
// The record's date pair as seconds, 0 when there is none or it does not read.
int64_t TagDateTimeSeconds(const char* date, const char* time);

// The keys a dialog changed, with their new values ("" takes a key out of
// the file).
using TagChanges = std::vector<std::pair<std::string, std::string>>;
void ApplyTagChanges(LAudioTagMap* tags, const TagChanges& changes);

// Writes the record into the file through the safe rewrite. A file the user
// may not change is refused before anything is written. On failure reason
// says why, in words for a message.
bool WriteTagsToFile(const LAudioTagMap* tags, const char* path, std::string* reason);

// The title a file gets when several are tagged together: its name without
// the folder and the extension.
std::string TagTitleFromPath(const char* path);

// Where the main window's tag commands report; the main window and the
// developer tool each have their own.
class TagCommandReporter
{
public:
    virtual ~TagCommandReporter() = default;
    virtual void Error(const char* text) = 0;
    virtual void Info(const char* text) = 0;
    // A file the command wrote.
    virtual void Wrote(const char* path) { (void)path; }
};

// After a confirmed edit of one file: writes the record into it and, when
// the output format keeps copies, into its copy in the copy folder. True
// when the file itself was written.
bool WriteEditedTags(const LAudioTagMap* tags, const char* path, TagCommandReporter* reporter);

// After a confirmed edit of several files: each file is read on its own and
// gets only the changes, its title from its name and its place in the list
// (from 1) as track number. The count of files written.
int WriteChangesToFiles(const std::vector<std::string>& paths, const TagChanges& changes,
                        TagCommandReporter* reporter);
