#include "app/queue/QueueNotices.h"

#include "audio/effects/LRestorationTasks.h"

#include <cmath>

int32_t QueuePercent(double fraction)
{
    if (!(fraction > 0.0)) // NaN included
        return 0;
    if (fraction >= 1.0)
        return 100;
    return static_cast<int32_t>(std::floor(fraction * 100.0));
}

void JobProgressReporter::SetPoster(QueueNoticePoster poster)
{
    std::lock_guard<std::mutex> guard(lock_);
    poster_ = std::move(poster);
    lastPercent_ = -1;
}

bool JobProgressReporter::HasPoster() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<bool>(poster_);
}

void JobProgressReporter::Post(const QueueNotice& notice)
{
    QueueNoticePoster poster;
    {
        std::lock_guard<std::mutex> guard(lock_);
        poster = poster_;
    }
    // Called outside the lock: a poster may well take locks of its own.
    if (poster)
        poster(notice);
}

void JobProgressReporter::NotifyProgress(double fraction)
{
    const int32_t percent = QueuePercent(fraction);
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!poster_ || percent == lastPercent_)
            return;
        lastPercent_ = percent;
    }
    QueueNotice notice;
    notice.code = kQueueNoticeProgress;
    char text[LWorkerStatusRecord::kTextSize];
    WorkerStatus().GetStatusText(text);
    notice.text = text;
    notice.percent = percent;
    Post(notice);
}

void JobProgressReporter::NotifyJobDone(const char* outputPath)
{
    QueueNotice notice;
    notice.code = kQueueNoticeJobDone;
    notice.text = outputPath;
    Post(notice);
}

void JobProgressReporter::NotifyMessage(const char* text, int level)
{
    QueueNotice notice;
    notice.code = kQueueNoticeMessage;
    notice.text = text;
    notice.percent = level;
    Post(notice);
}

int32_t JobProgressReporter::LastPercent() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return lastPercent_;
}

JobProgressReporter& QueueReporter()
{
    static JobProgressReporter reporter;
    return reporter;
}
