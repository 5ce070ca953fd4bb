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

// Every column in table order, left to right.
inline constexpr std::array<QStringView, 12> all{play,   swap, cover, title,    artist,    genre,
                                                 rating, year, bpm,   duration, extension, actions};

inline QStringList allIds() {
    QStringList ids;
    ids.reserve(qsizetype(all.size()));
    for (const QStringView id : all) {
        ids.append(id.toString());
    }
    return ids;
}

} // namespace quirella::column
