// Builds compilations from random trees (names of any bytes, sizes, depths,
// file-system codes, a boot image), writes their images in memory and reads
// every volume back with our own reader: each volume must list every file
// with its size, and its data must be the source's. The raw input is also
// read as an image, which may fail but never crash.

#include "burn/LDiscImageReader.h"
#include "burn/LDiscImageWriter.h"
#include "burn/LMediaType.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& WorkFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/fuzz_disc_image.XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

std::string Contents(std::size_t index, std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + index * 7 + (i >> 11)) & 0xFF);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    close(fd);
}

struct Input
{
    const uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    bool Done() const { return at >= size; }
};

// Every file of a read-back tree: its size and first data sector.
void Files(const LDiscImageEntry& folder, std::vector<const LDiscImageEntry*>* out)
{
    for (const LDiscImageEntry& child : folder.children) {
        if (child.folder)
            Files(child, out);
        else
            out->push_back(&child);
    }
}

void CheckVolume(const LDiscImageEntry& root, const std::vector<uint8_t>& image,
                 const std::map<uint32_t, const LDiscNode*>& byExtent, std::size_t fileCount)
{
    std::vector<const LDiscImageEntry*> files;
    Files(root, &files);
    if (files.size() != fileCount)
        std::abort();
    for (const LDiscImageEntry* file : files) {
        if (file->extents.empty())
            std::abort();
        auto it = byExtent.find(static_cast<uint32_t>(file->extents[0].first));
        if (file->size > 0 && it == byExtent.end())
            std::abort();
        if (it == byExtent.end())
            continue;
        const LDiscNode* node = it->second;
        if (node->size != file->size)
            std::abort();
        const std::size_t index =
            static_cast<std::size_t>(std::strtoul(std::strrchr(node->source.c_str(), '/') + 2, nullptr, 10));
        const std::string expected = Contents(index, node->size);
        uint64_t offset = 0;
        for (const auto& [sector, length] : file->extents) {
            if ((sector + 1) * 2048 > image.size() + 2048 || sector * 2048 + length > image.size())
                std::abort();
            if (std::memcmp(image.data() + sector * 2048, expected.data() + offset, length) != 0)
                std::abort();
            offset += length;
        }
    }
}

void ReadRaw(const uint8_t* data, std::size_t size)
{
    std::vector<uint8_t> image(data, data + size);
    auto read = [&image](uint64_t sector, uint8_t* out) {
        // Sectors past the input repeat it (up to a small disc), so deep
        // structures get bytes too.
        if (image.empty() || sector > 600)
            return false;
        for (std::size_t i = 0; i < 2048; ++i)
            out[i] = image[(sector * 2048 + i) % image.size()];
        return true;
    };
    LDiscImageReader reader(read);
    LDiscImageEntry root;
    std::string error;
    reader.ReadIso(false, &root, &error);
    reader.ReadIso(true, &root, &error);
    reader.ReadUdf(&root, &error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadRaw(data, size);

    Input in{data, size};
    const uint32_t code = 1 + in.Byte() % 25;
    const uint8_t flags = in.Byte();
    const std::string& folder = WorkFolder();

    LDiscCompilation compilation("Fuzz");
    LDiscNode* current = compilation.Root();
    std::size_t files = 0, nodes = 0;
    int depth = 0;
    while (!in.Done() && nodes < 300) {
        const uint8_t op = in.Byte();
        const std::size_t nameLength = in.Byte() % 80;
        std::string name;
        for (std::size_t i = 0; i < nameLength; ++i) {
            char c = static_cast<char>(in.Byte());
            name.push_back(c == '\0' ? 'x' : c);
        }
        if (op % 4 == 3) {
            if (current->parent != nullptr) {
                current = current->parent;
                --depth;
            }
            continue;
        }
        ++nodes;
        if (op % 4 == 2 && depth < 60) {
            auto* node = new LDiscNode(nullptr, true, nullptr, 0, 0);
            node->SetName(name.c_str());
            if (LDiscNode* added = current->AddChild(node)) {
                current = added;
                ++depth;
            }
            continue;
        }
        const std::size_t fileSize = (static_cast<std::size_t>(in.Byte()) << (op & 0x30 ? 5 : 0)) % 9000;
        const std::string path = folder + "/f" + std::to_string(files);
        WriteFile(path, Contents(files, fileSize));
        auto* node =
            new LDiscNode(path.c_str(), false, nullptr, fileSize, static_cast<time_t>(op) * 86400 * 97);
        node->SetName(name.c_str());
        if (current->AddChild(node) != nullptr)
            ++files;
    }

    std::string bootPath;
    if (flags & 1) {
        bootPath = folder + "/boot.img";
        WriteFile(bootPath, std::string(512 * (1 + flags % 9), 'B'));
    }
    const uint32_t media = (flags & 2) ? kMediaBdR : kMediaImageFile;
    LDiscImageWriter writer(compilation.Root(), media, code, nullptr,
                            bootPath.empty() ? nullptr : bootPath.c_str());
    writer.BuildLayout();
    if (!writer.result.Ok())
        std::abort(); // small trees always fit
    LMemorySectorWriter memory;
    writer.WriteImage(nullptr, memory);
    if (!writer.result.Ok() || memory.bytes.size() != (writer.lastSector + 1ull) * 2048)
        std::abort();

    std::map<uint32_t, const LDiscNode*> byExtent;
    compilation.Root()->Walk([&](LDiscNode& node) {
        if (!node.isFolder)
            byExtent[node.extent] = &node;
    });
    auto sectors = [&memory](uint64_t sector, uint8_t* out) {
        if ((sector + 1) * 2048 > memory.bytes.size())
            return false;
        std::memcpy(out, memory.bytes.data() + sector * 2048, 2048);
        return true;
    };
    LDiscImageReader reader(sectors);
    const LDiscFileSystems systems = writer.FileSystems();
    LDiscImageEntry root;
    std::string error;
    if (systems.iso) {
        if (!reader.ReadIso(false, &root, &error)) {
            std::fprintf(stderr, "ISO: %s\n", error.c_str());
            std::abort();
        }
        CheckVolume(root, memory.bytes, byExtent, files);
        if (!bootPath.empty() && reader.bootCatalogSector == 0)
            std::abort();
    }
    if (systems.joliet) {
        if (!reader.ReadIso(true, &root, &error)) {
            std::fprintf(stderr, "Joliet: %s\n", error.c_str());
            std::abort();
        }
        CheckVolume(root, memory.bytes, byExtent, files);
    }
    if (systems.udf) {
        if (!reader.ReadUdf(&root, &error)) {
            std::fprintf(stderr, "UDF: %s\n", error.c_str());
            std::abort();
        }
        CheckVolume(root, memory.bytes, byExtent, files);
    }
    return 0;
}
