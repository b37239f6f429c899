// qd-audio play FILE [--device N]: plays an audio file through the player
// thread on an output (0, the default, unless given).

#include "QdCommand.h"

#include "audio/LAudioFileOpener.h"
#include "audio/devices/LSoundOutputDevices.h"
#include "audio/devices/LSoundPlayer.h"
#include "foundation/threads/LThreadQueuedNotify.h"

#include <cstdlib>

namespace {

class PlayListener : public LSoundPlayerListener
{
public:
    void OnPlayStopped(void*) override { stopped = true; }
    void OnPlayError(int32_t code, void*) override { error = code; }

    bool stopped = false;
    int32_t error = 0;
};

int RunPlay(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return QdFail("usage: qd-audio play FILE [--device N]");
    long device = 0;
    if (const char* text = QdOption(argc, argv, "--device")) {
        char* end = nullptr;
        device = std::strtol(text, &end, 10);
        if (*text == '\0' || *end != '\0' || device < 0 || device >= LSoundOutDeviceList::GetCount())
            return QdFail("--device needs the index of an output (see qd-audio devices)");
    }
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, argv[1]);
    if (source->GetStatus() != kSoundStatusOk)
        return QdFail("%s: cannot be read (status %u)", argv[1], source->GetStatus());

    LPolledNotifyQueue queue;
    LSoundPlayer player;
    PlayListener listener;
    player.SetListener(&listener, nullptr);
    LPlaybackDeviceSel selection;
    selection.device = static_cast<int32_t>(device);
    player.GetDevice().SetDevice(selection);
    if (!player.Play(source))
        return QdFail("output %ld cannot be opened", device);
    while (!listener.stopped)
        queue.WaitAndDeliver(100);
    if (listener.error != 0)
        return QdFail("playback stopped: the output failed (code %d)", listener.error);
    return 0;
}

QdRegistrar reg("play", "play FILE [--device N]", &RunPlay);

} // namespace
