#pragma once
// A data disc's compilation: a volume label and a tree of folders and files,
// each file naming a source file on the local disk. Names are unique within a
// folder and children list in byte order of their names. Only the names on
// the disc have the disc file systems' limits: a source path is kept as the
// system gave it, bytes and length alike, and the file is opened by it.

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>

class LDiscNode;

// Children of a folder keyed by name; the key compares as bytes (strcmp
// order), equal keys stay in insertion order.
using LNameTree = std::multimap<std::string, std::unique_ptr<LDiscNode>>;

inline constexpr std::size_t kDiscNameSize = 260;
inline constexpr uint32_t kDiscSectorSize = 2048;

class LDiscNode
{
public:
    // A file's size is taken as given; a folder starts empty whatever the size.
    // A source whose first byte is 0 or 1 (the "." and ".." markers) keeps
    // only that byte.
    LDiscNode(const char* sourcePath, bool folder, void* ownerObject, uint64_t fileSize, time_t nodeTime,
              void* originNode = nullptr);
    virtual ~LDiscNode();
    LDiscNode(const LDiscNode&) = delete;
    LDiscNode& operator=(const LDiscNode&) = delete;

    // The name shown on the disc (cut to 259 bytes between characters). Bytes
    // that are not UTF-8 (a name made under a legacy locale) are read as
    // Windows Latin-1, so the disc always gets well-formed text.
    virtual void SetName(const char* text);

    // Takes the child into this folder under a name free in it: a taken name
    // gets a number before its extension (Song.wav, Song2.wav, ...). Returns
    // the child, or null (the child released) when this is not a folder or no
    // free name could be found.
    LDiscNode* AddChild(LDiscNode* child);

    // The child named exactly so, or null.
    LDiscNode* FindChild(const char* childName) const;
    // Visits every node below this one, depth-first in name order (a folder
    // before its contents).
    template <typename Visit> void Walk(Visit&& visit)
    {
        for (auto& [key, child] : children) {
            visit(*child);
            if (child->isFolder)
                child->Walk(visit);
        }
    }

    char name[kDiscNameSize] = {};
    bool isFolder = false;
    std::string source; // empty for a folder
    uint64_t size = 0;
    uint64_t allocatedSize = 0;
    void* origin = nullptr;
    uint32_t uniqueId = 0;
    uint32_t extent = 0; // first data sector, 0 while unplaced
    uint32_t subfolderCount = 0;
    time_t time = 0;
    void* owner = nullptr;
    LDiscNode* parent = nullptr;
    LNameTree children;
};

class LDiscCompilation
{
public:
    explicit LDiscCompilation(const char* label);
    virtual ~LDiscCompilation();
    virtual void SetLabel(const char* text);

    LDiscNode* Root() const { return root_.get(); }
    const char* Label() const { return label_; }

    // Adds a file or folder of the local disk (folders with everything in
    // them) under the parent, named by its last path component. Symbolic
    // links are followed; one that leads back into a folder being added (a
    // loop) is refused. Null when the path cannot be read; `error` then names
    // it.
    LDiscNode* AddPath(LDiscNode* parentFolder, const char* path, std::string* error = nullptr);

private:
    char label_[kDiscNameSize] = {};
    std::unique_ptr<LDiscNode> root_;
};

// The name of a local file as UTF-8: well-formed sequences as they are, any
// other byte as the Windows Latin-1 character of that value.
std::string LDiscNameFromLocal(const std::string& localName);

// A name every reader can take as one path component: "/" becomes "_",
// and an empty name, "." or ".." becomes "_".
std::string LDiscComponentName(const std::string& name);

// "title" and ".ext" of a name: the extension from the last dot, dot included.
void LSplitDiscName(const std::string& name, std::string* title, std::string* extension);
