#include "app/program/startup/LAcceleratorTables.h"

#include "app/program/LProgramCommands.h"

// Codes as whole numbers: the character (upper case) in the low 16 bits or a
// virtual key in bits 24-31; 0x10000 Ctrl, 0x20000 Shift, 0x80000 Alt.
const LKeyToCommandMap LMainAcceleratorTable[kMainAcceleratorCount] = {
    {{0x10052, false}, kCmdStartRecordingSession},
    {{0x1004A, false}, kCmdJoinFiles},
    {{0x10041, false}, kCmdSelectAll},
    {{0x10055, false}, kCmdBurnAudioCd},
    {{0x10049, false}, kCmdOpenMusicFolder},
    {{0x10054, false}, kCmdEditTag},
    {{0x10047, false}, kCmdEditSelectedTags},
    {{0x33010000, false}, kCmdRemoveFiles},
    {{0x75000000, false}, kCmdRemoveFiles}, // the Delete key, as Ctrl+Backspace
    {{0x80057, false}, kCmdOpenRecordingWizard},
    {{0x1002C, false}, kCmdPreferences},
    {{0x10053, false}, kCmdCopyTo},
    {{0x80041, false}, kCmdAddFiles},
    {{0x64000000, false}, kCmdEditWithTessary},
    {{0x78000000, false}, kCmdRenameFile},
    {{0x10050, false}, kCmdPlayFile},
    {{0x7E010000, false}, kCmdMoveFileUp},
    {{0x7D010000, false}, kCmdMoveFileDown},
    {{0x10057, false}, kCmdCloseWindow},
};

const LKeyToCommandMap LRecordingAcceleratorTable[kRecordingAcceleratorCount] = {
    {{0x60000000, false}, 4011}, // F5
    {{0x20, false}, 4012},       // Space
    {{0x10052, false}, 4013},    // Ctrl+R
    {{0x62000000, false}, 4014}, // F7
    {{0x10053, false}, 4015},    // Ctrl+S
    {{0x10044, false}, 4016},    // Ctrl+D
    {{0x10057, false}, 1001},    // Ctrl+W
    {{0x35000000, false}, 1001}, // Escape
};

// The playback window. Keypad Enter closes as Return does, and Ctrl+Left /
// Ctrl+Right stand in for Home and End on keyboards without them.
const LKeyToCommandMap LPlayAcceleratorTable[kPlayAcceleratorCount] = {
    {{0x20, false}, 124},       // Space: play or pause
    {{0x35000000, false}, 122}, // Escape
    {{0x7B000000, false}, 112}, // Left: rewind while held
    {{0x7C000000, false}, 113}, // Right: forward while held
    {{0x73000000, false}, 111}, // Home
    {{0x77000000, false}, 114}, // End
    {{0x10057, false}, 122},    // Ctrl+W
    {{0x24000000, false}, 122}, // Return
    {{0x4C000000, false}, 122}, // Enter
    {{0x7B010000, false}, 111}, // Ctrl+Left
    {{0x7C010000, false}, 114}, // Ctrl+Right
};
