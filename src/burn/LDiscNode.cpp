#include "burn/LDiscNode.h"

#include "burn/LBurnResult.h"
#include "foundation/text/LCharsetConvert.h"
#include "foundation/text/LUtf8.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {

// The compilation's names stay below 251 bytes of title so a number fits.
constexpr std::size_t kTitleRoom = 250;
// Past this many variants of one name the folder is taken as full.
constexpr unsigned kMaxVariants = 10000000;

std::string CutUtf8(const std::string& text, std::size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    return text.substr(0, LUtf8BoundaryBefore(text.data(), bytes));
}

// A folder being added, for finding a link that leads back into it.
struct OpenFolder
{
    dev_t device;
    ino_t inode;
    std::string path;
};

} // namespace

std::string LDiscNameFromLocal(const std::string& localName)
{
    std::string out;
    out.reserve(localName.size());
    for (std::size_t at = 0; at < localName.size();) {
        char32_t codePoint = 0;
        const int n = LUtf8DecodeOne(localName.data() + at, localName.size() - at, &codePoint);
        if (n > 0 && codePoint != 0) {
            out.append(localName, at, static_cast<std::size_t>(n));
            at += static_cast<std::size_t>(n);
            continue;
        }
        const char single[2] = {localName[at], '\0'};
        char converted[8] = {};
        LWindowsLatin1ToUtf8(converted, single, sizeof converted);
        out += converted;
        ++at;
    }
    return out;
}

std::string LDiscComponentName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return "_";
    std::string out = name;
    for (char& c : out)
        if (c == '/')
            c = '_';
    return out;
}

void LSplitDiscName(const std::string& name, std::string* title, std::string* extension)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        *title = name;
        extension->clear();
    } else {
        *title = name.substr(0, dot);
        *extension = name.substr(dot);
    }
}

LDiscNode::LDiscNode(const char* sourcePath, bool folder, void* ownerObject, uint64_t fileSize,
                     time_t nodeTime, void* originNode)
    : isFolder(folder), origin(originNode), time(nodeTime), owner(ownerObject)
{
    if (sourcePath != nullptr) {
        if (sourcePath[0] == 0 || sourcePath[0] == 1)
            source.assign(1, sourcePath[0]);
        else
            source = sourcePath;
    }
    if (!folder) {
        size = fileSize;
        allocatedSize = (fileSize + kDiscSectorSize - 1) / kDiscSectorSize * kDiscSectorSize;
    }
}

LDiscNode::~LDiscNode() = default;

void LDiscNode::SetName(const char* text)
{
    if (text == nullptr || LUtf8IsValid(text))
        LBurnCopyText(name, sizeof name, text);
    else
        LBurnCopyText(name, sizeof name, LDiscNameFromLocal(text).c_str());
}

LDiscNode* LDiscNode::FindChild(const char* childName) const
{
    auto it = children.find(childName);
    return it == children.end() ? nullptr : it->second.get();
}

LDiscNode* LDiscNode::AddChild(LDiscNode* child)
{
    std::unique_ptr<LDiscNode> owned(child);
    if (!isFolder || child == nullptr)
        return nullptr;

    std::string key = child->name;
    if (children.count(key) != 0) {
        std::string title, extension;
        LSplitDiscName(key, &title, &extension);
        extension = CutUtf8(extension, kTitleRoom / 2);
        bool found = false;
        for (unsigned n = 2; n < kMaxVariants && !found; ++n) {
            const std::string number = std::to_string(n);
            const std::size_t room = kTitleRoom - number.size();
            std::string candidate =
                CutUtf8(title, room > extension.size() ? room - extension.size() : 0) + number + extension;
            if (children.count(candidate) == 0) {
                key = candidate;
                found = true;
            }
        }
        if (!found)
            return nullptr;
        child->SetName(key.c_str());
        key = child->name;
    }

    child->parent = this;
    child->owner = owner;
    if (child->isFolder)
        ++subfolderCount;
    for (LDiscNode* folder = this; folder != nullptr; folder = folder->parent) {
        folder->size += child->size;
        folder->allocatedSize += child->allocatedSize;
    }
    children.emplace(key, std::move(owned));
    return child;
}

LDiscCompilation::LDiscCompilation(const char* label)
    : root_(std::make_unique<LDiscNode>(nullptr, true, this, 0, ::time(nullptr)))
{
    root_->SetName("Label");
    SetLabel(label);
}

LDiscCompilation::~LDiscCompilation() = default;

void LDiscCompilation::SetLabel(const char* text)
{
    LBurnCopyText(label_, sizeof label_, text);
    // The image builders read the label from the root.
    root_->SetName(label_);
}

namespace {

LDiscNode* AddLocalPath(LDiscCompilation* compilation, LDiscNode* parentFolder, const std::string& path,
                        std::string* error, std::vector<OpenFolder>& openFolders)
{
    auto fail = [&](const std::string& why) -> LDiscNode* {
        if (error)
            *error = path + ": " + why;
        return nullptr;
    };
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        const int code = errno;
        if (code == ELOOP)
            return fail("a loop of symbolic links (the link never reaches a file)");
        return fail(std::strerror(code));
    }
    const bool folder = S_ISDIR(info.st_mode);
    if (folder) {
        // Followed, a link back into a folder being added would repeat its
        // contents until the path grew too long for the system.
        for (const OpenFolder& open : openFolders)
            if (open.device == info.st_dev && open.inode == info.st_ino)
                return fail("a symbolic link loop: it leads back to " + open.path);
    }

    std::string name = path;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos)
        name = name.substr(slash + 1);

    auto* node = new LDiscNode(folder ? nullptr : path.c_str(), folder, compilation,
                               folder ? 0 : static_cast<uint64_t>(info.st_size), info.st_mtime);
    node->SetName(name.c_str());
    LDiscNode* added = parentFolder->AddChild(node);
    if (added == nullptr)
        return fail("no free name in its folder");
    if (!folder)
        return added;

    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return fail(std::strerror(errno));
    std::vector<std::string> entries;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            entries.push_back(entry->d_name);
    }
    closedir(dir);
    openFolders.push_back({info.st_dev, info.st_ino, path});
    for (const std::string& entry : entries) {
        if (AddLocalPath(compilation, added, path + "/" + entry, error, openFolders) == nullptr) {
            openFolders.pop_back();
            return nullptr;
        }
    }
    openFolders.pop_back();
    return added;
}

} // namespace

LDiscNode* LDiscCompilation::AddPath(LDiscNode* parentFolder, const char* path, std::string* error)
{
    std::vector<OpenFolder> openFolders;
    return AddLocalPath(this, parentFolder, path, error, openFolders);
}
