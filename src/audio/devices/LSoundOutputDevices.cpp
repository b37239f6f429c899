#include "audio/devices/LSoundOutputDevices.h"

#include "audio/devices/LSoundDeviceBackend.h"
#include "audio/devices/LSoundInputDevices.h"

#include <strings.h>

namespace {

bool OutputInfo(int32_t index, LSoundDeviceInfo& info)
{
    std::vector<LSoundDeviceInfo> outputs;
    LSoundDeviceBackend& backend = LGetSoundDeviceBackend();
    if (index < 0 || !backend.ListOutputs(outputs))
        return false;
    std::string id;
    if (index == 0 && !backend.GetDefaultOutput(id))
        return false;
    int32_t n = 0;
    for (auto& d : outputs) {
        if (d.description.empty())
            continue;
        ++n;
        if ((index == 0 && d.id == id) || n == index) {
            info = std::move(d);
            return true;
        }
    }
    return false;
}

} // namespace

bool LSoundOutDeviceList::Build(std::vector<LSoundOutDeviceEntry>& out)
{
    out.clear();
    std::vector<LSoundDeviceInfo> outputs;
    if (!LGetSoundDeviceBackend().ListOutputs(outputs))
        return false;
    int32_t counters[4] = {0, 0, 0, 0};
    for (const auto& d : outputs) {
        if (d.description.empty())
            continue;
        out.push_back({d.id, LSoundTransportPrefix(d.bus, counters) + d.description,
                       static_cast<uint32_t>(d.channelNames.size())});
    }
    return true;
}

int32_t LSoundOutDeviceList::GetCount()
{
    std::vector<LSoundOutDeviceEntry> list;
    Build(list);
    return static_cast<int32_t>(list.size()) + 1;
}

int32_t LSoundOutDeviceList::Find(const char* name)
{
    if (name == nullptr || strcasecmp(name, kDefaultName) == 0)
        return 0;
    std::vector<LSoundOutDeviceEntry> list;
    Build(list);
    for (size_t i = 0; i < list.size(); ++i)
        if (strcasecmp(list[i].name.c_str(), name) == 0)
            return static_cast<int32_t>(i) + 1;
    return 0;
}

std::string LSoundOutDeviceList::GetName(int32_t index)
{
    if (index == 0)
        return kDefaultName;
    std::vector<LSoundOutDeviceEntry> list;
    Build(list);
    if (index < 0 || index > static_cast<int32_t>(list.size()))
        return "";
    return list[index - 1].name;
}

int32_t LSoundOutDeviceIndexOf(const std::string& id)
{
    std::vector<LSoundOutDeviceEntry> list;
    LSoundOutDeviceList::Build(list);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].id == id)
            return static_cast<int32_t>(i) + 1;
    return 0;
}

std::string LSoundOutDeviceGetId(int32_t index)
{
    LSoundDeviceInfo info;
    return OutputInfo(index, info) ? info.id : "";
}

uint32_t LSoundOutDeviceGetChannels(int32_t index)
{
    LSoundDeviceInfo info;
    return OutputInfo(index, info) ? static_cast<uint32_t>(info.channelNames.size()) : 0;
}

std::vector<std::string> LSoundOutDeviceGetChannelNames(int32_t index)
{
    LSoundDeviceInfo info;
    return OutputInfo(index, info) ? info.channelNames : std::vector<std::string>{};
}
