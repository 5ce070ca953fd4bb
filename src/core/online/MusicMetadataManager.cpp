// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/MusicMetadataManager.h"

#include "online/CatalogueReplies.h"
#include "online/MetadataCache.h"

#include <QCoreApplication>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

MusicMetadataManager* g_instance = nullptr;

bool onUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

MusicMetadataManager::MusicMetadataManager(OnlineSettings settings, MetadataCache* cache)
    : m_settings(std::move(settings))
    , m_cache(cache ? cache : &MetadataCache::instance())
    , m_http(userAgent()) {
    if (!m_settings.clock) {
        m_settings.clock = WaitClock::system();
    }
    m_downloadGate = std::make_shared<RateGate>(std::chrono::milliseconds(0), m_settings.clock);
    m_services.push_back(std::make_unique<iTunesSearchService>(
        m_settings.endpoints.iTunes,
        std::make_shared<RateGate>(std::chrono::milliseconds(0), m_settings.clock), m_settings.manners));
    m_services.push_back(std::make_unique<MusicBrainzService>(
        m_settings.endpoints.musicBrainz, m_settings.endpoints.coverArt,
        std::make_shared<RateGate>(m_settings.musicBrainzInterval, m_settings.clock), m_settings.manners));
    // Every item blocks on its transfers: a pool of its own keeps them off the global pool.
    m_pool.setMaxThreadCount(qMax(1, m_settings.workers) + 1);
    m_pool.setObjectName(u"quirella-lookups"_s);
}

MusicMetadataManager::~MusicMetadataManager() {
    m_shutdown.request();
    m_pool.waitForDone();
}

MusicMetadataManager& MusicMetadataManager::instance() {
    if (!g_instance) {
        QStringList warnings;
        OnlineSettings settings;
        settings.endpoints = OnlineEndpoints::fromEnvironment(&warnings);
        for (const QString& warning : warnings) {
            qWarning("%s", qPrintable(warning));
        }
        g_instance = new MusicMetadataManager(std::move(settings));
        // Shut down with the application object, while Qt's network statics still exist.
        qAddPostRoutine([] {
            delete g_instance;
            g_instance = nullptr;
        });
    }
    return *g_instance;
}

bool MusicMetadataManager::waitForSpacing(const StopFlag* stop) {
    WaitClock& clock = *m_settings.clock;
    std::chrono::milliseconds wait{0};
    {
        const std::lock_guard lock(m_spacingMutex);
        if (m_lastRequestTime) {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - *m_lastRequestTime);
            if (elapsed < m_settings.minimumDelay) {
                wait = m_settings.minimumDelay - elapsed;
            }
        }
    }
    // Read, wait, stamp: look-ups that enter together wait the same time and then go together.
    if (wait.count() > 0 && !clock.sleepFor(wait, stop)) {
        return false; // the stamp stays as it was
    }
    const std::lock_guard lock(m_spacingMutex);
    m_lastRequestTime = clock.now();
    return true;
}

LookupResult MusicMetadataManager::lookup(const QString& artist, const QString& title, const StopFlag* stop,
                                          qint64 budgetMs) {
    Q_ASSERT_X(!onUiThread(), "MusicMetadataManager::lookup", "blocking network work on the UI thread");
    const StopFlag stopping = stopFor(stop);
    const QString key = catalogue::cacheKey(artist, title);
    for (;;) {
        // The cache is read under the same lock that registers a look-up, and a finished look-up is
        // cached before it leaves the register: an equal look-up finds one or the other.
        std::shared_ptr<InFlight> shared;
        bool asks = false;
        {
            const std::lock_guard lock(m_inFlightMutex);
            if (std::optional<MusicMetadata> cached = m_cache->get(artist, title)) {
                return {std::move(cached), MetadataError::noResults, false};
            }
            shared = m_inFlight.value(key);
            if (!shared) {
                shared = std::make_shared<InFlight>();
                m_inFlight.insert(key, shared);
                asks = true;
            }
        }
        if (asks) {
            const LookupResult result = lookUpOnce(artist, title, stopping, budgetMs);
            {
                const std::lock_guard lock(m_inFlightMutex);
                m_inFlight.remove(key);
            }
            {
                const std::lock_guard lock(shared->mutex);
                shared->result = result;
                shared->done = true;
            }
            shared->finished.notify_all();
            return result;
        }
        std::unique_lock lock(shared->mutex);
        while (!shared->done) {
            if (stopping.isRequested()) {
                return {std::nullopt, MetadataError::noResults, true};
            }
            // The stop flag cannot wake us: it is looked at every few milliseconds.
            shared->finished.wait_for(lock, std::chrono::milliseconds(20));
        }
        // One that was stopped answers nobody else: this one asks again, unless it is stopped too.
        if (!shared->result.stopped) {
            return shared->result;
        }
    }
}

LookupResult MusicMetadataManager::lookUpOnce(const QString& artist, const QString& title,
                                              const StopFlag& stopping, qint64 budgetMs) {
    if (!waitForSpacing(&stopping)) {
        return {std::nullopt, MetadataError::noResults, true};
    }
    TransferBudget budget{budgetMs};
    LookupContext context{m_http, budget, &stopping};
    bool anyBusy = false;
    for (const std::unique_ptr<MusicMetadataService>& service : m_services) {
        const ServiceAnswer answer = service->fetchMetadata(artist, title, context);
        switch (answer.kind) {
        case ServiceAnswer::Kind::match:
            m_cache->set(artist, title, *answer.metadata);
            return {answer.metadata, MetadataError::noResults, false};
        case ServiceAnswer::Kind::stopped:
            return {std::nullopt, MetadataError::noResults, true};
        case ServiceAnswer::Kind::busy:
            anyBusy = true;
            break;
        case ServiceAnswer::Kind::noMatch:
        case ServiceAnswer::Kind::failed:
            break; // the service's own error is not reported: the next one is asked
        }
    }
    // A busy catalogue is not a "no match": the caller may say so, and nothing was cached.
    return {std::nullopt, anyBusy ? MetadataError::rateLimitExceeded : MetadataError::noResults, false};
}

DownloadResult MusicMetadataManager::download(const QString& urlString, const StopFlag* stop,
                                              qint64 budgetMs) {
    Q_ASSERT_X(!onUiThread(), "MusicMetadataManager::download", "blocking network work on the UI thread");
    DownloadResult result;
    const QUrl url(urlString, QUrl::StrictMode);
    if (urlString.isEmpty() || !url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) {
        result.error = MetadataError::invalidResponse;
        return result;
    }
    HttpRequest request;
    request.url = url;
    request.maxBodyBytes = maxImageBytes;
    TransferBudget budget{budgetMs};
    const StopFlag stopping = stopFor(stop);
    const PoliteReply polite =
        politeGet(m_http, *m_downloadGate, request, budget, &stopping, m_settings.manners);
    if (polite.outcome == PoliteReply::Outcome::answered && polite.reply.status == 200) {
        result.bytes = polite.reply.body;
        return result;
    }
    result.error = polite.outcome == PoliteReply::Outcome::busy ? MetadataError::rateLimitExceeded
                                                                : MetadataError::networkError;
    result.detail = polite.outcome == PoliteReply::Outcome::answered
                        ? QCoreApplication::translate("HttpClient", "HTTP status %1").arg(polite.reply.status)
                        : polite.reply.errorString;
    return result;
}

QFuture<LookupResult> MusicMetadataManager::fetchMetadata(const QString& artist, const QString& title,
                                                          qint64 budgetMs) {
    return QtConcurrent::run(
        &m_pool, [this, artist, title, budgetMs] { return lookup(artist, title, nullptr, budgetMs); });
}

QFuture<DownloadResult> MusicMetadataManager::downloadImageData(const QString& urlString, qint64 budgetMs) {
    return QtConcurrent::run(&m_pool,
                             [this, urlString, budgetMs] { return download(urlString, nullptr, budgetMs); });
}

} // namespace quirella
