#include "burn/LDiscNode.h"

#include "burn/LBurnResult.h"
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

} // namespace

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
            source[0] = sourcePath[0];
        else
            LBurnCopyText(source, sizeof source, sourcePath);
    }
    if (!folder) {
        size = fileSize;
        allocatedSize = (fileSize + kDiscSectorSize - 1) / kDiscSectorSize * kDiscSectorSize;
    }
}

LDiscNode::~LDiscNode() = default;

void LDiscNode::SetName(const char* text)
{
    LBurnCopyText(name, sizeof name, text);
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

LDiscNode* LDiscCompilation::AddPath(LDiscNode* parentFolder, const char* path, std::string* error)
{
    struct stat info;
    if (stat(path, &info) != 0) {
        if (error)
            *error = std::string(path) + ": " + std::strerror(errno);
        return nullptr;
    }
    std::string name = path;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos)
        name = name.substr(slash + 1);

    const bool folder = S_ISDIR(info.st_mode);
    auto* node = new LDiscNode(folder ? nullptr : path, folder, this,
                               folder ? 0 : static_cast<uint64_t>(info.st_size), info.st_mtime);
    node->SetName(name.c_str());
    if (std::strlen(path) >= kDiscNameSize && !folder) {
        delete node;
        if (error)
            *error = std::string(path) + ": path too long for a disc compilation";
        return nullptr;
    }
    LDiscNode* added = parentFolder->AddChild(node);
    if (added == nullptr) {
        if (error)
            *error = std::string(path) + ": no free name in its folder";
        return nullptr;
    }
    if (!folder)
        return added;

    DIR* dir = opendir(path);
    if (dir == nullptr) {
        if (error)
            *error = std::string(path) + ": " + std::strerror(errno);
        return nullptr;
    }
    std::vector<std::string> entries;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            entries.push_back(entry->d_name);
    }
    closedir(dir);
    for (const std::string& entry : entries) {
        const std::string childPath = std::string(path) + "/" + entry;
        if (AddPath(added, childPath.c_str(), error) == nullptr)
            return nullptr;
    }
    return added;
}
