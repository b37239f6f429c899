// qd-disc drives, info and burn against the emulated drive, as scripts use
// them: exit codes, key=value output, the error line with its sense, the
// command trace, and what other tools read from the burned disc.

#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

using quorin::test::ReadFileBytes;
using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

std::string Tool()
{
    const char* build = std::getenv("QUORIN_BUILD_DIR");
    return std::string(build ? build : ".") + "/tools/qd-disc/qd-disc";
}

int RunShell(const std::string& command, std::string* out)
{
    out->clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out->append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class QdDiscDriveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!quorin::test::PathExists(Tool()))
            GTEST_SKIP() << "qd-disc is not built at " << Tool();
        ASSERT_EQ(0, system(("mkdir -p " + dir_.Path("src/sub")).c_str()));
        std::string big(200000, '\0');
        for (size_t i = 0; i < big.size(); ++i)
            big[i] = char(i * 31 + i / 977);
        WriteFileBytes(dir_.Path("src/big.bin"), big);
        WriteFileBytes(dir_.Path("src/sub/a.txt"), "hello disc\n");
    }
    std::string Drive(const std::string& settings) const
    {
        return "emulated:" + dir_.Path("d.img") + settings;
    }
    TempDir dir_;
};

TEST_F(QdDiscDriveTest, BurnVerifyInfoAndReadBackWithOtherTools)
{
    std::string out;
    ASSERT_EQ(0, RunShell(Tool() + " burn --drive " + Drive(",profile=dvd+r") +
                              " --fs 2 --label T --verify --trace " + dir_.Path("trace.txt") + " " +
                              dir_.Path("src"),
                          &out))
        << out;
    const std::string trace = ReadFileBytes(dir_.Path("trace.txt"));
    EXPECT_NE(trace.find("\n5B0105"), std::string::npos);
    EXPECT_NE(trace.find(" -> GOOD resid=0\n"), std::string::npos);

    ASSERT_EQ(0, RunShell(Tool() + " info --drive " + Drive(""), &out)) << out;
    EXPECT_NE(out.find("media=DVD+R\n"), std::string::npos) << out;
    EXPECT_NE(out.find("status=complete\n"), std::string::npos) << out;
    EXPECT_NE(out.find("write=cd,cd-sao,dvd-r,dvd+r,bd-r\n"), std::string::npos) << out;

    if (RunShell("isoinfo -i " + dir_.Path("d.img") + " -J -x \"/src/sub/a.txt;1\"", &out) == 0) {
        EXPECT_EQ(out, "hello disc\n");
    }
    if (RunShell("xorriso -indev " + dir_.Path("d.img") + " -osirrox on -extract /src " + dir_.Path("out") +
                     " >/dev/null 2>&1",
                 &out) == 0) {
        EXPECT_TRUE(ReadFileBytes(dir_.Path("out/big.bin")) == ReadFileBytes(dir_.Path("src/big.bin")));
    }
}

TEST_F(QdDiscDriveTest, ExitCodesAndErrorLines)
{
    std::string out;
    EXPECT_EQ(1, RunShell(Tool() + " info --drive " + Drive(",profile=none"), &out)) << out;
    EXPECT_EQ(2, RunShell(Tool() + " info --drive fake:media=cdr", &out)) << out;
    EXPECT_EQ(
        2,
        RunShell(Tool() + " burn --drive " + Drive(",profile=cdr,fail=busy") + " " + dir_.Path("src"), &out));
    EXPECT_NE(out.find("qd-disc: code 39: Drive is busy"), std::string::npos) << out;
    EXPECT_EQ(2, RunShell(Tool() + " burn --drive " + Drive(",profile=cdr,fail=opc") + " " + dir_.Path("src"),
                          &out));
    EXPECT_NE(out.find("qd-disc: code 32: Error Writing to Disc (sense 3/73/03)"), std::string::npos) << out;
    EXPECT_EQ(2, RunShell(Tool() + " burn --drive " + Drive(",profile=dvd+r,fail=corrupt:40") + " --verify " +
                              dir_.Path("src"),
                          &out));
    EXPECT_NE(out.find("qd-disc: code 30:"), std::string::npos) << out;
    EXPECT_NE(out.find("qd-disc: detail 30: Error verifying file"), std::string::npos) << out;
    // A message the burn showed itself fails the command with its text.
    EXPECT_EQ(2,
              RunShell(Tool() + " burn --drive " + Drive(",profile=dvd+r,blocks=50") + " " + dir_.Path("src"),
                       &out));
    EXPECT_NE(out.find("The DVD+R has a capacity of 0.10MB and you are trying to write"), std::string::npos)
        << out;
    // With --eject the tray is closed before the disc is looked at and opened at the end.
    ASSERT_EQ(0, RunShell(Tool() + " burn --eject --drive " + Drive(",profile=dvd-r") + " --trace " +
                              dir_.Path("eject.txt") + " " + dir_.Path("src"),
                          &out))
        << out;
    const std::string trace = ReadFileBytes(dir_.Path("eject.txt"));
    EXPECT_EQ(trace.rfind("1B0100000300", 0), 0u) << trace.substr(0, 200);
    EXPECT_NE(trace.find("\n1B0100000200"), std::string::npos);
    EXPECT_EQ(0, RunShell(Tool() + " drives --drive " + Drive(",profile=bdr"), &out)) << out;
    EXPECT_NE(out.find("0\temulated:"), std::string::npos) << out;
}

} // namespace

namespace {

// Whether a program is on PATH.
bool Have(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

TEST_F(QdDiscDriveTest, EveryMediaAndFileSystemReadsBackInOtherTools)
{
    if (!Have("xorriso") || !Have("isoinfo"))
        GTEST_SKIP() << "xorriso or isoinfo missing";
    struct Media
    {
        const char* profile;
        bool sameAsImageFile; // CD and DVD sequential media carry exactly the image
    };
    const Media media[] = {{"cdr", true},     {"cdrw", true},  {"dvd-r", true},
                           {"dvd-rw", true},  {"dvd+r", true}, {"dvd+r-dl", true},
                           {"dvd+rw", false}, {"bdr", false},  {"bdre", false}};
    std::string out;
    // Code 3 (ISO 9660 alone) records upper-case 8.3 names; 2 and 5 keep the
    // names, so the extracted tree can be compared file by file.
    for (const char* fs : {"2", "5"}) {
        for (const Media& m : media) {
            const std::string what = std::string(m.profile) + " fs " + fs;
            std::string burn = Tool() + " burn --fs " + fs + " --label T --verify " + dir_.Path("src");
            if (std::string(m.profile) == "cdrw") {
                // A used CD-RW is erased first when asked.
                ASSERT_EQ(0, RunShell(burn + " --drive " + Drive(",profile=cdrw"), &out)) << what << out;
                ASSERT_EQ(2, RunShell(burn + " --drive " + Drive(""), &out)) << what << out;
                ASSERT_EQ(0, RunShell(burn + " --erase --drive " + Drive(""), &out)) << what << out;
            } else {
                ASSERT_EQ(0, RunShell(burn + " --drive " + Drive(std::string(",profile=") + m.profile), &out))
                    << what << out;
            }
            EXPECT_EQ(0, RunShell("isoinfo -l -J -i " + dir_.Path("d.img") + " >/dev/null", &out))
                << what << out;
            ASSERT_EQ(0, RunShell("rm -rf " + dir_.Path("x") + " && xorriso -indev " + dir_.Path("d.img") +
                                      " -osirrox on -extract / " + dir_.Path("x") + " >/dev/null 2>&1",
                                  &out))
                << what << out;
            EXPECT_EQ(ReadFileBytes(dir_.Path("x/src/big.bin")), ReadFileBytes(dir_.Path("src/big.bin")))
                << what;
            EXPECT_EQ(ReadFileBytes(dir_.Path("x/src/sub/a.txt")), "hello disc\n") << what;
            if (Have("7z")) {
                EXPECT_EQ(0, RunShell("rm -rf " + dir_.Path("z") + " && 7z x -o" + dir_.Path("z") + " " +
                                          dir_.Path("d.img") + " >/dev/null",
                                      &out))
                    << what << out;
                EXPECT_EQ(ReadFileBytes(dir_.Path("z/src/big.bin")), ReadFileBytes(dir_.Path("src/big.bin")))
                    << what;
            }
        }
    }
}

} // namespace
