// qd-gui progress: real work under the progress dialog.
//   normalize IN.wav OUT.wav   the engine's normalisation as the dialog's task
//   run -- CMD ARGS...         a child whose output lines "PERCENT TEXT" drive
//                              the bar, waited for through the poll-set wait
// Prints "result N"; exit 0 finished, 1 cancelled, 2 error.
#include "QdGuiCommand.h"

#include "audio/core/LSoundSink.h"
#include "audio/effects/LNormalize.h"
#include "audio/effects/LProcessingPump.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/threads/LPollSet.h"
#include "gui/framework/LProgressDialog.h"
#include "gui/qt/LQtView.h"

#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kFinished = 0;
constexpr int kCancelled = 1;
constexpr int kFailed = 2;

class NormalizeTask : public LProgressDialog
{
public:
    NormalizeTask(const char* in, const char* out) : LProgressDialog("Normalize"), in_(in), out_(out) {}
    int outcome = kFailed;

    int64_t Process() override
    {
        MessageLevel("Normalizing", 0);
        MessageLevel(in_, 1);
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, in_);
        if (source->GetStatus() != kSoundStatusOk) {
            std::fprintf(stderr, "qd-gui: %s cannot be read\n", in_);
            return outcome = kFailed;
        }
        LNormalizeParams params;
        params.source = source;
        int32_t normalized = NormalizeSound(this, params);
        if (normalized != 0)
            return outcome = normalized == 1 ? kCancelled : kFailed;
        LWaveFormatBlock format;
        LSetWaveFormatBlock(format, 1, static_cast<uint32_t>(params.source->GetRate()),
                            params.source->GetChannels(), 16);
        LSoundSinkPtr sink;
        CreateSoundSinkForFormat(sink, out_, format);
        if (sink->IsFailed()) {
            std::fprintf(stderr, "qd-gui: %s cannot be written\n", out_);
            return outcome = kFailed;
        }
        LSoundProcessJob job;
        job.title = "Normalize";
        job.input = params.source;
        job.output = sink;
        int32_t result = ProcessSoundToSink(this, job);
        job.output.Reset();
        if (result == kPumpCancelled || IsCancelled()) {
            sink.Reset();
            ::unlink(out_);
            return outcome = kCancelled;
        }
        if (result != 0 || !sink->Finish())
            return outcome = kFailed;
        return outcome = kFinished;
    }

private:
    const char* in_;
    const char* out_;
};

class RunTask : public LProgressDialog
{
public:
    explicit RunTask(std::vector<const char*> argv) : LProgressDialog("Run"), argv_(std::move(argv))
    {
        argv_.push_back(nullptr);
    }
    int outcome = kFailed;

    int64_t Process() override
    {
        LChildProcess child;
        if (!child.Start(argv_.data(), LChildStream::Null, LChildStream::Pipe)) {
            std::fprintf(stderr, "qd-gui: %s cannot be started\n", argv_[0]);
            return outcome = kFailed;
        }
        LPollSet set;
        set.Add(child.OutputFd());
        std::string pending;
        for (;;) {
            int wait = WaitForStopOrPollSetNoLimit(&set);
            if (wait == LWaitStopRequested) {
                child.Detach(); // the background reaper ends it
                return outcome = kCancelled;
            }
            char buffer[4096];
            ssize_t got = ::read(child.OutputFd(), buffer, sizeof buffer);
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (got <= 0)
                break;
            pending.append(buffer, static_cast<size_t>(got));
            size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                char* rest = nullptr;
                double percent = std::strtod(line.c_str(), &rest);
                if (rest != line.c_str()) {
                    Progress(percent / 100.0);
                    while (*rest == ' ')
                        ++rest;
                    MessageLevel(rest, 0);
                }
            }
        }
        child.CloseOutput();
        int status = child.WaitToEnd();
        return outcome = status == 0 ? kFinished : kFailed;
    }

private:
    std::vector<const char*> argv_;
};

int Progress(int argc, char** argv)
{
    int cancelAfter = -1;
    const char* shot = nullptr;
    int i = 0;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cancel-after") == 0 && i + 1 < argc)
            cancelAfter = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--shot") == 0 && i + 1 < argc)
            shot = argv[++i];
        else
            break;
    }
    if (i >= argc)
        return kFailed;
    std::string what = argv[i++];
    LProgressDialog* dialog = nullptr;
    NormalizeTask* normalize = nullptr;
    RunTask* run = nullptr;
    if (what == "normalize" && i + 2 == argc) {
        dialog = normalize = new NormalizeTask(argv[i], argv[i + 1]);
    } else if (what == "run" && i < argc) {
        if (std::strcmp(argv[i], "--") == 0)
            ++i;
        if (i >= argc)
            return kFailed;
        dialog = run = new RunTask(std::vector<const char*>(argv + i, argv + argc));
    } else {
        std::fprintf(stderr, "qd-gui progress: normalize IN.wav OUT.wav | run -- CMD ARGS...\n");
        return kFailed;
    }
    bool secondPressChanged = false;
    if (cancelAfter >= 0) {
        QTimer::singleShot(cancelAfter, [dialog, &secondPressChanged] {
            dialog->PressButton(kCommandCancel);
            // A second press finds Cancel disabled and changes nothing.
            bool enabledAfterFirst = dialog->IsControlEnabled(kCommandCancel);
            bool pressed = dialog->PressButton(kCommandCancel);
            secondPressChanged = enabledAfterFirst || pressed;
        });
    }
    if (shot != nullptr) {
        QTimer::singleShot(cancelAfter >= 0 ? std::max(0, cancelAfter / 2) : 100, [dialog, shot] {
            if (dialog->GetView() != nullptr)
                LQtWidget(dialog->GetView())->window()->grab().toImage().save(QString::fromUtf8(shot), "PNG");
        });
    }
    uint32_t result = dialog->Run(nullptr);
    int outcome = normalize != nullptr ? normalize->outcome : run->outcome;
    if (secondPressChanged) {
        std::fprintf(stderr, "qd-gui: a second Cancel changed the dialog\n");
        outcome = kFailed;
    }
    std::printf("result %u\n", result);
    delete dialog;
    return outcome;
}

QdGuiCommandRegistrar reg("progress", Progress);

} // namespace
