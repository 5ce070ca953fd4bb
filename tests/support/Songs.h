// SPDX-License-Identifier: GPL-3.0-or-later
// A song as loading makes one, for the tests that need songs in memory: a fresh id, a file under /music
// named after the title (which need not exist), and the fields given.
#pragma once

#include "model/Song.h"

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
            .isMetadataLoaded = true};
}

} // namespace quirella::test
