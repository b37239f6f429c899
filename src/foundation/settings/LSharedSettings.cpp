#include "foundation/settings/LSharedSettings.h"

#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LLockedFileUpdate.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/text/LUtf8.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/xml/LXmlLoadFile.h"
#include "foundation/xml/LXmlParser.h"
#include "foundation/xml/LXmlWriter.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr uint32_t kSharedLockWaitMs = 5000;

// Element names must read back as the same element: no blanks, markup
// characters or quotes, and not the reader's special names.
bool IsUsableElementName(const char* name)
{
    if (!name || !name[0] || name[0] == '!' || name[0] == '?')
        return false;
    if (std::strlen(name) > 259)
        return false;
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c <= ' ' || std::strchr("<>&\"'/=", c))
            return false;
    }
    return true;
}

bool SharedFolder(char* dest)
{
    char data[kLPathSize];
    if (!LGetAppDataFolder(data) || !LPathCombine(dest, data, "Shared", "")) {
        dest[0] = 0;
        return false;
    }
    struct stat info;
    if (stat(dest, &info) == 0 && S_ISDIR(info.st_mode))
        return true;
    if (mkdir(dest, 0777) == 0 || LCreateFolderPath(dest))
        return true;
    return stat(dest, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool LSharedSettingsPath(char* dest)
{
    char folder[kLPathSize];
    if (!SharedFolder(folder) || !LPathCombine(dest, folder, "SharedSettings.xml", "")) {
        dest[0] = 0;
        return false;
    }
    return true;
}

void LSharedSettingsGetString(const char* section, const char* name, const char* defaultValue, char* dest)
{
    LStrCopyText(dest, defaultValue ? defaultValue : "", kTextBufferSize);
    char path[kLPathSize];
    if (!LSharedSettingsPath(path))
        return;
    LXmlDocument document(true);
    LLocalProcessContext context;
    char error[260];
    if (LXmlLoadFile(&document, &context, path, error) != kXmlLoadDone)
        return;
    // A damaged file still gives the values read before the damage.
    LXmlNode* sectionNode = document.FindChild(section ? section : "");
    LXmlNode* nameNode = sectionNode ? sectionNode->FindChild(name ? name : "") : nullptr;
    if (!nameNode || !nameNode->IsElement() || !nameNode->attributes.Contains("value"))
        return;
    LUtf8CopyWhole(dest, nameNode->GetAttribute("value", ""), kTextBufferSize);
}

bool LSharedSettingsSetString(const char* section, const char* name, const char* value)
{
    if (!IsUsableElementName(section) || !IsUsableElementName(name)) {
        LLogErrorF("SharedSettings: \"%s\"/\"%s\" cannot be stored (not an element name).",
                   section ? section : "", name ? name : "");
        return false;
    }
    char path[kLPathSize];
    if (!LSharedSettingsPath(path))
        return false;

    LLockedFileUpdate update;
    if (!update.Begin(path, kSharedLockWaitMs)) {
        LLogErrorF("SharedSettings: %s could not be opened (%s); %s/%s was not stored.", path,
                   std::strerror(errno), section, name);
        return false;
    }
    LStringLongTemplate<char> text;
    if (!update.Read(&text)) {
        LLogErrorF(
            "SharedSettings: %s could not be read (%s); it was left as it is and %s/%s was not stored.", path,
            std::strerror(errno), section, name);
        return false;
    }
    LXmlDocument document(true);
    LXmlReader reader(text.Text());
    if (!LXmlParser::ParseText(&document, &reader) && text.length > 0) {
        LLogErrorF("SharedSettings: %s is damaged (%s); it was left as it is and %s/%s was not stored.", path,
                   reader.error, section, name);
        return false;
    }

    LXmlNode* sectionNode = document.FindChild(section);
    if (!sectionNode)
        sectionNode = document.AppendChild(LXmlNode::NewElement(section));
    LXmlNode* nameNode = sectionNode->FindChild(name);
    if (!nameNode)
        nameNode = sectionNode->AppendChild(LXmlNode::NewElement(name));
    nameNode->SetAttribute("value", value ? value : "");

    LStringLongTemplate<char> written;
    written.Reserve(260);
    LXmlWriter::WriteDocument(&document, &written);
    if (!update.Replace(written.Text(), written.length)) {
        LLogErrorF("SharedSettings: %s could not be written (%s); %s/%s was not stored.", path,
                   std::strerror(errno), section, name);
        return false;
    }
    return true;
}
