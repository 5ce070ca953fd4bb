// SPDX-License-Identifier: GPL-3.0-or-later
// A small HTTP/1.1 server on 127.0.0.1 for the online tests and benchmarks. It runs on a thread of its
// own, so a test may block its main thread while a look-up talks to it. Each request gets the reply the
// handler returns (on the server's thread); every connection is closed after its reply.
#pragma once

#include <QAtomicInteger>
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QUrl>

#include <functional>
#include <memory>
#include <utility>

class QThread;

namespace quirella::test {

struct ServedRequest {
    QByteArray method;
    QByteArray target;                    // the path and query exactly as sent
    QMap<QByteArray, QByteArray> headers; // names in lower case
    qint64 arrivalMs = 0;                 // on the server's clock, shared by all its requests
};

struct ServedReply {
    enum class Mode {
        normal,
        neverAnswer, // keep the connection open and say nothing
        endlessBody, // a 200 that never stops sending
    };
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int delayMs = 0; // before the reply is sent
    Mode mode = Mode::normal;

    static ServedReply json(const QByteArray& body, int status = 200);
};

class LocalHttpServer {
public:
    using Handler = std::function<ServedReply(const ServedRequest&)>;

    explicit LocalHttpServer(Handler handler = {});
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    void setHandler(Handler handler);
    // The clock that stamps arrivals, in milliseconds (a test's own clock); a monotonic one by default.
    void setClock(std::function<qint64()> nowMs);
    // http://127.0.0.1:<port>
    QUrl url() const;
    QList<ServedRequest> requests() const;
    // The requests whose target starts with `prefix`.
    QList<ServedRequest> requests(const QByteArray& prefix) const;
    // The most requests that were waiting for their replies at one time.
    int maxConcurrent() const;
    // Bytes of endless bodies handed to the sockets so far.
    qint64 endlessBytesSent() const { return m_endlessBytes.loadRelaxed(); }
    void clearRequests();

private:
    class Worker;
    friend class Worker;
    std::unique_ptr<QThread> m_thread;
    Worker* m_worker = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    Handler m_handler;
    std::function<qint64()> m_nowMs;
    QList<ServedRequest> m_requests;
    int m_open = 0;
    int m_maxOpen = 0;
    QAtomicInteger<qint64> m_endlessBytes = 0;
};

} // namespace quirella::test
