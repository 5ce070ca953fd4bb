// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/BPMAnalyzer.h"

#include "audio/AudioDecoder.h"
#include "audio/TempoEstimation.h"
#include "model/Bookmark.h"
#include "model/Paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

using namespace Qt::StringLiterals;

namespace quirella {

// ---- BPMCache ----

std::optional<qint64> BPMCache::lookup(const QUrl& url, Clock::time_point now) {
    {
        const std::shared_lock reading(m_lock);
        const auto found = m_entries.constFind(url);
        if (found == m_entries.constEnd()) {
            return std::nullopt;
        }
        if (now - found->timestamp <= lifetime) {
            return found->bpm;
        }
    }
    const std::unique_lock writing(m_lock);
    const auto found = m_entries.find(url);
    // Looked at again: another thread may have stored a fresh value in between.
    if (found != m_entries.end()) {
        if (now - found->timestamp <= lifetime) {
            return found->bpm;
        }
        m_entries.erase(found);
    }
    return std::nullopt;
}

void BPMCache::store(const QUrl& url, qint64 bpm, Clock::time_point now) {
    const std::unique_lock writing(m_lock);
    if (m_entries.size() >= trimThreshold) {
        m_entries.removeIf([now](const auto& entry) { return now - entry.value().timestamp > lifetime; });
    }
    if (m_entries.size() >= trimThreshold) {
        std::vector<std::pair<Clock::time_point, QUrl>> byAge;
        byAge.reserve(std::size_t(m_entries.size()));
        for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry) {
            byAge.emplace_back(entry->timestamp, entry.key());
        }
        std::sort(byAge.begin(), byAge.end(),
                  [](const auto& left, const auto& right) { return left.first < right.first; });
        const auto excess = static_cast<std::size_t>(m_entries.size() - trimmedSize);
        for (std::size_t i = 0; i < excess; ++i) {
            m_entries.remove(byAge[i].second);
        }
    }
    m_entries.insert(url, BPMCacheEntry{bpm, now});
}

void BPMCache::clear() {
    const std::unique_lock writing(m_lock);
    m_entries.clear();
}

int BPMCache::size() const {
    const std::shared_lock reading(m_lock);
    return static_cast<int>(m_entries.size());
}

bool BPMCache::contains(const QUrl& url) const {
    const std::shared_lock reading(m_lock);
    return m_entries.contains(url);
}

// ---- BPMAnalyzer ----

namespace {

BPMResult analyserError(BPMAnalyzer::ErrorCode code, const QString& description) {
    return {std::nullopt, {QString(BPMAnalyzer::errorDomain), int(code), description}};
}

} // namespace

BPMCache& BPMAnalyzer::cache() {
    static BPMCache shared;
    return shared;
}

void BPMAnalyzer::clearBPMCache() {
    cache().clear();
}

BPMResult BPMAnalyzer::estimate(const QString& path) {
    tempo::EnvelopeBuilder envelope;
    const audio::DecodeResult decoded =
        audio::decodeLeadingAudio(paths::nativePath(path), analysedSeconds,
                                  [&envelope](const float* const* planes, int channels, std::size_t frames) {
                                      tempo::addMixed(envelope, planes, channels, frames);
                                  });
    switch (decoded.status) {
    case audio::DecodeResult::Status::ok:
        break;
    case audio::DecodeResult::Status::failed:
        return {std::nullopt, {u"FFmpeg"_s, decoded.ffmpegError, decoded.message}};
    case audio::DecodeResult::Status::badFormat:
        return analyserError(cannotCreateAudioBuffer,
                             QCoreApplication::translate("BPMAnalyzer", "Cannot create audio buffer"));
    case audio::DecodeResult::Status::noChannelData:
        return analyserError(cannotGetChannelData,
                             QCoreApplication::translate("BPMAnalyzer", "Cannot get channel data"));
    }
    const std::vector<float> frames = envelope.finish();
    const double tempo =
        tempo::estimateTempo(frames, double(decoded.format.sampleRate), QFileInfo(path).fileName());
    return {static_cast<qint64>(std::round(tempo)), {}};
}

BPMResult BPMAnalyzer::analyzeBPM(const QString& path) {
    const QUrl location = QUrl::fromLocalFile(path);
    if (const std::optional<qint64> cached = cache().lookup(location, BPMCache::Clock::now())) {
        return {cached, {}};
    }
    // Files below a Documents folder have always been read without the access bracket.
    const bool bracketed = !path.contains("/Documents/"_L1);
    if (bracketed && !bookmark::beginAccess(path)) {
        return analyserError(cannotAccessFile,
                             QCoreApplication::translate("BPMAnalyzer", "Cannot access file"));
    }
    BPMResult result = estimate(path);
    if (result.bpm && *result.bpm > 0) {
        cache().store(location, *result.bpm, BPMCache::Clock::now());
    }
    if (bracketed) {
        bookmark::endAccess(path);
    }
    return result;
}

QFuture<BPMResult> BPMAnalyzer::analyzeBPMAsync(const QString& path) {
    return QtConcurrent::run([path] { return analyzeBPM(path); });
}

} // namespace quirella
