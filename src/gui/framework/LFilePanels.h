#pragma once
// Modal panels to choose a folder, a file, or several files and folders,
// with a choice of file-type groups, and the filter lists that name those
// groups. Paths are UTF-8 in the caller's 260-byte buffers; a chosen path
// that does not fit is refused with a message, never cut.

#include "foundation/containers/LStringList.h"
#include "gui/framework/LView.h"

#include <string>
#include <vector>

// A filter list: pairs of zero-terminated texts, group name then patterns
// ("*.wav;*.mp3"; "*.*" or "*" as extension means every file), ended by an
// empty text.
struct LFileTypeFilter
{
    std::vector<std::string> groups;
    std::vector<std::string> types; // extensions, in order across all groups
    // For each group the position of its first type, -1 for an all-files group.
    std::vector<int> indices;
    // 1-based; 0 when neither the caller nor the default extension chose one.
    int defaultGroup = 0;

    // callerDefault (1-based, < 1 for none) wins over the default extension.
    static LFileTypeFilter Parse(const char* filterList, const char* defaultExtension, int callerDefault);
    bool Empty() const { return groups.empty() || types.empty(); }
    // The extensions group (1-based) allows; empty means every file. A group
    // ends at the next group that has types of its own: an all-files group
    // in between takes none of them.
    std::vector<std::string> AllowedTypes(int group) const;
};

// 1 when a folder was chosen (folder then holds it); starts in folder when
// it exists, else on the Desktop. canCreateFolders may be null (allowed).
int LBrowseForFolder(LViewHandle owner, char* folder, const char* title, const bool* canCreateFolders,
                     const char* prompt);
// The folder panel with new folders allowed.
int LChooseFolder(LViewHandle owner, char* folder, const char* title, const char* prompt);

// One file. On success path receives it, initialFolder its folder and
// defaultGroup (when given) the group chosen in the panel.
int LOpenFileDialog(LViewHandle owner, char* path, const char* title, char* initialFolder,
                    const char* filters, const char* defaultExtension, const char* prompt, int* defaultGroup);
// Several files (and folders when allowed: Open then takes a selected folder
// rather than going into it), in the order chosen.
int LOpenFilesOrFoldersDialog(LViewHandle owner, LStringList* paths, const char* title, char* initialFolder,
                              const char* filters, const char* defaultExtension, const char* prompt,
                              int* defaultGroup, bool allowFolders);
int LOpenFilesDialog(LViewHandle owner, LStringList* paths, const char* title, char* initialFolder,
                     const char* filters, const char* defaultExtension, const char* prompt,
                     int* defaultGroup);

// No dock to restart on this desktop.
inline void LRestartDock() {}
