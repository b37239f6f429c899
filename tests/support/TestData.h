#pragma once
// Locating the shared test data, the source tree and the build tree from tests.

#include <string>

namespace quorin::test {

// The shared test-data folder (../shared/testdata beside the checkout, or
// $QUORIN_TESTDATA); empty when it is absent, as in a clone elsewhere.
std::string SharedTestDataDir();

std::string SourceDir();
std::string BuildDir();

// True when a program is on PATH (for tests that compare against sox, ffmpeg...).
bool HaveTool(const std::string& name);

// A text as one single-quoted shell word (for file names in RunCommand and
// CaptureCommand command lines).
std::string Quote(const std::string& text);

// Runs a command through the shell; returns its exit status (-1 when it did not run).
int RunCommand(const std::string& command);

// Runs a command and returns what it printed on standard output.
std::string CaptureCommand(const std::string& command, int* status = nullptr);

} // namespace quorin::test

// Skips the current test with a clear message when the shared test data is absent.
#define QUORIN_REQUIRE_TESTDATA(dirVar)                                                                      \
    std::string dirVar = ::quorin::test::SharedTestDataDir();                                                \
    if (dirVar.empty())                                                                                      \
    GTEST_SKIP() << "shared test data not found (expected ../shared/testdata beside the checkout "           \
                    "or $QUORIN_TESTDATA)"

#define QUORIN_REQUIRE_TOOL(name)                                                                            \
    if (!::quorin::test::HaveTool(name))                                                                     \
    GTEST_SKIP() << name << " is not installed (make deps installs it)"
