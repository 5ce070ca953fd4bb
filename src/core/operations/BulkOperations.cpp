// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/BulkOperations.h"

#include "model/Columns.h"
#include "model/EditingManager.h"
#include "operations/TextEngine.h"

#include <QtConcurrent/QtConcurrentMap>

#include <functional>

namespace quirella {

namespace {

// The text field a column names, or null for the year and unknown columns.
QString* textField(Song& song, QStringView column) {
    if (column == column::title) {
        return &song.name;
    }
    if (column == column::artist) {
        return &song.artist;
    }
    if (column == column::genre) {
        return &song.genre;
    }
    if (column == column::album) {
        return &song.album;
    }
    if (column == column::albumArtist) {
        return &song.albumArtist;
    }
    return nullptr;
}

// Runs `change` on every song; a large folder's songs are shared out among the threads of the global
// pool and the calling thread (each song is changed by one thread only, and the text functions are pure),
// so that an edit of a whole library keeps the window waiting half as long.
void forEachSong(QList<Song>& songs, const std::function<void(Song&)>& change) {
    constexpr qsizetype kParallelFrom = 4096;
    if (songs.size() < kParallelFrom) {
        for (Song& song : songs) {
            change(song);
        }
        return;
    }
    QtConcurrent::blockingMap(songs, change);
}

// An unchanged text keeps sharing its storage with the undo snapshots.
void assignIfChanged(QString& field, QString value) {
    if (field != value) {
        field = std::move(value);
    }
}

MusicFolder transformColumn(MusicFolder folder, QStringView column,
                            const std::function<QString(QStringView)>& transform) {
    if (!isBulkTextColumn(column)) {
        return folder;
    }
    forEachSong(folder.songs, [&](Song& song) {
        QString* field = textField(song, column);
        assignIfChanged(*field, transform(*field));
    });
    return folder;
}

MusicFolder transformAll(MusicFolder folder, const std::function<QString(QStringView)>& transform) {
    forEachSong(folder.songs, [&](Song& song) {
        assignIfChanged(song.name, transform(song.name));
        assignIfChanged(song.artist, transform(song.artist));
        assignIfChanged(song.genre, transform(song.genre));
        assignIfChanged(song.album, transform(song.album));
        assignIfChanged(song.albumArtist, transform(song.albumArtist));
    });
    return folder;
}

} // namespace

bool isBulkTextColumn(QStringView column) {
    return column == column::title || column == column::artist || column == column::genre ||
           column == column::album || column == column::albumArtist;
}

bool isBulkColumn(QStringView column) {
    return isBulkTextColumn(column) || column == column::year;
}

MusicFolder clearColumn(MusicFolder folder, QStringView column) {
    if (column == column::year) {
        for (Song& song : folder.songs) {
            song.year = 0;
        }
        return folder;
    }
    return transformColumn(std::move(folder), column, [](QStringView) { return QString(); });
}

MusicFolder uppercaseColumn(MusicFolder folder, QStringView column) {
    return transformColumn(std::move(folder), column, uppercased);
}

MusicFolder titleCaseColumn(MusicFolder folder, QStringView column) {
    return transformColumn(std::move(folder), column, titleCased);
}

MusicFolder replaceColumn(MusicFolder folder, QStringView column, const QString& value) {
    if (column == column::year) {
        const qint64 year = parseYearText(value);
        if (year == 0) {
            return folder;
        }
        for (Song& song : folder.songs) {
            song.year = year;
        }
        return folder;
    }
    return transformColumn(std::move(folder), column, [&value](QStringView) { return value; });
}

MusicFolder uppercaseAll(MusicFolder folder) {
    return transformAll(std::move(folder), uppercased);
}

MusicFolder titleCaseAll(MusicFolder folder) {
    return transformAll(std::move(folder), titleCased);
}

MusicFolder cleanCharactersInAllSongs(MusicFolder folder) {
    forEachSong(folder.songs, cleanSongCharacters);
    return folder;
}

MusicFolder replaceTextInFields(MusicFolder folder, const QString& term, const QString& replacement) {
    const TermReplacer replacer({term}, replacement);
    return transformAll(std::move(folder), [&](QStringView text) { return replacer.apply(text); });
}

MusicFolder removeTerms(MusicFolder folder, const QStringList& terms, const QString& replacement) {
    QStringList used;
    for (const QString& term : terms) {
        if (!term.isEmpty()) {
            used.append(term);
        }
    }
    if (used.isEmpty()) {
        return folder;
    }
    const TermReplacer replacer(used, replacement);
    return transformAll(std::move(folder), [&](QStringView text) { return replacer.apply(text); });
}

MusicFolder numberTracks(MusicFolder folder, const QList<QUuid>& order) {
    const int total = int(std::min<qsizetype>(order.size(), 999));
    for (int i = 0; i < total; ++i) {
        if (Song* song = findSong(folder.songs, order.at(i))) {
            song->track = {i + 1, total};
        }
    }
    return folder;
}

MusicFolder tagsFromNames(MusicFolder folder, const NamePattern& pattern, const QList<QUuid>& songIds) {
    for (const QUuid& id : songIds) {
        if (Song* song = findSong(folder.songs, id)) {
            if (const std::optional<NameValues> values = readNameValues(pattern, *song)) {
                applyNameValues(*song, *values);
            }
        }
    }
    return folder;
}

MusicFolder swapArtistAndTitle(MusicFolder folder, const QUuid& songId) {
    if (Song* song = findSong(folder.songs, songId)) {
        std::swap(song->name, song->artist);
    }
    return folder;
}

} // namespace quirella
