// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/MetadataCache.h"

#include "online/CatalogueReplies.h"

namespace quirella {

MetadataCache& MetadataCache::instance() {
    static MetadataCache cache;
    return cache;
}

std::optional<MusicMetadata> MetadataCache::get(const QString& artist, const QString& title) const {
    const QString key = catalogue::cacheKey(artist, title);
    const QReadLocker locker(&m_lock);
    const auto found = m_cache.constFind(key);
    return found == m_cache.constEnd() ? std::nullopt : std::optional<MusicMetadata>(*found);
}

void MetadataCache::set(const QString& artist, const QString& title, const MusicMetadata& metadata) {
    const QString key = catalogue::cacheKey(artist, title);
    const QWriteLocker locker(&m_lock);
    m_cache.insert(key, metadata);
}

void MetadataCache::clear() {
    const QWriteLocker locker(&m_lock);
    m_cache.clear();
}

qsizetype MetadataCache::size() const {
    const QReadLocker locker(&m_lock);
    return m_cache.size();
}

} // namespace quirella
