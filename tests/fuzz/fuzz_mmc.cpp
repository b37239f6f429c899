// A drive that answers every command with bytes from the input: status,
// sense of any format and length, any residue and any reply data. The
// command layer must parse only what arrived, never read past its buffers,
// and every wait must end.

#include "burn/LMediaType.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LMmcDisc.h"
#include "burn/mmc/LScsiDevice.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

class FuzzTransport : public LScsiTransport
{
public:
    FuzzTransport(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    void Execute(const uint8_t*, uint8_t, uint8_t* data, uint32_t length, LScsiDirection direction, uint32_t,
                 LScsiReply& reply) override
    {
        reply = LScsiReply{};
        if (++commands_ > 4000 || pos_ >= size_) {
            reply.status = LScsiReply::kTransportError;
            reply.resid = length;
            return;
        }
        const uint8_t kind = Byte();
        reply.status = static_cast<LScsiReply::Status>(kind % 4);
        reply.senseLength = std::min<uint8_t>(Byte() % 40, sizeof reply.sense);
        for (uint8_t i = 0; i < reply.senseLength; ++i)
            reply.sense[i] = Byte();
        const uint32_t resid = uint32_t(Byte()) << 8 | Byte();
        reply.resid = std::min(resid, length);
        if (direction == LScsiDirection::kFromDevice && data != nullptr) {
            const uint32_t moved = length - reply.resid;
            for (uint32_t i = 0; i < moved; ++i)
                data[i] = pos_ < size_ ? data_[pos_++] : 0;
        }
    }
    std::string Name() const override { return "fuzz"; }

private:
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint32_t commands_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LFakeMmcClock clock;
    LLocalProcessContext context;
    LScsiDevice device(std::make_unique<FuzzTransport>(data, size), &clock);
    LBurnResult result;
    uint32_t opened = kMediaNoDisc;
    uint32_t discType = 19;
    LMmcOpenDisc(result, context, device, opened, discType);
    LMmcDiscInfo disc;
    LMmcReadDiscInformation(result, context, device, disc);
    LMmcTrackInfo track;
    LMmcReadTrackInformation(result, context, device, track, 255);
    uint32_t media = kMediaNoDisc;
    LMmcIdentifyMedia(result, context, device, media);
    LDriveCapabilities caps;
    LMmcGetDriveCapabilities(result, context, device, caps);
    LMmcReadTimeouts(result, context, device);
    LMmcWaitOptions wait;
    wait.budgetMs = 5000;
    LMmcWaitUnitReady(result, context, device, wait);
    LMmcWaitMechanismReady(result, context, device);
    (void)LMmcGetExistingSessionSize(context, device, media, false);
    uint32_t blocks = 0;
    LMmcGetWritableBlocks(result, context, device, disc, media, blocks);
    LMmcAtip atip;
    LMmcReadAtip(result, context, device, atip);
    uint32_t count = 0;
    (void)LMmcReadFormatCapacities(context, device, media, count, false);
    (void)LMmcIsMediaUsable(context, device, disc, kMediaBdRe);
    uint8_t page[56] = {};
    LMmcSetWriteMode(result, context, device, page);
    LMmcCloseTrackSession(result, context, device, 1, true, 1);
    return 0;
}
