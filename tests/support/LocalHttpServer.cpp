// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LocalHttpServer.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

namespace quirella::test {

ServedReply ServedReply::json(const QByteArray& body, int status) {
    ServedReply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", "application/json"}};
    reply.body = body;
    return reply;
}

class LocalHttpServer::Worker : public QObject {
public:
    explicit Worker(LocalHttpServer* owner)
        : m_owner(owner) {
        m_clock.start();
    }

    quint16 listen() {
        m_server = new QTcpServer(this);
        if (!m_server->listen(QHostAddress::LocalHost, 0)) {
            return 0;
        }
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                socket->setParent(this);
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    if (buffer->contains("\r\n\r\n")) {
                        socket->readAll(); // one request per connection
                        return;
                    }
                    buffer->append(socket->readAll());
                    if (buffer->contains("\r\n\r\n")) {
                        handle(socket, *buffer);
                    }
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return m_server->serverPort();
    }

private:
    void handle(QTcpSocket* socket, const QByteArray& head) {
        ServedRequest request;
        const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon > 0) {
                request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                       lines.at(i).mid(colon + 1).trimmed());
            }
        }
        Handler handler;
        {
            QMutexLocker locker(&m_owner->m_mutex);
            request.arrivalMs = m_owner->m_nowMs ? m_owner->m_nowMs() : m_clock.elapsed();
            m_owner->m_requests.append(request);
            ++m_owner->m_open;
            m_owner->m_maxOpen = qMax(m_owner->m_maxOpen, m_owner->m_open);
            handler = m_owner->m_handler;
        }
        const ServedReply reply = handler ? handler(request) : ServedReply::json("{}", 404);
        if (reply.mode == ServedReply::Mode::neverAnswer) {
            connect(socket, &QObject::destroyed, this, [this] { closed(); });
            return;
        }
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(reply.delayMs, this, [this, guarded, reply] {
            if (guarded) {
                send(guarded, reply);
            }
            closed();
        });
    }

    void closed() {
        QMutexLocker locker(&m_owner->m_mutex);
        --m_owner->m_open;
    }

    void send(QTcpSocket* socket, const ServedReply& reply) {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Reply\r\n";
        for (const auto& [name, value] : reply.headers) {
            head += name + ": " + value + "\r\n";
        }
        head += "Connection: close\r\n";
        if (reply.mode == ServedReply::Mode::endlessBody) {
            head += "\r\n";
            socket->write(head);
            const QByteArray chunk(64 * 1024, '{');
            socket->write(chunk);
            m_owner->m_endlessBytes.fetchAndAddRelaxed(chunk.size());
            connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket, chunk] {
                if (socket->bytesToWrite() < chunk.size() &&
                    socket->state() == QAbstractSocket::ConnectedState) {
                    socket->write(chunk);
                    m_owner->m_endlessBytes.fetchAndAddRelaxed(chunk.size());
                }
            });
            return;
        }
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
        socket->write(head + reply.body);
        socket->disconnectFromHost();
    }

    LocalHttpServer* m_owner;
    QTcpServer* m_server = nullptr;
    QElapsedTimer m_clock;
};

LocalHttpServer::LocalHttpServer(Handler handler)
    : m_thread(std::make_unique<QThread>())
    , m_handler(std::move(handler)) {
    m_worker = new Worker(this);
    m_worker->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
}

LocalHttpServer::~LocalHttpServer() {
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

void LocalHttpServer::setHandler(Handler handler) {
    QMutexLocker locker(&m_mutex);
    m_handler = std::move(handler);
}

void LocalHttpServer::setClock(std::function<qint64()> nowMs) {
    QMutexLocker locker(&m_mutex);
    m_nowMs = std::move(nowMs);
}

QUrl LocalHttpServer::url() const {
    return QUrl(QStringLiteral("http://127.0.0.1:") + QString::number(m_port));
}

QList<ServedRequest> LocalHttpServer::requests() const {
    QMutexLocker locker(&m_mutex);
    return m_requests;
}

QList<ServedRequest> LocalHttpServer::requests(const QByteArray& prefix) const {
    QList<ServedRequest> matching;
    for (const ServedRequest& request : requests()) {
        if (request.target.startsWith(prefix)) {
            matching.append(request);
        }
    }
    return matching;
}

int LocalHttpServer::maxConcurrent() const {
    QMutexLocker locker(&m_mutex);
    return m_maxOpen;
}

void LocalHttpServer::clearRequests() {
    QMutexLocker locker(&m_mutex);
    m_requests.clear();
    m_maxOpen = m_open;
}

} // namespace quirella::test
