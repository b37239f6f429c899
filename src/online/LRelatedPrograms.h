#pragma once
// The maker's sibling programs (the sound editor Tessary, the disc burner
// Pyrocastelle, the converter Corvane and the rest of the suite): handing a
// file to a running copy over its local socket, finding an installed copy
// and starting it.
//
// A sibling is installed when its executable is found: on the PATH by its
// command name (its name in lower case), else in its own folder of the
// user's applications folder, "$XDG_DATA_HOME/applications/<command>/<command>",
// which is where installing it from the maker's site puts it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

class LProcessContext;

// The hand-over record: u32 command (little-endian), the program name and the
// argument text, each in 260 bytes and NUL-terminated, the rest zero.
inline constexpr size_t kHandOverRecordSize = 33284;
inline constexpr uint32_t kHandOverCommand = 2;
inline constexpr size_t kHandOverProgramOffset = 4;
inline constexpr size_t kHandOverArgumentOffset = 264;
// How long a hand-over may take in all, connecting, sending and the sibling
// reading the record. A sibling that hangs must not hold the program longer.
inline constexpr uint32_t kHandOverLimitMs = 15000;

// The program's command name: its name in lower case ("Tessary" -> "tessary").
std::string LRelatedProgramCommand(const char* program);

// The longest program name or argument text the record holds (its field
// less the terminator).
inline constexpr size_t kHandOverTextMax = 259;

// The record for the program and argument, or an empty one when either is
// longer than kHandOverTextMax bytes: a path is sent whole or not at all.
std::vector<uint8_t> LMakeHandOverRecord(const char* program, const char* argument);

enum class LHandOverResult {
    NotRunning, // no copy listens on ".spipe.<command>"
    Delivered,  // the copy read the whole record
    Failed,     // it listens but did not take the record within the limit, or idle gave up
    TooLong,    // a copy listens, but the argument does not fit the record: nothing was sent
};

// Sends the record to the running copy's socket and waits until the copy has
// read it, all within limitMs. While waiting, idle is called about every
// 50 ms (a window's caller pumps its events there); when it answers true the
// hand-over is abandoned. reader, when given, receives the process id of the
// copy that listens (0 when the system does not tell): the one to wait for.
LHandOverResult LHandOverToRelatedProgram(const char* program, const char* argument, uint32_t limitMs,
                                          const std::function<bool()>& idle, pid_t* reader = nullptr);

// The program's own folder in the user's applications folder (260 bytes);
// not created.
bool LGetRelatedProgramFolder(char* dest, const char* program);
// The installed program's executable (260 bytes): the PATH first, then its
// folder in the user's applications folder.
bool LFindRelatedProgram(char* dest, const char* program);
bool LIsRelatedProgramInstalled(const char* program);

struct LRelatedLaunchRequest
{
    bool wait = false;
    const char* program = nullptr;      // the display name ("Tessary")
    std::vector<std::string> arguments; // each passed as one argument
};

// Finds and starts the program. Records "RelatedProgramsInstalled" = 1 in the
// program's own settings. With wait, shows "Waiting for %s" and "%s will
// resume when %s has exited." and returns when the program has ended (or the
// context asked to stop: 1). 0 started (or ended), 2 not installed or not
// started.
int LLaunchRelatedProgram(LProcessContext* context, const LRelatedLaunchRequest& request);
