#pragma once
// Recording inputs: the device and channel lists shown to the user, the
// chosen input, and the per-device, per-channel recording volume. Lists are
// built afresh from the device layer on every query and never shared.

#include <cstdint>
#include <string>
#include <vector>

// The name shown for a device behind its transport prefix ("[USB 0] ",
// "[PCI 1] " ...), each transport counting from 0 in list order.
struct LSoundInDeviceEntry
{
    std::string id;          // the device layer's id
    std::string name;        // the device's own name
    std::string displayName; // prefix + name
    uint32_t channels = 0;
};

class LSoundInDeviceList
{
public:
    // Fills out with the inputs (real inputs first, then monitors); returns
    // their number, 0 when the device layer cannot be asked.
    static int32_t Build(std::vector<LSoundInDeviceEntry>& out);
};

struct LSoundInChannelEntry
{
    uint32_t channel = 0; // 0-based
    std::string name;
};

class LSoundInChannelList
{
public:
    // One entry per channel of the device with that id; returns the count.
    static int32_t Build(const std::string& deviceId, std::vector<LSoundInChannelEntry>& out);
};

// The chosen input: device index (-1 none), channel index, and the stereo
// flag (1: record the device's first two channels as a pair, else the one
// channel given).
struct LSoundInputSelection
{
    int32_t device = -1;
    uint32_t channel = 0;
    uint32_t stereo = 0;
};

int32_t LSoundInputGetDeviceCount();
// False for an index that names no device (and -1); name and id empty then.
bool LSoundInputGetDevice(int32_t index, std::string* id, std::string* name);
bool LSoundInputFindDeviceById(const std::string& id, int32_t* index, std::string* name);
// Matches the device name or the display name exactly; an empty name never matches.
bool LSoundInputFindDevice(const char* name, int32_t* index, std::string* id);
// The server's default input; stereo set when it has more than one channel.
bool LSoundInputGetDefaultDevice(int32_t* index, uint32_t* stereo);
int32_t LSoundInputGetChannelCount(int32_t deviceIndex);
// The display name of a device, empty when the index names none.
std::string LSoundInputGetDeviceName(int32_t index);

// Selection by device name: channel kept when the device has it (else 0);
// the stereo flag only for channel 0 of a device of more than one channel.
void LSoundInputSelectByName(LSoundInputSelection& out, const char* deviceName, uint32_t channel);
// A selection whose device no longer exists becomes {-1, 0, 0}.
void LSoundInputValidateSelection(LSoundInputSelection& out, const LSoundInputSelection& selection);
// The system default input, channel 0, stereo when it has several channels.
LSoundInputSelection LSoundInputDefaultSelection();

// Recording volume of (device name, channel) in dB; missing entries are 0 dB,
// -127 and below mean mute.
int8_t LSoundInputGetVolumeDb(const LSoundInputSelection& selection);
void LSoundInputSetVolumeDb(const LSoundInputSelection& selection, int8_t db);
// The same by device name, for callers that hold no index.
int8_t LSoundInputGetVolumeDbByName(const std::string& deviceName, uint32_t channel);

// The device's own rate, 0 when it cannot be read. Streams are opened at the
// rate the recording asks for; the sound server converts.
uint32_t LSoundInputGetDeviceRate(const LSoundInputSelection& selection);

// The transport prefix for a bus name and its running counter ("usb" ->
// "[USB %d] "); empty for other buses.
std::string LSoundTransportPrefix(const std::string& bus, int32_t counters[4]);
