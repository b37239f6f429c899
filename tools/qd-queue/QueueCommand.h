#pragma once
// Subcommands of the qd-queue developer tool register themselves in the table
// the developer tools share (QdRegistrar, QdFail, QdOption, QdFlag):
//
//   QdRegistrar reg("list", "list", &RunList);

#include "QdTool.h"

#include <string>

// The path made absolute against the current folder (the worker may run
// from anywhere).
std::string QueueAbsolutePath(const char* path);

// This user's queue file; exits with a message when it cannot be named.
std::string QueuePathOrExit();
