#include "audio/devices/LSoundInputDevices.h"

#include "audio/devices/LSoundDeviceBackend.h"

#include <cstdio>
#include <mutex>

namespace {

struct VolumeEntry
{
    std::string device;
    uint32_t channel;
    int8_t db;
};

std::mutex gVolumeLock;
std::vector<VolumeEntry>& Volumes()
{
    static std::vector<VolumeEntry> volumes;
    return volumes;
}

bool DeviceInfo(int32_t index, LSoundDeviceInfo& info)
{
    if (index < 0)
        return false;
    std::vector<LSoundDeviceInfo> inputs;
    if (!LGetSoundDeviceBackend().ListInputs(inputs))
        return false;
    int32_t n = 0;
    for (auto& d : inputs) {
        if (d.description.empty())
            continue;
        if (n++ == index) {
            info = std::move(d);
            return true;
        }
    }
    return false;
}

} // namespace

std::string LSoundTransportPrefix(const std::string& bus, int32_t counters[4])
{
    static const char* const kBuses[4] = {"firewire", "bluetooth", "pci", "usb"};
    static const char* const kFormats[4] = {"[FireWire %d] ", "[Bluetooth %d] ", "[PCI %d] ", "[USB %d] "};
    for (int i = 0; i < 4; ++i) {
        if (bus == kBuses[i] || (i == 0 && bus == "ieee1394")) {
            char text[32];
            std::snprintf(text, sizeof text, kFormats[i], counters[i]++);
            return text;
        }
    }
    return "";
}

int32_t LSoundInDeviceList::Build(std::vector<LSoundInDeviceEntry>& out)
{
    out.clear();
    std::vector<LSoundDeviceInfo> inputs;
    if (!LGetSoundDeviceBackend().ListInputs(inputs))
        return 0;
    int32_t counters[4] = {0, 0, 0, 0};
    for (const auto& d : inputs) {
        if (d.description.empty())
            continue; // a device without a name has no index
        LSoundInDeviceEntry entry;
        entry.id = d.id;
        entry.name = d.description;
        entry.displayName = LSoundTransportPrefix(d.bus, counters) + d.description;
        entry.channels = static_cast<uint32_t>(d.channelNames.size());
        out.push_back(std::move(entry));
    }
    return static_cast<int32_t>(out.size());
}

int32_t LSoundInChannelList::Build(const std::string& deviceId, std::vector<LSoundInChannelEntry>& out)
{
    out.clear();
    std::vector<LSoundDeviceInfo> inputs;
    if (!LGetSoundDeviceBackend().ListInputs(inputs))
        return 0;
    for (const auto& d : inputs) {
        if (d.id != deviceId)
            continue;
        const size_t count = d.channelNames.size();
        for (size_t i = 0; i < count; ++i) {
            const std::string& name = d.channelNames[i];
            const int n = static_cast<int>(i) + 1;
            char text[300];
            if (!name.empty() && count > 1)
                std::snprintf(text, sizeof text, "%s (Channel %d)", name.c_str(), n);
            else if (!name.empty())
                std::snprintf(text, sizeof text, "%s", name.c_str());
            else if (count > 1)
                std::snprintf(text, sizeof text, "Channel %d", n);
            else
                std::snprintf(text, sizeof text, "Default");
            out.push_back({static_cast<uint32_t>(i), text});
        }
        break;
    }
    return static_cast<int32_t>(out.size());
}

int32_t LSoundInputGetDeviceCount()
{
    std::vector<LSoundInDeviceEntry> list;
    return LSoundInDeviceList::Build(list);
}

bool LSoundInputGetDevice(int32_t index, std::string* id, std::string* name)
{
    if (id != nullptr)
        id->clear();
    if (name != nullptr)
        name->clear();
    std::vector<LSoundInDeviceEntry> list;
    LSoundInDeviceList::Build(list);
    if (index < 0 || index >= static_cast<int32_t>(list.size()))
        return false;
    if (id != nullptr)
        *id = list[index].id;
    if (name != nullptr)
        *name = list[index].name;
    return true;
}

bool LSoundInputFindDeviceById(const std::string& id, int32_t* index, std::string* name)
{
    if (index != nullptr)
        *index = -1;
    std::vector<LSoundInDeviceEntry> list;
    LSoundInDeviceList::Build(list);
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].id == id) {
            if (index != nullptr)
                *index = static_cast<int32_t>(i);
            if (name != nullptr)
                *name = list[i].name;
            return true;
        }
    }
    return false;
}

bool LSoundInputFindDevice(const char* name, int32_t* index, std::string* id)
{
    if (index != nullptr)
        *index = -1;
    if (name == nullptr || *name == '\0')
        return false;
    std::vector<LSoundInDeviceEntry> list;
    LSoundInDeviceList::Build(list);
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].name == name || list[i].displayName == name) {
            if (index != nullptr)
                *index = static_cast<int32_t>(i);
            if (id != nullptr)
                *id = list[i].id;
            return true;
        }
    }
    return false;
}

bool LSoundInputGetDefaultDevice(int32_t* index, uint32_t* stereo)
{
    if (index != nullptr)
        *index = -1;
    if (stereo != nullptr)
        *stereo = 0;
    std::string id;
    if (!LGetSoundDeviceBackend().GetDefaultInput(id))
        return false;
    std::vector<LSoundInDeviceEntry> list;
    LSoundInDeviceList::Build(list);
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].id == id) {
            if (index != nullptr)
                *index = static_cast<int32_t>(i);
            if (stereo != nullptr)
                *stereo = list[i].channels > 1 ? 1 : 0;
            return true;
        }
    }
    return false;
}

int32_t LSoundInputGetChannelCount(int32_t deviceIndex)
{
    LSoundDeviceInfo info;
    return DeviceInfo(deviceIndex, info) ? static_cast<int32_t>(info.channelNames.size()) : 0;
}

std::string LSoundInputGetDeviceName(int32_t index)
{
    std::vector<LSoundInDeviceEntry> list;
    LSoundInDeviceList::Build(list);
    if (index < 0 || index >= static_cast<int32_t>(list.size()))
        return "";
    return list[index].displayName;
}

void LSoundInputSelectByName(LSoundInputSelection& out, const char* deviceName, uint32_t channel)
{
    out = LSoundInputSelection{};
    std::string id;
    LSoundInputFindDevice(deviceName, &out.device, &id);
    const int32_t channels = out.device >= 0 ? LSoundInputGetChannelCount(out.device) : 0;
    out.channel = static_cast<int64_t>(channel) < channels ? channel : 0;
    out.stereo = (channels > 1 && out.channel == 0) ? 1 : 0;
}

void LSoundInputValidateSelection(LSoundInputSelection& out, const LSoundInputSelection& selection)
{
    out = selection;
    if (selection.device < 0 || selection.device >= LSoundInputGetDeviceCount())
        out = LSoundInputSelection{};
}

LSoundInputSelection LSoundInputDefaultSelection()
{
    LSoundInputSelection selection;
    uint32_t stereo = 0;
    if (LSoundInputGetDefaultDevice(&selection.device, &stereo))
        selection.stereo = stereo;
    return selection;
}

int8_t LSoundInputGetVolumeDbByName(const std::string& deviceName, uint32_t channel)
{
    std::lock_guard<std::mutex> guard(gVolumeLock);
    for (const auto& e : Volumes())
        if (e.channel == channel && e.device == deviceName)
            return e.db;
    return 0;
}

int8_t LSoundInputGetVolumeDb(const LSoundInputSelection& selection)
{
    std::string name;
    if (!LSoundInputGetDevice(selection.device, nullptr, &name))
        return 0;
    return LSoundInputGetVolumeDbByName(name, selection.channel);
}

void LSoundInputSetVolumeDb(const LSoundInputSelection& selection, int8_t db)
{
    std::string name;
    if (!LSoundInputGetDevice(selection.device, nullptr, &name))
        return;
    std::lock_guard<std::mutex> guard(gVolumeLock);
    for (auto& e : Volumes()) {
        if (e.channel == selection.channel && e.device == name) {
            e.db = db;
            return;
        }
    }
    Volumes().push_back({name, selection.channel, db});
}

uint32_t LSoundInputGetDeviceRate(const LSoundInputSelection& selection)
{
    LSoundDeviceInfo info;
    return DeviceInfo(selection.device, info) ? info.rate : 0;
}
