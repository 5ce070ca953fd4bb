// SPDX-License-Identifier: GPL-3.0-or-later
// The bulk field operations as pure functions over a folder value: each takes the folder and returns
// the changed copy. Column names are the table's ids "title" (the song's name), "artist", "genre",
// "album", "albumArtist" and "year"; any other name changes nothing. What works on "all" fields works on
// title, artist, genre, album and album artist. The view-model side (undo step, refresh) is BulkEditor.h.
#pragma once

#include "model/Song.h"
#include "operations/NamePattern.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUuid>

namespace quirella {

// Whether `column` is "title", "artist", "genre", "album" or "albumArtist" (text), or one of those or
// "year".
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
// Title, artist, genre, album and album artist of every song.
MusicFolder uppercaseAll(MusicFolder folder);
MusicFolder titleCaseAll(MusicFolder folder);
MusicFolder cleanCharactersInAllSongs(MusicFolder folder);
// replaceTerm with one term over the text fields of every song (the two text sheets).
MusicFolder replaceTextInFields(MusicFolder folder, const QString& term, const QString& replacement);
// The remove-text window: for every song and, within a song, every term in order. Empty terms are
// skipped; a term of blanks is used as it is.
MusicFolder removeTerms(MusicFolder folder, const QStringList& terms, const QString& replacement);
// "Number Tracks": the songs of `order`, in that order, get the track numbers 1 to N and the total N
// (at most 999 of them).
MusicFolder numberTracks(MusicFolder folder, const QList<QUuid>& order);
// "Tags from File Names": each song of `songIds` whose file name matches the pattern gets the values the
// name gives; the others stay as they are.
MusicFolder tagsFromNames(MusicFolder folder, const NamePattern& pattern, const QList<QUuid>& songIds);
// Exchanges title and artist of the song with this id; nothing without it.
MusicFolder swapArtistAndTitle(MusicFolder folder, const QUuid& songId);

} // namespace quirella
