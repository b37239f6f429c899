// Files reach a sibling program as arguments of their own: names with
// quotes, dollars, backticks and newlines arrive exactly as they are.

#include "app/program/RelatedPrograms.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace quorin::test;

namespace {

class RelatedProgramsTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        savedPath_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        // A stand-in for the editor that writes each argument it got,
        // ended by a NUL byte, into a file.
        const std::string script = bin_.Path("tessary");
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > "
                              << Quote(out_) << ".part\nmv " << Quote(out_) << ".part " << Quote(out_)
                              << "\n";
        chmod(script.c_str(), 0755);
        setenv("PATH", (bin_.Path() + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    std::vector<std::string> ArgumentsReceived()
    {
        for (int i = 0; i < 500; ++i) {
            std::ifstream in(out_);
            if (in) {
                std::string bytes((std::istreambuf_iterator<char>(in)), {});
                std::vector<std::string> args;
                std::string current;
                for (char c : bytes) {
                    if (c == '\0') {
                        args.push_back(current);
                        current.clear();
                    } else {
                        current += c;
                    }
                }
                return args;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {"(the program never ran)"};
    }

    TempDir bin_;
    std::string out_ = bin_.Path("received");
    std::string savedPath_;
};

} // namespace

TEST_F(RelatedProgramsTest, AFileNameArrivesAsOneArgumentWhateverItHolds)
{
    const std::string name = "/music/it's $HOME \"x\" `date` \\ ;|&\nline two.wav";
    EXPECT_EQ(LRunRelatedProgramDialog(nullptr, "Run Tessary", "Tessary", name, false), 0);
    EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{name});
}

TEST_F(RelatedProgramsTest, WithoutAFileTheProgramStartsAlone)
{
    EXPECT_EQ(LLaunchRelatedProgram("Tessary", {}), 0);
    EXPECT_EQ(ArgumentsReceived(), std::vector<std::string>{});
}

TEST_F(RelatedProgramsTest, AMissingProgramIsReportedNotStarted)
{
    EXPECT_EQ(LLaunchRelatedProgram("Corvane", {"/music/a.wav"}), 2);
    // No copy of Tessary listens, so nothing is handed over.
    EXPECT_FALSE(LSendFileToRelatedProgram(nullptr, "Tessary", "/music/a.wav", false, "Run Tessary"));
}
