#include "audio/devices/LResourceSound.h"

#include "audio/devices/LSoundPlayerDevice.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// Interface sounds are short; more than a few at once is a stuck caller.
constexpr int32_t kMaxPlaying = 4;
constexpr uint32_t kPassMs = 5;
constexpr uint32_t kDrainMs = 2000;

std::mutex gFolderLock;
std::string gFolder;
std::atomic<int32_t> gPlaying{0};

std::string DefaultFolder()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "resources/wav";
    std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/resources/wav";
}

void PlayToEnd(std::string path)
{
    LSignalObject written, ended;
    {
        // Opened on this thread: source handles are counted without locks.
        LSoundSourcePtr source;
        LOpenWavSoundSource(source, path.c_str());
        LSoundPlayerDevice device(&written, &ended);
        if (source->GetStatus() == kSoundStatusOk && device.Open(source, 0, nullptr)) {
            bool started = false;
            const uint32_t rate = static_cast<uint32_t>(source->GetRate());
            while (device.GetError() == 0) {
                int64_t remaining = source->GetLength() - source->GetPosition();
                // The FIFO holds seconds: a short sound goes in whole.
                while (remaining > 0 && device.HasRoom()) {
                    device.Fill(std::min<int64_t>(rate / 30, remaining));
                    written.Signal();
                    remaining = source->GetLength() - source->GetPosition();
                }
                if (!started) {
                    device.Start();
                    started = true;
                }
                if (remaining <= 0 && device.QueuedFrames() == 0)
                    break;
                LSleepMilliseconds(kPassMs);
            }
            device.Drain(kDrainMs);
            device.Reset();
        }
    }
    gPlaying.fetch_sub(1);
}

} // namespace

void LSetResourceSoundFolder(const std::string& folder)
{
    std::lock_guard<std::mutex> guard(gFolderLock);
    gFolder = folder;
}

std::string LGetResourceSoundFolder()
{
    std::lock_guard<std::mutex> guard(gFolderLock);
    if (gFolder.empty())
        gFolder = DefaultFolder();
    return gFolder;
}

int32_t LResourceSoundsPlaying()
{
    return gPlaying.load();
}

void PlayResourceSound(const char* name)
{
    if (name == nullptr || *name == '\0' || std::string(name).find('/') != std::string::npos)
        return;
    const std::string path = LGetResourceSoundFolder() + "/" + name + ".wav";
    if (access(path.c_str(), R_OK) != 0)
        return;
    if (gPlaying.fetch_add(1) >= kMaxPlaying) {
        gPlaying.fetch_sub(1);
        return;
    }
    std::thread(PlayToEnd, path).detach();
}

void PlayResourceTone(int32_t n)
{
    PlayResourceSound(std::to_string(n).c_str());
}
