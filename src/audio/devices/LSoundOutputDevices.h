#pragma once
// Playback outputs for the settings pull-down. Index 0 is always "Default
// Playback Device" (the server's default output); device n from 1 is the
// n-th output with a name.

#include <cstdint>
#include <string>
#include <vector>

struct LSoundOutDeviceEntry
{
    std::string id;
    std::string name; // transport prefix + the device's name
    uint32_t channels = 0;
};

// The chosen output: device index (0 = default) and the two output
// channels the source's channels go to.
struct LPlaybackDeviceSel
{
    int32_t device = 0;
    int32_t firstChannel = 0;
    int32_t secondChannel = 1;
};

class LSoundOutDeviceList
{
public:
    static constexpr const char* kDefaultName = "Default Playback Device";

    // The outputs with a name, in the device layer's order; false when it cannot be asked.
    static bool Build(std::vector<LSoundOutDeviceEntry>& out);
    // Entries + 1 (the default).
    static int32_t GetCount();
    // 1-based index by name without regard to case; 0 for the default name or no match.
    static int32_t Find(const char* name);
    // "Default Playback Device" for 0, else the entry's name or "".
    static std::string GetName(int32_t index);
};

// 1-based index of the output with that id, 0 when none.
int32_t LSoundOutDeviceIndexOf(const std::string& id);
// The id of an output (index 0: the default output); empty when none.
std::string LSoundOutDeviceGetId(int32_t index);
// Channels of an output (index 0: the default output); 0 when none.
uint32_t LSoundOutDeviceGetChannels(int32_t index);
// Channel names of an output, in order.
std::vector<std::string> LSoundOutDeviceGetChannelNames(int32_t index);
