#include "burn/mmc/LScsiTransport.h"

LScsiSense LDecodeSense(const uint8_t* sense, std::size_t length)
{
    LScsiSense out;
    if (sense == nullptr || length < 1)
        return out;
    const uint8_t responseCode = sense[0] & 0x7F;
    if (responseCode == 0x70 || responseCode == 0x71) {
        // The key's high bits carry FILEMARK/EOM/ILI: a short read must not
        // hide a medium error behind them.
        if (length < 3)
            return out;
        out.senseKey = sense[2] & 0x0F;
        if (length > 12)
            out.additionalSenseCode = sense[12];
        if (length > 13)
            out.additionalSenseCodeQualifier = sense[13];
    } else if (responseCode == 0x72 || responseCode == 0x73) {
        if (length < 4)
            return out;
        out.senseKey = sense[1] & 0x0F;
        out.additionalSenseCode = sense[2];
        out.additionalSenseCodeQualifier = sense[3];
    }
    return out;
}
