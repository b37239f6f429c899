// Path texts: joining, taking apart, unique and safe names, folder creation.

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using quorin::test::TempDir;

// Sets the umask for one test and puts the old one back.
class ScopedUmask
{
public:
    explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
    ~ScopedUmask() { umask(old_); }

private:
    mode_t old_;
};

void Touch(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    close(fd);
}

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(0, stat(path.c_str(), &info)) << path;
    return info.st_mode & 07777;
}

const std::string k300(300, 'x');

struct CombineCase
{
    std::string folder, name, suffix;
    bool fits;
    std::string expected;
};

TEST(PathCombine, JoinsFolderNameAndSuffix)
{
    const CombineCase cases[] = {
        {"/a/", "b", ".txt", true, "/a/b.txt"},
        {"/a", "b", ".txt", true, "/a/b.txt"},
        {"", "b", "", true, "b"},
        {"", "", "", true, ""},
        {"/", "b", "", true, "/b"},
        {"a\\", "b", "", true, "a\\b"},
        {"/a", "", "", true, "/a/"},
        {std::string(257, 'f'), "b", "", true, std::string(257, 'f') + "/b"},
        // One byte too many: refused, never cut to a shorter (other) path.
        {std::string(258, 'f'), "b", "", false, ""},
        {k300, "b", "", false, ""},
        {"/a", std::string(257, 'n'), "", false, ""},
        {"/a", "b", std::string(257, 's'), false, ""},
    };
    for (const CombineCase& c : cases) {
        char dest[kLPathSize];
        std::memset(dest, '#', sizeof dest);
        EXPECT_EQ(c.fits, LPathCombine(dest, c.folder.c_str(), c.name.c_str(), c.suffix.c_str()))
            << c.folder << " + " << c.name << " + " << c.suffix;
        EXPECT_EQ(c.expected, dest) << c.folder << " + " << c.name << " + " << c.suffix;
    }
}

TEST(PathCombine, DestinationMayBeAnArgument)
{
    char buffer[kLPathSize] = "/music";
    ASSERT_TRUE(LPathCombine(buffer, buffer, "song", ".wav"));
    EXPECT_STREQ("/music/song.wav", buffer);

    char name[kLPathSize] = "take";
    ASSERT_TRUE(LPathCombine(name, "/rec", name, "_1"));
    EXPECT_STREQ("/rec/take_1", name);
}

struct PartCase
{
    std::string path;
    std::string folder;
    int folderLength;
    std::string root, fileName, extension, title;
};

TEST(PathParts, TakePathsApart)
{
    const PartCase cases[] = {
        {"file.txt", "", 0, "file.txt", "file.txt", ".txt", "file"},
        {"/file.txt", "/", 1, "/file.txt", "file.txt", ".txt", "file"},
        {"/a/b/c.wav", "/a/b", 4, "/a", "c.wav", ".wav", "c"},
        {"/Volumes/Disk/a", "/Volumes/Disk", 13, "/Volumes", "a", "", "a"},
        {"/a.b/c", "/a.b", 4, "/a.b", "c", "", "c"},
        {"a\\b\\c.d", "a\\b", 3, "a\\b", "c.d", ".d", "c"},
        {"\\file", "", 0, "\\file", "file", "", "file"},
        {"/", "/", 1, "/", "", "", ""},
        {"", "", 0, "", "", "", ""},
        {"dir/", "dir", 3, "dir", "", "", ""},
        {"ab/c", "ab", 2, "ab", "c", "", "c"},
        {"a/b/c", "a/b", 3, "a/b", "c", "", "c"},
        {"/home/.profile", "/home", 5, "/home", ".profile", ".profile", ".profile"},
        {"a.b.c", "", 0, "a.b.c", "a.b.c", ".c", "a.b"},
        {"x.", "", 0, "x.", "x.", ".", "x"},
        {"/d/..x", "/d", 2, "/d", "..x", ".x", "."},
    };
    for (const PartCase& c : cases) {
        char dest[kLPathSize];
        EXPECT_EQ(c.folderLength, LPathGetFolder(dest, c.path.c_str())) << c.path;
        EXPECT_EQ(c.folder, dest) << c.path;
        EXPECT_TRUE(LPathGetRoot(dest, c.path.c_str())) << c.path;
        EXPECT_EQ(c.root, dest) << c.path;
        EXPECT_TRUE(LPathGetFileName(dest, c.path.c_str())) << c.path;
        EXPECT_EQ(c.fileName, dest) << c.path;
        EXPECT_TRUE(LPathGetExtension(dest, c.path.c_str())) << c.path;
        EXPECT_EQ(c.extension, dest) << c.path;
        EXPECT_TRUE(LPathGetTitle(dest, c.path.c_str())) << c.path;
        EXPECT_EQ(c.title, dest) << c.path;
    }
}

TEST(PathParts, PartsMayBeTakenInPlace)
{
    char buffer[kLPathSize] = "/a/b/c.wav";
    EXPECT_EQ(4, LPathGetFolder(buffer, buffer));
    EXPECT_STREQ("/a/b", buffer);
    std::strcpy(buffer, "/a/b/c.wav");
    ASSERT_TRUE(LPathGetTitle(buffer, buffer));
    EXPECT_STREQ("c", buffer);
}

TEST(PathParts, OverLongPathsAreRefused)
{
    char dest[kLPathSize];
    const std::string longPath = "/" + k300 + "/name.wav";
    EXPECT_EQ(-1, LPathGetFolder(dest, longPath.c_str()));
    EXPECT_STREQ("", dest);
    const std::string longName = "/a/" + k300 + ".wav";
    EXPECT_FALSE(LPathGetFileName(dest, longName.c_str()));
    EXPECT_STREQ("", dest);
    EXPECT_FALSE(LPathGetTitle(dest, longName.c_str()));
    EXPECT_STREQ("", dest);
    EXPECT_FALSE(LPathGetRoot(dest, k300.c_str()));
    EXPECT_STREQ("", dest);
    const std::string longExtension = "/a/b." + k300;
    EXPECT_FALSE(LPathGetExtension(dest, longExtension.c_str()));
    EXPECT_STREQ("", dest);
    // The parts of a long path that do fit are still given.
    EXPECT_TRUE(LPathGetExtension(dest, longName.c_str()));
    EXPECT_STREQ(".wav", dest);
}

TEST(SafeFileName, DropsUnsafeCharacters)
{
    const struct
    {
        std::string text;
        bool kept;
        std::string expected;
    } cases[] = {
        {"..a:b/c", true, "abc"},
        {"...", false, ""},
        {"", false, ""},
        {"a\tb\nc\x1f", true, "abc"},
        {"Side A\\Track 1.wav", true, "Side ATrack 1.wav"},
        {". .x", true, " .x"},
        {"Für Elise.mp3", true, "Für Elise.mp3"},
    };
    for (const auto& c : cases) {
        char dest[kLPathSize];
        EXPECT_EQ(c.kept, LMakeSafeFileName(c.text.c_str(), dest)) << c.text;
        EXPECT_EQ(c.expected, dest) << c.text;
    }
}

TEST(SafeFileName, LongNamesAreCutOnACharacterBoundaryToWhatTheFileSystemTakes)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "\xC3\xA9"; // 300 bytes of two-byte characters
    char dest[kLPathSize];
    ASSERT_TRUE(LMakeSafeFileName(text.c_str(), dest));
    EXPECT_EQ(254u, std::strlen(dest));
    EXPECT_EQ(0, std::memcmp(dest, text.data(), 254));

    // The name can really be created.
    TempDir dir;
    const std::string full = dir.Path() + "/" + dest;
    Touch(full);
}

TEST(MakeUnique, CountsPastTakenNames)
{
    TempDir dir;
    const std::string folder = dir.Path();
    char dest[kLPathSize];
    EXPECT_EQ(folder + "/a.wav", LPathMakeUnique(dest, folder.c_str(), "a", ".wav"));
    Touch(folder + "/a.wav");
    EXPECT_EQ(folder + "/a_0.wav", LPathMakeUnique(dest, folder.c_str(), "a", ".wav"));
    Touch(folder + "/a_0.wav");
    EXPECT_EQ(folder + "/a_1.wav", LPathMakeUnique(dest, folder.c_str(), "a", ".wav"));
    // A dangling link is taken too: creating a file there would write
    // wherever the link points.
    ASSERT_EQ(0, symlink((folder + "/nowhere/x").c_str(), (folder + "/a_1.wav").c_str()));
    EXPECT_EQ(folder + "/a_2.wav", LPathMakeUnique(dest, folder.c_str(), "a", ".wav"));
    // A folder of that name is taken as well.
    ASSERT_EQ(0, mkdir((folder + "/b").c_str(), 0777));
    EXPECT_EQ(folder + "/b_0", LPathMakeUnique(dest, folder.c_str(), "b", ""));
}

TEST(MakeUnique, OverLongNamesGiveAnEmptyPath)
{
    TempDir dir;
    char dest[kLPathSize];
    EXPECT_STREQ("", LPathMakeUnique(dest, dir.Path().c_str(), k300.c_str(), ".wav"));
    // It fits without the counter, but not with it: empty rather than cut.
    const std::string name(kLPathMaxLength - dir.Path().size() - 1, 'n');
    const std::string taken = dir.Path() + "/" + name;
    Touch(taken);
    EXPECT_STREQ("", LPathMakeUnique(dest, dir.Path().c_str(), name.c_str(), ""));
}

TEST(CreateFolderPath, CreatesMissingParentsWithTheUmask)
{
    TempDir dir;
    ScopedUmask mask(022);
    const std::string deep = dir.Path("a/b/c");
    EXPECT_TRUE(LCreateFolderPath(deep.c_str()));
    EXPECT_TRUE(LFolderExists(deep.c_str()));
    EXPECT_EQ(0755, ModeOf(dir.Path("a")));
    EXPECT_EQ(0755, ModeOf(deep));
    // An existing folder is reported as not made.
    EXPECT_FALSE(LCreateFolderPath(deep.c_str()));
    // A trailing separator names the same folder.
    EXPECT_TRUE(LCreateFolderPath(dir.Path("x/y/").c_str()));
    EXPECT_TRUE(LFolderExists(dir.Path("x/y").c_str()));
    {
        ScopedUmask strict(077);
        EXPECT_TRUE(LCreateFolderPath(dir.Path("private").c_str()));
        EXPECT_EQ(0700, ModeOf(dir.Path("private")));
    }
    // Below a plain file nothing can be made.
    Touch(dir.Path("file"));
    EXPECT_FALSE(LCreateFolderPath(dir.Path("file/sub").c_str()));
    EXPECT_FALSE(LCreateFolderPath(""));
    EXPECT_FALSE(LCreateFolderPath((dir.Path() + "/" + k300).c_str()));
}

} // namespace

namespace {

// Random paths made of separators, dots, letters and two-byte characters.
std::string RandomPath(std::mt19937& random, std::size_t maxLength)
{
    static const char* const pieces[] = {"/", "\\", ".", "a", "b", "\xC3\xA9", ":", "\t", " "};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::string path;
    const std::size_t wanted = length(random);
    while (path.size() < wanted)
        path += pieces[piece(random)];
    return path;
}

bool IsUtf8Boundary(const char* text, std::size_t at)
{
    return (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

TEST(PathParts, RandomPathsSplitBackIntoTheirParts)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < 20000; ++round) {
        const std::string path = RandomPath(random, 300);
        char folder[kLPathSize];
        char name[kLPathSize];
        char title[kLPathSize];
        char extension[kLPathSize];
        const int folderLength = LPathGetFolder(folder, path.c_str());
        if (path.size() > kLPathMaxLength) {
            EXPECT_EQ(-1, folderLength) << path;
            continue;
        }
        ASSERT_TRUE(LPathGetFileName(name, path.c_str())) << path;
        ASSERT_TRUE(LPathGetTitle(title, path.c_str())) << path;
        ASSERT_TRUE(LPathGetExtension(extension, path.c_str())) << path;
        EXPECT_EQ(static_cast<std::size_t>(folderLength), std::strlen(folder));
        const std::size_t separator = path.find_last_of("/\\");
        if (separator == std::string::npos) {
            EXPECT_STREQ("", folder) << path;
            EXPECT_EQ(path, name);
        } else {
            EXPECT_EQ(path.substr(separator + 1), name) << path;
            if (separator > 0) {
                EXPECT_EQ(path.substr(0, separator), folder) << path;
            }
        }
        const std::string fileName = name;
        const std::size_t dot = fileName.rfind('.');
        if (dot == std::string::npos) {
            EXPECT_EQ(fileName, title);
            EXPECT_STREQ("", extension);
        } else if (dot == 0) {
            EXPECT_EQ(fileName, title);
            EXPECT_EQ(fileName, extension);
        } else {
            EXPECT_EQ(fileName, std::string(title) + extension) << path;
        }

        // Joining back: refused exactly when the result would not fit.
        const std::string other = RandomPath(random, 200);
        char joined[kLPathSize];
        const bool addSeparator = !path.empty() && path.back() != '/' && path.back() != '\\';
        const std::string expected = path + (addSeparator ? "/" : "") + other + ".x";
        EXPECT_EQ(expected.size() <= kLPathMaxLength,
                  LPathCombine(joined, path.c_str(), other.c_str(), ".x"));
        EXPECT_EQ(expected.size() <= kLPathMaxLength ? expected : std::string(), joined);

        char safe[kLPathSize];
        const bool kept = LMakeSafeFileName((path + other).c_str(), safe);
        const std::size_t safeLength = std::strlen(safe);
        EXPECT_EQ(kept, safeLength > 0);
        EXPECT_LE(safeLength, static_cast<std::size_t>(NAME_MAX));
        EXPECT_TRUE(IsUtf8Boundary(safe, safeLength)) << safe;
        EXPECT_NE('.', safe[0]);
        for (std::size_t i = 0; i < safeLength; ++i) {
            const unsigned char c = static_cast<unsigned char>(safe[i]);
            EXPECT_TRUE(c >= 32 && c != ':' && c != '/' && c != '\\') << safe;
        }
    }
}

} // namespace
