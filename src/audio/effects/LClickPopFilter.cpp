#include "audio/effects/LClickPopFilter.h"
#include "audio/core/LHotLoop.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int64_t kReadFrames = 8192;

inline int64_t Magnitude(int32_t v)
{
    return std::llabs(static_cast<int64_t>(v));
}

// A window's statistics in whole numbers. Every value here is an integer,
// and while the sums stay below 2^53 a double holds each partial sum
// exactly, in any order: these are then the very values that sums of
// doubles, sample by sample, would give.
struct WindowSums
{
    int64_t sumAbs = 0;
    int64_t sumJump = 0;
    uint64_t sumSquares = 0; // meaningful only while maxJump is small enough
    uint32_t maxJump = 0;
};

// The magnitudes of w samples, and the jumps |x[i + d] - x[i]| of the
// pairs that fit in the window.
L_HOT_LOOP void SumWindow(const int32_t* __restrict x, int32_t w, int32_t d, uint32_t* __restrict jumps,
                          WindowSums* out)
{
    int64_t sumAbs = 0;
    for (int32_t i = 0; i < w; ++i)
        sumAbs += x[i] < 0 ? -static_cast<int64_t>(x[i]) : static_cast<int64_t>(x[i]);
    int64_t sumJump = 0;
    uint64_t sumSquares = 0;
    uint32_t maxJump = 0;
    for (int32_t i = 0; i < w - d; ++i) {
        const int64_t difference = static_cast<int64_t>(x[i + d]) - x[i];
        const uint32_t jump = static_cast<uint32_t>(difference < 0 ? -difference : difference);
        jumps[i] = jump;
        sumJump += jump;
        sumSquares += static_cast<uint64_t>(jump) * jump;
        maxJump = std::max(maxJump, jump);
    }
    out->sumAbs = sumAbs;
    out->sumJump = sumJump;
    out->sumSquares = sumSquares;
    out->maxJump = maxJump;
}

// The sums over the jumps of at most `limit`.
L_HOT_LOOP int32_t SumKept(const uint32_t* __restrict jumps, int32_t pairs, uint32_t limit, int64_t* sumJump,
                           uint64_t* sumSquares)
{
    int32_t kept = 0;
    int64_t sum = 0;
    uint64_t squares = 0;
    for (int32_t i = 0; i < pairs; ++i) {
        const bool keep = jumps[i] <= limit;
        const uint32_t jump = keep ? jumps[i] : 0;
        kept += keep ? 1 : 0;
        sum += jump;
        squares += static_cast<uint64_t>(jump) * jump;
    }
    *sumJump = sum;
    *sumSquares = squares;
    return kept;
}

// The least whole magnitude at or above a level (a whole magnitude stands
// at or above the level exactly when it does above this).
int64_t WholeLevel(double level)
{
    if (!(level > 0.0))
        return 0;
    if (level >= 0x1p62)
        return INT64_MAX;
    return static_cast<int64_t>(std::ceil(level));
}

// The first i in [from, to) where the magnitude of x[i] reaches `loud` and
// differs from the magnitude d samples before by at least `jump`; `to` when
// there is none. Most windows have none: they are passed over sixteen
// samples at a time.
L_HOT_LOOP int64_t FirstCandidate(const int32_t* __restrict x, int64_t from, int64_t to, int32_t d, int64_t loud,
                                  int64_t jump)
{
    auto hit = [&](int64_t i) {
        const int64_t magnitude = std::llabs(static_cast<int64_t>(x[i]));
        const int64_t before = std::llabs(static_cast<int64_t>(x[i - d]));
        const int64_t change = magnitude - before;
        return magnitude >= loud && (change < 0 ? -change : change) >= jump;
    };
    constexpr int64_t kStep = 16;
    int64_t i = from;
    for (; i + kStep <= to; i += kStep) {
        bool any = false;
        for (int64_t k = 0; k < kStep; ++k)
            any |= hit(i + k);
        if (any)
            break;
    }
    for (; i < to; ++i)
        if (hit(i))
            return i;
    return to;
}

} // namespace

LClickPopFilter::LClickPopFilter(const LSoundSourcePtr& upstream, int32_t sensitivity,
                                 int32_t maxClickMicroseconds)
    : LSoundFilter(upstream), detector_(1500, upstream->GetRate(), upstream->GetChannels())
{
    const int64_t rate = rate_;
    level_ = std::max(1, 100 - sensitivity);
    window_ = static_cast<int32_t>(rate / 100);
    lag_ = static_cast<int32_t>(rate / 22050 + 1);
    maxClick_ =
        std::max<int32_t>(4, static_cast<int32_t>(rate * std::max(0, maxClickMicroseconds) / 1000000));
    if (2 * maxClick_ > window_)
        window_ = 2 * maxClick_;
    hop_ = window_ - 2 * lag_ - maxClick_;
    if (hop_ < 1) {
        // Very low rates: widen the window so that every hop examines at least one frame.
        window_ = 2 * lag_ + maxClick_ + 1;
        hop_ = 1;
    }
    capacity_ = std::max<int64_t>(rate, 2 * static_cast<int64_t>(window_) + kReadFrames);
    raw_.assign(static_cast<size_t>(capacity_) * channels_, 0);
    detect_.assign(static_cast<size_t>(capacity_) * channels_, 0);
    resume_.assign(channels_, 0);
}

LClickPopFilter::~LClickPopFilter() = default;

void LClickPopFilter::Fill()
{
    const int32_t ch = channels_;
    while (validEnd_ - analysis_ < window_) {
        if (validEnd_ == capacity_) {
            // Everything before the analysis position has been handed out: keep the rest.
            const int64_t keep = validEnd_ - analysis_;
            std::memmove(raw_.data(), raw_.data() + analysis_ * ch,
                         static_cast<size_t>(keep * ch) * sizeof(int32_t));
            std::memmove(detect_.data(), detect_.data() + analysis_ * ch,
                         static_cast<size_t>(keep * ch) * sizeof(int32_t));
            for (int64_t& r : resume_)
                r -= analysis_;
            output_ -= analysis_;
            validEnd_ = keep;
            analysis_ = 0;
        }
        const int64_t n = std::min(kReadFrames, capacity_ - validEnd_);
        int32_t* raw = raw_.data() + validEnd_ * ch;
        upstream_->Read(raw, n);
        int32_t* detect = detect_.data() + validEnd_ * ch;
        if (ch == 2) {
            detector_.ProcessStereo(raw, detect, n);
        } else {
            for (int32_t c = 0; c < ch; ++c)
                detector_.ProcessChannel(c, raw + c, detect + c, n, ch);
        }
        validEnd_ += n;
    }
}

void LClickPopFilter::WindowStatistics(int64_t start, int32_t channel, double& meanAbsOut, double& meanJumpOut,
                                       double& sigmaOut)
{
    const int32_t ch = channels_;
    const int32_t w = window_, d = lag_;
    const int32_t* hp = detect_.data() + start * ch + channel;
    auto hpAt = [&](int64_t i) { return Magnitude(hp[i * ch]); };
    double sumAbs = 0.0;
    for (int32_t i = 0; i < w; ++i)
        sumAbs += static_cast<double>(hpAt(i));
    meanAbsOut = sumAbs / w;
    // The jump statistics leave out the outliers of a first pass: a click's
    // own edges would otherwise raise the jump threshold above the click
    // itself (one click in a window lifts sigma to about a tenth of its
    // height, and the threshold is some 18 sigma), and nothing would ever
    // be found.
    const int32_t pairs = w - d;
    jumps_.resize(static_cast<size_t>(pairs));
    double sumJump = 0.0, sumSquares = 0.0;
    for (int32_t i = 0; i < pairs; ++i) {
        const double jump = std::fabs(static_cast<double>(hp[(i + d) * ch]) - hp[i * ch]);
        jumps_[i] = jump;
        sumJump += jump;
        sumSquares += jump * jump;
    }
    double meanJump = sumJump / pairs;
    double sigma = std::sqrt(std::max(0.0, sumSquares / pairs - meanJump * meanJump));
    const double outlier = meanJump + 3.0 * sigma;
    int32_t kept = 0;
    sumJump = sumSquares = 0.0;
    for (int32_t i = 0; i < pairs; ++i) {
        if (jumps_[i] > outlier)
            continue;
        ++kept;
        sumJump += jumps_[i];
        sumSquares += jumps_[i] * jumps_[i];
    }
    if (kept > 0) {
        meanJump = sumJump / kept;
        sigma = std::sqrt(std::max(0.0, sumSquares / kept - meanJump * meanJump));
    }

    meanJumpOut = meanJump;
    sigmaOut = sigma;
}

void LClickPopFilter::ExamineChannel(int32_t channel, int64_t start)
{
    const int32_t ch = channels_;
    const int32_t w = window_, d = lag_, m = maxClick_, h = hop_;
    const int32_t* hp = detect_.data() + start * ch + channel;
    int32_t* raw = raw_.data() + start * ch + channel;

    // The window of this channel side by side, for loops the vector units take.
    windowSamples_.resize(static_cast<size_t>(w));
    for (int32_t i = 0; i < w; ++i)
        windowSamples_[i] = hp[static_cast<int64_t>(i) * ch];
    const int32_t pairs = w - d;
    whole_.resize(static_cast<size_t>(pairs));
    WindowSums sums;
    SumWindow(windowSamples_.data(), w, d, whole_.data(), &sums);
    // Below this every square and every sum of them is a whole number a
    // double holds exactly.
    const double squareBound = static_cast<double>(sums.maxJump) * sums.maxJump * pairs;
    if (squareBound >= 0x1p53) {
        WindowStatistics(start, channel, meanAbsOut_, meanJumpOut_, sigmaOut_);
    } else {
        meanAbsOut_ = static_cast<double>(sums.sumAbs) / w;
        double meanJump = static_cast<double>(sums.sumJump) / pairs;
        double sigma = std::sqrt(std::max(0.0, static_cast<double>(sums.sumSquares) / pairs - meanJump * meanJump));
        const double outlier = meanJump + 3.0 * sigma;
        // A whole-number jump stands above the outlier level exactly when it stands above its floor.
        const uint32_t limit = outlier >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(std::floor(outlier));
        int64_t keptJump = 0;
        uint64_t keptSquares = 0;
        const int32_t kept = SumKept(whole_.data(), pairs, limit, &keptJump, &keptSquares);
        if (kept > 0) {
            meanJump = static_cast<double>(keptJump) / kept;
            sigma = std::sqrt(std::max(0.0, static_cast<double>(keptSquares) / kept - meanJump * meanJump));
        }
        meanJumpOut_ = meanJump;
        sigmaOut_ = sigma;
    }
    const double meanAbs = meanAbsOut_;
    const double meanJump = meanJumpOut_;
    const double sigma = sigmaOut_;

    double amplitudeThreshold = meanAbs * 200.0 / level_;
    const int16_t q = static_cast<int16_t>((level_ * 103) >> 10);
    int64_t jumpThreshold = static_cast<int64_t>(q * (meanJump + sigma * 200.0 / level_ + 100.0));

    // A repair that reached into this window already covered its first frames.
    int64_t i = std::max<int64_t>(d, resume_[channel] - start);
    const int64_t scanEnd = static_cast<int64_t>(d) + h;
    int64_t loud = WholeLevel(amplitudeThreshold);
    while (i < scanEnd) {
        i = FirstCandidate(windowSamples_.data(), i, scanEnd, d, loud, jumpThreshold);
        if (i >= scanEnd)
            break;
        const int64_t third = Magnitude(raw[i * ch]) / 3;
        int64_t end = -1;
        int32_t k = 1;
        for (; k <= m && i + k < w - d; ++k) {
            if (Magnitude(raw[(i + k) * ch]) < third) {
                end = i + d + k;
                break;
            }
        }
        if (end >= 0) {
            // A straight line from the last clean sample before the click to the first after it.
            const int64_t from = i - d;
            const int64_t span = end - from;
            const int64_t left = raw[from * ch], right = raw[end * ch];
            for (int64_t j = 1; j < span; ++j)
                raw[(from + j) * ch] = static_cast<int32_t>(j * right / span + (span - j) * left / span);
            ++repairs_;
            resume_[channel] = start + end + 1;
            i = end + 1;
        } else if (k > m) {
            // Too long for a click: a transient of the music. Be stricter for the rest of the window.
            amplitudeThreshold *= 1.5;
            loud = WholeLevel(amplitudeThreshold);
            jumpThreshold += jumpThreshold >> 1;
            i += m + 1;
        } else {
            ++i;
        }
    }
}

void LClickPopFilter::ExamineWindow()
{
    for (int32_t c = 0; c < channels_; ++c)
        ExamineChannel(c, analysis_);
    analysis_ += hop_;
}

int64_t LClickPopFilter::Read(int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    int64_t done = 0;
    while (done < frames) {
        if (output_ == analysis_) {
            Fill();
            ExamineWindow();
        }
        const int64_t n = std::min(frames - done, analysis_ - output_);
        std::memcpy(buffer + done * ch, raw_.data() + output_ * ch,
                    static_cast<size_t>(n * ch) * sizeof(int32_t));
        output_ += n;
        done += n;
    }
    return frames;
}

int64_t LClickPopFilter::GetPosition()
{
    return upstream_->GetPosition() - validEnd_ + output_;
}

void LClickPopFilter::Seek(int64_t frame)
{
    upstream_->Seek(frame);
    validEnd_ = analysis_ = output_ = 0;
    std::fill(resume_.begin(), resume_.end(), 0);
    detector_.Clear();
}
