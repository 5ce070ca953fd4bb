// SPDX-License-Identifier: GPL-3.0-or-later
// Tempo (BPM) of one audio file as a whole number: the first 60 seconds are decoded, reduced to a
// loudness envelope and scanned for periodicity (TempoEstimation.h). Results are kept for an hour per
// file location in one process-wide cache.
#pragma once

#include <QFuture>
#include <QHash>
#include <QLatin1StringView>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>
#include <shared_mutex>

namespace quirella {

// A cached tempo and when it was stored.
struct BPMCacheEntry {
    qint64 bpm = 0;
    std::chrono::steady_clock::time_point timestamp;
};

// Tempi by file location. Lookups share the lock; removals and stores take it exclusively. The time is
// passed in, so that lifetimes and trimming can be checked without waiting an hour.
class BPMCache {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds lifetime{3600};
    // At this many entries a store first drops the expired ones and then, if still as many remain, all
    // but the newest `trimmedSize`.
    static constexpr int trimThreshold = 100;
    static constexpr int trimmedSize = 50;

    // The tempo stored for `url` no longer ago than the lifetime. An older entry is removed.
    std::optional<qint64> lookup(const QUrl& url, Clock::time_point now);
    void store(const QUrl& url, qint64 bpm, Clock::time_point now);
    void clear();
    int size() const;
    bool contains(const QUrl& url) const;

private:
    mutable std::shared_mutex m_lock;
    QHash<QUrl, BPMCacheEntry> m_entries;
};

struct BPMError {
    // "BPMAnalyzer" for the analyser's own errors (codes 1 to 3), "FFmpeg" for the decoder's errors,
    // passed on with FFmpeg's code and text.
    QString domain;
    int code = 0;
    QString description;
};

struct [[nodiscard]] BPMResult {
    std::optional<qint64> bpm; // 0 when nothing periodic was found
    BPMError error;            // set when bpm is absent

    bool ok() const { return bpm.has_value(); }
};

class BPMAnalyzer {
public:
    static constexpr QLatin1StringView errorDomain{"BPMAnalyzer"};
    enum ErrorCode { cannotAccessFile = 1, cannotCreateAudioBuffer = 2, cannotGetChannelData = 3 };
    // Only the start of a file is decoded: tempo rarely changes, and a long mix would take long.
    static constexpr int analysedSeconds = 60;

    // The tempo of the file at `path`, from the cache when it is fresh there. A result above 0 is stored.
    // Blocking and thread-safe: several files may be analysed at once.
    static BPMResult analyzeBPM(const QString& path);
    // The same on the global thread pool.
    static QFuture<BPMResult> analyzeBPMAsync(const QString& path);

    // The estimate alone, without cache and access bracket. Blocking.
    static BPMResult estimate(const QString& path);

    static BPMCache& cache();
    // Empties the process-wide cache (at start-up, reset and exit).
    static void clearBPMCache();
};

} // namespace quirella
