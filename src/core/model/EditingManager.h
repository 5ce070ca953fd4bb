// SPDX-License-Identifier: GPL-3.0-or-later
// Field changes on folder values. Nothing here touches the view model: each operation takes a folder
// value and returns the changed value, which the caller assigns back through the change protocol.
#pragma once

#include "model/Song.h"

#include <QString>
#include <QStringView>
#include <QUuid>

#include <functional>
#include <optional>

namespace quirella {

// The year typed into a cell: empty text is no year; otherwise an optional "+" or "-" and ASCII digits
// only (no blanks), kept when it lies in 1900..2099. Everything else, two-digit years included, is 0.
qint64 parseYearText(QStringView text);

// Ratings are whole stars 0..5 wherever they are written.
constexpr qint64 clampRating(qint64 rating) {
    return rating < 0 ? 0 : (rating > 5 ? 5 : rating);
}

// The commit rule of one edited cell: "title", "artist", "genre", "album" and "albumArtist" take the text
// exactly as typed (leading and trailing blanks included), "year" goes through parseYearText, "track" and
// "disc" through parseNumberPair (input it refuses changes nothing), and any other field is left alone.
// Returns whether the field changed by the rule.
bool applyFieldEdit(Song& song, QStringView field, const QString& text);
// Why `text` cannot go into `field` ("track" and "disc" refuse what is no number), or nothing.
std::optional<QString> refusalOfFieldEdit(QStringView field, QStringView text);

class EditingManager {
public:
    // One field of one song by the commit rule; nothing when no song has the id.
    std::optional<MusicFolder> updateField(MusicFolder folder, const QUuid& songId, QStringView field,
                                           const QString& text) const;
    // Every song's genre becomes the text, unchanged.
    MusicFolder setGenreForAll(MusicFolder folder, const QString& genre) const;
    // Every song's rating becomes the value, clamped to 0..5.
    MusicFolder setRatingForAll(MusicFolder folder, qint64 rating) const;
    MusicFolder clearRatings(MusicFolder folder) const;
    // Passes the title, artist and genre of every song through `transform`. The text tools build on it
    // with their own term rule.
    MusicFolder transformTextFields(MusicFolder folder,
                                    const std::function<QString(const QString&)>& transform) const;
};

} // namespace quirella
