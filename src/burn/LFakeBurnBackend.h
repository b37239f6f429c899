#pragma once
// A scripted burner for tests and the developer tool: drives with names,
// capabilities, media and speeds, and failures on cue. A write reads every
// track's burn_source on a thread of its own, block by block as libburn
// does, and keeps the bytes; the drive walks through the same activities as
// a real one (spawning, lead-in, writing, closing, the end of the session
// with its sector counts cleared, idle).

#include "burn/LBurnBackend.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

enum class LFakeBurnFault {
    None,
    Write,  // the write fails part-way with a drive message
    Vanish, // the drive stops answering once grabbed
    Erase,  // erasing fails
    Hang,   // the write stops part-way and never ends, cancel or not
};

struct LFakeBurnDriveScript
{
    std::string vendor = "QUORIN";
    std::string product = "Fake CD/DVD Writer";
    bool writeCd = true;
    bool writeCdSao = true;
    bool writeDvd = true;
    bool writeDvdPlusR = true;
    bool writeDvdRam = false;
    bool writeBd = false;
    bool writeHdDvd = false;
    int profile = 0x0009; // CD-R; 0 for no disc
    LBurnDiscStatus status = LBurnDiscStatus::Blank;
    bool erasable = false;
    int64_t capacityBlocks = 359847; // an 80-minute CD-R
    int64_t usedBlocks = 0;
    std::vector<uint32_t> speeds = {706, 1411, 2822, 4234, 7056};
    LFakeBurnFault fault = LFakeBurnFault::None;
    // Pause after each block written (milliseconds), so tests can act mid-write.
    uint32_t blockDelayMs = 0;
    // Pause on entering each activity, so a poller sees every one of them.
    uint32_t stepDelayMs = 0;
    // When set, a write that ends well leaves its bytes in this file (the
    // tracks one after another) and, for audio, a cue sheet beside it, as a
    // dry run does: what a person without a burner can check.
    std::string dumpPath;
};

// Reads "media=cdr|cdrw|dvd+rw|none,state=blank|appendable|full,fail=write|vanish|erase|hang,
// dump=OUT.raw" (every key optional, in any order) into script. False for anything else.
bool LParseFakeBurnDrive(const char* text, LFakeBurnDriveScript& script);

// What one finished write left behind.
struct LFakeBurnRecord
{
    bool sao = false;
    int32_t speed = 0;
    std::vector<std::vector<unsigned char>> tracks; // the bytes read from each source
    std::vector<int64_t> declaredSizes;             // each source's get_size
    std::vector<LBurnDriveActivity> activities;     // in the order they were entered
    bool freedWhileBusy = false; // the write's sources were let go before the drive went idle
};

class LFakeBurnBackend : public LBurnBackend
{
public:
    explicit LFakeBurnBackend(std::vector<LFakeBurnDriveScript> drives = {});
    ~LFakeBurnBackend() override;

    std::vector<std::string> DriveAddresses() override;
    std::unique_ptr<LBurnDrive> Grab(const std::string& address, std::string* message) override;

    LFakeBurnDriveScript& Script(size_t index) { return drives_[index]; }
    // The last write's record (of any drive).
    LFakeBurnRecord LastWrite();
    int Grabs() const { return grabs_.load(); }
    int Releases() const { return releases_.load(); }
    // How often a disc was ejected (the disc stays, as if put back).
    int Ejects() const { return ejects_.load(); }
    // The number of blocks the current or last write has read so far.
    int64_t BlocksRead() const { return blocksRead_.load(); }

    // Shared with the drive objects.
    struct State;

private:
    std::vector<LFakeBurnDriveScript> drives_;
    std::shared_ptr<State> state_;
    std::atomic<int> grabs_{0};
    std::atomic<int> releases_{0};
    std::atomic<int> ejects_{0};
    std::atomic<int64_t> blocksRead_{0};
    friend class LFakeBurnDrive;
    friend class LFakeBurnJob;
};
