#pragma once
// An opened drive for raw MMC commands: runs one CDB at a time through its
// transport, keeps the last command's status and sense, and the drive's
// time-outs and streaming flag that the command layer reads and sets.

#include "burn/LBurnResult.h"
#include "burn/mmc/LMmcClock.h"
#include "burn/mmc/LScsiTransport.h"

#include <functional>
#include <memory>
#include <string>

class LProcessContext;

struct LFeatureHeader
{
    uint32_t dataLength = 0;
    uint16_t currentProfile = 0;
};

class LScsiDevice
{
public:
    // The clock defaults to the steady clock.
    explicit LScsiDevice(std::unique_ptr<LScsiTransport> transport, LMmcClock* clock = nullptr);

    // Takes the drive for exclusive use: 0, 1 cancelled, or 2 with code 15
    // (no such drive) or 39 (busy or mounted) in `result`.
    int Open(LProcessContext& context, LBurnResult& result);
    // Lets go of the drive; safe when closed. Commands fail until reopened.
    void Close();
    bool IsOpen() const { return transport_->IsOpen(); }

    // 0 success, 1 cancelled, 2 failure. A drive that answers "becoming
    // ready" is asked again every 500 ms until the time-out is used up.
    int ExecuteCommand(LProcessContext& context, const uint8_t* cdb, uint8_t cdbLength, void* buffer,
                       uint32_t length, uint32_t timeoutMs, LScsiDirection direction);

    // Bytes the last command really moved (length less the residue).
    uint32_t BytesMoved() const { return moved_; }
    bool LastTimedOut() const { return timedOut_; }
    // True when the last command failed; the triple is its sense then.
    bool GetLastSense(uint8_t& key, uint8_t& asc, uint8_t& ascq) const;
    LScsiSense LastSense() const { return sense_; }
    bool SenseIs(uint8_t key, uint8_t asc, uint8_t ascq) const;
    bool SenseKeyAscIs(uint8_t key, uint8_t asc) const;
    void ClearSense();

    // GET CONFIGURATION of one feature: 0 with the header (and `length`
    // bytes after it) or 2; a reply without a descriptor counts as failure.
    int GetConfiguration(LProcessContext& context, uint16_t feature, LFeatureHeader& header, uint8_t* out,
                         uint32_t length);
    bool HasFeature(LProcessContext& context, uint16_t feature, bool currentOnly);

    // "CDB-HEX dir len -> GOOD|CHECK K/ASC/ASCQ|TIMEOUT resid=R" per command.
    void SetTrace(std::function<void(const std::string&)> trace) { trace_ = std::move(trace); }

    LMmcClock& Clock() { return *clock_; }
    LScsiTransport& Transport() { return *transport_; }

    uint16_t normalTimeout = 5;
    uint16_t longTimeout = 360;
    uint16_t thirdTimeout = 100;
    bool streaming = false;

private:
    void Trace(const uint8_t* cdb, uint8_t cdbLength, LScsiDirection direction, uint32_t length,
               const LScsiReply& reply);

    std::unique_ptr<LScsiTransport> transport_;
    LSteadyMmcClock steady_;
    LMmcClock* clock_;
    LScsiSense sense_;
    bool failed_ = false;
    bool timedOut_ = false;
    uint32_t moved_ = 0;
    std::function<void(const std::string&)> trace_;
};
