#include "gui/framework/LDiscMediaEvents.h"

#include <algorithm>

namespace {

LDiscMediaEventSourceFactory g_factory = nullptr;

std::vector<LFakeDiscMediaEventSource*>& LiveFakes()
{
    static std::vector<LFakeDiscMediaEventSource*> live;
    return live;
}

} // namespace

void LSetDiscMediaEventSourceFactory(LDiscMediaEventSourceFactory factory)
{
    g_factory = factory;
}

std::unique_ptr<LDiscMediaEventSource> LCreateDiscMediaEventSource()
{
    return g_factory != nullptr ? g_factory() : nullptr;
}

LFakeDiscMediaEventSource::LFakeDiscMediaEventSource()
{
    LiveFakes().push_back(this);
}

LFakeDiscMediaEventSource::~LFakeDiscMediaEventSource()
{
    auto& live = LiveFakes();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void LFakeDiscMediaEventSource::SetMediaChangeHandler(std::function<void(bool present)> handler)
{
    handler_ = std::move(handler);
}

std::unique_ptr<LDiscMediaEventSource> LFakeDiscMediaEventSource::Create()
{
    return std::make_unique<LFakeDiscMediaEventSource>();
}

const std::vector<LFakeDiscMediaEventSource*>& LFakeDiscMediaEventSource::Live()
{
    return LiveFakes();
}

void LFakeDiscMediaEventSource::Report(bool present)
{
    if (handler_)
        handler_(present);
}
