#pragma once
// The sound-device layer over the PulseAudio client library. Every stream
// and every device query has a connection of its own (a threaded main loop
// and a context, never autospawning a server), so one failing device never
// disturbs another stream. Record streams ask for fragments of the caller's
// buffer size instead of the server's default of about two seconds.

#include "audio/devices/LSoundDeviceBackend.h"

class LPulseSoundBackend : public LSoundDeviceBackend
{
public:
    bool ListInputs(std::vector<LSoundDeviceInfo>& out) override;
    bool ListOutputs(std::vector<LSoundDeviceInfo>& out) override;
    bool GetDefaultInput(std::string& id) override;
    bool GetDefaultOutput(std::string& id) override;
    std::unique_ptr<LSoundCaptureStream> OpenCapture(const std::string& id, uint32_t rate, uint32_t channels,
                                                     uint32_t framesPerBuffer,
                                                     LSoundCaptureHandler* handler) override;
    std::unique_ptr<LSoundPlaybackStream> OpenPlayback(const std::string& id, uint32_t rate,
                                                       uint32_t channels, uint32_t framesPerBuffer,
                                                       LSoundRenderHandler* handler) override;
};
