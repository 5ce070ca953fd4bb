// SPDX-License-Identifier: GPL-3.0-or-later
// The column ids of the song table. Sorting, the column chooser and the table itself name columns by
// these ids, and the chosen set of visible columns is stored under them, so they never change.
#pragma once

#include <QStringList>
#include <QStringView>

#include <array>

namespace quirella::column {

inline constexpr QStringView play{u"play"};
inline constexpr QStringView swap{u"swap"};
inline constexpr QStringView cover{u"cover"};
inline constexpr QStringView title{u"title"};
inline constexpr QStringView artist{u"artist"};
inline constexpr QStringView genre{u"genre"};
inline constexpr QStringView rating{u"rating"};
inline constexpr QStringView year{u"year"};
inline constexpr QStringView bpm{u"bpm"};
inline constexpr QStringView duration{u"duration"};
inline constexpr QStringView extension{u"extension"};
inline constexpr QStringView actions{u"actions"};
inline constexpr QStringView album{u"album"};
inline constexpr QStringView albumArtist{u"albumArtist"};
inline constexpr QStringView track{u"track"};
inline constexpr QStringView disc{u"disc"};

// The twelve columns shown until the user chooses others, in table order, left to right.
inline constexpr std::array<QStringView, 12> defaults{play,   swap, cover, title,    artist,    genre,
                                                      rating, year, bpm,   duration, extension, actions};
// Every column, in the order the column chooser lists them: the default ones, then the album's.
inline constexpr std::array<QStringView, 16> all{play,   swap,        cover, title,    artist,    genre,
                                                 rating, year,        bpm,   duration, extension, actions,
                                                 album,  albumArtist, track, disc};

template <std::size_t N>
QStringList idsOf(const std::array<QStringView, N>& columns) {
    QStringList ids;
    ids.reserve(qsizetype(N));
    for (const QStringView id : columns) {
        ids.append(id.toString());
    }
    return ids;
}
inline QStringList allIds() {
    return idsOf(all);
}
inline QStringList defaultIds() {
    return idsOf(defaults);
}

} // namespace quirella::column
