// The qd-disc developer tool as scripts use it: exit status 0 and its
// output, or 2 with one "qd-disc: ..." line on standard error.

#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

std::string Tool()
{
    const char* build = std::getenv("QUORIN_BUILD_DIR");
    return std::string(build ? build : ".") + "/tools/qd-disc/qd-disc";
}

int RunQdDisc(const std::string& arguments, std::string* out)
{
    out->clear();
    FILE* pipe = popen((Tool() + " " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out->append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class QdDiscTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!quorin::test::PathExists(Tool()))
            GTEST_SKIP() << "qd-disc is not built at " << Tool();
        WriteFileBytes(dir_.Path("a.txt"), "abc");
    }
    TempDir dir_;
};

TEST_F(QdDiscTest, ImageAndVerify)
{
    std::string out;
    EXPECT_EQ(0,
              RunQdDisc("image " + dir_.Path("x.iso") + " --fs 5 --label Test --verify " + dir_.Path("a.txt"),
                        &out))
        << out;
    EXPECT_EQ("", out);
    EXPECT_TRUE(quorin::test::PathExists(dir_.Path("x.iso")));
}

TEST_F(QdDiscTest, LayoutPrintsTheSectorMap)
{
    std::string out;
    ASSERT_EQ(0, RunQdDisc("layout --fs 2 " + dir_.Path("a.txt"), &out)) << out;
    EXPECT_NE(std::string::npos, out.find("16 primary volume descriptor\n17 supplementary volume descriptor\n"
                                          "18 volume descriptor set terminator\n19 primary path tables\n"))
        << out;
    EXPECT_NE(std::string::npos, out.find("31 last sector\n")) << out;
}

TEST_F(QdDiscTest, Failures)
{
    struct Case
    {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"image " + dir_.Path("x.iso") + " --fs 26 " + dir_.Path("a.txt"),
         "qd-disc: --fs takes a file-system code"},
        {"image " + dir_.Path("x.iso") + " " + dir_.Path("a.txt"), "qd-disc: missing --fs CODE"},
        {"image " + dir_.Path("x.iso") + " --fs 2 " + dir_.Path("gone.txt"),
         "qd-disc: " + dir_.Path("gone.txt")},
        {"image " + dir_.Path("x.iso") + " --fs 2 --boot " + dir_.Path("noboot") + " " + dir_.Path("a.txt"),
         "qd-disc: code 5: Create ISO image failed: Boot image"},
        {"image " + dir_.Path("no/such/x.iso") + " --fs 2 " + dir_.Path("a.txt"), "qd-disc: "},
        {"frobnicate", "qd-disc: unknown command 'frobnicate'"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(2, RunQdDisc(c.arguments, &out)) << c.arguments;
        EXPECT_EQ(0u, out.find(c.message)) << c.arguments << "\n" << out;
    }
}

} // namespace
