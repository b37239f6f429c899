#pragma once
// The recording session's space texts: the free space on the disk the
// recordings go to, and what is left on the disc the tracks will be burnt
// to, with the one call that asks the optical-drive services about it.

#include <cstdint>
#include <functional>
#include <string>

// Free bytes of the volume as "%3d KB", "%3.2f MB" or "%3.2f GB" (64-bit:
// volumes of several terabytes are common); "Unknown" for a negative count.
std::string FormatFreeSpace(int64_t freeBytes);
// Free bytes of the volume that holds path, -1 when it cannot be asked.
int64_t FreeBytesOfVolume(const char* path);

// What the drive services say of the disc in the chosen burner.
struct SessionDiscState
{
    bool hasDisc = false;
    int64_t freeBlocks = 0; // 2048-byte blocks; 75 of them hold a second of CD audio
};

// The one call that asks the drive services (the burner chosen in the burn
// settings, its disc's free blocks). No drive or no disc: hasDisc false.
SessionDiscState QuerySessionDisc();
// Tests and the screenshots put a fixed answer in its place (empty: the real one).
void SetSessionDiscQuery(std::function<SessionDiscState()> query);

// The audio-CD text: the time left after usedMs, or why there is none.
std::string AudioDiscSpaceText(const SessionDiscState& disc, int64_t usedMs);
// The data-disc text for usedBytes already recorded.
std::string DataDiscSpaceText(const SessionDiscState& disc, int64_t usedBytes);
