// SPDX-License-Identifier: GPL-3.0-or-later
// The one HTTP transport of the catalogue clients. Its QNetworkAccessManager lives on a thread of its
// own, so no transfer ever runs on the UI thread, and every transfer obeys the same manners: an overall
// deadline, a cap on the body, redirects followed only to https, TLS errors never ignored, and our
// User-Agent on every request.
#pragma once

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <utility>

class QThread;

namespace quirella {

struct HttpRequest {
    QUrl url;
    QList<std::pair<QByteArray, QByteArray>> headers;
    int timeoutMs = 5000; // the whole transfer, from sending to the last byte
    qint64 maxBodyBytes = 2 * 1024 * 1024;
};

struct HttpReply {
    enum class Failure {
        none,
        transfer,        // refused, reset, DNS, TLS: the client's own error text in `errorString`
        timeout,         // the deadline passed first
        tooLarge,        // the body would pass the cap
        redirectRefused, // a redirect to anything but https
        notAllowed,      // the address itself is neither https nor loopback http
    };
    Failure failure = Failure::none;
    QString errorString;
    int status = 0; // the HTTP status of the last response; 0 when none arrived
    QByteArray body;
    QByteArray retryAfter; // the Retry-After header, raw

    bool ok() const { return failure == Failure::none; }
};

class HttpClient {
public:
    explicit HttpClient(QByteArray userAgent);
    ~HttpClient(); // aborts what is running and stops the thread
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Starts a GET on the transport thread. The future always finishes with a reply, never with an
    // exception; a failure is described in it.
    QFuture<HttpReply> get(const HttpRequest& request);

private:
    class Worker;
    std::unique_ptr<QThread> m_thread;
    Worker* m_worker = nullptr; // lives on m_thread
};

} // namespace quirella
