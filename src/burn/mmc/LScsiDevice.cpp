#include "burn/mmc/LScsiDevice.h"

#include "foundation/threads/LProcessContext.h"

#include <cstdio>
#include <cstring>
#include <vector>

LScsiDevice::LScsiDevice(std::unique_ptr<LScsiTransport> transport, LMmcClock* clock)
    : transport_(std::move(transport)), clock_(clock != nullptr ? clock : &steady_)
{
}

int LScsiDevice::Open(LProcessContext& context, LBurnResult& result)
{
    result.Clear();
    if (context.IsStopRequested()) {
        result.Set(kBurnUserCanceled);
        return 1;
    }
    if (transport_->Open(result) != 0) {
        if (result.Ok())
            result.Set(kBurnDriveMissing, transport_->Name().c_str());
        return 2;
    }
    streaming = false;
    return 0;
}

void LScsiDevice::Close()
{
    transport_->Close();
}

int LScsiDevice::ExecuteCommand(LProcessContext& context, const uint8_t* cdb, uint8_t cdbLength, void* buffer,
                                uint32_t length, uint32_t timeoutMs, LScsiDirection direction)
{
    if (buffer == nullptr)
        length = 0;
    uint32_t remaining = timeoutMs;
    for (;;) {
        LScsiReply reply;
        transport_->Execute(cdb, cdbLength, static_cast<uint8_t*>(buffer), length, direction, remaining,
                            reply);
        Trace(cdb, cdbLength, direction, length, reply);
        moved_ = length - (reply.resid > length ? length : reply.resid);
        timedOut_ = reply.status == LScsiReply::kTimeout;
        if (reply.status == LScsiReply::kGood) {
            failed_ = false;
            sense_ = {};
            return 0;
        }
        failed_ = true;
        sense_ = reply.status == LScsiReply::kCheckCondition ? LDecodeSense(reply.sense, reply.senseLength)
                                                             : LScsiSense{};
        if (reply.status != LScsiReply::kCheckCondition)
            return 2;
        if (!(sense_.senseKey == 2 && sense_.additionalSenseCode == 0x04) || remaining == 0)
            return 2;
        remaining = remaining > 500 ? remaining - 500 : 0;
        if (clock_->Sleep(context, 500))
            return 1;
        if (remaining == 0)
            return 2;
    }
}

bool LScsiDevice::GetLastSense(uint8_t& key, uint8_t& asc, uint8_t& ascq) const
{
    key = failed_ ? sense_.senseKey : 0;
    asc = failed_ ? sense_.additionalSenseCode : 0;
    ascq = failed_ ? sense_.additionalSenseCodeQualifier : 0;
    return failed_;
}

bool LScsiDevice::SenseIs(uint8_t key, uint8_t asc, uint8_t ascq) const
{
    return sense_.senseKey == key && sense_.additionalSenseCode == asc &&
           sense_.additionalSenseCodeQualifier == ascq;
}

bool LScsiDevice::SenseKeyAscIs(uint8_t key, uint8_t asc) const
{
    return sense_.senseKey == key && sense_.additionalSenseCode == asc;
}

void LScsiDevice::ClearSense()
{
    sense_ = {};
    failed_ = false;
}

int LScsiDevice::GetConfiguration(LProcessContext& context, uint16_t feature, LFeatureHeader& header,
                                  uint8_t* out, uint32_t length)
{
    header = {};
    if (length > 65535 - 8)
        length = 65535 - 8;
    std::vector<uint8_t> reply(length + 8, 0);
    const uint8_t cdb[10] = {0x46, 0x02, uint8_t(feature >> 8),      uint8_t(feature),    0,
                             0,    0,    uint8_t((length + 8) >> 8), uint8_t(length + 8), 0};
    const int status = ExecuteCommand(context, cdb, sizeof cdb, reply.data(), length + 8,
                                      normalTimeout * 1000u, LScsiDirection::kFromDevice);
    if (status != 0)
        return status;
    if (BytesMoved() < 8)
        return 2;
    header.dataLength =
        (uint32_t(reply[0]) << 24) | (uint32_t(reply[1]) << 16) | (uint32_t(reply[2]) << 8) | reply[3];
    header.currentProfile = uint16_t((reply[6] << 8) | reply[7]);
    if (header.dataLength != 0 && out != nullptr) {
        // Only what arrived counts; the rest of the caller's bytes are zero.
        std::memset(out, 0, length);
        const uint32_t got = BytesMoved() - 8;
        std::memcpy(out, reply.data() + 8, got < length ? got : length);
    }
    if (header.dataLength == 4 || header.dataLength == 8)
        return 2;
    return 0;
}

bool LScsiDevice::HasFeature(LProcessContext& context, uint16_t feature, bool currentOnly)
{
    LFeatureHeader header;
    uint8_t descriptor[8] = {};
    if (GetConfiguration(context, feature, header, descriptor, sizeof descriptor) != 0)
        return false;
    if (header.dataLength < 5 || BytesMoved() < 12)
        return false;
    if (uint16_t((descriptor[0] << 8) | descriptor[1]) != feature)
        return false;
    return !currentOnly || (descriptor[2] & 0x01) != 0;
}

void LScsiDevice::Trace(const uint8_t* cdb, uint8_t cdbLength, LScsiDirection direction, uint32_t length,
                        const LScsiReply& reply)
{
    if (!trace_)
        return;
    std::string line;
    char hex[4];
    for (uint8_t i = 0; i < cdbLength; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", cdb[i]);
        line += hex;
    }
    line += direction == LScsiDirection::kToDevice     ? " out "
            : direction == LScsiDirection::kFromDevice ? " in "
                                                       : " none ";
    line += std::to_string(length) + " -> ";
    if (reply.status == LScsiReply::kGood) {
        line += "GOOD";
    } else if (reply.status == LScsiReply::kTimeout) {
        line += "TIMEOUT";
    } else if (reply.status == LScsiReply::kCheckCondition) {
        const LScsiSense s = LDecodeSense(reply.sense, reply.senseLength);
        char text[32];
        std::snprintf(text, sizeof text, "CHECK %X/%02X/%02X", s.senseKey, s.additionalSenseCode,
                      s.additionalSenseCodeQualifier);
        line += text;
    } else {
        line += "ERROR";
    }
    line += " resid=" + std::to_string(reply.resid);
    trace_(line);
}
