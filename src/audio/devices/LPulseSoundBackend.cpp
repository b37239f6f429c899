#include "audio/devices/LPulseSoundBackend.h"

#include <pulse/pulseaudio.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace {

// libpulse is loaded when a device is first used, not at program start:
// most runs of the program's tools never touch a device, and the library
// brings some thirty others with it whose loading would cost every start.
#define QUORIN_PULSE_FUNCTIONS(X)                                                                            \
    X(pa_channel_map_init_extend)                                                                            \
    X(pa_channel_position_to_pretty_string)                                                                  \
    X(pa_context_connect)                                                                                    \
    X(pa_context_disconnect)                                                                                 \
    X(pa_context_get_server_info)                                                                            \
    X(pa_context_get_sink_info_by_name)                                                                      \
    X(pa_context_get_sink_info_list)                                                                         \
    X(pa_context_get_source_info_by_name)                                                                    \
    X(pa_context_get_source_info_list)                                                                       \
    X(pa_context_get_state)                                                                                  \
    X(pa_context_new)                                                                                        \
    X(pa_context_rttime_new)                                                                                 \
    X(pa_context_set_state_callback)                                                                         \
    X(pa_context_unref)                                                                                      \
    X(pa_operation_cancel)                                                                                   \
    X(pa_operation_get_state)                                                                                \
    X(pa_operation_unref)                                                                                    \
    X(pa_proplist_gets)                                                                                      \
    X(pa_rtclock_now)                                                                                        \
    X(pa_stream_begin_write)                                                                                 \
    X(pa_stream_cancel_write)                                                                                \
    X(pa_stream_connect_playback)                                                                            \
    X(pa_stream_connect_record)                                                                              \
    X(pa_stream_cork)                                                                                        \
    X(pa_stream_disconnect)                                                                                  \
    X(pa_stream_drain)                                                                                       \
    X(pa_stream_drop)                                                                                        \
    X(pa_stream_flush)                                                                                       \
    X(pa_stream_get_state)                                                                                   \
    X(pa_stream_new)                                                                                         \
    X(pa_stream_peek)                                                                                        \
    X(pa_stream_readable_size)                                                                               \
    X(pa_stream_set_read_callback)                                                                           \
    X(pa_stream_set_state_callback)                                                                          \
    X(pa_stream_set_write_callback)                                                                          \
    X(pa_stream_unref)                                                                                       \
    X(pa_stream_writable_size)                                                                               \
    X(pa_stream_write)                                                                                       \
    X(pa_threaded_mainloop_free)                                                                             \
    X(pa_threaded_mainloop_get_api)                                                                          \
    X(pa_threaded_mainloop_in_thread)                                                                        \
    X(pa_threaded_mainloop_lock)                                                                             \
    X(pa_threaded_mainloop_new)                                                                              \
    X(pa_threaded_mainloop_signal)                                                                           \
    X(pa_threaded_mainloop_start)                                                                            \
    X(pa_threaded_mainloop_stop)                                                                             \
    X(pa_threaded_mainloop_unlock)                                                                           \
    X(pa_threaded_mainloop_wait)

struct PulseLibrary
{
#define QUORIN_PULSE_ENTRY(name) decltype(&::name) name = nullptr;
    QUORIN_PULSE_FUNCTIONS(QUORIN_PULSE_ENTRY)
#undef QUORIN_PULSE_ENTRY
    bool loaded = false;
};

// The library's entry points; loaded is false (and no entry may be called)
// when it or one of its functions is missing.
const PulseLibrary& Pulse()
{
    static const PulseLibrary library = [] {
        PulseLibrary l;
        void* handle = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            return l;
        bool all = true;
#define QUORIN_PULSE_ENTRY(name)                                                                             \
    l.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                                      \
    all = all && l.name != nullptr;
        QUORIN_PULSE_FUNCTIONS(QUORIN_PULSE_ENTRY)
#undef QUORIN_PULSE_ENTRY
        l.loaded = all;
        return l;
    }();
    return library;
}

constexpr uint32_t kConnectTimeoutMs = 5000;
constexpr uint32_t kOperationTimeoutMs = 5000;

// One threaded main loop with its context. Every method but the
// constructor, Connect and the destructor runs with the loop locked.
class PulseConnection
{
public:
    PulseConnection() = default;
    ~PulseConnection()
    {
        if (loop_ != nullptr)
            Pulse().pa_threaded_mainloop_stop(loop_);
        if (context_ != nullptr) {
            Pulse().pa_context_set_state_callback(context_, nullptr, nullptr);
            Pulse().pa_context_disconnect(context_);
            Pulse().pa_context_unref(context_);
        }
        if (loop_ != nullptr)
            Pulse().pa_threaded_mainloop_free(loop_);
    }
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    bool Connect(const char* name)
    {
        if (!Pulse().loaded)
            return false;
        loop_ = Pulse().pa_threaded_mainloop_new();
        if (loop_ == nullptr)
            return false;
        context_ = Pulse().pa_context_new(Pulse().pa_threaded_mainloop_get_api(loop_), name);
        if (context_ == nullptr)
            return false;
        Pulse().pa_context_set_state_callback(context_, &PulseConnection::OnContextState, this);
        if (Pulse().pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        if (Pulse().pa_threaded_mainloop_start(loop_) < 0)
            return false;
        Lock();
        const bool ready = WaitUntil(
            [this] {
                const pa_context_state_t s = Pulse().pa_context_get_state(context_);
                return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
            },
            kConnectTimeoutMs);
        const bool ok = ready && Pulse().pa_context_get_state(context_) == PA_CONTEXT_READY;
        Unlock();
        return ok;
    }

    void Lock()
    {
        if (loop_ != nullptr)
            Pulse().pa_threaded_mainloop_lock(loop_);
    }
    void Unlock()
    {
        if (loop_ != nullptr)
            Pulse().pa_threaded_mainloop_unlock(loop_);
    }
    void Signal() { Pulse().pa_threaded_mainloop_signal(loop_, 0); }
    bool InLoopThread() const { return Pulse().pa_threaded_mainloop_in_thread(loop_) != 0; }
    pa_context* Context() const { return context_; }
    bool IsGood() const
    {
        return context_ != nullptr && PA_CONTEXT_IS_GOOD(Pulse().pa_context_get_state(context_));
    }

    // Waits (locked) until done() holds, the connection breaks or ms pass.
    template <class Done> bool WaitUntil(Done done, uint32_t ms)
    {
        struct Timer
        {
            PulseConnection* self;
            bool fired = false;
        } timer{this};
        pa_time_event* event = Pulse().pa_context_rttime_new(
            context_, Pulse().pa_rtclock_now() + static_cast<pa_usec_t>(ms) * 1000,
            [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
                auto* t = static_cast<Timer*>(data);
                t->fired = true;
                t->self->Signal();
            },
            &timer);
        bool result = done();
        while (!result && !timer.fired && event != nullptr) {
            Pulse().pa_threaded_mainloop_wait(loop_);
            result = done();
        }
        if (event != nullptr)
            Pulse().pa_threaded_mainloop_get_api(loop_)->time_free(event);
        return result;
    }

    // Runs an operation to its end (locked); false on time-out or failure to start.
    bool Complete(pa_operation* op, uint32_t ms = kOperationTimeoutMs)
    {
        if (op == nullptr)
            return false;
        const bool done = WaitUntil(
            [this, op] { return Pulse().pa_operation_get_state(op) != PA_OPERATION_RUNNING || !IsGood(); },
            ms);
        if (Pulse().pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            Pulse().pa_operation_cancel(op);
        Pulse().pa_operation_unref(op);
        return done && IsGood();
    }

    // Called on the loop thread when the context breaks.
    void (*onFailure)(void* data) = nullptr;
    void* onFailureData = nullptr;

private:
    static void OnContextState(pa_context* c, void* data)
    {
        auto* self = static_cast<PulseConnection*>(data);
        const pa_context_state_t s = Pulse().pa_context_get_state(c);
        if ((s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED) && self->onFailure != nullptr)
            self->onFailure(self->onFailureData);
        self->Signal();
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

std::string PropertyText(pa_proplist* properties, const char* key)
{
    const char* value = properties != nullptr ? Pulse().pa_proplist_gets(properties, key) : nullptr;
    return value != nullptr ? value : "";
}

void FillChannels(LSoundDeviceInfo& info, const pa_channel_map& map)
{
    for (int i = 0; i < map.channels; ++i) {
        const char* name = Pulse().pa_channel_position_to_pretty_string(map.map[i]);
        info.channelNames.push_back(name != nullptr ? name : "");
    }
}

// Sources and sinks describe themselves through structures of the same shape.
template <class PulseDeviceInfo> LSoundDeviceInfo DescribeDevice(const PulseDeviceInfo* info)
{
    LSoundDeviceInfo d;
    d.id = info->name != nullptr ? info->name : "";
    d.description = info->description != nullptr ? info->description : d.id;
    d.bus = PropertyText(info->proplist, PA_PROP_DEVICE_BUS);
    d.rate = info->sample_spec.rate;
    FillChannels(d, info->channel_map);
    return d;
}

struct DeviceQuery
{
    PulseConnection* connection;
    std::vector<LSoundDeviceInfo> inputs, monitors, outputs;
    std::string defaultSink, defaultSource;
    bool failed = false;
};

bool RunDeviceQuery(DeviceQuery& query, bool sources, bool sinks)
{
    PulseConnection connection;
    if (!connection.Connect("Quorin device list"))
        return false;
    query.connection = &connection;
    connection.Lock();
    bool ok = connection.Complete(Pulse().pa_context_get_server_info(
        connection.Context(),
        [](pa_context*, const pa_server_info* info, void* data) {
            auto* q = static_cast<DeviceQuery*>(data);
            if (info != nullptr) {
                q->defaultSink = info->default_sink_name != nullptr ? info->default_sink_name : "";
                q->defaultSource = info->default_source_name != nullptr ? info->default_source_name : "";
            }
            q->connection->Signal();
        },
        &query));
    if (ok && sources)
        ok = connection.Complete(Pulse().pa_context_get_source_info_list(
            connection.Context(),
            [](pa_context*, const pa_source_info* info, int eol, void* data) {
                auto* q = static_cast<DeviceQuery*>(data);
                if (eol < 0)
                    q->failed = true;
                if (info != nullptr) {
                    LSoundDeviceInfo d = DescribeDevice(info);
                    d.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
                    (d.isMonitor ? q->monitors : q->inputs).push_back(std::move(d));
                }
                q->connection->Signal();
            },
            &query));
    if (ok && sinks)
        ok = connection.Complete(Pulse().pa_context_get_sink_info_list(
            connection.Context(),
            [](pa_context*, const pa_sink_info* info, int eol, void* data) {
                auto* q = static_cast<DeviceQuery*>(data);
                if (eol < 0)
                    q->failed = true;
                if (info != nullptr) {
                    q->outputs.push_back(DescribeDevice(info));
                }
                q->connection->Signal();
            },
            &query));
    connection.Unlock();
    return ok && !query.failed;
}

bool ReadDeviceMap(PulseConnection& connection, const std::string& id, bool source, pa_channel_map& map)
{
    struct Found
    {
        PulseConnection* connection;
        pa_channel_map map;
        bool found = false;
    } found{&connection, {}};
    pa_operation* op;
    if (source)
        op = Pulse().pa_context_get_source_info_by_name(
            connection.Context(), id.c_str(),
            [](pa_context*, const pa_source_info* info, int, void* data) {
                auto* f = static_cast<Found*>(data);
                if (info != nullptr) {
                    f->map = info->channel_map;
                    f->found = true;
                }
                f->connection->Signal();
            },
            &found);
    else
        op = Pulse().pa_context_get_sink_info_by_name(
            connection.Context(), id.c_str(),
            [](pa_context*, const pa_sink_info* info, int, void* data) {
                auto* f = static_cast<Found*>(data);
                if (info != nullptr) {
                    f->map = info->channel_map;
                    f->found = true;
                }
                f->connection->Signal();
            },
            &found);
    if (!connection.Complete(op) || !found.found)
        return false;
    map = found.map;
    return true;
}

class PulseCaptureStream : public LSoundCaptureStream
{
public:
    PulseCaptureStream(std::string id, uint32_t rate, uint32_t channels, uint32_t framesPerBuffer,
                       LSoundCaptureHandler* handler)
        : id_(std::move(id)), rate_(rate), channels_(channels), framesPerBuffer_(framesPerBuffer),
          handler_(handler)
    {
    }

    ~PulseCaptureStream() override { Stop(); }

    bool Open()
    {
        connection_.onFailure = [](void* data) {
            auto* self = static_cast<PulseCaptureStream*>(data);
            if (self->running_)
                self->Fail(kSoundServerFailed);
        };
        connection_.onFailureData = this;
        if (!connection_.Connect("Quorin recording"))
            return false;
        connection_.Lock();
        pa_channel_map map;
        bool ok = ReadDeviceMap(connection_, id_, true, map);
        if (ok && map.channels != channels_)
            Pulse().pa_channel_map_init_extend(&map, channels_, PA_CHANNEL_MAP_DEFAULT);
        connection_.Unlock();
        map_ = map;
        return ok;
    }

    bool Start() override
    {
        connection_.Lock();
        if (stream_ != nullptr) {
            connection_.Unlock();
            return true;
        }
        const pa_sample_spec spec{PA_SAMPLE_S32LE, rate_, static_cast<uint8_t>(channels_)};
        stream_ = Pulse().pa_stream_new(connection_.Context(), "Recording", &spec, &map_);
        bool ok = stream_ != nullptr;
        if (ok) {
            Pulse().pa_stream_set_state_callback(stream_, &PulseCaptureStream::OnState, this);
            Pulse().pa_stream_set_read_callback(stream_, &PulseCaptureStream::OnRead, this);
            pa_buffer_attr attr;
            attr.maxlength = static_cast<uint32_t>(-1);
            attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
            attr.fragsize = framesPerBuffer_ * channels_ * 4;
            // Never moved to another source behind the user's back: a
            // recording that loses its input stops and says so.
            const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
            ok = Pulse().pa_stream_connect_record(stream_, id_.c_str(), &attr, flags) >= 0 &&
                 connection_.WaitUntil(
                     [this] {
                         const pa_stream_state_t s = Pulse().pa_stream_get_state(stream_);
                         return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
                     },
                     kConnectTimeoutMs) &&
                 Pulse().pa_stream_get_state(stream_) == PA_STREAM_READY;
        }
        if (ok)
            running_ = true;
        connection_.Unlock();
        if (!ok)
            Stop();
        return ok;
    }

    void Stop() override
    {
        connection_.Lock();
        running_ = false;
        if (stream_ != nullptr) {
            Pulse().pa_stream_set_read_callback(stream_, nullptr, nullptr);
            Pulse().pa_stream_set_state_callback(stream_, nullptr, nullptr);
            Pulse().pa_stream_disconnect(stream_);
            Pulse().pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        connection_.Unlock();
    }

    uint32_t GetRate() const override { return rate_; }
    uint32_t GetChannels() const override { return channels_; }

private:
    void Fail(int32_t code)
    {
        running_ = false;
        handler_->OnCaptureError(code);
    }

    static void OnState(pa_stream* s, void* data)
    {
        auto* self = static_cast<PulseCaptureStream*>(data);
        const pa_stream_state_t state = Pulse().pa_stream_get_state(s);
        if (!PA_STREAM_IS_GOOD(state) && self->running_)
            self->Fail(kSoundDeviceGone);
        self->connection_.Signal();
    }

    static void OnRead(pa_stream* s, size_t, void* data)
    {
        auto* self = static_cast<PulseCaptureStream*>(data);
        const size_t frameBytes = self->channels_ * 4;
        while (Pulse().pa_stream_readable_size(s) > 0) {
            const void* bytes = nullptr;
            size_t count = 0;
            if (Pulse().pa_stream_peek(s, &bytes, &count) < 0)
                break;
            if (count == 0)
                break;
            // Data may come before Start has woken up from its wait for the
            // ready state: it is the start of the recording, not to be
            // dropped. (Stop removes this callback before anything else.)
            if (bytes == nullptr)
                self->handler_->OnCaptureHole(static_cast<int64_t>(count / frameBytes));
            else
                self->handler_->OnCaptureData(bytes, static_cast<int64_t>(count / frameBytes));
            Pulse().pa_stream_drop(s);
        }
    }

    PulseConnection connection_;
    std::string id_;
    uint32_t rate_;
    uint32_t channels_;
    uint32_t framesPerBuffer_;
    LSoundCaptureHandler* handler_;
    pa_channel_map map_{};
    pa_stream* stream_ = nullptr;
    bool running_ = false;
};

class PulsePlaybackStream : public LSoundPlaybackStream
{
public:
    PulsePlaybackStream(std::string id, uint32_t rate, uint32_t channels, uint32_t framesPerBuffer,
                        LSoundRenderHandler* handler)
        : id_(std::move(id)), rate_(rate), channels_(channels), framesPerBuffer_(framesPerBuffer),
          handler_(handler)
    {
    }

    ~PulsePlaybackStream() override
    {
        connection_.Lock();
        if (stream_ != nullptr) {
            Pulse().pa_stream_set_write_callback(stream_, nullptr, nullptr);
            Pulse().pa_stream_set_state_callback(stream_, nullptr, nullptr);
            Pulse().pa_stream_disconnect(stream_);
            Pulse().pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        connection_.Unlock();
    }

    bool Open()
    {
        connection_.onFailure = [](void* data) {
            static_cast<PulsePlaybackStream*>(data)->handler_->OnRenderError(kSoundServerFailed);
        };
        connection_.onFailureData = this;
        if (!connection_.Connect("Quorin playback"))
            return false;
        connection_.Lock();
        pa_channel_map map;
        if (id_.empty() || !ReadDeviceMap(connection_, id_, false, map) || map.channels != channels_)
            Pulse().pa_channel_map_init_extend(&map, channels_, PA_CHANNEL_MAP_DEFAULT);
        const pa_sample_spec spec{PA_SAMPLE_S32LE, rate_, static_cast<uint8_t>(channels_)};
        stream_ = Pulse().pa_stream_new(connection_.Context(), "Playback", &spec, &map);
        bool ok = stream_ != nullptr;
        if (ok) {
            Pulse().pa_stream_set_state_callback(stream_, &PulsePlaybackStream::OnState, this);
            Pulse().pa_stream_set_write_callback(stream_, &PulsePlaybackStream::OnWrite, this);
            pa_buffer_attr attr;
            attr.maxlength = static_cast<uint32_t>(-1);
            attr.tlength = framesPerBuffer_ * channels_ * 4;
            attr.prebuf = static_cast<uint32_t>(-1);
            attr.minreq = static_cast<uint32_t>(-1);
            attr.fragsize = static_cast<uint32_t>(-1);
            const auto flags =
                static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
            ok = Pulse().pa_stream_connect_playback(stream_, id_.empty() ? nullptr : id_.c_str(), &attr,
                                                    flags, nullptr, nullptr) >= 0 &&
                 connection_.WaitUntil(
                     [this] {
                         const pa_stream_state_t s = Pulse().pa_stream_get_state(stream_);
                         return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
                     },
                     kConnectTimeoutMs) &&
                 Pulse().pa_stream_get_state(stream_) == PA_STREAM_READY;
        }
        connection_.Unlock();
        return ok;
    }

    bool Start() override
    {
        // The server asks for data only as its buffer empties. A request the
        // render handler left unanswered (at the end of a drain, when it had
        // nothing more) is never repeated while the buffer stays empty, and
        // the restarted stream would stay silent for good. It is answered
        // with silence ahead of what plays next, as a new stream starts.
        connection_.Lock();
        if (stream_ != nullptr && Pulse().pa_stream_get_state(stream_) == PA_STREAM_READY) {
            size_t writable = Pulse().pa_stream_writable_size(stream_);
            const size_t frameBytes = channels_ * 4;
            while (writable != static_cast<size_t>(-1) && writable >= frameBytes) {
                void* buffer = nullptr;
                size_t size = writable - writable % frameBytes;
                if (Pulse().pa_stream_begin_write(stream_, &buffer, &size) < 0 || buffer == nullptr)
                    break;
                size -= size % frameBytes;
                if (size == 0) {
                    Pulse().pa_stream_cancel_write(stream_);
                    break;
                }
                std::memset(buffer, 0, size);
                if (Pulse().pa_stream_write(stream_, buffer, size, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                    break;
                writable -= std::min(writable, size);
            }
        }
        connection_.Unlock();
        return Cork(false);
    }
    void Pause() override { Cork(true); }

    void Flush() override
    {
        connection_.Lock();
        if (stream_ != nullptr)
            connection_.Complete(Pulse().pa_stream_flush(stream_, &PulsePlaybackStream::OnDone, this));
        connection_.Unlock();
    }

    bool Drain(uint32_t ms) override
    {
        connection_.Lock();
        bool ok = false;
        if (stream_ != nullptr && Pulse().pa_stream_get_state(stream_) == PA_STREAM_READY)
            ok = connection_.Complete(Pulse().pa_stream_drain(stream_, &PulsePlaybackStream::OnDone, this),
                                      ms);
        connection_.Unlock();
        return ok;
    }

    uint32_t GetRate() const override { return rate_; }
    uint32_t GetChannels() const override { return channels_; }

private:
    bool Cork(bool cork)
    {
        connection_.Lock();
        bool ok = false;
        if (stream_ != nullptr && Pulse().pa_stream_get_state(stream_) == PA_STREAM_READY)
            ok = connection_.Complete(
                Pulse().pa_stream_cork(stream_, cork ? 1 : 0, &PulsePlaybackStream::OnDone, this));
        connection_.Unlock();
        return ok;
    }

    static void OnDone(pa_stream*, int, void* data)
    {
        static_cast<PulsePlaybackStream*>(data)->connection_.Signal();
    }

    static void OnState(pa_stream* s, void* data)
    {
        auto* self = static_cast<PulsePlaybackStream*>(data);
        if (!PA_STREAM_IS_GOOD(Pulse().pa_stream_get_state(s)))
            self->handler_->OnRenderError(kSoundDeviceGone);
        self->connection_.Signal();
    }

    static void OnWrite(pa_stream* s, size_t requested, void* data)
    {
        auto* self = static_cast<PulsePlaybackStream*>(data);
        const size_t frameBytes = self->channels_ * 4;
        while (requested >= frameBytes) {
            void* buffer = nullptr;
            size_t size = requested;
            if (Pulse().pa_stream_begin_write(s, &buffer, &size) < 0 || buffer == nullptr)
                return;
            const int64_t frames = static_cast<int64_t>(size / frameBytes);
            if (frames <= 0) {
                Pulse().pa_stream_cancel_write(s);
                return;
            }
            const int64_t produced = self->handler_->OnRender(static_cast<int32_t*>(buffer), frames);
            if (produced <= 0) {
                Pulse().pa_stream_cancel_write(s);
                return;
            }
            const size_t bytes = static_cast<size_t>(std::min(produced, frames)) * frameBytes;
            if (Pulse().pa_stream_write(s, buffer, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
            requested -= bytes;
        }
    }

    PulseConnection connection_;
    std::string id_;
    uint32_t rate_;
    uint32_t channels_;
    uint32_t framesPerBuffer_;
    LSoundRenderHandler* handler_;
    pa_stream* stream_ = nullptr;
};

} // namespace

bool LPulseSoundBackend::ListInputs(std::vector<LSoundDeviceInfo>& out)
{
    out.clear();
    DeviceQuery query{};
    if (!RunDeviceQuery(query, true, false))
        return false;
    out = std::move(query.inputs);
    for (auto& monitor : query.monitors)
        out.push_back(std::move(monitor));
    return true;
}

bool LPulseSoundBackend::ListOutputs(std::vector<LSoundDeviceInfo>& out)
{
    out.clear();
    DeviceQuery query{};
    if (!RunDeviceQuery(query, false, true))
        return false;
    out = std::move(query.outputs);
    return true;
}

bool LPulseSoundBackend::GetDefaultInput(std::string& id)
{
    DeviceQuery query{};
    if (!RunDeviceQuery(query, false, false) || query.defaultSource.empty())
        return false;
    id = query.defaultSource;
    return true;
}

bool LPulseSoundBackend::GetDefaultOutput(std::string& id)
{
    DeviceQuery query{};
    if (!RunDeviceQuery(query, false, false) || query.defaultSink.empty())
        return false;
    id = query.defaultSink;
    return true;
}

std::unique_ptr<LSoundCaptureStream> LPulseSoundBackend::OpenCapture(const std::string& id, uint32_t rate,
                                                                     uint32_t channels,
                                                                     uint32_t framesPerBuffer,
                                                                     LSoundCaptureHandler* handler)
{
    if (rate == 0 || channels == 0 || channels > PA_CHANNELS_MAX || handler == nullptr)
        return nullptr;
    auto stream = std::make_unique<PulseCaptureStream>(id, rate, channels, framesPerBuffer, handler);
    if (!stream->Open())
        return nullptr;
    return stream;
}

std::unique_ptr<LSoundPlaybackStream> LPulseSoundBackend::OpenPlayback(const std::string& id, uint32_t rate,
                                                                       uint32_t channels,
                                                                       uint32_t framesPerBuffer,
                                                                       LSoundRenderHandler* handler)
{
    if (rate == 0 || channels == 0 || channels > PA_CHANNELS_MAX || handler == nullptr)
        return nullptr;
    auto stream = std::make_unique<PulsePlaybackStream>(id, rate, channels, framesPerBuffer, handler);
    if (!stream->Open())
        return nullptr;
    return stream;
}
