#include "gui/framework/LSingleInstance.h"

#include "foundation/log/LLog.h"

#include <QByteArray>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr quint32 kMagic = 0x51524E31; // "QRN1"
// A hand-over is a few paths; anything far bigger is not one of ours.
constexpr quint32 kMaxMessage = 16u << 20;
constexpr int kConnectMs = 2000;
// The first copy answers once its start-up reaches the event loop, which on a
// busy machine takes a while.
constexpr int kAnswerMs = 30000;
constexpr int kLockMs = 5000;
// At the end of a run: short, so a log-out is not held up by a start that
// keeps the lock.
constexpr int kExitLockMs = 1000;

QByteArray EncodeMessage(const std::vector<std::string>& paths)
{
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kMagic << static_cast<quint32>(paths.size());
        for (const std::string& path : paths)
            out << QByteArray(path.data(), static_cast<qsizetype>(path.size()));
    }
    QByteArray message;
    QDataStream header(&message, QIODevice::WriteOnly);
    header.setVersion(QDataStream::Qt_6_0);
    header << static_cast<quint32>(payload.size());
    message.append(payload);
    return message;
}

// False when the payload is not a whole, well-formed message.
bool DecodeMessage(const QByteArray& payload, std::vector<std::string>* paths)
{
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, count = 0;
    in >> magic >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic)
        return false;
    paths->clear();
    for (quint32 i = 0; i < count; ++i) {
        QByteArray path;
        in >> path;
        if (in.status() != QDataStream::Ok)
            return false;
        paths->emplace_back(path.constData(), static_cast<size_t>(path.size()));
    }
    return in.atEnd();
}

// Holds an exclusive lock on a file for its life, taken within a bound. The
// file may be removed by the holder before it lets go: a lock is only held
// when the file locked is still the one at the path.
class FileLock
{
public:
    FileLock(const std::string& path, int boundMs)
    {
        for (int waited = 0; waited < boundMs;) {
            fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd_ < 0)
                return;
            for (; waited < boundMs; waited += 20) {
                if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                    locked_ = true;
                    break;
                }
                if (errno != EWOULDBLOCK && errno != EINTR)
                    return;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (!locked_)
                return;
            struct stat held, current;
            if (fstat(fd_, &held) == 0 && stat(path.c_str(), &current) == 0 &&
                held.st_dev == current.st_dev && held.st_ino == current.st_ino)
                return;
            // Removed or replaced while we waited: lock the file there now.
            locked_ = false;
            close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock()
    {
        if (fd_ >= 0)
            close(fd_); // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

// A folder fit for the socket, as the desktop's rules for a runtime folder
// require: a real folder (not a link to one), of this user, that only this
// user may enter (0700), and that this user can write in.
bool IsPrivateFolder(const std::string& folder)
{
    struct stat info;
    return !folder.empty() && folder[0] == '/' && lstat(folder.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 07777) == 0700 &&
           access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

struct LSingleInstance::Impl
{
    QPointer<QLocalServer> server;
    Handler* handler = nullptr;

    void Accept()
    {
        while (QLocalSocket* socket = server ? server->nextPendingConnection() : nullptr) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                if (buffer->size() < 4)
                    return;
                QDataStream header(*buffer);
                quint32 length = 0;
                header >> length;
                if (length > kMaxMessage) {
                    socket->abort();
                    return;
                }
                if (static_cast<quint32>(buffer->size()) < 4 + length)
                    return;
                std::vector<std::string> paths;
                const bool valid = DecodeMessage(buffer->mid(4, length), &paths);
                buffer->clear();
                if (!valid) {
                    socket->abort();
                    return;
                }
                if (handler != nullptr) {
                    if (!paths.empty())
                        handler->OnOpenDocuments(paths);
                    handler->OnReopen();
                }
                socket->write("1", 1);
                socket->flush();
                socket->disconnectFromServer();
            });
        }
    }
};

LSingleInstance::LSingleInstance(const char* name) : impl_(std::make_unique<Impl>())
{
    const std::string folder = RuntimeFolder();
    if (!folder.empty() && name != nullptr && *name != '\0')
        socketPath_ = folder + "/" + name + ".socket";
}

LSingleInstance::~LSingleInstance()
{
    if (!impl_->server)
        return;
    impl_->server->close(); // removes the socket file
    delete impl_->server;
    // The lock file goes with the socket, under the lock so that a start
    // claiming at this moment keeps a lock that means something.
    const std::string lockPath = socketPath_ + ".lock";
    FileLock lock(lockPath, kExitLockMs);
    if (lock.Locked())
        unlink(lockPath.c_str());
}

std::string LSingleInstance::RuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        const std::string folder = WithoutTrailingSlashes(runtime);
        if (IsPrivateFolder(folder))
            return folder;
    }
    // Without a fit runtime folder of the session: a private folder of our
    // own, checked the same way, so nobody else can have made or entered it.
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = WithoutTrailingSlashes(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp");
    const std::string folder = base + "/quorin-runtime-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) == 0)
        chmod(folder.c_str(), 0700); // whatever the umask left
    if (!IsPrivateFolder(folder)) {
        LLogWarningF("No private runtime folder (XDG_RUNTIME_DIR or %s): running without the one-copy check",
                     folder.c_str());
        return {};
    }
    if (runtime != nullptr && *runtime != '\0')
        LLogWarningF("XDG_RUNTIME_DIR %s is not a private folder of this user: using %s", runtime,
                     folder.c_str());
    return folder;
}

LSingleInstance::Result LSingleInstance::Claim(const std::vector<std::string>& files, Handler* handler)
{
    if (socketPath_.empty())
        return kNotAvailable;
    if (impl_->server)
        return kFirst;
    FileLock lock(socketPath_ + ".lock", kLockMs);
    if (!lock.Locked())
        return kNotAvailable;

    QLocalSocket socket;
    socket.connectToServer(QString::fromLocal8Bit(socketPath_.c_str()));
    if (socket.waitForConnected(kConnectMs)) {
        std::vector<std::string> absolute;
        for (const std::string& file : files) {
            std::error_code error;
            std::filesystem::path path = std::filesystem::absolute(file, error);
            absolute.push_back(error ? file : path.string());
        }
        socket.write(EncodeMessage(absolute));
        if (socket.waitForBytesWritten(kConnectMs) && socket.waitForReadyRead(kAnswerMs) &&
            socket.read(1) == "1")
            return kHandedOver;
        // A copy that keeps the connection but never answers is hung: this
        // start does not take its place. One that let go of it has ended.
        if (socket.state() == QLocalSocket::ConnectedState)
            return kNotAvailable;
    }
    socket.abort();

    // Nobody answers: a socket file left by a run that died is taken over.
    QLocalServer::removeServer(QString::fromLocal8Bit(socketPath_.c_str()));
    auto* server = new QLocalServer();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(QString::fromLocal8Bit(socketPath_.c_str()))) {
        delete server;
        return kNotAvailable;
    }
    impl_->server = server;
    impl_->handler = handler;
    QObject::connect(server, &QLocalServer::newConnection, server, [impl = impl_.get()] { impl->Accept(); });
    return kFirst;
}
