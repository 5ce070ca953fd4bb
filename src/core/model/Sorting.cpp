// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Sorting.h"

#include "model/Columns.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>
#include <vector>

namespace quirella {

namespace {

// Reorders `songs` by a key per song. The permutation is sorted rather than the songs themselves so
// that the keys are computed once and the songs are moved once.
template <typename Key, typename Less>
void sortByKeys(QList<Song>& songs, const std::vector<Key>& keys, bool ascending, Less less) {
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    if (ascending) {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return less(keys[size_t(a)], keys[size_t(b)]); });
    } else {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return less(keys[size_t(b)], keys[size_t(a)]); });
    }
    QList<Song> sorted;
    sorted.reserve(songs.size());
    for (const qsizetype index : order) {
        sorted.append(std::move(songs[index]));
    }
    songs = std::move(sorted);
}

const QString& textField(const Song& song, QStringView columnId) {
    if (columnId == column::artist) {
        return song.artist;
    }
    if (columnId == column::albumArtist) {
        return song.albumArtist;
    }
    if (columnId == column::genre) {
        return song.genre;
    }
    return song.name;
}

qint64 integerField(const Song& song, QStringView columnId) {
    if (columnId == column::year) {
        return song.year;
    }
    if (columnId == column::rating) {
        return song.rating;
    }
    return song.bpm;
}

} // namespace

SortComparison sortComparisonFor(QStringView columnId) {
    if (columnId == column::year || columnId == column::rating || columnId == column::bpm) {
        return SortComparison::integer;
    }
    if (columnId == column::duration) {
        return SortComparison::real;
    }
    if (columnId == column::extension) {
        return SortComparison::codePoint;
    }
    if (columnId == column::album) {
        return SortComparison::album;
    }
    if (columnId == column::track || columnId == column::disc) {
        return SortComparison::number;
    }
    return SortComparison::text;
}

QLocale collationLocale() {
    const QLocale locale;
    if (locale.language() == QLocale::C) {
        return QLocale(QLocale::English, QLocale::UnitedStates);
    }
    return locale;
}

void sortSongs(QList<Song>& songs, QStringView columnId, bool ascending, const QLocale& locale) {
    if (songs.size() < 2) {
        return;
    }
    switch (sortComparisonFor(columnId)) {
    case SortComparison::text: {
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(size_t(songs.size()));
        for (const Song& song : std::as_const(songs)) {
            keys.push_back(collator.sortKey(textField(song, columnId)));
        }
        sortByKeys(songs, keys, ascending,
                   [](const QCollatorSortKey& a, const QCollatorSortKey& b) { return a.compare(b) < 0; });
        break;
    }
    case SortComparison::codePoint: {
        std::vector<QString> keys;
        keys.reserve(size_t(songs.size()));
        for (const Song& song : std::as_const(songs)) {
            keys.push_back(song.fileExtension);
        }
        // UTF-16 order, which is code-point order for everything outside the surrogate range.
        sortByKeys(songs, keys, ascending, [](const QString& a, const QString& b) { return a < b; });
        break;
    }
    case SortComparison::integer: {
        std::vector<qint64> keys;
        keys.reserve(size_t(songs.size()));
        for (const Song& song : std::as_const(songs)) {
            keys.push_back(integerField(song, columnId));
        }
        sortByKeys(songs, keys, ascending, std::less<qint64>());
        break;
    }
    case SortComparison::real: {
        std::vector<double> keys;
        keys.reserve(size_t(songs.size()));
        for (const Song& song : std::as_const(songs)) {
            // NaN compares false both ways and would break the sort's ordering contract; it ranks as
            // the smallest value instead.
            keys.push_back(std::isnan(song.duration) ? -std::numeric_limits<double>::infinity()
                                                     : song.duration);
        }
        sortByKeys(songs, keys, ascending, std::less<double>());
        break;
    }
    case SortComparison::album: {
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        struct Key {
            bool missing;
            QCollatorSortKey album;
            int disc;
            int track;
        };
        std::vector<Key> keys;
        keys.reserve(size_t(songs.size()));
        for (const Song& song : std::as_const(songs)) {
            keys.push_back(
                {song.album.isEmpty(), collator.sortKey(song.album), song.disc.number, song.track.number});
        }
        sortByKeys(songs, keys, ascending, [](const Key& a, const Key& b) {
            if (a.missing != b.missing) {
                return b.missing;
            }
            if (const int order = a.album.compare(b.album); order != 0) {
                return order < 0;
            }
            return std::pair(a.disc, a.track) < std::pair(b.disc, b.track);
        });
        break;
    }
    case SortComparison::number: {
        // Without a number of its column a song comes last; the others go by disc, then by track.
        const bool byTrack = columnId == column::track;
        std::vector<std::tuple<bool, int, int>> keys;
        keys.reserve(size_t(songs.size()));
        for (const Song& song : std::as_const(songs)) {
            const bool missing = (byTrack ? song.track.number : song.disc.number) == 0;
            keys.emplace_back(missing, song.disc.number, song.track.number);
        }
        sortByKeys(songs, keys, ascending, std::less<std::tuple<bool, int, int>>());
        break;
    }
    }
}

} // namespace quirella
