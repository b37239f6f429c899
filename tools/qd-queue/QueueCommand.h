#pragma once
// Subcommands of the qd-queue developer tool. A subcommand registers itself
// with a static QueueRegistrar in its own source file:
//
//   QueueRegistrar reg("list", "list", &RunList);
//
// It returns its exit status; QueueFail prints one line on standard error
// and gives the tool's failure status 2.

#include <string>

using QueueRunFunction = int (*)(int argc, char** argv); // argv[0] is the subcommand name

struct QueueRegistrar
{
    QueueRegistrar(const char* name, const char* usage, QueueRunFunction run);
};

// Prints "qd-queue: <message>" on standard error; returns 2.
int QueueFail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The value after a flag, or null when absent; whether a flag is present.
const char* QueueOption(int argc, char** argv, const char* flag);
bool QueueFlag(int argc, char** argv, const char* flag);

// The path made absolute against the current folder (the worker may run
// from anywhere).
std::string QueueAbsolutePath(const char* path);

// This user's queue file; exits with a message when it cannot be named.
std::string QueuePathOrExit();
