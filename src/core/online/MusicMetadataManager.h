// SPDX-License-Identifier: GPL-3.0-or-later
// The only way to the catalogues. A look-up is answered from the cache when it can be; otherwise it is
// spaced from the previous ones, and the services are asked in order (iTunes, then MusicBrainz) until one
// has a match, which is cached. Cover downloads go through the same transport and manners.
//
// Threads: the blocking calls (lookup, download) run on worker threads, never on the UI thread; the
// QFuture calls run them on the manager's own pool, which is also where auto-search runs its items.
#pragma once

#include "online/HttpClient.h"
#include "online/Manners.h"
#include "online/MetadataServices.h"
#include "online/OnlineEndpoints.h"

#include <QFuture>
#include <QHash>
#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace quirella {

class MetadataCache;

struct OnlineSettings {
    OnlineEndpoints endpoints;
    // Least spacing between look-ups that reach the network. Look-ups that enter together wait the
    // same remaining time and go together.
    std::chrono::milliseconds minimumDelay{300};
    // MusicBrainz answers 503 beyond about one request a second per address. The margin covers the
    // jitter between taking a turn and the request reaching the service.
    std::chrono::milliseconds musicBrainzInterval{1100};
    Manners manners;
    int workers = 8;
    // What the spacing, the turns and the pauses wait on.
    std::shared_ptr<WaitClock> clock = WaitClock::system();
};

struct LookupResult {
    std::optional<MusicMetadata> metadata;
    MetadataError error = MetadataError::noResults; // when there is no record
    bool stopped = false;                           // stopped while waiting for a turn
    bool ok() const { return metadata.has_value(); }
};

struct DownloadResult {
    std::optional<QByteArray> bytes;
    MetadataError error = MetadataError::networkError;
    QString detail; // the transfer's own error text, or the status that was not 200
    bool ok() const { return bytes.has_value(); }
};

class MusicMetadataManager {
public:
    static constexpr qint64 lookupBudgetMs = 5000;   // transfer time of one look-up
    static constexpr qint64 downloadBudgetMs = 8000; // transfer time of one cover download
    static constexpr qint64 maxImageBytes = 20 * 1024 * 1024;

    // Uses the process-wide cache unless given one.
    explicit MusicMetadataManager(OnlineSettings settings = {}, MetadataCache* cache = nullptr);
    ~MusicMetadataManager(); // stops waiting work and waits for the transfers still running
    MusicMetadataManager(const MusicMetadataManager&) = delete;
    MusicMetadataManager& operator=(const MusicMetadataManager&) = delete;

    // The process-wide manager with the endpoints of the environment, created on first use and shut
    // down with the application object.
    static MusicMetadataManager& instance();

    // Blocking; never call on the UI thread. Look-ups of the same artist and title (as the cache folds
    // them) that are under way at the same time share one: the first asks the catalogues, the others wait
    // for its answer.
    LookupResult lookup(const QString& artist, const QString& title, const StopFlag* stop = nullptr,
                        qint64 budgetMs = lookupBudgetMs);
    DownloadResult download(const QString& urlString, const StopFlag* stop = nullptr,
                            qint64 budgetMs = downloadBudgetMs);

    // The same on the manager's pool.
    QFuture<LookupResult> fetchMetadata(const QString& artist, const QString& title,
                                        qint64 budgetMs = lookupBudgetMs);
    QFuture<DownloadResult> downloadImageData(const QString& urlString, qint64 budgetMs = downloadBudgetMs);

    QThreadPool& pool() { return m_pool; }
    MetadataCache& cache() { return *m_cache; }
    const OnlineSettings& settings() const { return m_settings; }

private:
    // A look-up under way, shared by the equal look-ups that come while it runs.
    struct InFlight {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        LookupResult result;
    };

    LookupResult lookUpOnce(const QString& artist, const QString& title, const StopFlag& stopping,
                            qint64 budgetMs);
    bool waitForSpacing(const StopFlag* stop);
    // The caller's stop flag joined with the manager's own shutdown.
    StopFlag stopFor(const StopFlag* stop) const { return stop ? stop->orWhen(m_shutdown) : m_shutdown; }

    OnlineSettings m_settings;
    MetadataCache* m_cache;
    HttpClient m_http;
    std::vector<std::unique_ptr<MusicMetadataService>> m_services;
    std::shared_ptr<RateGate> m_downloadGate;
    std::mutex m_inFlightMutex;
    QHash<QString, std::shared_ptr<InFlight>> m_inFlight; // by cache key
    std::mutex m_spacingMutex;
    std::optional<WaitClock::TimePoint> m_lastRequestTime; // absent: the distant past
    // Requested by the destructor: waits for turns and pauses end at once, so shutting down takes at
    // most the transfers still running.
    StopFlag m_shutdown;
    QThreadPool m_pool;
};

} // namespace quirella
