// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/HttpClient.h"

#include "online/OnlineEndpoints.h"

#include <QCoreApplication>
#include <QHash>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPromise>
#include <QThread>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

// QNetworkReply also reports HTTP error statuses as errors (the 2xx and 4xx ranges of its codes); those
// are answers, read by the callers through the status. Everything else lost the transfer.
bool isTransportError(QNetworkReply::NetworkError error) {
    const int code = int(error);
    if (code == 0) {
        return false;
    }
    const bool contentError = code >= 201 && code < 300;
    const bool serverError = code >= 401 && code < 500;
    return !contentError && !serverError;
}

} // namespace

class HttpClient::Worker : public QObject {
public:
    explicit Worker(QByteArray userAgent)
        : m_userAgent(std::move(userAgent)) {}

    // Qt opens at most six connections to one host and holds further requests back, unseen, while their
    // deadlines run. Requests beyond that wait here instead, and their time starts when they do.
    static constexpr int kConnectionsPerHost = 6;

    void start(const HttpRequest& request, std::shared_ptr<QPromise<HttpReply>> promise) {
        const QString host = hostOf(request.url);
        if (m_activePerHost.value(host) >= kConnectionsPerHost) {
            m_waiting.append({request, std::move(promise)});
            return;
        }
        ++m_activePerHost[host];
        begin(request, std::move(promise), host);
    }

private:
    static QString hostOf(const QUrl& url) {
        return url.scheme() + u"://"_s + url.host() + u':' + QString::number(url.port(-1));
    }

    // A transfer to `host` has ended: the first request waiting for that host goes now.
    void transferEnded(const QString& host) {
        --m_activePerHost[host];
        for (qsizetype i = 0; i < m_waiting.size(); ++i) {
            if (hostOf(m_waiting.at(i).request.url) == host) {
                Waiting next = m_waiting.takeAt(i);
                ++m_activePerHost[host];
                begin(next.request, std::move(next.promise), host);
                return;
            }
        }
    }

    void begin(const HttpRequest& request, std::shared_ptr<QPromise<HttpReply>> promise,
               const QString& host) {
        if (!m_manager) {
            m_manager = new QNetworkAccessManager(this);
            // No cookies, no cache: every look-up is a fresh, anonymous request.
            m_manager->setCookieJar(nullptr);
        }
        if (!isAllowedUrl(request.url)) {
            HttpReply reply;
            reply.failure = HttpReply::Failure::notAllowed;
            reply.errorString = QCoreApplication::translate("HttpClient", "Refused address %1")
                                    .arg(request.url.toDisplayString());
            finish(*promise, std::move(reply));
            transferEnded(host);
            return;
        }
        QNetworkRequest networkRequest(request.url);
        networkRequest.setRawHeader("User-Agent", m_userAgent);
        for (const auto& [name, value] : request.headers) {
            networkRequest.setRawHeader(name, value);
        }
        networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                    QNetworkRequest::UserVerifiedRedirectPolicy);
        networkRequest.setMaximumRedirectsAllowed(5);
        networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                    QNetworkRequest::AlwaysNetwork);

        QNetworkReply* networkReply = m_manager->get(networkRequest);
        // Without a limit, Qt's transfer thread reads a body as fast as it arrives, and a sender that never
        // pauses keeps it reading: it then neither sees the abort nor stops when the manager goes. With
        // one, it reads only as far ahead of us as this, and the socket holds back the rest.
        networkReply->setReadBufferSize(kReadAhead);
        m_running.append(networkReply);
        QObject::connect(networkReply, &QObject::destroyed, this,
                         [this, networkReply] { m_running.removeOne(networkReply); });
        auto state = std::make_shared<State>();
        state->maxBody = request.maxBodyBytes;

        auto* deadline = new QTimer(networkReply);
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, networkReply, [networkReply, state] {
            state->failure = HttpReply::Failure::timeout;
            networkReply->abort();
        });
        deadline->start(qMax(0, request.timeoutMs));

        QObject::connect(networkReply, &QNetworkReply::redirected, networkReply,
                         [networkReply, state](const QUrl& target) {
                             if (target.scheme().compare("https"_L1, Qt::CaseInsensitive) == 0) {
                                 emit networkReply->redirectAllowed();
                                 return;
                             }
                             state->failure = HttpReply::Failure::redirectRefused;
                             state->detail =
                                 QCoreApplication::translate("HttpClient", "Refused redirect to %1")
                                     .arg(target.toDisplayString());
                             networkReply->abort();
                         });
        QObject::connect(networkReply, &QNetworkReply::metaDataChanged, networkReply, [networkReply, state] {
            const QVariant length = networkReply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > state->maxBody) {
                state->failure = HttpReply::Failure::tooLarge;
                networkReply->abort();
            }
        });
        QObject::connect(networkReply, &QNetworkReply::readyRead, networkReply, [networkReply, state] {
            if (state->failure != HttpReply::Failure::none) {
                return;
            }
            // Read at most one byte past the cap: enough to know the body is too large.
            const qint64 room = state->maxBody - state->body.size() + 1;
            state->body.append(networkReply->read(room));
            if (state->body.size() > state->maxBody) {
                state->failure = HttpReply::Failure::tooLarge;
                state->body.clear();
                networkReply->abort();
            }
        });
        QObject::connect(
            networkReply, &QNetworkReply::finished, this, [this, networkReply, state, promise, host] {
                HttpReply reply;
                if (state->failure == HttpReply::Failure::none) {
                    const qint64 room = state->maxBody - state->body.size() + 1;
                    state->body.append(networkReply->read(room));
                    if (state->body.size() > state->maxBody) {
                        state->failure = HttpReply::Failure::tooLarge;
                    }
                }
                reply.status = networkReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                reply.retryAfter = networkReply->rawHeader("Retry-After");
                reply.failure = state->failure;
                switch (state->failure) {
                case HttpReply::Failure::timeout:
                    reply.errorString = QCoreApplication::translate("HttpClient", "Operation timed out");
                    break;
                case HttpReply::Failure::tooLarge:
                    reply.errorString =
                        QCoreApplication::translate("HttpClient", "Reply larger than %1 bytes")
                            .arg(state->maxBody);
                    break;
                case HttpReply::Failure::redirectRefused:
                    reply.errorString = state->detail;
                    break;
                default:
                    // An HTTP error status is not a transfer failure: the callers read the status.
                    if (isTransportError(networkReply->error()) || reply.status == 0) {
                        reply.failure = HttpReply::Failure::transfer;
                        reply.errorString = networkReply->errorString();
                    }
                    break;
                }
                if (reply.ok()) {
                    reply.body = std::move(state->body);
                }
                networkReply->deleteLater();
                finish(*promise, std::move(reply));
                transferEnded(host);
            });
    }

public:
    // Ends everything this worker started, on its own thread, before the thread stops: transfers still
    // running are aborted (their promises finish as failed), the replies and what Qt posted for them are
    // deleted while the manager still exists, then the manager goes with its own transfer thread.
    void shutDown() {
        for (Waiting& waiting : m_waiting) {
            HttpReply reply;
            reply.failure = HttpReply::Failure::transfer;
            reply.errorString = QCoreApplication::translate("HttpClient", "Operation canceled");
            finish(*waiting.promise, std::move(reply));
        }
        m_waiting.clear();
        const QList<QNetworkReply*> running = m_running;
        for (QNetworkReply* reply : running) {
            reply->abort();
        }
        drainEvents();
        delete m_manager;
        m_manager = nullptr;
        drainEvents();
    }

private:
    // Delivers what is queued for this thread's objects, deferred deletions included, without waiting.
    static void drainEvents() {
        QCoreApplication::sendPostedEvents(nullptr, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static constexpr qint64 kReadAhead = 256 * 1024;

    struct State {
        HttpReply::Failure failure = HttpReply::Failure::none;
        QString detail;
        QByteArray body;
        qint64 maxBody = 0;
    };

    static void finish(QPromise<HttpReply>& promise, HttpReply reply) {
        promise.addResult(std::move(reply));
        promise.finish();
    }

    QByteArray m_userAgent;
    QNetworkAccessManager* m_manager = nullptr;
    QList<QNetworkReply*> m_running; // started and not yet deleted
    struct Waiting {
        HttpRequest request;
        std::shared_ptr<QPromise<HttpReply>> promise;
    };
    QList<Waiting> m_waiting; // in the order they came
    QHash<QString, int> m_activePerHost;
};

HttpClient::HttpClient(QByteArray userAgent)
    : m_thread(std::make_unique<QThread>()) {
    m_thread->setObjectName(u"quirella-http"_s);
    m_worker = new Worker(std::move(userAgent));
    m_worker->moveToThread(m_thread.get());
    m_thread->start();
}

HttpClient::~HttpClient() {
    // The worker ends its transfers and deletes its network objects on its own thread; only then does
    // the thread stop, so nothing of it is left for an event loop that no longer runs.
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            worker->shutDown();
            delete worker;
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

QFuture<HttpReply> HttpClient::get(const HttpRequest& request) {
    auto promise = std::make_shared<QPromise<HttpReply>>();
    QFuture<HttpReply> future = promise->future();
    promise->start();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, request, promise] { worker->start(request, promise); },
        Qt::QueuedConnection);
    return future;
}

} // namespace quirella
