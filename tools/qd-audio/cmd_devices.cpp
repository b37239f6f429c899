// qd-audio devices: lists the sound inputs and outputs the device layer
// offers, each with the index it is chosen by and its channels.

#include "QdCommand.h"

#include "audio/devices/LSoundDeviceBackend.h"
#include "audio/devices/LSoundInputDevices.h"
#include "audio/devices/LSoundOutputDevices.h"

#include <cstdio>

namespace {

int RunDevices(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    std::vector<LSoundDeviceInfo> probe;
    if (!LGetSoundDeviceBackend().ListInputs(probe))
        return QdFail("the sound server cannot be reached");

    std::vector<LSoundInDeviceEntry> inputs;
    LSoundInDeviceList::Build(inputs);
    for (size_t i = 0; i < inputs.size(); ++i) {
        std::printf("in %zu: %s\n", i, inputs[i].displayName.c_str());
        std::vector<LSoundInChannelEntry> channels;
        LSoundInChannelList::Build(inputs[i].id, channels);
        for (const auto& channel : channels)
            std::printf("    %s\n", channel.name.c_str());
    }

    std::vector<LSoundOutDeviceEntry> outputs;
    LSoundOutDeviceList::Build(outputs);
    for (int32_t index = 0; index <= static_cast<int32_t>(outputs.size()); ++index) {
        std::printf("out %d: %s\n", index, LSoundOutDeviceList::GetName(index).c_str());
        for (const auto& name : LSoundOutDeviceGetChannelNames(index))
            std::printf("    %s\n", name.c_str());
    }
    return 0;
}

QdRegistrar reg("devices", "devices", &RunDevices);

} // namespace
