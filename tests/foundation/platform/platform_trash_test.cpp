// The desktop's trash: a removed file lands in "files" with an info record
// a file manager can put it back from, under a name no earlier one has.

#include "foundation/platform/LTrash.h"

#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

using namespace quorin::test;

namespace {

class TrashTest : public TempHomeTest
{
protected:
    std::string trash_ = std::string(std::getenv("XDG_DATA_HOME")) + "/Trash";
    TempDir folder_;
};

} // namespace

TEST_F(TrashTest, FilesOfTheSameNameAreKeptApartWithWhereTheyCameFrom)
{
    ASSERT_EQ(LTrashFolderFor(folder_.Path().c_str()), trash_);
    struct Case
    {
        const char* name;
        const char* content;
        const char* entry;
    };
    const Case cases[] = {
        {"Side A #1 50%.wav", "first", "Side A #1 50%.wav"},
        {"Side A #1 50%.wav", "second", "Side A #1 50%.2.wav"},
        {"Side A #1 50%.wav", "third", "Side A #1 50%.3.wav"},
    };
    for (const Case& c : cases) {
        const std::string path = folder_.Path(c.name);
        std::ofstream(path) << c.content;
        std::string trashedAs;
        ASSERT_EQ(LMoveToTrash(path.c_str(), &trashedAs), LTrashResult::kTrashed) << c.entry;
        EXPECT_EQ(trashedAs, trash_ + "/files/" + c.entry);
        EXPECT_FALSE(PathExists(path));
        EXPECT_EQ(ReadFileBytes(trashedAs), c.content);
        const std::string info = ReadFileBytes(trash_ + "/info/" + c.entry + ".trashinfo");
        // The path is escaped as a URL's: blanks, '#' and '%' among others.
        const std::string escaped = folder_.Path("Side%20A%20%231%2050%25.wav");
        EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + escaped + "\nDeletionDate=", 0), 0u) << info;
    }
}

TEST_F(TrashTest, WithoutATrashTheFileStaysWhereItIs)
{
    std::ofstream(folder_.Path("a file")) << "x";
    setenv("XDG_DATA_HOME", folder_.Path("a file/share").c_str(), 1);
    const std::string path = folder_.Path("take.wav");
    std::ofstream(path) << "take";
    EXPECT_EQ(LTrashFolderFor(folder_.Path().c_str()), "");
    EXPECT_EQ(LMoveToTrash(path.c_str()), LTrashResult::kNoTrash);
    EXPECT_EQ(ReadFileBytes(path), "take");
}
