#pragma once
// The MP3 encoder component: a shared library with LAME's interface that the
// program does not link but loads at run time from the file "quavex4x64" in
// the user's components folder (or, when the user has none, the copy shipped
// in the program's resources folder). Loaded libraries are never unloaded.
// Each MP3 sink owns one component object and, through it, one encoder.

#include <cstddef>

// The encoder's context (LAME's lame_t); opaque here.
struct LLameContext;
using LLameHandle = LLameContext*;

inline constexpr const char* kMp3EncoderComponentName = "quavex4x64";

// LAME's variable-bit-rate modes (its vbr_mode enumeration).
enum : int {
    kLameVbrOff = 0,
    kLameVbrAbr = 3,
    kLameVbrMtrh = 4,
};

// LAME's channel modes (its MPEG_mode enumeration).
enum : int {
    kLameModeStereo = 0,
    kLameModeJointStereo = 1,
    kLameModeMono = 3,
};

// The smallest buffer that always holds what the encoder's flush hands out.
inline constexpr int kLameFlushBufferMinimum = 7200;

// The per-user components folder (the program's data folder + "Components"),
// created with its parents when missing. False (dest empty) when it cannot be named.
bool LGetComponentsFolder(char* dest);

// The file to load for a component: the user's components folder when it
// holds one, else the copy in the program's resources folder. False (dest
// empty) when neither exists.
bool LFindComponentFile(const char* name, char* dest);

class LMp3EncoderComponent
{
public:
    // The entry points, resolved by these names in this order. All must be
    // found for the component to count as loaded.
    struct Functions
    {
        LLameHandle (*lame_init)();
        int (*lame_close)(LLameHandle);
        const char* (*get_lame_short_version)();
        int (*lame_set_num_channels)(LLameHandle, int);
        int (*lame_get_num_channels)(LLameHandle);
        int (*lame_set_mode)(LLameHandle, int);
        int (*lame_get_mode)(LLameHandle);
        int (*lame_set_force_ms)(LLameHandle, int);
        int (*lame_get_force_ms)(LLameHandle);
        int (*lame_set_error_protection)(LLameHandle, int);
        int (*lame_get_error_protection)(LLameHandle);
        int (*lame_set_compression_ratio)(LLameHandle, float);
        float (*lame_get_compression_ratio)(LLameHandle);
        int (*lame_set_brate)(LLameHandle, int);
        int (*lame_get_brate)(LLameHandle);
        int (*lame_set_quality)(LLameHandle, int);
        int (*lame_get_quality)(LLameHandle);
        int (*lame_set_VBR)(LLameHandle, int);
        int (*lame_get_VBR)(LLameHandle);
        int (*lame_set_VBR_min_bitrate_kbps)(LLameHandle, int);
        int (*lame_get_VBR_min_bitrate_kbps)(LLameHandle);
        int (*lame_set_VBR_max_bitrate_kbps)(LLameHandle, int);
        int (*lame_get_VBR_max_bitrate_kbps)(LLameHandle);
        int (*lame_set_VBR_q)(LLameHandle, int);
        int (*lame_get_VBR_q)(LLameHandle);
        int (*lame_set_VBR_mean_bitrate_kbps)(LLameHandle, int);
        int (*lame_get_VBR_mean_bitrate_kbps)(LLameHandle);
        int (*lame_set_in_samplerate)(LLameHandle, int);
        int (*lame_get_in_samplerate)(LLameHandle);
        int (*lame_set_out_samplerate)(LLameHandle, int);
        int (*lame_get_out_samplerate)(LLameHandle);
        int (*lame_init_params)(LLameHandle);
        int (*lame_encode_flush)(LLameHandle, unsigned char* buffer, int size);
        int (*lame_encode_buffer_interleaved_ieee_float)(LLameHandle, const float* pcm, int frames,
                                                         unsigned char* buffer, int size);
    };
    static constexpr int kFunctionCount = 34;
    static const char* const kFunctionNames[kFunctionCount];

    // Locates the component and loads it; IsLoaded tells whether that worked.
    LMp3EncoderComponent();
    // Closes the encoder when one is open; the library stays loaded.
    ~LMp3EncoderComponent();
    LMp3EncoderComponent(const LMp3EncoderComponent&) = delete;
    LMp3EncoderComponent& operator=(const LMp3EncoderComponent&) = delete;

    // Opens the library at path (lazy binding, local symbols). A file that
    // anyone may write is refused: whoever could change it would run code here.
    bool LoadLibrary(const char* path);
    // Looks up every name of the table in order; false at the first missing one.
    bool ResolveFunctions();

    bool IsLoaded() const { return loaded_; }
    const Functions& Fn() const { return fn_; }
    // The encoder's LAME tag frame, when the library offers it (a component
    // without it still encodes; its files just carry an empty tag frame).
    bool HasLameTagFrame() const { return getLameTagFrame_ != nullptr; }
    size_t GetLameTagFrame(unsigned char* buffer, size_t size) const;
    // The samples the encoder put before and after the input at the output
    // rate; false when the library does not tell.
    bool GetDelayAndPadding(int* delay, int* padding) const;

    // Makes the encoder context; false when the component is not loaded or
    // the library refused.
    bool OpenEncoder();
    // Closes the encoder context; the result of lame_close (0 when none was open).
    int CloseEncoder();
    LLameHandle GetEncoder() const { return encoder_; }

    // Constant bit rate keeps the encoder's current bitrate (and a
    // compression ratio to match it); variable selects LAME's default VBR
    // mode. False when the encoder refused a value.
    bool SetVbr(bool vbr);

private:
    Functions fn_ = {};
    size_t (*getLameTagFrame_)(LLameHandle, unsigned char*, size_t) = nullptr;
    int (*getEncoderDelay_)(LLameHandle) = nullptr;
    int (*getEncoderPadding_)(LLameHandle) = nullptr;
    void* library_ = nullptr;
    LLameHandle encoder_ = nullptr;
    bool loaded_ = false;
};
