#pragma once
// A stand-in for xdg-open, first on PATH for the life of the object: each
// call appends its arguments as one line ("<count>|<arg>|<arg>...") to a file
// instead of opening anything, so a test sees exactly what the program would
// have handed to the browser.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace quorin::test {

class RecordedOpener
{
public:
    explicit RecordedOpener(const std::string& folder) : record_(folder + "/opened.txt")
    {
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        const std::string bin = folder + "/opener-bin";
        std::filesystem::create_directories(bin);
        // One line per call, written whole with a single append.
        std::ofstream(bin + "/xdg-open")
            << "#!/bin/sh\nline=\"$#\"\nfor a in \"$@\"; do line=\"$line|$a\"; done\n"
               "printf '%s\\n' \"$line\" >> '"
            << record_ << "'\n";
        std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
        setenv("PATH", (bin + ":" + savedPath_).c_str(), 1);
    }
    ~RecordedOpener() { setenv("PATH", savedPath_.c_str(), 1); }
    RecordedOpener(const RecordedOpener&) = delete;
    RecordedOpener& operator=(const RecordedOpener&) = delete;

    // The addresses opened so far, each a call with exactly one argument
    // ("(n arguments)" otherwise); waits up to a few seconds for `atLeast`.
    std::vector<std::string> Opened(size_t atLeast = 0) const
    {
        std::vector<std::string> calls;
        for (int i = 0; i < 200; ++i) {
            calls = Read();
            if (calls.size() >= atLeast)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return calls;
    }

private:
    std::vector<std::string> Read() const
    {
        std::vector<std::string> calls;
        std::ifstream in(record_);
        for (std::string line; std::getline(in, line);) {
            const size_t bar = line.find('|');
            if (line.compare(0, bar, "1") == 0)
                calls.push_back(line.substr(bar + 1));
            else
                calls.push_back("(" + line.substr(0, bar) + " arguments)");
        }
        return calls;
    }

    std::string record_, savedPath_;
};

} // namespace quorin::test
