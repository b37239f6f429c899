#include "app/program/tags/TagEditorDialog.h"

#include "app/program/tags/AudioTagEditor.h"
#include "app/program/tags/IdTagDialog.h"

#include <cctype>
#include <cstring>
#include <string>

bool ShowTagEditorDialog(LAudioTagMap* tags, LWindow* parent, const char* path)
{
    std::string extension;
    const char* dot = path != nullptr ? std::strrchr(path, '.') : nullptr;
    const char* slash = path != nullptr ? std::strrchr(path, '/') : nullptr;
    if (dot != nullptr && (slash == nullptr || dot > slash))
        extension = dot;
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".wav")
        return ShowAudioTagEditor(parent, tags, path, extension.c_str());
    return ShowIdTagDialog(parent, tags, extension.c_str());
}
