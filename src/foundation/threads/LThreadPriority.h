#pragma once
// Thread priorities on one scale for the whole program: 91 asks for real-time
// scheduling (SCHED_FIFO), every other value is a normal priority with 31 as
// the ordinary level (values used: 0 and 4 for background work, 20, 40, 91).
// Normal priorities become per-thread nice values; a thread that may not get
// what it asks for gets the nearest priority it may have, without an error.

#include <pthread.h>
#include <sys/types.h>

constexpr int LRealtimePriority = 91;
constexpr int LNormalPriority = 31;

// Applies a priority to a thread given by its handle and kernel thread id.
void LSetThreadPriority(pthread_t thread, pid_t tid, int priority);

// The priority of a thread: 91 for a real-time thread; for the calling thread
// its nice value on the scale above; for another normal thread 31, as its nice
// value cannot be read through its handle; 20 when the handle is not valid.
int LGetThreadPriority(pthread_t thread);

// The same for a kernel thread id (exact for any thread of the process).
int LGetThreadPriorityById(pid_t tid);

// The mapping between the scale and nice values. Everything from 16 to 31 is
// the ordinary nice 0, so that a thread that steps down there (playback while
// idle) can always step back up; only nice values above 0 are one-way for an
// unprivileged process.
int LPriorityToNice(int priority);
int LNiceToPriority(int nice);
