// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EditingManager.h"

#include "model/Columns.h"
#include "model/Year.h"

namespace quirella {

qint64 parseYearText(QStringView text) {
    if (text.isEmpty()) {
        return 0;
    }
    QStringView digits = text;
    if (digits.front() == u'+' || digits.front() == u'-') {
        digits = digits.mid(1);
    }
    if (digits.isEmpty()) {
        return 0;
    }
    for (const QChar c : digits) {
        // Only ASCII digits: QChar::isDigit would also accept Arabic-Indic and other decimal digits.
        if (c < u'0' || c > u'9') {
            return 0;
        }
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && isValidYear(value) ? value : 0;
}

bool applyFieldEdit(Song& song, QStringView field, const QString& text) {
    if (field == column::title) {
        song.name = text;
    } else if (field == column::artist) {
        song.artist = text;
    } else if (field == column::genre) {
        song.genre = text;
    } else if (field == column::year) {
        song.year = parseYearText(text);
    } else if (field == column::album) {
        song.album = text;
    } else if (field == column::albumArtist) {
        song.albumArtist = text;
    } else if (field == column::track || field == column::disc) {
        const NumberPairInput number = parseNumberPair(text);
        if (!number.value) {
            return false;
        }
        (field == column::track ? song.track : song.disc) = *number.value;
    } else {
        return false;
    }
    return true;
}

std::optional<QString> refusalOfFieldEdit(QStringView field, QStringView text) {
    if (field != column::track && field != column::disc) {
        return std::nullopt;
    }
    NumberPairInput number = parseNumberPair(text);
    return number.value ? std::nullopt : std::optional<QString>(std::move(number.error));
}

std::optional<MusicFolder> EditingManager::updateField(MusicFolder folder, const QUuid& songId,
                                                       QStringView field, const QString& text) const {
    Song* song = findSong(folder.songs, songId);
    if (!song) {
        return std::nullopt;
    }
    applyFieldEdit(*song, field, text);
    return folder;
}

MusicFolder EditingManager::setGenreForAll(MusicFolder folder, const QString& genre) const {
    for (Song& song : folder.songs) {
        song.genre = genre;
    }
    return folder;
}

MusicFolder EditingManager::setRatingForAll(MusicFolder folder, qint64 rating) const {
    const qint64 stars = clampRating(rating);
    for (Song& song : folder.songs) {
        song.rating = stars;
    }
    return folder;
}

MusicFolder EditingManager::clearRatings(MusicFolder folder) const {
    return setRatingForAll(std::move(folder), 0);
}

MusicFolder
EditingManager::transformTextFields(MusicFolder folder,
                                    const std::function<QString(const QString&)>& transform) const {
    for (Song& song : folder.songs) {
        song.name = transform(song.name);
        song.artist = transform(song.artist);
        song.genre = transform(song.genre);
    }
    return folder;
}

} // namespace quirella
