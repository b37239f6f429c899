#pragma once
// A one-byte wake-up signal between threads: a non-blocking pipe whose read end
// can be polled together with any other descriptor, so that every wait of the
// program is a poll() that a stop request can interrupt.

#include <cstdint>

class LSignalObject
{
public:
    // Creates the pipe (non-blocking, close-on-exec). A failure leaves both ends
    // -1: waits on such a signal time out and Signal is lost.
    LSignalObject();
    ~LSignalObject();
    LSignalObject(const LSignalObject&) = delete;
    LSignalObject& operator=(const LSignalObject&) = delete;

    // Sets the signal. A single write(), so it may be called from any thread
    // and from signal handlers; a full pipe is already signalled.
    void Signal() const;

    // Clears the signal by draining every byte from the pipe.
    void Reset() const;

    // Level-triggered: a set signal stays set for every waiter until Reset.
    bool IsSignalled() const;
    bool Wait(uint32_t ms) const;

    bool IsValid() const { return readFd_ >= 0 && writeFd_ >= 0; }
    int ReadFd() const { return readFd_; }
    int WriteFd() const { return writeFd_; }

private:
    int readFd_ = -1;
    int writeFd_ = -1;
};

// Waits on two read ends at once; true when either becomes readable in time.
bool LWaitEither(int fdA, int fdB, uint32_t ms);
