#include "burn/mmc/LSgIoTransport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr int kDriveBusy = 39;
}

LSgIoTransport::~LSgIoTransport()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::unique_ptr<LSgIoTransport> LSgIoTransport::Open(const std::string& path, LBurnResult& result)
{
    std::unique_ptr<LSgIoTransport> transport(new LSgIoTransport(-1, path));
    if (transport->Open(result) != 0)
        return nullptr;
    return transport;
}

int LSgIoTransport::Open(LBurnResult& result)
{
    result.Clear();
    if (fd_ >= 0)
        return 0;
    // O_EXCL on a block device refuses when it is mounted or held by another
    // opener; O_NONBLOCK lets an empty drive open at all. The node is the one
    // the drive index was resolved to when the object was made.
    const int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_EXCL | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY)
            result.SetFormat(kDriveBusy, "%s", path_.c_str());
        else
            result.SetFormat(kBurnDriveMissing, "%s: %s", path_.c_str(), std::strerror(error));
        return 2;
    }
    fd_ = fd;
    return 0;
}

void LSgIoTransport::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void LSgIoTransport::Execute(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data, uint32_t length,
                             LScsiDirection direction, uint32_t timeoutMs, LScsiReply& reply)
{
    reply = LScsiReply{};
    if (fd_ < 0) {
        reply.status = LScsiReply::kTransportError;
        reply.resid = length;
        return;
    }
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmdp = const_cast<unsigned char*>(cdb);
    io.cmd_len = cdbLength;
    io.sbp = reply.sense;
    io.mx_sb_len = sizeof(reply.sense);
    // A zero time-out asks the layer above not to retry "becoming ready";
    // the kernel still needs a real bound.
    io.timeout = timeoutMs == 0 ? 5000 : timeoutMs;
    if (length == 0 || direction == LScsiDirection::kNone) {
        io.dxfer_direction = SG_DXFER_NONE;
    } else {
        io.dxfer_direction = direction == LScsiDirection::kToDevice ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
        io.dxferp = data;
        io.dxfer_len = length;
    }
    if (::ioctl(fd_, SG_IO, &io) < 0) {
        reply.status = LScsiReply::kTransportError;
        reply.resid = length;
        return;
    }
    reply.senseLength = io.sb_len_wr;
    reply.scsiStatus = io.status;
    reply.resid = io.resid < 0 ? 0 : static_cast<uint32_t>(io.resid);
    if (reply.resid > length)
        reply.resid = length;
    // The kernel reports a command it aborted at its time-out as a driver
    // time-out or a host "time out"; neither carries sense worth reading.
    constexpr unsigned kDriverTimeout = 0x06;
    constexpr unsigned kHostTimeout = 0x03;
    if ((io.driver_status & 0x0F) == kDriverTimeout || io.host_status == kHostTimeout) {
        reply.status = LScsiReply::kTimeout;
        reply.senseLength = 0;
        return;
    }
    if (io.status == 0x02 || (io.driver_status & 0x08) /* DRIVER_SENSE */) {
        reply.status = LScsiReply::kCheckCondition;
        return;
    }
    if (io.host_status != 0 || io.status != 0) {
        reply.status = LScsiReply::kTransportError;
        reply.senseLength = 0;
        return;
    }
    reply.status = LScsiReply::kGood;
    reply.senseLength = 0;
}
