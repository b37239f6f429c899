#pragma once
// One running copy of the program per user session. The first start listens
// on a local socket in $XDG_RUNTIME_DIR; a later start hands the files named
// on its command line and a reopen request to it and ends. The socket is
// found and claimed under a lock, so two starts at the same moment cannot
// both become the first, and a socket left by a killed run is taken over.
// The socket and its lock file are removed when the first copy ends.

#include <memory>
#include <string>
#include <vector>

class LSingleInstance
{
public:
    // What the first copy receives, on its main thread.
    class Handler
    {
    public:
        virtual ~Handler() = default;
        // Files named by a later start (absolute paths), before its reopen.
        virtual void OnOpenDocuments(const std::vector<std::string>& paths) = 0;
        virtual void OnReopen() = 0;
    };

    // name: the socket's file name in the runtime folder ("quorin").
    explicit LSingleInstance(const char* name);
    ~LSingleInstance();
    LSingleInstance(const LSingleInstance&) = delete;
    LSingleInstance& operator=(const LSingleInstance&) = delete;

    enum Result {
        kFirst,        // no other copy answered: this one now listens
        kHandedOver,   // another copy took the files and the reopen: end this one
        kNotAvailable, // no runtime folder or no socket: run on alone
    };
    // Hands the files (made absolute here, relative to the working folder) to
    // a running copy and waits for it to confirm; otherwise starts listening
    // with the handler (not owned; it must outlive this object).
    Result Claim(const std::vector<std::string>& files, Handler* handler);

    // The socket's path ("" when no runtime folder can be named).
    const std::string& SocketPath() const { return socketPath_; }

    // The runtime folder: $XDG_RUNTIME_DIR when it is a real folder (not a
    // link) of this user with mode 0700 that the user can write in, else
    // ${TMPDIR:-/tmp}/quorin-runtime-UID, made 0700 and checked the same way;
    // "" when neither will do. The lock file beside the socket goes with it
    // at a normal end.
    static std::string RuntimeFolder();

private:
    std::string socketPath_;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
