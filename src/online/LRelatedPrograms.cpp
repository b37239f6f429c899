#include "online/LRelatedPrograms.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/process/LHelperSocket.h"
#include "foundation/process/LLaunchApplication.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSliceMs = 50;

// Copies the text into its field; false when it does not fit.
bool CopyField(uint8_t* dest, const char* text)
{
    if (text == nullptr)
        return true;
    const size_t length = std::strlen(text);
    if (length > kHandOverTextMax)
        return false;
    std::memcpy(dest, text, length);
    return true;
}

class Deadline
{
public:
    explicit Deadline(uint32_t ms) : end_(Clock::now() + std::chrono::milliseconds(ms)) {}
    int RemainingMs() const
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }
    bool Passed() const { return RemainingMs() == 0; }

private:
    Clock::time_point end_;
};

// Waits for the events on fd for one slice at most; false when the time is
// up or idle gave up.
bool WaitSlice(int fd, short events, const Deadline& deadline, const std::function<bool()>& idle)
{
    if (idle && idle())
        return false;
    const int left = deadline.RemainingMs();
    if (left == 0)
        return false;
    pollfd entry{fd, events, 0};
    poll(&entry, 1, left < kSliceMs ? left : kSliceMs);
    return true;
}

// A non-blocking connection to the sibling's socket, or -1 (*listening false
// when nobody listens there). A listener whose queue is full is retried
// until the deadline instead of blocking in connect.
int Connect(const std::string& name, const Deadline& deadline, const std::function<bool()>& idle,
            bool* listening)
{
    *listening = false;
    char path[kLPathSize];
    if (!LGetHelperSocketPath(path, name.c_str()) || !LFileExists(path))
        return -1;
    sockaddr_un address = {};
    const size_t length = std::strlen(path);
    if (length >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path, length + 1);
    const socklen_t size = socklen_t(offsetof(sockaddr_un, sun_path) + length + 1);
    for (;;) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return -1;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
            *listening = true;
            return fd;
        }
        const int error = errno;
        close(fd);
        if (error != EAGAIN && error != EINTR)
            return -1; // no listener behind the file: the program is not running
        *listening = true;
        if (!WaitSlice(-1, 0, deadline, idle))
            return -1;
    }
}

bool SendRecord(int fd, const std::vector<uint8_t>& record, const Deadline& deadline,
                const std::function<bool()>& idle)
{
    size_t sent = 0;
    while (sent < record.size()) {
        const ssize_t n = send(fd, record.data() + sent, record.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (!WaitSlice(fd, POLLOUT, deadline, idle))
            return false;
    }
    return true;
}

// The socket keeps what the peer has not read yet; once that is nothing, the
// peer holds the whole record. A copy that accepts and never reads would
// otherwise count as having taken the file.
bool WaitUntilRead(int fd, const Deadline& deadline, const std::function<bool()>& idle)
{
    for (;;) {
        int unread = 0;
        if (ioctl(fd, SIOCOUTQ, &unread) != 0)
            return false;
        if (unread == 0)
            return true;
        if (!WaitSlice(fd, POLLIN, deadline, idle))
            return false;
    }
}

bool IsExecutableFile(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
}

} // namespace

std::string LRelatedProgramCommand(const char* program)
{
    std::string command = program != nullptr ? program : "";
    for (char& c : command)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return command;
}

std::vector<uint8_t> LMakeHandOverRecord(const char* program, const char* argument)
{
    std::vector<uint8_t> record(kHandOverRecordSize, 0);
    for (int i = 0; i < 4; ++i)
        record[i] = static_cast<uint8_t>(kHandOverCommand >> (8 * i));
    if (!CopyField(record.data() + kHandOverProgramOffset, program) ||
        !CopyField(record.data() + kHandOverArgumentOffset, argument))
        return {};
    return record;
}

LHandOverResult LHandOverToRelatedProgram(const char* program, const char* argument, uint32_t limitMs,
                                          const std::function<bool()>& idle, pid_t* reader)
{
    if (reader != nullptr)
        *reader = 0;
    const Deadline deadline(limitMs);
    const std::string name = LRelatedProgramCommand(program);
    bool listening = false;
    const int fd = Connect(name, deadline, idle, &listening);
    if (fd < 0)
        return listening ? LHandOverResult::Failed : LHandOverResult::NotRunning;
    // The listener's credentials as of its listen: the running copy itself,
    // whatever program file it was started from.
    ucred peer = {};
    socklen_t peerSize = sizeof peer;
    if (reader != nullptr && getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) == 0 && peer.pid > 0)
        *reader = peer.pid;
    const std::vector<uint8_t> record = LMakeHandOverRecord(program, argument);
    if (record.empty()) {
        // Known to run now, the copy gets nothing rather than a cut path.
        close(fd);
        return LHandOverResult::TooLong;
    }
    const bool delivered = SendRecord(fd, record, deadline, idle) && WaitUntilRead(fd, deadline, idle);
    close(fd);
    return delivered ? LHandOverResult::Delivered : LHandOverResult::Failed;
}

bool LGetRelatedProgramFolder(char* dest, const char* program)
{
    dest[0] = '\0';
    char base[kLPathSize];
    const std::string command = LRelatedProgramCommand(program);
    if (command.empty() || command.find('/') != std::string::npos || command == "." || command == ".." ||
        !LGetAppSupportFolder(base))
        return false;
    const std::string folder = std::string(base) + "/applications/" + command;
    if (folder.size() > kLPathMaxLength)
        return false;
    std::memcpy(dest, folder.c_str(), folder.size() + 1);
    return true;
}

bool LFindRelatedProgram(char* dest, const char* program)
{
    dest[0] = '\0';
    const std::string command = LRelatedProgramCommand(program);
    if (command.empty() || command.find('/') != std::string::npos)
        return false;
    if (LFindProgramInPath(command.c_str(), dest))
        return true;
    char folder[kLPathSize];
    if (!LGetRelatedProgramFolder(folder, program))
        return false;
    const std::string path = std::string(folder) + "/" + command;
    if (path.size() > kLPathMaxLength || !IsExecutableFile(path.c_str()))
        return false;
    std::memcpy(dest, path.c_str(), path.size() + 1);
    return true;
}

bool LIsRelatedProgramInstalled(const char* program)
{
    char path[kLPathSize];
    return LFindRelatedProgram(path, program);
}

int LLaunchRelatedProgram(LProcessContext* context, const LRelatedLaunchRequest& request)
{
    LLocalProcessContext local;
    if (context == nullptr)
        context = &local;
    char path[kLPathSize];
    if (request.program == nullptr || !LFindRelatedProgram(path, request.program))
        return 2;
    LSettingsSetOtherAppDigit(request.program, "Settings", "RelatedProgramsInstalled", 1);
    if (request.wait) {
        context->MessageLevelF(0, "Waiting for %s", request.program);
        context->MessageLevelF(1, "%s will resume when %s has exited.", "Quorin", request.program);
    }
    LLaunchRequest launch;
    launch.command = path;
    launch.wait = request.wait;
    launch.arguments = &request.arguments;
    return LLaunchApplication(context, launch);
}
