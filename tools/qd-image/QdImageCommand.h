#pragma once
// Subcommands of the qd-image developer tool register themselves in the table
// the developer tools share:
//
//   static QdRegistrar reg("info", "info IN", &RunInfo);
//
// Exit status: 0 done, 1 the picture was refused (QdImageRefused prints
// "qd-image: IN: cause"), 2 a usage or I/O error (QdFail).

#include "QdTool.h"

int QdImageRefused(const char* path, const char* cause);
