#pragma once
// One install at a time per user and folder: an flock on ".install.lock" in
// the folder being installed into, shared by the processes of all the
// maker's programs. The kernel releases it when the holder's descriptor
// closes, so a holder killed mid-install never strands the others.

class LProcessContext;

class LInstallLock
{
public:
    LInstallLock() = default;
    ~LInstallLock();
    LInstallLock(const LInstallLock&) = delete;
    LInstallLock& operator=(const LInstallLock&) = delete;

    // Waits for the lock on the folder's lock file, checking the context for
    // a stop request meanwhile. 0 held, 1 stopped while waiting, 2 no lock
    // could be had.
    int Take(LProcessContext* context, const char* folder);

private:
    int fd_ = -1;
};
