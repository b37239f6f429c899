#pragma once
// The burner interface over libburn. libburn is started once per process;
// its messages go to the daily log (never to the terminal), and it installs
// no signal handlers: signals stay the program's.

#include "burn/LBurnBackend.h"

class LLibburnBackend : public LBurnBackend
{
public:
    // devFolder: where the optical drive nodes are looked for.
    explicit LLibburnBackend(const char* devFolder = "/dev");

    std::vector<std::string> DriveAddresses() override;
    // Takes "/dev/srN" as well as libburn's "stdio:PATH" pseudo-drives.
    std::unique_ptr<LBurnDrive> Grab(const std::string& address, std::string* message) override;

    // False when libburn could not be started.
    static bool Start();
    // Moves libburn's queued messages to the daily log and returns the last
    // one of severity SORRY or worse since the previous call (empty if none).
    static std::string DrainMessages();

private:
    std::string devFolder_;
};
