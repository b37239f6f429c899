#pragma once
// Subcommands of the qd-audio developer tool. A subcommand registers itself
// with a static QdRegistrar in its own source file:
//
//   static QdRegistrar reg("info", "info FILE", &RunInfo);
//
// It returns 0 on success; failures go through QdFail, which prints one line
// on standard error and gives the tool's failure status 2.
//
// One parser serves every command, driven by its usage line: "--name VALUE"
// options take a value, "[--name]" ones do not, the other words are file
// names ("NAME..." any number of them, "[NAME]" optional). An unknown option
// or a wrong number of names fails before the command runs; "--" ends the
// options. The command then sees its file names as argv[1], argv[2] ...,
// followed by the options.

using QdRunFunction = int (*)(int argc, char** argv); // argv[0] is the subcommand name

struct QdRegistrar
{
    QdRegistrar(const char* name, const char* usage, QdRunFunction run);
};

// Prints "qd-audio: <message>" on standard error; returns 2.
int QdFail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The value of an option, or null when absent; whether a flag was given.
const char* QdOption(int argc, char** argv, const char* flag);
bool QdFlag(int argc, char** argv, const char* flag);

// A whole decimal number from low to high into value; false for anything else
// (missing, empty, trailing characters, out of range).
bool QdNumber(const char* text, long low, long high, long& value);
