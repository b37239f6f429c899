#pragma once
// One SCSI command's trip to a drive and back. The real drive goes through the
// kernel's SG_IO pass-through; tests and tools use the emulated drive. The
// device layer above sees only this interface.

#include "burn/LBurnResult.h"

#include <cstddef>
#include <cstdint>
#include <string>

enum class LScsiDirection { kNone, kFromDevice, kToDevice };

struct LScsiReply
{
    enum Status { kGood, kCheckCondition, kTimeout, kTransportError };
    Status status = kTransportError;
    uint8_t scsiStatus = 0;
    uint8_t sense[32] = {};
    uint8_t senseLength = 0;
    // Bytes of the transfer that did not move.
    uint32_t resid = 0;
};

class LScsiTransport
{
public:
    virtual ~LScsiTransport() = default;
    // Runs one command; the reply always describes what happened, the
    // transport never throws or blocks past the time-out.
    virtual void Execute(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data, uint32_t length,
                         LScsiDirection direction, uint32_t timeoutMs, LScsiReply& reply) = 0;
    // Device node or emulated image, for messages and traces.
    virtual std::string Name() const = 0;

    // Takes the drive (again) for exclusive use: 0, or 2 with code 15 (gone)
    // or 39 (busy or mounted) in `result`. Already open is success.
    virtual int Open(LBurnResult& result)
    {
        result.Clear();
        return 0;
    }
    // Lets go of the drive; commands fail until the next Open.
    virtual void Close() {}
    virtual bool IsOpen() const { return true; }
};

// The sense key, ASC and ASCQ of raw sense bytes in fixed (0x70/0x71) or
// descriptor (0x72/0x73) format. Anything else, or too few bytes, is all zero:
// a command must never inherit an earlier command's sense.
LScsiSense LDecodeSense(const uint8_t* sense, std::size_t length);
