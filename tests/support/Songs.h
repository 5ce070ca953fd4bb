// SPDX-License-Identifier: GPL-3.0-or-later
// Songs as loading makes them, for the tests that need songs without loading a folder: in memory, with a
// fresh id, a file under /music named after the title (which need not exist) and the fields given; or
// for short WAV files written into a scratch folder.
#pragma once

#include "model/Song.h"
#include "support/AudioFiles.h"

namespace quirella::test {

inline Song makeSong(const QString& name, const QString& artist = {}, qint64 year = 0,
                     const QString& genre = {}, qint64 rating = 0, qint64 bpm = 0) {
    const QUrl url = QUrl::fromLocalFile(QStringLiteral("/music/") + name + QStringLiteral(".mp3"));
    return {.id = QUuid::createUuid(),
            .url = url,
            .name = name,
            .artist = artist,
            .duration = 200,
            .coverImagePath = std::nullopt,
            .bookmarkData = url.toLocalFile().toUtf8(),
            .year = year,
            .fileExtension = QStringLiteral("mp3"),
            .genre = genre,
            .rating = rating,
            .bpm = bpm,
            .isMetadataLoaded = true,
            .album = {},
            .albumArtist = {},
            .track = {},
            .disc = {},
            .fileValues = std::nullopt};
}

inline QList<Song> songsOnDisk(const ScratchDir& dir, const QStringList& names) {
    QList<Song> songs;
    for (const QString& name : names) {
        Song song = makeSong(name, QStringLiteral("Artist ") + name);
        const QString path = dir.write(name + QStringLiteral(".wav"), wavFile());
        song.url = QUrl::fromLocalFile(path);
        song.bookmarkData = path.toUtf8();
        song.fileExtension = QStringLiteral("wav");
        songs.append(song);
    }
    return songs;
}

} // namespace quirella::test
