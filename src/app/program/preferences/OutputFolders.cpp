#include "app/program/preferences/OutputFolders.h"

#include "app/program/RecordingFiles.h"
#include "foundation/files/LFileExists.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"
#include "gui/framework/LMessageBox.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

std::string Format(const char* text, const std::string& path)
{
    const int length = std::snprintf(nullptr, 0, text, path.c_str());
    std::string out(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::snprintf(out.data(), out.size() + 1, text, path.c_str());
    return out;
}

void ShowRefusal(LViewHandle parent, const FolderQuestion& texts, const std::string& path)
{
    LMessageBox box(parent, Format(texts.notWritable, path).c_str(), "Quorin Dizer od OD Udivezeve");
    box.style = LMessageBoxCriticalStyle;
    box.SetButton(1, "OK");
    box.Show();
}

} // namespace

std::string DefaultRecordingFolder()
{
    char music[kLPathSize] = {};
    char folder[kLPathSize] = {};
    if (!LGetMusicFolder(music) || !LPathCombine(folder, music, "Quorin", ""))
        return "";
    return folder;
}

bool CreateFolderForUser(const std::string& path, bool withParents)
{
    // mkdir's mode is narrowed by the umask: 0777 gives the user's usual
    // 0755, and a user who keeps folders private keeps this one private too.
    if (withParents)
        return LCreateFolderPath(path.c_str());
    return mkdir(path.c_str(), 0777) == 0;
}

FolderCheck CheckFolderForUse(LViewHandle parent, const std::string& path, const FolderQuestion& texts)
{
    // A relative name would land wherever the program happened to start.
    if (path.empty() || path[0] != '/') {
        ShowRefusal(parent, texts, path);
        return FolderCheck::kRefused;
    }
    struct stat info = {};
    if (lstat(path.c_str(), &info) == 0 || errno != ENOENT) {
        if (!LFolderExists(path.c_str()) || !IsFolderWritable(path.c_str())) {
            ShowRefusal(parent, texts, path);
            return FolderCheck::kRefused;
        }
        return FolderCheck::kAccepted;
    }
    LMessageBox question(parent, Format(texts.createQuestion, path).c_str(), "Create Folder?");
    question.style = LMessageBoxWarningStyle;
    question.SetButton(1, "Create Folder");
    question.SetButton(2, "Cancel");
    if (question.Show() != 1)
        return FolderCheck::kCancelled;
    if (!CreateFolderForUser(path, texts.withParents) || !IsFolderWritable(path.c_str())) {
        ShowRefusal(parent, texts, path);
        return FolderCheck::kRefused;
    }
    return FolderCheck::kAccepted;
}

bool CheckCopyFolder(LViewHandle parent, const std::string& field, std::string* folder)
{
    std::string path = field;
    const size_t first = path.find_first_not_of(" \t\r\n");
    path = first == std::string::npos ? "" : path.substr(first, path.find_last_not_of(" \t\r\n") - first + 1);
    if (path.empty()) {
        LMessageBox box(parent, "No output folder selected. Please specify an output folder to make copies to.",
                        "Quorin Dizer od OD Udivezeve");
        box.style = LMessageBoxWarningStyle;
        box.SetButton(1, "OK");
        box.Show();
        return false;
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    static const FolderQuestion texts = {
        "The specified make copies path \"%s\" is not a folder or it is not writable for you! Please choose "
        "another one .",
        "The make copies to folder \"%s\" does not exist. Would you like to create it ?",
        true,
    };
    if (CheckFolderForUse(parent, path, texts) != FolderCheck::kAccepted)
        return false;
    *folder = path;
    return true;
}
