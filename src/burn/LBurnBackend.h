#pragma once
// The narrow interface the disc services use instead of calling libburn
// directly: a list of drive addresses, and a grabbed drive with the media,
// erase and write calls the services need. LLibburnBackend is the real one;
// LFakeBurnBackend scripts drives, media and failures for tests. Track data
// travels as libburn's own burn_source, so a source written for one is
// read the same way by the other.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace burn {
struct burn_source;
}

// What burn_disc_get_status reports.
enum class LBurnDiscStatus {
    Unready,    // no disc, or the drive has not looked yet
    Blank,      // writable from the start
    Appendable, // holds data and can take more
    Full,       // closed, or not writable at all
    Unsuitable, // present but unusable with this drive
};

// What burn_drive_get_status reports.
enum class LBurnDriveActivity {
    Idle,
    Spawning,
    Reading,
    Writing,
    WritingLeadIn,
    WritingLeadOut,
    Erasing,
    Grabbing,
    WritingPregap,
    ClosingTrack,
    ClosingSession,
    Formatting,
    ReadingSync,
    WritingSync,
};

struct LBurnDriveIdentity
{
    std::string vendor;
    std::string product;
    bool writeCd = false;
    bool writeCdSao = false;
    bool writeDvd = false;
    bool writeDvdPlusR = false;
    bool writeDvdRam = false;
    bool writeBd = false;
    bool writeHdDvd = false;
    uint32_t maxWriteSpeed = 0; // kB/s
};

// libburn's progress record, reduced to what status lines and progress use.
struct LBurnProgressInfo
{
    int track = 0; // counted from 0
    int tracks = 0;
    int sector = 0;
    int sectors = 0;
};

struct LBurnWriteTrack
{
    burn::burn_source* source = nullptr; // the drive takes its own reference
    bool audio = true;                   // 2352-byte audio blocks, else 2048-byte data blocks
};

struct LBurnWriteRequest
{
    std::vector<LBurnWriteTrack> tracks;
    bool sao = true;
    int32_t speed = 0; // kB/s, 0 for the drive's fastest
};

class LBurnDrive
{
public:
    // Gives the grab up (burn_drive_release). A write that has not ended is
    // left to run: its sources are then never freed.
    virtual ~LBurnDrive() = default;

    virtual LBurnDriveIdentity Identity() = 0;
    virtual LBurnDiscStatus DiscStatus() = 0;
    virtual bool IsErasable() = 0;
    // The current MMC profile number (0 when none) and its name.
    virtual int Profile(std::string* name) = 0;
    virtual int64_t FreeBlocks() = 0;
    virtual int64_t UsedBlocks() = 0;
    // Write speeds the drive offers for the disc in it, in kB/s.
    virtual std::vector<uint32_t> WriteSpeeds() = 0;
    // Looks at the drive's media again (a disc may have been changed). False
    // when the drive no longer answers.
    virtual bool Reassess() = 0;

    // Both start a job that runs on its own; Activity tells when it is over.
    virtual bool StartErase(bool fast) = 0;
    virtual bool StartWrite(const LBurnWriteRequest& request) = 0;
    virtual LBurnDriveActivity Activity(LBurnProgressInfo* progress) = 0;
    virtual void Cancel() = 0;
    // After the job went idle: whether it ended well.
    virtual bool WroteWell() = 0;
    // Frees what the last write held (tracks and their sources). Only once
    // the drive is idle; the caller makes sure of that.
    virtual void FinishWrite() = 0;
    // The drive's last failure message, or empty.
    virtual std::string LastMessage() = 0;
    // Opens the tray when the drive is let go. False when the drive cannot.
    virtual bool Eject() { return false; }
};

class LBurnBackend
{
public:
    virtual ~LBurnBackend() = default;
    // Drive addresses in index order.
    virtual std::vector<std::string> DriveAddresses() = 0;
    // Grabs a drive for one operation; null (and a message) when it cannot be had.
    virtual std::unique_ptr<LBurnDrive> Grab(const std::string& address, std::string* message) = 0;
    // True when the backend can only be used for looking (no disc operations).
    virtual bool IsNone() const { return false; }
};

// The process's libburn backend, started on first use.
LBurnBackend& LGetLibburnBackend();

// Reads n bytes of a source the way libburn does: whole reads until the
// size is reached, then a last partial one. Returns bytes read or -1.
// (Shared by the fake drive and the dry run.)
int LReadBurnSource(burn::burn_source* source, unsigned char* buffer, int size);
