// qd-tags read FILE
// qd-tags write FILE KEY=VALUE ... [--image PATH] [--clear]

#include "audio/formats/LAudioFileIo.h"
#include "tags/LAudioFileTags.h"
#include "tags/LTagImage.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int Usage()
{
    std::fputs("usage: qd-tags read FILE\n"
               "       qd-tags write FILE KEY=VALUE ... [--image PATH] [--clear]\n",
               stderr);
    return 2;
}

int Fail(const char* what, const char* path)
{
    std::fprintf(stderr, "qd-tags: %s: %s\n", path, what);
    return 2;
}

// The artwork's type and size instead of the path of a private copy.
std::string DescribeImage(const char* path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "missing";
    uint8_t head[32] = {};
    const size_t got = LReadFully(fd, head, sizeof head);
    const int64_t size = LDescriptorSize(fd);
    close(fd);
    const LTagImageType* type = LTagImageTypeOfBytes(head, got);
    return std::string(type ? type->mimeType : "application/octet-stream") + " " + std::to_string(size);
}

int Read(const char* path)
{
    if (LTagFileKindOfPath(path) == LTagFileKind::kNone)
        return Fail("not an MP3 or WAV file", path);
    if (access(path, R_OK) != 0)
        return Fail("cannot be read", path);
    LAudioTagMap tags;
    ReadAudioFileTags(&tags, path);
    for (LStringMap::Iterator it = tags.fields.Begin(); !it.AtEnd(); it.Next()) {
        if (std::strcmp(it.Key(), "IMAGE") == 0 && *it.Value())
            std::printf("IMAGE=%s\n", DescribeImage(it.Value()).c_str());
        else
            std::printf("%s=%s\n", it.Key(), it.Value());
    }
    // A WAV file answers "read" either way: what counts is whether anything came.
    return tags.fields.IsEmpty() ? 1 : 0;
}

int Write(int argc, char** argv)
{
    const char* path = argv[2];
    bool clear = false;
    const char* image = nullptr;
    std::vector<std::pair<std::string, std::string>> settings;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--clear") == 0) {
            clear = true;
        } else if (std::strcmp(argv[i], "--image") == 0) {
            if (i + 1 >= argc)
                return Usage();
            image = argv[++i];
        } else if (const char* eq = std::strchr(argv[i], '='); eq && eq != argv[i]) {
            // The tag records are keyed in capitals; "title=" means TITLE.
            std::string key(argv[i], static_cast<size_t>(eq - argv[i]));
            for (char& c : key)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            settings.emplace_back(std::move(key), std::string(eq + 1));
        } else {
            return Usage();
        }
    }
    if (LTagFileKindOfPath(path) == LTagFileKind::kNone)
        return Fail("not an MP3 or WAV file", path);
    LAudioTagMap tags;
    if (!clear)
        ReadAudioFileTags(&tags, path);
    for (const auto& [key, value] : settings) {
        if (value.empty())
            tags.Remove(key.c_str());
        else
            tags.Set(key.c_str(), value.c_str());
    }
    if (image && !LMakeTempCopy(&tags, "IMAGE", image))
        return Fail("the picture cannot be read", image);
    LTagFileError error = LTagFileError::kNone;
    std::string detail;
    if (!WriteAudioFileTags(&tags, path, &error, &detail))
        return Fail(detail.empty() ? LTagFileErrorText(error)
                                   : (std::string(LTagFileErrorText(error)) + ": " + detail).c_str(),
                    path);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // A file-size limit then fails the write with its message instead of killing the tool.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc >= 3 && std::strcmp(argv[1], "read") == 0 && argc == 3)
        return Read(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "write") == 0)
        return Write(argc, argv);
    return Usage();
}
