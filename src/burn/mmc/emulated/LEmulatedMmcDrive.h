#pragma once
// A drive in a file, for tests, tools and benches: the disc's sectors live in
// a sparse image file (LBA x 2048) and its state (profile, status, next
// writable address, tracks) in "FILE.img.state", so one run can burn and the
// next read back. It refuses what real drives refuse and can be told to
// misbehave (not ready, medium change, write errors, short replies,
// time-outs, broken sense, busy).

#include "burn/mmc/LScsiTransport.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct LEmulatedFaults
{
    uint32_t notReady = 0;      // commands answering 2/04/01 first
    int64_t changeAt = -1;      // command number answering 6/28/00
    int64_t writeErrorLba = -1; // WRITE covering this LBA answers 3/0C/00
    uint32_t writeErrorTimes = 1;
    bool opc = false;     // first WRITE answers 3/73/03
    int shortOpcode = -1; // this opcode moves only shortBytes
    uint32_t shortBytes = 0;
    int timeoutOpcode = -1;       // this opcode times out
    int badSenseOpcode = -1;      // this opcode fails with unreadable sense
    uint32_t tocFailures = 0;     // RESERVE TRACK / first WRITE answer 3/57/00
    bool rejectStreaming = false; // every WRITE answers 5/24/00
    int64_t corruptLba = -1;      // reads of this LBA come back altered
    bool busy = false;            // opening fails as a held drive
};

class LEmulatedMmcDrive : public LScsiTransport
{
public:
    // "FILE.img[,profile=NAME][,blocks=N][,fail=F]...": profile= inserts a
    // new blank disc, else the disc of the last run stays. False with a
    // message for a bad description or an unusable file; a `busy` fault
    // fails here with code 39, as a held drive does.
    static std::unique_ptr<LEmulatedMmcDrive> Open(const std::string& description, LBurnResult& result);

    ~LEmulatedMmcDrive() override;
    void Execute(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data, uint32_t length,
                 LScsiDirection direction, uint32_t timeoutMs, LScsiReply& reply) override;
    std::string Name() const override { return "emulated:" + image_; }
    // Closing saves the disc and lets go of the image file; reopening reads
    // the disc back as a new run would.
    int Open(LBurnResult& result) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

    // The write parameters page (mode page 5) as last selected.
    const uint8_t* WriteParameters() const { return page5_; }

    // The MMC profile number of a profile name; -1 when unknown.
    static int ProfileNumber(const std::string& name);

    LEmulatedFaults faults;
    uint32_t commandCount = 0;
    // Every LBA a WRITE was accepted for, in order of arrival (tests).
    std::vector<uint32_t> writtenLbas;

    // Features the drive does not have at all (GET CONFIGURATION leaves
    // them out), for drives less able than the default one.
    std::set<uint16_t> absentFeatures;

    int profile = 0;
    uint32_t capacity = 0;
    uint32_t nextWritable = 0; // also the recorded size
    uint8_t discStatus = 0;    // 0 empty, 1 incomplete, 2 complete
    uint32_t tracks = 0;       // closed tracks
    uint32_t reserved = 0;
    bool formatted = false;
    bool trayOpen = false;
    bool preventRemoval = false;

private:
    LEmulatedMmcDrive() = default;
    bool LoadState();
    void SaveState() const;
    bool Overwritable() const;
    bool Erasable() const;
    bool Writable() const;

    void Check(LScsiReply& reply, uint8_t key, uint8_t asc, uint8_t ascq) const;
    void Reply(LScsiReply& reply, uint8_t* data, uint32_t length, const std::vector<uint8_t>& bytes) const;
    std::vector<uint8_t> Configuration(uint16_t start, int type) const;
    std::vector<uint8_t> ModePage(uint8_t page) const;

    std::string image_;
    int fd_ = -1;
    uint32_t writeErrorsLeft_ = 0;
    bool opcDone_ = false;
    uint8_t page5_[56] = {};
};
