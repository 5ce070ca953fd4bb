// SPDX-License-Identifier: GPL-3.0-or-later
// Every successful look-up of this process, keyed by the artist and title that were asked for (see
// catalogue::cacheKey). No size limit and no expiry: it is emptied at launch, at exit and by "Clean".
// Safe from any thread: reads share a lock, writes take it alone, so a get after a set from the same
// thread sees the new entry.
#pragma once

#include "online/MusicMetadata.h"

#include <QHash>
#include <QReadWriteLock>
#include <QString>

#include <optional>

namespace quirella {

class MetadataCache {
public:
    static MetadataCache& instance();

    std::optional<MusicMetadata> get(const QString& artist, const QString& title) const;
    void set(const QString& artist, const QString& title, const MusicMetadata& metadata);
    void clear();
    qsizetype size() const;

private:
    mutable QReadWriteLock m_lock;
    QHash<QString, MusicMetadata> m_cache;
};

} // namespace quirella
