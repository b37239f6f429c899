#include "burn/mmc/LDiscMediaWatcher.h"

#include "burn/LBurnRunningFlag.h"

#include <cstring>
#include <libudev.h>

namespace {

class UdevSource : public LDiscEventSource
{
public:
    UdevSource(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
    ~UdevSource() override
    {
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }
    int Descriptor() const override { return udev_monitor_get_fd(monitor_); }
    bool TakeChange() override
    {
        bool optical = false;
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(device);
            const char* name = udev_device_get_sysname(device);
            const char* cdrom = udev_device_get_property_value(device, "ID_CDROM");
            if (action != nullptr && std::strcmp(action, "change") == 0 &&
                ((cdrom != nullptr && std::strcmp(cdrom, "1") == 0) ||
                 (name != nullptr && std::strncmp(name, "sr", 2) == 0)))
                optical = true;
            udev_device_unref(device);
        }
        return optical;
    }

private:
    udev* udev_;
    udev_monitor* monitor_;
};

class PollingSource : public LDiscEventSource
{
public:
    int Descriptor() const override { return -1; }
    bool TakeChange() override { return true; }
};

} // namespace

std::unique_ptr<LDiscEventSource> LCreateUdevDiscEventSource()
{
    udev* context = udev_new();
    if (context == nullptr)
        return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr) {
        udev_unref(context);
        return nullptr;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", "disk") < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevSource>(context, monitor);
}

std::unique_ptr<LDiscEventSource> LCreatePollingDiscEventSource()
{
    return std::make_unique<PollingSource>();
}

std::unique_ptr<LDiscEventSource> LCreateDiscEventSource()
{
    if (auto source = LCreateUdevDiscEventSource())
        return source;
    return LCreatePollingDiscEventSource();
}

LDiscMediaWatcher::LDiscMediaWatcher(std::unique_ptr<LDiscEventSource> source, Probe probe, Notify notify)
    : source_(std::move(source)), probe_(std::move(probe)), notify_(std::move(notify))
{
}

void LDiscMediaWatcher::OnEvent()
{
    if (!source_->TakeChange() || LIsBurnRunning())
        return;
    const bool present = probe_ && probe_();
    if (state_ == 0) {
        // The first look only learns what is there.
        state_ = present ? 1 : -1;
        return;
    }
    if (state_ == -1 && present) {
        state_ = 1;
        if (notify_)
            notify_(true);
    } else if (state_ == 1 && !present) {
        state_ = -1;
        if (notify_)
            notify_(false);
    }
}
