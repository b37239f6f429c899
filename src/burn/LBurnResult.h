#pragma once
// The outcome of every step of a disc operation: a code into the burn error
// table, an optional free text, the sense triple of the last failed SCSI
// command, and further results gathered by a composite step (newest first).
//
// Code 0 is success. Code 1 means the user cancelled, or that a step has
// already shown its own message, so callers show nothing further.

#include <cstddef>
#include <cstdint>

inline constexpr int kBurnNoError = 0;
inline constexpr int kBurnUserCanceled = 1;
inline constexpr int kBurnCreateIsoFailed = 5;
inline constexpr int kBurnIsoStructureFailed = 6;
inline constexpr int kBurnCreateUdfFailed = 11;
inline constexpr int kBurnDriveMissing = 15;
inline constexpr int kBurnCapacityExceeded = 28;
inline constexpr int kBurnVerifyFailed = 30;
inline constexpr int kBurnReadError = 31;
inline constexpr int kBurnWriteError = 32;
inline constexpr int kBurnDiskFull = 37;
inline constexpr int kBurnFileNotFound = 41;
inline constexpr int kBurnScsiError = 46;
inline constexpr int kBurnUnknownError = 49;
inline constexpr int kBurnErrorCount = 50;

inline constexpr std::size_t kBurnMessageSize = 520;

// The sense key, ASC and ASCQ of a device's last command; all 0 when it
// completed with GOOD status.
struct LScsiSense
{
    uint8_t senseKey = 0;
    uint8_t additionalSenseCode = 0;
    uint8_t additionalSenseCodeQualifier = 0;
};

struct LBurnResultDetail
{
    int32_t code = 0;
    char message[kBurnMessageSize] = {};
    uint8_t senseKey = 0;
    uint8_t additionalSenseCode = 0;
    uint8_t additionalSenseCodeQualifier = 0;
    LBurnResultDetail* next = nullptr;
};

class LBurnResult
{
public:
    LBurnResult() = default;
    LBurnResult(const LBurnResult& other);
    LBurnResult& operator=(const LBurnResult& other);
    ~LBurnResult();

    // Code 0, empty message, sense bytes 0, no details.
    void Clear();

    // Sets code and message (cut between characters to 519 bytes) and the
    // sense triple; the details stay.
    void Set(int32_t resultCode, const char* text = nullptr, const LScsiSense& sense = {});
    // Set with a printf-style message.
    void SetFormat(int32_t resultCode, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // A new entry at the head of the detail list.
    void AddDetail(int32_t detailCode, const char* text, const LScsiSense& sense = {});
    // Deep copies of all of the other record's entries at the tail, in order.
    void AppendDetails(const LBurnResult& other);

    bool Ok() const { return code == kBurnNoError; }
    std::size_t DetailCount() const;
    // The table text of the code.
    const char* CodeText() const;
    // "TEXT" or "TEXT: MESSAGE", for one-line reports.
    void Describe(char* dest, std::size_t size) const;

    int32_t code = 0;
    char message[kBurnMessageSize] = {};
    uint8_t senseKey = 0;
    uint8_t additionalSenseCode = 0;
    uint8_t additionalSenseCodeQualifier = 0;
    LBurnResultDetail* details = nullptr;

private:
    void FreeDetails();
};

// The text of a burn error code; codes outside the table read as "Unknown error".
const char* LBurnErrorText(int code);

// Copies text into a fixed field of `size` bytes, cut between UTF-8
// characters, always terminated.
void LBurnCopyText(char* dest, std::size_t size, const char* src);
