#include "audio/formats/mp3/LMp3EncoderComponent.h"

#include "foundation/files/LAppDataSubfolder.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LBundle.h"

#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(LMp3EncoderComponent::Functions) == LMp3EncoderComponent::kFunctionCount * sizeof(void*),
              "the entry table is one pointer per name");

const char* const LMp3EncoderComponent::kFunctionNames[kFunctionCount] = {
    "lame_init",
    "lame_close",
    "get_lame_short_version",
    "lame_set_num_channels",
    "lame_get_num_channels",
    "lame_set_mode",
    "lame_get_mode",
    "lame_set_force_ms",
    "lame_get_force_ms",
    "lame_set_error_protection",
    "lame_get_error_protection",
    "lame_set_compression_ratio",
    "lame_get_compression_ratio",
    "lame_set_brate",
    "lame_get_brate",
    "lame_set_quality",
    "lame_get_quality",
    "lame_set_VBR",
    "lame_get_VBR",
    "lame_set_VBR_min_bitrate_kbps",
    "lame_get_VBR_min_bitrate_kbps",
    "lame_set_VBR_max_bitrate_kbps",
    "lame_get_VBR_max_bitrate_kbps",
    "lame_set_VBR_q",
    "lame_get_VBR_q",
    "lame_set_VBR_mean_bitrate_kbps",
    "lame_get_VBR_mean_bitrate_kbps",
    "lame_set_in_samplerate",
    "lame_get_in_samplerate",
    "lame_set_out_samplerate",
    "lame_get_out_samplerate",
    "lame_init_params",
    "lame_encode_flush",
    "lame_encode_buffer_interleaved_ieee_float",
};

namespace {

bool IsFile(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

bool LGetComponentsFolder(char* dest)
{
    return LCreateAppDataSubfolder("Components", dest);
}

bool LFindComponentFile(const char* name, char* dest)
{
    char folder[kLPathSize];
    if (LGetComponentsFolder(folder) && LPathCombine(dest, folder, name, "") && IsFile(dest))
        return true;
    char resources[kLPathSize];
    if (LGetResourcesFolder(resources, sizeof resources) && LPathCombine(dest, resources, name, "") &&
        IsFile(dest))
        return true;
    dest[0] = '\0';
    return false;
}

LMp3EncoderComponent::LMp3EncoderComponent()
{
    char path[kLPathSize];
    if (!LFindComponentFile(kMp3EncoderComponentName, path))
        return;
    loaded_ = LoadLibrary(path) && ResolveFunctions();
}

LMp3EncoderComponent::~LMp3EncoderComponent()
{
    CloseEncoder();
}

bool LMp3EncoderComponent::LoadLibrary(const char* path)
{
    library_ = nullptr;
    struct stat info;
    // Group-writable files are common under a umask of 002 and belong to the
    // user's own group; a file any user may change is not loaded.
    if (path == nullptr || stat(path, &info) != 0 || !S_ISREG(info.st_mode) ||
        (info.st_mode & S_IWOTH) != 0 || (info.st_uid != getuid() && info.st_uid != 0))
        return false;
    library_ = dlopen(path, RTLD_LAZY | RTLD_LOCAL);
    return library_ != nullptr;
}

bool LMp3EncoderComponent::ResolveFunctions()
{
    if (library_ == nullptr)
        return false;
    void* entries[kFunctionCount] = {};
    bool found = true;
    for (int i = 0; i < kFunctionCount && found; ++i) {
        entries[i] = dlsym(library_, kFunctionNames[i]);
        found = entries[i] != nullptr;
    }
    // Function addresses from the loader fill the table in name order.
    std::memcpy(&fn_, entries, sizeof fn_);
    if (!found)
        return false;
    // Beyond the table: what completes the stream's tag frame, when offered.
    void* address = dlsym(library_, "lame_get_lametag_frame");
    std::memcpy(&getLameTagFrame_, &address, sizeof address);
    address = dlsym(library_, "lame_get_encoder_delay");
    std::memcpy(&getEncoderDelay_, &address, sizeof address);
    address = dlsym(library_, "lame_get_encoder_padding");
    std::memcpy(&getEncoderPadding_, &address, sizeof address);
    return true;
}

size_t LMp3EncoderComponent::GetLameTagFrame(unsigned char* buffer, size_t size) const
{
    if (getLameTagFrame_ == nullptr || encoder_ == nullptr)
        return 0;
    return getLameTagFrame_(encoder_, buffer, size);
}

bool LMp3EncoderComponent::GetDelayAndPadding(int* delay, int* padding) const
{
    if (getEncoderDelay_ == nullptr || getEncoderPadding_ == nullptr || encoder_ == nullptr)
        return false;
    *delay = getEncoderDelay_(encoder_);
    *padding = getEncoderPadding_(encoder_);
    return *delay >= 0 && *padding >= 0;
}

bool LMp3EncoderComponent::OpenEncoder()
{
    if (!loaded_)
        return false;
    if (encoder_ == nullptr)
        encoder_ = fn_.lame_init();
    return encoder_ != nullptr;
}

int LMp3EncoderComponent::CloseEncoder()
{
    if (encoder_ == nullptr)
        return 0;
    const int result = fn_.lame_close(encoder_);
    encoder_ = nullptr;
    return result;
}

bool LMp3EncoderComponent::SetVbr(bool vbr)
{
    if (encoder_ == nullptr)
        return false;
    bool ok = true;
    if (!vbr) {
        const int bitrate = fn_.lame_get_brate(encoder_);
        // A fresh encoder may report 0: no ratio can be derived from it.
        if (bitrate > 0) {
            ok = fn_.lame_set_compression_ratio(encoder_, static_cast<float>(1411.2 / bitrate)) == 0 && ok;
            ok = fn_.lame_set_brate(encoder_, bitrate) == 0 && ok;
        }
    }
    ok = fn_.lame_set_VBR(encoder_, vbr ? kLameVbrMtrh : kLameVbrOff) == 0 && ok;
    return ok;
}
