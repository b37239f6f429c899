#include "burn/LBurnResult.h"

#include "foundation/text/LUtf8.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char* const kBurnErrorTexts[kBurnErrorCount] = {
    "No errors",
    "User canceled the burn",
    "The inserted disc is not empty",
    "Unsupported format of DVD disc",
    "Can not read format of DVD disc",
    "Create ISO image failed",
    "Unable to create file structure in ISO image",
    "Unable to find next writable address on DVD-RW",
    "Unable to set write speed",
    "Could not append to the existing session",
    "Could not start new session",
    "Create UDF image failed",
    "Device not ready",
    "Could not reserve track space",
    "There appears to be no disc in the drive, please insert one and try again",
    "The selected drive does not exist or is not responding.",
    "The selected drive cannot write or record CDs",
    "The selected drive cannot write or record DVDs",
    "The selected drive cannot write or record HD DVDs",
    "The selected drive cannot write or record Blu-rays",
    "The loaded disc is not a DVD",
    "The loaded disc is not a CD",
    "The loaded disc is not a HD DVD",
    "The loaded disc is not a Blu-ray",
    "Disc needs erasing and the drive cannot erase discs",
    "Error erasing the disc",
    "Error converting audio files for burning",
    "Too many tracks for the disc",
    "Disc capacity has been exceeded",
    "Disc in the drive is already burned",
    "Verification of the burn failed",
    "Error Reading from Disc",
    "Error Writing to Disc",
    "Set Write Mode Failed",
    "Error with write address",
    "Send Cue Sheet Failed",
    "Cannot read essential part of the disc, probably the disc is not compatible with your drive",
    "Not enough free harddrive space to do this action",
    "Cannot create an ISO image because the loaded disc is not a data disc",
    "Drive is busy, please wait and try again",
    "DVD Authoring failed, please check the video files and available free space",
    "File to be written to disc is not found - check the file is present and on an available drive",
    "Disc in the drive is unreadable",
    "Burner does not support MMC, unusable by Pyrocastelle",
    "Drive not ready",
    ("Session at Once burning FAILED to customize the track pause and/or write CD-TEXT, it may be your "
     "drive does not support this. The disc was still burned successfully and can be played."),
    "Unknown SCSI access error",
    "Cannot burn track with more than two audio channels.",
    "Blu-ray authoring failed, please check the video files and free space",
    "Unknown error",
};

LBurnResultDetail* CopyEntry(const LBurnResultDetail& from)
{
    auto* entry = new LBurnResultDetail;
    entry->code = from.code;
    std::memcpy(entry->message, from.message, sizeof entry->message);
    entry->message[kBurnMessageSize - 1] = '\0';
    entry->senseKey = from.senseKey;
    entry->additionalSenseCode = from.additionalSenseCode;
    entry->additionalSenseCodeQualifier = from.additionalSenseCodeQualifier;
    return entry;
}

} // namespace

const char* LBurnErrorText(int code)
{
    if (code < 0 || code >= kBurnErrorCount)
        return kBurnErrorTexts[kBurnUnknownError];
    return kBurnErrorTexts[code];
}

void LBurnCopyText(char* dest, std::size_t size, const char* src)
{
    if (size == 0)
        return;
    if (src == nullptr) {
        dest[0] = '\0';
        return;
    }
    LUtf8CopyWhole(dest, src, size);
}

LBurnResult::LBurnResult(const LBurnResult& other)
    : code(other.code), senseKey(other.senseKey), additionalSenseCode(other.additionalSenseCode),
      additionalSenseCodeQualifier(other.additionalSenseCodeQualifier)
{
    std::memcpy(message, other.message, sizeof message);
    message[kBurnMessageSize - 1] = '\0';
    AppendDetails(other);
}

LBurnResult& LBurnResult::operator=(const LBurnResult& other)
{
    if (this == &other)
        return *this;
    code = other.code;
    std::memcpy(message, other.message, sizeof message);
    message[kBurnMessageSize - 1] = '\0';
    senseKey = other.senseKey;
    additionalSenseCode = other.additionalSenseCode;
    additionalSenseCodeQualifier = other.additionalSenseCodeQualifier;
    FreeDetails();
    AppendDetails(other);
    return *this;
}

LBurnResult::~LBurnResult()
{
    FreeDetails();
}

void LBurnResult::FreeDetails()
{
    while (details != nullptr) {
        LBurnResultDetail* next = details->next;
        delete details;
        details = next;
    }
}

void LBurnResult::Clear()
{
    code = 0;
    message[0] = '\0';
    senseKey = additionalSenseCode = additionalSenseCodeQualifier = 0;
    FreeDetails();
}

void LBurnResult::Set(int32_t resultCode, const char* text, const LScsiSense& sense)
{
    code = resultCode;
    LBurnCopyText(message, sizeof message, text);
    senseKey = sense.senseKey;
    additionalSenseCode = sense.additionalSenseCode;
    additionalSenseCodeQualifier = sense.additionalSenseCodeQualifier;
}

void LBurnResult::SetFormat(int32_t resultCode, const char* format, ...)
{
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Set(resultCode, text);
}

void LBurnResult::AddDetail(int32_t detailCode, const char* text, const LScsiSense& sense)
{
    auto* entry = new LBurnResultDetail;
    entry->code = detailCode;
    LBurnCopyText(entry->message, sizeof entry->message, text);
    entry->senseKey = sense.senseKey;
    entry->additionalSenseCode = sense.additionalSenseCode;
    entry->additionalSenseCodeQualifier = sense.additionalSenseCodeQualifier;
    entry->next = details;
    details = entry;
}

void LBurnResult::AppendDetails(const LBurnResult& other)
{
    // Copy first, so appending a record to itself cannot walk its own new tail.
    LBurnResultDetail* head = nullptr;
    LBurnResultDetail** tail = &head;
    for (const LBurnResultDetail* from = other.details; from != nullptr; from = from->next) {
        *tail = CopyEntry(*from);
        tail = &(*tail)->next;
    }
    LBurnResultDetail** end = &details;
    while (*end != nullptr)
        end = &(*end)->next;
    *end = head;
}

std::size_t LBurnResult::DetailCount() const
{
    std::size_t count = 0;
    for (const LBurnResultDetail* entry = details; entry != nullptr; entry = entry->next)
        ++count;
    return count;
}

const char* LBurnResult::CodeText() const
{
    return LBurnErrorText(code);
}

void LBurnResult::Describe(char* dest, std::size_t size) const
{
    if (message[0] != '\0')
        std::snprintf(dest, size, "%s: %s", CodeText(), message);
    else
        std::snprintf(dest, size, "%s", CodeText());
}
