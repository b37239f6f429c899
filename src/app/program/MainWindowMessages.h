#pragma once
// What other windows and threads tell the main window: its message codes
// and the calls that post them. Below the main window, so that a dialog it
// opens (the burn settings page) can report back without knowing it.

#include <cstdint>
#include <string>
#include <vector>

// Window messages and notifications the main window answers.
enum : uint32_t {
    kMainMsgEraseDisc = 114,
    kMainMsgBurnWhenDone = 2032,
    kMainMsgMinimize = 2033,
    kMainMsgRemoveNamedFile = 2034,
    kMainMsgJobQueued = 2035,
    kMainMsgSplitFile = 2036,
    kMainMsgRecordingState = 2037,
    kMainMsgRecordingDiscarded = 2038,
    kMainMsgOpenSession = 2039,
    kMainMsgOpenWizard = 2040,
    kMainMsgReloadList = 2041,
    kMainMsgJobDone = 2042,
    kMainMsgByProductDone = 2043,
    kMainMsgProgress = 2046,
    kMainMsgDiscInserted = 2047,
    kMainMsgDiscEjected = 2048,
    kMainMsgBurnAfterSession = 2049,
    kMainMsgRemoveSelected = 2050,
    kMainMsgFailure = 2060,
};

// The payload of a split request (2036): the file and its split points in frames.
struct MainSplitRequest
{
    std::string path;
    std::vector<int64_t> points;
};

// Posts a window message to the main window from any thread. text travels
// as the message's payload (freed by the receiver, or when the message is
// dropped); integer is its second word. False when there is no main window.
bool PostMainWindowMessage(uint32_t code, const std::string& text, int64_t integer);
bool PostMainWindowSplit(const MainSplitRequest& request);
