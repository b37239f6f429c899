#include "gui/controls/LWaveformView.h"

#include "audio/core/LSoundSamples.h"
#include "foundation/text/LUtf8.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct PeaksReady
{
    int64_t position;
    int32_t shift;
    int32_t unused;
};

} // namespace

LWaveformView::LWaveformView()
{
    centrePen_.colour = LRGBColor::FromRGB8(0, 0, 0);
    wavePen_.colour = LRGBColor::FromRGB8(58, 81, 88);
    markerPen_.colour = LRGBColor::FromRGB8(255, 0, 0);
    messageFont_.size = 24;
}

LWaveformView::~LWaveformView()
{
    TearDownNotify();
    StopLoading();
    Destroy();
}

int LWaveformView::ColumnValue(int32_t peak)
{
    // 2^11 per step puts internal full scale (2^19) at the top of 0 .. 255.
    return std::min(255, std::max(0, peak) >> 11);
}

void LWaveformView::SetMessage(const char* text)
{
    LUtf8CopyWhole(message_, text ? text : "", sizeof message_);
    showMessage_ = text != nullptr && *text != 0;
    Invalidate();
}

void LWaveformView::SetSource(const LSoundSourcePtr& source)
{
    StopLoading();
    UpdateSize();
    {
        LLockGuard lock(peaksLock_);
        current_ = Range();
        samplesPerPixel_ = 0;
        std::fill(peaks_.begin(), peaks_.end(), uint8_t(0));
    }
    markerColumn_ = 0;
    if (source->GetStatus() == kSoundStatusOk) {
        source_ = source;
        {
            LLockGuard lock(requestLock_);
            requested_.marker = source_->GetPosition();
        }
        Enable();
        Start(4);
        // A view that already has its size need not wait for the next one.
        if (GetWidth() > 0)
            SetWidth(GetWidth());
    }
    Invalidate();
}

void LWaveformView::SetView(int64_t marker, int64_t start, int64_t length)
{
    {
        LLockGuard lock(requestLock_);
        requested_ = {start, length, marker};
    }
    wake_.Signal();
}

void LWaveformView::SetMarker(int64_t marker)
{
    {
        LLockGuard lock(requestLock_);
        requested_.marker = marker;
    }
    wake_.Signal();
}

void LWaveformView::RequestRange(int64_t start, int64_t length)
{
    {
        LLockGuard lock(requestLock_);
        requested_.start = start;
        requested_.length = length;
    }
    wake_.Signal();
}

void LWaveformView::SetWidth(int columns)
{
    requestedWidth_.store(columns, std::memory_order_release);
    resized_.Signal();
    wake_.Signal();
}

void LWaveformView::StopLoading()
{
    StopAndWait();
    source_.Reset();
}

void LWaveformView::OnSize()
{
    Range current;
    {
        LLockGuard lock(peaksLock_);
        current = current_;
    }
    RequestRange(current.start, current.length);
    SetWidth(GetWidth());
}

void LWaveformView::OnLButtonDown(int x, int)
{
    double spp;
    int64_t start;
    {
        LLockGuard lock(peaksLock_);
        spp = samplesPerPixel_;
        start = current_.start;
    }
    SendCommand(1, 0, static_cast<long>(start + static_cast<int64_t>(std::ceil(x * spp))));
}

double LWaveformView::SamplesPerPixel()
{
    LLockGuard lock(peaksLock_);
    return samplesPerPixel_;
}

int64_t LWaveformView::CurrentStart()
{
    LLockGuard lock(peaksLock_);
    return current_.start;
}

std::vector<uint8_t> LWaveformView::Peaks()
{
    LLockGuard lock(peaksLock_);
    return peaks_;
}

void LWaveformView::Run()
{
    const int channels = std::max<int>(1, source_->GetChannels());
    std::vector<int32_t> buffer(static_cast<size_t>(kChunkFrames) * channels);
    std::vector<uint8_t> mine;
    auto finish = [this] {
        {
            LLockGuard lock(peaksLock_);
            std::fill(peaks_.begin(), peaks_.end(), uint8_t(0));
            current_.marker = 0;
        }
        LLockGuard lock(requestLock_);
        requested_.start = 0;
    };
    for (;;) {
        const int r = WaitForStopOrSignalNoLimit(&resized_);
        if (r == LWaitStopRequested)
            return;
        if (r == LWaitSignalled)
            break;
    }
    resized_.Reset();
    for (;;) {
        if (IsStopRequested())
            return finish();
        if (GetView() == nullptr) {
            WaitForStop(10);
            continue;
        }
        const int W = requestedWidth_.load(std::memory_order_acquire);
        if (W < 1) {
            // Collapsed for now: the next size brings it back.
            WaitForStopOrSignal(&resized_, 1000);
            resized_.Reset();
            continue;
        }
        if (WaitForStopOrSignal(&wake_, 1000) != LWaitSignalled)
            continue;
        wake_.Reset();
        // Requests arriving meanwhile are merged into one pass.
        if (WaitForStop(70))
            return finish();
        Range want;
        {
            LLockGuard lock(requestLock_);
            want = requested_;
        }
        Range have;
        double haveSpp;
        {
            LLockGuard lock(peaksLock_);
            have = current_;
            haveSpp = samplesPerPixel_;
            mine.assign(static_cast<size_t>(W), 0);
        }
        if (want == have && static_cast<int>(Peaks().size()) == W)
            continue;
        const double spp = static_cast<double>(want.length) / W;
        const int64_t shift =
            haveSpp == 0 ? 0 : static_cast<int64_t>(static_cast<double>(want.start - have.start) / haveSpp);
        int first = 0, end = W;
        {
            LLockGuard lock(peaksLock_);
            const int held = static_cast<int>(peaks_.size());
            auto shared = [&](int64_t index) -> uint8_t {
                index = std::clamp<int64_t>(index, 0, held - 1);
                return held > 0 ? peaks_[static_cast<size_t>(index)] : 0;
            };
            const bool reusable = want.length == have.length && held == W && std::llabs(shift) < W;
            if (reusable && shift >= 1) {
                for (int c = 0; c <= W - shift - 2; ++c)
                    mine[c] = shared(c + shift);
                first = W - shift < 2 ? 0 : static_cast<int>(W - shift - 1);
                end = W;
            } else if (reusable) {
                end = static_cast<int>(std::min<int64_t>(1 - shift, W));
                for (int c = end; c < W; ++c)
                    mine[c] = shared(c + shift);
                first = 0;
            }
        }
        first = std::min(first, W);
        end = std::clamp(end, 0, W);
        if (want.length > 0)
            source_->Seek(want.start + static_cast<int64_t>(std::ceil(first * spp)));
        bool stopped = false;
        for (int c = first; c < end && !stopped && want.length > 0; ++c) {
            int64_t n = want.start + static_cast<int64_t>(std::ceil((c + 1) * spp)) - source_->GetPosition();
            int32_t peak = 0;
            while (n > 0) {
                const int64_t ask = std::min(n, kChunkFrames);
                const int64_t got = source_->Read(buffer.data(), ask);
                if (got > 0)
                    peak = std::max(peak, LSamplePeak(buffer.data(), got, channels));
                n -= ask;
                if (got < ask)
                    break;
                if (IsStopRequested()) {
                    stopped = true;
                    break;
                }
            }
            mine[c] = static_cast<uint8_t>(ColumnValue(peak));
            if (IsStopRequested())
                stopped = true;
        }
        if (stopped)
            continue;
        PeaksReady ready{};
        if (first == 0)
            ready = {0, W, 0};
        else if (end != W)
            ready = {want.marker, static_cast<int32_t>(-shift), 0};
        else
            ready = {end, end, 0};
        {
            LLockGuard lock(peaksLock_);
            current_ = want;
            samplesPerPixel_ = spp;
            peaks_ = mine;
            PostNotifyData(1, &ready, sizeof ready);
        }
    }
}

void LWaveformView::EvNotifyData(uint32_t code, const void* bytes, uint64_t length)
{
    if (code != 1 || bytes == nullptr || length < sizeof(PeaksReady))
        return;
    PeaksReady ready;
    std::memcpy(&ready, bytes, sizeof ready);
    ++deliveries_;
    OnPeaksReady(ready.position, ready.shift);
}

void LWaveformView::OnPeaksReady(int64_t position, int32_t shift)
{
    if (shift > requestedWidth_.load(std::memory_order_acquire) || std::abs(shift) >= GetWidth()) {
        Invalidate();
        return;
    }
    ScrollContent(shift, 0);
    double spp;
    int64_t start;
    {
        LLockGuard lock(peaksLock_);
        spp = samplesPerPixel_;
        start = current_.start;
    }
    const int x = spp == 0 ? 0 : static_cast<int>(static_cast<double>(position - start) / spp);
    const int p = markerColumn_ + shift;
    InvalidateRect(std::min(p, x), 0, std::abs(x - p) + 1, GetHeight());
    markerColumn_ = x;
}

void LWaveformView::Paint(LPaintContext* context)
{
    LLockGuard lock(peaksLock_);
    const LPaintRect& area = context->area;
    if (source_->GetStatus() != kSoundStatusOk || showMessage_) {
        context->FillRect(area, background_);
        const LGuiFont previous = context->GetFont();
        context->SetFont(messageFont_);
        context->SetTextColour(messageColour_);
        LTextFormat format;
        format.hAlign = 1;
        format.wrap = true;
        context->DrawText(message_, {0, area.h / 4, area.w, area.h / 2}, format);
        context->SetFont(previous);
        return;
    }
    const int W = GetWidth(), H = GetHeight();
    const int markerX =
        samplesPerPixel_ == 0
            ? 0
            : static_cast<int>(static_cast<double>(current_.marker - current_.start) / samplesPerPixel_);
    const int x0 = std::max(area.x, 0);
    const int x1 = std::min(area.x + area.w, W);
    context->FillRect(area, background_);
    const int columns = std::min<int>(x1, static_cast<int>(peaks_.size()));
    for (int c = x0; c < columns; ++c) {
        if (c == markerX)
            continue;
        const int a = (peaks_[c] * H) >> 9;
        if (a > 0)
            context->DrawLine(wavePen_, c, H / 2 - a, c, H / 2 + a);
    }
    context->DrawLine(centrePen_, area.x, H / 2, x1, H / 2);
    if (area.x <= markerX && markerX <= x1)
        context->DrawLine(markerPen_, markerX, 0, markerX, H);
}
