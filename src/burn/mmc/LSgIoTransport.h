#pragma once
// A real drive through the kernel's SCSI generic pass-through on its /dev/srN
// node. The node stays open, exclusively, for the life of the object so that
// nothing else mounts or burns the drive in between.

#include "burn/mmc/LScsiTransport.h"

#include <memory>

class LSgIoTransport : public LScsiTransport
{
public:
    ~LSgIoTransport() override;

    // Opens the node; a busy or mounted drive is code 39, a missing one 15.
    static std::unique_ptr<LSgIoTransport> Open(const std::string& path, LBurnResult& result);

    void Execute(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data, uint32_t length,
                 LScsiDirection direction, uint32_t timeoutMs, LScsiReply& reply) override;
    std::string Name() const override { return path_; }
    int Open(LBurnResult& result) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

private:
    LSgIoTransport(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};
