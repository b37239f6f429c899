// Feeds arbitrary bytes to the tag layer. The first byte picks the path:
// an ID3v2 tag parsed from memory and built again; an ID3v1 record; or the
// bytes as a whole ".mp3" or ".wav" file whose tags are read, changed and
// written back through the same entry points the program uses, then read
// once more. Damaged tags must give a result, never a crash.

#include "tags/LAudioFileTags.h"
#include "tags/LId3v1Tag.h"
#include "tags/LId3v2Tag.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string g_folder;

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

void ThroughFile(const char* extension, const uint8_t* data, size_t size, uint8_t choice)
{
    const std::string path = g_folder + "/input" + extension;
    WriteFile(path, data, size);
    LAudioTagMap tags;
    ReadAudioFileTags(&tags, path.c_str());
    // Change the record in a way the input picks: a new title, a cleared record, or as read.
    if (choice & 1)
        tags.Set("TITLE", std::string(1 + choice % 97, 't').c_str());
    if (choice & 2)
        tags.Set("GENRE", (choice & 4) ? "Rock" : "(300)");
    if (choice & 8)
        tags.Clear();
    WriteAudioFileTags(&tags, path.c_str());
    LAudioTagMap again;
    ReadAudioFileTags(&again, path.c_str());
    unlink(path.c_str());
}

// The caches folder and the scratch folder are empty again once every record
// is gone: take them away with the process.
void RemoveFolder()
{
    rmdir((g_folder + "/Quorin").c_str());
    rmdir(g_folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Artwork copies go to the caches folder: keep them out of the user's.
    char folder[] = "/tmp/fuzz_tags_XXXXXX";
    if (mkdtemp(folder)) {
        g_folder = folder;
        std::atexit(RemoveFolder);
    } else {
        g_folder = "/tmp";
    }
    setenv("XDG_CACHE_HOME", g_folder.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t mode = data[0] % 4;
    const uint8_t choice = data[1];
    data += 2;
    size -= 2;
    switch (mode) {
    case 0: {
        LAudioTagMap tags;
        LId3v2CarriedFrames carried;
        ParseId3v2Tag(&tags, data, size, &carried);
        if (choice & 1)
            tags.Set("COMMENT", "changed");
        std::vector<uint8_t> built;
        if (BuildId3v2Tag(&tags, &carried, &built) > 0) {
            LAudioTagMap back;
            ParseId3v2Tag(&back, built.data(), built.size(), nullptr);
        }
        break;
    }
    case 1: {
        uint8_t block[128] = {};
        std::memcpy(block, data, size < 128 ? size : 128);
        LAudioTagMap tags;
        ParseId3v1Tag(&tags, block);
        BuildId3v1Tag(&tags, block);
        break;
    }
    case 2:
        ThroughFile(".mp3", data, size, choice);
        break;
    default:
        ThroughFile(".wav", data, size, choice);
        break;
    }
    return 0;
}
