// SPDX-License-Identifier: GPL-3.0-or-later
// The bulk field operations as pure functions over a folder value: each takes the folder and returns
// the changed copy. Column names are the table's ids "title" (the song's name), "artist", "genre" and
// "year"; any other name changes nothing. The view-model side (undo step, refresh) is BulkEditor.h.
#pragma once

#include "model/Song.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUuid>

namespace quirella {

// Whether `column` is "title", "artist" or "genre" (text), or one of those or "year".
bool isBulkTextColumn(QStringView column);
bool isBulkColumn(QStringView column);

// Empty text for the text columns, 0 for the year.
MusicFolder clearColumn(MusicFolder folder, QStringView column);
// Title, artist or genre in upper case (full case mapping).
MusicFolder uppercaseColumn(MusicFolder folder, QStringView column);
// Title, artist or genre in title case.
MusicFolder titleCaseColumn(MusicFolder folder, QStringView column);
// The text columns take `value` exactly as typed; the year takes it only when it is a decimal year
// from 1900 to 2099, and otherwise nothing changes.
MusicFolder replaceColumn(MusicFolder folder, QStringView column, const QString& value);
// Title, artist and genre of every song.
MusicFolder uppercaseAll(MusicFolder folder);
MusicFolder titleCaseAll(MusicFolder folder);
MusicFolder cleanCharactersInAllSongs(MusicFolder folder);
// replaceTerm with one term over title, artist and genre of every song (the two text sheets).
MusicFolder replaceTextInFields(MusicFolder folder, const QString& term, const QString& replacement);
// The remove-text window: for every song and, within a song, every term in order. Empty terms are
// skipped; a term of blanks is used as it is.
MusicFolder removeTerms(MusicFolder folder, const QStringList& terms, const QString& replacement);
// Exchanges title and artist of the song with this id; nothing without it.
MusicFolder swapArtistAndTitle(MusicFolder folder, const QUuid& songId);

} // namespace quirella
