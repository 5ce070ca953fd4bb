// SPDX-License-Identifier: GPL-3.0-or-later
// Sort orders of the song table's columns. Sorting reorders the folder's own song list, so the table,
// the batches and the undo history all see the same order.
#pragma once

#include "model/Song.h"

#include <QList>
#include <QLocale>
#include <QStringView>

namespace quirella {

// How a column compares two songs.
enum class SortComparison {
    text,      // title, artist, genre: locale-aware, ignoring letter case
    codePoint, // extension: plain character order, case-sensitive
    integer,   // year, rating, bpm
    real,      // duration
    album,     // album: the album's text, then the disc and the track
    number,    // track, disc: the disc, then the track, as numbers
};

// The field and comparison behind a column id; an unknown id sorts like "title".
SortComparison sortComparisonFor(QStringView columnId);

// The locale text columns are compared in: the user's, or English when the environment names only the
// C/POSIX locale, whose collation would compare raw bytes and so put every capital before "a".
QLocale collationLocale();

// Stable sort of `songs` by the column. Songs without an album, or without a track or disc number, come
// last in ascending order. Descending puts a before b when b's value is less than a's, so
// equal values keep their relative order in both directions. Text columns compute one collation key
// per song up front instead of collating inside every comparison.
void sortSongs(QList<Song>& songs, QStringView columnId, bool ascending,
               const QLocale& locale = collationLocale());

} // namespace quirella
