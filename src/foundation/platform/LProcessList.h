#pragma once
// Questions about the other processes of the system, answered from /proc.

#include <sys/types.h>

// True when a process whose command name (the kernel's short name, at most 15
// bytes on Linux) equals name exactly is running. A longer name never matches.
bool LIsProcessRunning(const char* name);

// The first process whose executable is the file at path (same device and
// inode, so another spelling of the path matches too); true and its id in *pid.
bool LFindProcessByExecutable(const char* path, pid_t* pid);
