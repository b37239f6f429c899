#include "audio/devices/LFakeSoundBackend.h"

#include "audio/formats/wav/LWavFileOpener.h"

#include <algorithm>
#include <chrono>
#include <functional>

namespace {

// The clock of a fake device: calls the stream's step once per chunk, in real
// time divided by the backend's speed, until stopped.
class FakeDeviceClock
{
public:
    ~FakeDeviceClock() { Stop(); }

    void Start(uint32_t chunkFrames, uint32_t rate, double speed, std::function<void()> tick)
    {
        Stop();
        {
            std::lock_guard<std::mutex> guard(lock_);
            stop_ = false;
        }
        using Clock = std::chrono::steady_clock;
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(chunkFrames) / rate / speed));
        thread_ = std::thread([this, period, tick = std::move(tick)] {
            auto next = Clock::now();
            for (;;) {
                tick();
                next += period;
                std::unique_lock<std::mutex> lock(lock_);
                if (wake_.wait_until(lock, next, [this] { return stop_; }))
                    return;
            }
        });
    }

    void Stop()
    {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = true;
    std::thread thread_;
};

} // namespace

class LFakeSoundBackend::CaptureStream : public LSoundCaptureStream
{
public:
    CaptureStream(LFakeSoundBackend* backend, std::string id, uint32_t rate, uint32_t channels,
                  LSoundCaptureHandler* handler)
        : backend_(backend), id_(std::move(id)), rate_(rate), channels_(channels), handler_(handler)
    {
        backend_->openCaptures_.fetch_add(1);
    }

    ~CaptureStream() override
    {
        Stop();
        backend_->openCaptures_.fetch_sub(1);
    }

    bool Start() override
    {
        {
            std::lock_guard<std::mutex> guard(backend_->lock_);
            if (backend_->FindLocked(backend_->inputs_, id_) == nullptr)
                return false;
            auto feed = backend_->feeds_.find(id_);
            if (feed != backend_->feeds_.end())
                feed_ = feed->second;
            pacing_ = backend_->pacing_;
            chunkFrames_ = std::max<uint32_t>(1, backend_->chunkFrames_);
            speed_ = backend_->speed_ > 0 ? backend_->speed_ : 1.0;
        }
        {
            std::lock_guard<std::mutex> guard(deliverLock_);
            running_ = true;
        }
        backend_->Register(this);
        if (pacing_ == Pacing::kClock)
            clock_.Start(chunkFrames_, rate_, speed_, [this] { Deliver(chunkFrames_); });
        return true;
    }

    void Stop() override
    {
        backend_->Unregister(this);
        {
            std::lock_guard<std::mutex> guard(deliverLock_);
            running_ = false;
        }
        clock_.Stop();
    }

    uint32_t GetRate() const override { return rate_; }
    uint32_t GetChannels() const override { return channels_; }

    const std::string& Id() const { return id_; }

    void Deliver(int64_t frames)
    {
        std::lock_guard<std::mutex> guard(deliverLock_);
        if (!running_ || frames <= 0)
            return;
        const size_t total = feed_.samples.size() / channels_;
        const size_t available = position_ < total ? total - position_ : 0;
        int64_t fromFeed = std::min<int64_t>(frames, static_cast<int64_t>(available));
        int64_t count = feed_.silenceAfter ? frames : fromFeed;
        if (count <= 0)
            return;
        buffer_.assign(static_cast<size_t>(count) * channels_, 0);
        if (fromFeed > 0)
            std::copy_n(feed_.samples.begin() + static_cast<ptrdiff_t>(position_ * channels_),
                        static_cast<size_t>(fromFeed) * channels_, buffer_.begin());
        position_ += static_cast<size_t>(fromFeed);
        handler_->OnCaptureData(buffer_.data(), count);
    }

    void Gone()
    {
        std::lock_guard<std::mutex> guard(deliverLock_);
        if (!running_)
            return;
        running_ = false;
        handler_->OnCaptureError(kSoundDeviceGone);
    }

private:
    LFakeSoundBackend* backend_;
    std::string id_;
    uint32_t rate_;
    uint32_t channels_;
    LSoundCaptureHandler* handler_;
    Feed feed_;
    size_t position_ = 0;
    std::vector<int32_t> buffer_;
    Pacing pacing_ = Pacing::kClock;
    uint32_t chunkFrames_ = 441;
    double speed_ = 1.0;
    std::mutex deliverLock_;
    bool running_ = false;
    FakeDeviceClock clock_;
};

class LFakeSoundBackend::PlaybackStream : public LSoundPlaybackStream
{
public:
    PlaybackStream(LFakeSoundBackend* backend, std::string id, uint32_t rate, uint32_t channels,
                   LSoundRenderHandler* handler)
        : backend_(backend), id_(std::move(id)), rate_(rate), channels_(channels), handler_(handler)
    {
        {
            std::lock_guard<std::mutex> guard(backend_->lock_);
            pacing_ = backend_->pacing_;
            chunkFrames_ = std::max<uint32_t>(1, backend_->chunkFrames_);
            speed_ = backend_->speed_ > 0 ? backend_->speed_ : 1.0;
        }
        backend_->Register(this);
        if (pacing_ == Pacing::kClock)
            clock_.Start(chunkFrames_, rate_, speed_, [this] { Render(chunkFrames_); });
    }

    ~PlaybackStream() override
    {
        backend_->Unregister(this);
        {
            std::lock_guard<std::mutex> guard(renderLock_);
            started_ = false;
        }
        clock_.Stop();
    }

    bool Start() override
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        if (gone_)
            return false;
        started_ = true;
        return true;
    }

    void Pause() override
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        started_ = false;
    }

    void Flush() override {}
    bool Drain(uint32_t) override { return true; }
    uint32_t GetRate() const override { return rate_; }
    uint32_t GetChannels() const override { return channels_; }
    const std::string& Id() const { return id_; }

    void Render(int64_t frames)
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        if (!started_ || frames <= 0)
            return;
        buffer_.assign(static_cast<size_t>(frames) * channels_, 0);
        const int64_t produced = std::min(handler_->OnRender(buffer_.data(), frames), frames);
        if (produced > 0)
            backend_->AppendPlayed(id_, buffer_.data(), static_cast<size_t>(produced) * channels_);
    }

    void Gone()
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        gone_ = true;
        started_ = false;
        handler_->OnRenderError(kSoundDeviceGone);
    }

private:
    LFakeSoundBackend* backend_;
    std::string id_;
    uint32_t rate_;
    uint32_t channels_;
    LSoundRenderHandler* handler_;
    std::vector<int32_t> buffer_;
    Pacing pacing_ = Pacing::kClock;
    uint32_t chunkFrames_ = 441;
    double speed_ = 1.0;
    std::mutex renderLock_;
    bool started_ = false;
    bool gone_ = false;
    FakeDeviceClock clock_;
};

LFakeSoundBackend::LFakeSoundBackend() = default;
LFakeSoundBackend::~LFakeSoundBackend() = default;

void LFakeSoundBackend::AddInput(const LSoundDeviceInfo& info)
{
    std::lock_guard<std::mutex> guard(lock_);
    inputs_.push_back(info);
}

void LFakeSoundBackend::AddOutput(const LSoundDeviceInfo& info)
{
    std::lock_guard<std::mutex> guard(lock_);
    outputs_.push_back(info);
}

void LFakeSoundBackend::Unplug(const std::string& id)
{
    std::lock_guard<std::mutex> guard(lock_);
    auto drop = [&id](std::vector<LSoundDeviceInfo>& list) {
        list.erase(
            std::remove_if(list.begin(), list.end(), [&id](const LSoundDeviceInfo& d) { return d.id == id; }),
            list.end());
    };
    drop(inputs_);
    drop(outputs_);
    for (CaptureStream* stream : captures_)
        if (stream->Id() == id)
            stream->Gone();
    for (PlaybackStream* stream : playbacks_)
        if (stream->Id() == id)
            stream->Gone();
}

void LFakeSoundBackend::SetInputFeed(const std::string& id, std::vector<int32_t> samples, bool silenceAfter)
{
    std::lock_guard<std::mutex> guard(lock_);
    feeds_[id] = Feed{std::move(samples), silenceAfter};
}

bool LFakeSoundBackend::SetInputFeedFromWav(const std::string& id, const char* path, bool silenceAfter)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path);
    if (source->GetStatus() != kSoundStatusOk)
        return false;
    const int64_t frames = source->GetLength();
    const uint8_t channels = source->GetChannels();
    std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
    source->Read(samples.data(), frames);
    // Internal samples carry 20 bits; the device side has 32.
    for (int32_t& s : samples)
        s = static_cast<int32_t>(static_cast<uint32_t>(s) << 12);
    SetInputFeed(id, std::move(samples), silenceAfter);
    return true;
}

void LFakeSoundBackend::SetPacing(Pacing pacing, uint32_t chunkFrames, double speed)
{
    std::lock_guard<std::mutex> guard(lock_);
    pacing_ = pacing;
    chunkFrames_ = chunkFrames;
    speed_ = speed;
}

void LFakeSoundBackend::StepCapture(int64_t frames)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (CaptureStream* stream : captures_)
        stream->Deliver(frames);
}

void LFakeSoundBackend::StepPlayback(int64_t frames)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (PlaybackStream* stream : playbacks_)
        stream->Render(frames);
}

std::vector<int32_t> LFakeSoundBackend::PlayedSamples(const std::string& id)
{
    std::lock_guard<std::mutex> guard(playedLock_);
    auto it = played_.find(id);
    return it != played_.end() ? it->second : std::vector<int32_t>{};
}

void LFakeSoundBackend::AppendPlayed(const std::string& id, const int32_t* samples, size_t count)
{
    std::lock_guard<std::mutex> guard(playedLock_);
    auto& played = played_[id];
    played.insert(played.end(), samples, samples + count);
}

const LSoundDeviceInfo* LFakeSoundBackend::FindLocked(const std::vector<LSoundDeviceInfo>& list,
                                                      const std::string& id) const
{
    for (const auto& d : list)
        if (d.id == id)
            return &d;
    return nullptr;
}

void LFakeSoundBackend::Register(CaptureStream* stream)
{
    std::lock_guard<std::mutex> guard(lock_);
    captures_.insert(stream);
}

void LFakeSoundBackend::Unregister(CaptureStream* stream)
{
    std::lock_guard<std::mutex> guard(lock_);
    captures_.erase(stream);
}

void LFakeSoundBackend::Register(PlaybackStream* stream)
{
    std::lock_guard<std::mutex> guard(lock_);
    playbacks_.insert(stream);
}

void LFakeSoundBackend::Unregister(PlaybackStream* stream)
{
    std::lock_guard<std::mutex> guard(lock_);
    playbacks_.erase(stream);
}

bool LFakeSoundBackend::ListInputs(std::vector<LSoundDeviceInfo>& out)
{
    std::lock_guard<std::mutex> guard(lock_);
    out.clear();
    if (serverDown_)
        return false;
    for (const auto& d : inputs_)
        if (!d.isMonitor)
            out.push_back(d);
    for (const auto& d : inputs_)
        if (d.isMonitor)
            out.push_back(d);
    return true;
}

bool LFakeSoundBackend::ListOutputs(std::vector<LSoundDeviceInfo>& out)
{
    std::lock_guard<std::mutex> guard(lock_);
    out.clear();
    if (serverDown_)
        return false;
    out = outputs_;
    return true;
}

bool LFakeSoundBackend::GetDefaultInput(std::string& id)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (serverDown_ || FindLocked(inputs_, defaultInput_) == nullptr)
        return false;
    id = defaultInput_;
    return true;
}

bool LFakeSoundBackend::GetDefaultOutput(std::string& id)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (serverDown_ || FindLocked(outputs_, defaultOutput_) == nullptr)
        return false;
    id = defaultOutput_;
    return true;
}

std::unique_ptr<LSoundCaptureStream> LFakeSoundBackend::OpenCapture(const std::string& id, uint32_t rate,
                                                                    uint32_t channels, uint32_t,
                                                                    LSoundCaptureHandler* handler)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        const LSoundDeviceInfo* info = FindLocked(inputs_, id);
        if (serverDown_ || info == nullptr || rate == 0 || channels == 0 || handler == nullptr ||
            channels != info->channelNames.size())
            return nullptr;
    }
    return std::make_unique<CaptureStream>(this, id, rate, channels, handler);
}

std::unique_ptr<LSoundPlaybackStream> LFakeSoundBackend::OpenPlayback(const std::string& id, uint32_t rate,
                                                                      uint32_t channels, uint32_t,
                                                                      LSoundRenderHandler* handler)
{
    std::string target = id;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (target.empty())
            target = defaultOutput_;
        if (serverDown_ || FindLocked(outputs_, target) == nullptr || rate == 0 || channels == 0 ||
            handler == nullptr)
            return nullptr;
    }
    return std::make_unique<PlaybackStream>(this, target, rate, channels, handler);
}
