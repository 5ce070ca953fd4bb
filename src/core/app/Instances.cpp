// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Instances.h"

#include "model/Paths.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quirella {

namespace {

constexpr char kRegistrationPrefix[] = "process-";
constexpr char kRegistrationSuffix[] = ".lock";
constexpr char kWindowClaim[] = "window.lock";
constexpr char kWindowSocket[] = "window.socket";
// A hand-over is a count and that many byte strings; more than this many folders is not a drop.
constexpr quint32 kMaximumFolders = 10000;

QString folderOrDefault(const QString& folder) {
    return folder.isEmpty() ? paths::privateTempDir() : folder;
}

int openLocked(const QByteArray& path, int flags) {
    const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ProcessRegistration::ProcessRegistration(const QString& folder)
    : m_folder(folderOrDefault(folder)) {
    if (m_folder.isEmpty()) {
        return;
    }
    // Locked under a private name first and renamed into place, so that no other process can find the
    // file unlocked, take it for stale and remove it.
    const QString name = QLatin1String(kRegistrationPrefix) + QString::number(::getpid());
    const QByteArray staging =
        paths::nativePath(m_folder + QStringLiteral("/.") + name + QLatin1String(kRegistrationSuffix));
    const int fd = openLocked(staging, O_RDWR | O_CREAT | O_TRUNC);
    if (fd < 0) {
        return;
    }
    m_path = m_folder + u'/' + name + QLatin1String(kRegistrationSuffix);
    if (::rename(staging.constData(), paths::nativePath(m_path).constData()) != 0) {
        ::unlink(staging.constData());
        ::close(fd);
        m_path.clear();
        return;
    }
    m_fd = fd;
}

ProcessRegistration::~ProcessRegistration() {
    if (m_fd >= 0) {
        ::unlink(paths::nativePath(m_path).constData());
        ::close(m_fd);
    }
}

bool ProcessRegistration::otherProcessRegistered(const QString& folder) {
    const QString where = folderOrDefault(folder);
    if (where.isEmpty()) {
        return false;
    }
    const QString own =
        QLatin1String(kRegistrationPrefix) + QString::number(::getpid()) + QLatin1String(kRegistrationSuffix);
    const QStringList names = QDir(where).entryList(
        {QLatin1String(kRegistrationPrefix) + u'*' + QLatin1String(kRegistrationSuffix)},
        QDir::Files | QDir::NoSymLinks);
    bool found = false;
    for (const QString& name : names) {
        if (name == own) {
            continue;
        }
        const QByteArray path = paths::nativePath(where + u'/' + name);
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Nobody holds it: its process is gone.
            ::unlink(path.constData());
        } else if (errno == EWOULDBLOCK) {
            found = true;
        }
        ::close(fd);
    }
    return found;
}

WindowInstance::WindowInstance(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folderOrDefault(folder)) {}

WindowInstance::~WindowInstance() {
    if (m_server) {
        m_server->close();
    }
    if (m_claimFd >= 0) {
        ::close(m_claimFd);
    }
}

bool WindowInstance::claim() {
    if (m_primary) {
        return true;
    }
    if (m_folder.isEmpty()) {
        // Without our folder there is nothing to share and nothing to protect: run alone.
        m_primary = true;
        return true;
    }
    m_claimFd =
        openLocked(paths::nativePath(m_folder + u'/' + QLatin1String(kWindowClaim)), O_RDWR | O_CREAT);
    if (m_claimFd < 0) {
        return false;
    }
    m_primary = true;
    // Holding the claim, a socket file left behind is a dead window's.
    const QString socketPath = m_folder + u'/' + QLatin1String(kWindowSocket);
    QLocalServer::removeServer(socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(socketPath)) {
        connect(m_server, &QLocalServer::newConnection, this, &WindowInstance::acceptConnection);
    }
    return true;
}

void WindowInstance::acceptConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            quint32 count = 0;
            in >> count;
            if (count > kMaximumFolders) {
                socket->abort();
                return;
            }
            QByteArrayList folders;
            for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
                QByteArray folder;
                in >> folder;
                folders.append(folder);
            }
            if (!in.commitTransaction()) {
                return; // wait for the rest
            }
            socket->write("ok");
            socket->flush();
            emit foldersReceived(folders);
        });
    }
}

bool WindowInstance::handOver(const QByteArrayList& folders, int timeoutMs) const {
    if (m_folder.isEmpty()) {
        return false;
    }
    const QString socketPath = m_folder + u'/' + QLatin1String(kWindowSocket);
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << static_cast<quint32>(folders.size());
    for (const QByteArray& folder : folders) {
        out << folder;
    }
    // The primary may still be starting: its claim is taken before its socket listens.
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(message);
            while (socket.bytesToWrite() > 0 &&
                   socket.waitForBytesWritten(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            }
            while (socket.bytesAvailable() < 2 &&
                   socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            }
            return socket.read(2) == "ok";
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace quirella
