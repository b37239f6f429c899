// qd-audio record OUT.wav --device N [--channel C] --seconds S [--stats]:
// records an input through the recorder thread into a 44.1 kHz 16-bit
// stereo WAV; --stats prints the frames lost to overruns.

#include "QdCommand.h"

#include "audio/devices/LSoundInputDevices.h"
#include "audio/devices/LSoundRecorder.h"
#include "foundation/threads/LThreadQueuedNotify.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool ParseNumber(const char* text, long low, long high, long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

class RecordListener : public LSoundRecorderListener
{
public:
    void OnStopped(void*) override { stopped = true; }
    void OnError(int32_t code, void*) override
    {
        error = code;
        stopped = true;
    }
    void OnDataLost(int64_t frames, void*) override { lost = frames; }

    bool stopped = false;
    int32_t error = 0;
    int64_t lost = 0;
};

int RunRecord(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return QdFail("usage: qd-audio record OUT.wav --device N [--channel C] --seconds S");
    long device = 0, channel = 0, seconds = 0;
    if (!ParseNumber(QdOption(argc, argv, "--device"), 0, 100000, device))
        return QdFail("--device needs the index of an input (see qd-audio devices)");
    const char* channelText = QdOption(argc, argv, "--channel");
    if (channelText != nullptr && !ParseNumber(channelText, 0, 255, channel))
        return QdFail("--channel needs a channel index from 0 to 255");
    if (!ParseNumber(QdOption(argc, argv, "--seconds"), 1, 86400, seconds))
        return QdFail("--seconds needs a length from 1 to 86400");

    const int32_t channels = LSoundInputGetChannelCount(static_cast<int32_t>(device));
    if (channels <= 0)
        return QdFail("input %ld does not exist", device);
    if (channel >= channels)
        return QdFail("input %ld has %d channel(s)", device, channels);

    LPolledNotifyQueue queue;
    LSoundRecorder recorder;
    RecordListener listener;
    recorder.SetListener(&listener, nullptr);
    LSoundInputSelection selection;
    selection.device = static_cast<int32_t>(device);
    selection.channel = static_cast<uint32_t>(channel);
    selection.stereo = (channels > 1 && channel == 0) ? 1 : 0;
    recorder.SetSelection(selection);

    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, 44100, 2, 16);
    LSoundSinkPtr sink;
    CreateSoundSinkForFormat(sink, argv[1], format);
    if (sink->IsFailed())
        return QdFail("%s: cannot be written", argv[1]);

    // Record from the first block, never leaving out a silence.
    const int64_t noSilenceCut = INT64_MAX / 4;
    if (!recorder.Start(sink, seconds * 1000, -127, noSilenceCut, kRecorderStartRecording))
        return QdFail("input %ld cannot be recorded", device);
    sink.Reset(); // the recorder holds the file now and finishes it when it stops
    while (!listener.stopped)
        queue.WaitAndDeliver(100);
    if (QdFlag(argc, argv, "--stats"))
        std::printf("lost_frames=%lld overruns=%lld\n", static_cast<long long>(recorder.GetLostFrames()),
                    static_cast<long long>(recorder.GetOverrunCount()));
    if (listener.error != 0)
        return QdFail("recording stopped: the input failed (code %d)", listener.error);
    if (listener.lost > 0)
        return QdFail("%lld frames were lost: the recorder fell behind",
                      static_cast<long long>(listener.lost));
    return 0;
}

QdRegistrar reg("record", "record OUT.wav --device N [--channel C] --seconds S [--stats]", &RunRecord);

} // namespace
