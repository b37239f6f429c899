#include "gui/framework/LSingleInstance.h"

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
constexpr int kAnswerMs = 10000;
constexpr int kLockMs = 5000;

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

// Holds an exclusive lock on a file for its life, taken within a bound.
class FileLock
{
public:
    explicit FileLock(const std::string& path)
    {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        for (int waited = 0; waited < kLockMs; waited += 20) {
            if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                locked_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
    if (impl_->server) {
        impl_->server->close(); // removes the socket file
        delete impl_->server;
    }
}

std::string LSingleInstance::RuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
        return runtime;
    // Without a session's runtime folder: a private folder of our own, used
    // only when nobody else can have made or entered it.
    const std::string folder = "/tmp/quorin-runtime-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0)
        return {};
    return folder;
}

LSingleInstance::Result LSingleInstance::Claim(const std::vector<std::string>& files, Handler* handler)
{
    if (socketPath_.empty())
        return kNotAvailable;
    if (impl_->server)
        return kFirst;
    FileLock lock(socketPath_ + ".lock");
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
        // A copy that takes the connection but never answers is hung: this
        // start does not take its place.
        return kNotAvailable;
    }

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
