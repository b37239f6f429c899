#pragma once
// The command table shared by the developer tools. A subcommand registers
// itself with a static QdRegistrar in its own source file:
//
//   static QdRegistrar reg("info", "info FILE", &RunInfo);
//
// It returns 0 on success; failures go through QdFail, which prints one line
// on standard error, prefixed with the tool's name, and gives the tool's
// failure status 2.

using QdRunFunction = int (*)(int argc, char** argv); // argv[0] is the subcommand name

struct QdRegistrar
{
    QdRegistrar(const char* name, const char* usage, QdRunFunction run);
};

// Prints "<tool>: <message>" on standard error; returns 2.
int QdFail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Small argument helpers: the value after a flag, or null when absent.
const char* QdOption(int argc, char** argv, const char* flag);
bool QdFlag(int argc, char** argv, const char* flag);

// A whole decimal number from low to high into value; false for anything else
// (missing, empty, trailing characters, out of range).
bool QdNumber(const char* text, long low, long high, long& value);

// Runs the subcommand named by argv[1]; with none or an unknown one, lists the
// commands and returns 2. beforeRun, when given, runs once the command is
// known (a tool that needs an application object makes it there).
int QdToolMain(const char* tool, int argc, char** argv, void (*beforeRun)(int argc, char** argv) = nullptr);
