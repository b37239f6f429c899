#pragma once
// Subcommands of the qd-image developer tool; each registers itself:
//
//   static QdImageRegistrar reg("info", "info IN", &RunInfo);
//
// Exit status: 0 done, 1 the picture was refused (QdImageRefused prints
// "qd-image: IN: cause"), 2 a usage or I/O error (QdImageFail).

#include <cstdint>

using QdImageRunFunction = int (*)(int argc, char** argv); // argv[0] is the subcommand name

struct QdImageRegistrar
{
    QdImageRegistrar(const char* name, const char* usage, QdImageRunFunction run);
};

int QdImageFail(const char* format, ...) __attribute__((format(printf, 1, 2)));
int QdImageRefused(const char* path, const char* cause);

const char* QdImageOption(int argc, char** argv, const char* flag);
bool QdImageFlag(int argc, char** argv, const char* flag);
bool QdImageNumber(const char* text, long low, long high, long& value);
