#pragma once
// Helpers shared by the job queue tests: records made from a few texts, the
// queue file's bytes, and a notice collector standing in for the main window.

#include "app/queue/ProcessQueueFile.h"
#include "app/queue/ProcessQueueRecord.h"
#include "app/queue/QueueNotices.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace queuetest {

inline ProcessQueueRecord MakeRecord(const std::string& source, const std::string& folder,
                                     const std::string& extension, const std::string& destination = "")
{
    ProcessQueueRecord record;
    EXPECT_TRUE(SetQueueText(record.sourcePath, source.c_str()));
    EXPECT_TRUE(SetQueueText(record.outputFolder, folder.c_str()));
    EXPECT_TRUE(SetQueueText(record.outputExtension, extension.c_str()));
    EXPECT_TRUE(SetQueueText(record.destinationPath, destination.c_str()));
    EXPECT_TRUE(SetQueueText(record.durationText, "0:00:01.000"));
    return record;
}

inline std::string FileBytes(const std::string& path)
{
    return quorin::test::ReadFileBytes(path);
}

inline ProcessQueueHeader HeaderOf(const std::string& bytes)
{
    EXPECT_GE(bytes.size(), kQueueHeaderSize);
    return DecodeQueueHeader(reinterpret_cast<const uint8_t*>(bytes.data()));
}

// Collects the notices a job posts, from any thread.
class NoticeCollector
{
public:
    NoticeCollector()
    {
        QueueReporter().SetPoster([this](const QueueNotice& notice) {
            std::lock_guard<std::mutex> guard(lock_);
            notices_.push_back(notice);
        });
    }
    ~NoticeCollector() { QueueReporter().SetPoster(nullptr); }

    std::vector<QueueNotice> All()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return notices_;
    }
    std::vector<QueueNotice> WithCode(int32_t code)
    {
        std::vector<QueueNotice> found;
        for (const QueueNotice& n : All())
            if (n.code == code)
                found.push_back(n);
        return found;
    }

private:
    std::mutex lock_;
    std::vector<QueueNotice> notices_;
};

} // namespace queuetest
