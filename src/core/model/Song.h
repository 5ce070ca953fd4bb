// SPDX-License-Identifier: GPL-3.0-or-later
// The two value records everything else works on: one song row and the loaded folder.
// Both are cheap to copy: their strings and byte arrays are implicitly shared, so an undo snapshot of
// a thousand songs copies pointers, not text.
#pragma once

#include "model/TrackNumber.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace quirella {

// Which file a path named when it was read, and in what state: a file replaced, rewritten or touched since
// differs in one of these.
struct FileIdentity {
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the epoch
    quint64 inode = 0;
    quint64 device = 0;

    bool operator==(const FileIdentity&) const = default;
};
// The identity of the file at `path` (following links), or a default one when it cannot be read.
FileIdentity fileIdentity(const QString& path);

// What a song's file held for the fields a save writes, when the file was read: a save writes a field
// only where the song's value differs. The title is the tags' own (empty when they hold none, so that a
// title taken from the file name is written); the cover is the path loading gave the file's picture.
struct FileValues {
    QString title;
    QString artist;
    qint64 year = 0;
    QString genre;
    qint64 rating = 0;
    std::optional<QString> coverImagePath;
    QString album;
    QString albumArtist;
    NumberPair track;
    NumberPair disc;
    qint64 bpm = 0;        // the tempo stored in the tags, 0 when none
    FileIdentity identity; // the file when these values were read or written

    bool operator==(const FileValues&) const = default;
};

struct Song {
    QUuid id;                              // identity of the row; drawn afresh every time the file is read
    QUrl url;                              // where the file was when it was read (a local file URL)
    QString name;                          // the title as shown; never absent, may be empty
    QString artist;                        // empty when the file gives none
    double duration = 0;                   // seconds; 0 when unknown
    std::optional<QString> coverImagePath; // absolute path of an image file; absent means no cover
    QByteArray bookmarkData;               // read-only bookmark of `url` (see Bookmark.h)
    qint64 year = 0;                       // 1900..2099 when taken from a file; 0 means no year
    bool hasID3Tags = false;               // a title or artist came from the file's own tags
    QString fileExtension;                 // lower case, without the dot; selects the tag writer
    QString genre;
    qint64 rating = 0; // whole stars 0..5; 0 means unrated
    qint64 bpm = 0;    // 0 means not analysed
    bool isMetadataLoaded = false;
    QString album;
    QString albumArtist;
    NumberPair track; // number and total, 0 for none
    NumberPair disc;
    // Set when the song was read from its file; absent, every field is written (a song made otherwise).
    // It describes the file, not the edit: undo and redo leave it as it is.
    std::optional<FileValues> fileValues;

    // A song's file on disk, as a local path.
    QString filePath() const { return url.toLocalFile(); }

    bool operator==(const Song&) const = default;
};

struct MusicFolder {
    QUuid id;
    QString name;      // last path component of `path`
    QList<Song> songs; // the master list, in load order or the order of the last sort
    QUrl path;         // the folder as chosen by the user

    // A new folder value with a fresh id, named after the last component of the location.
    static MusicFolder make(const QUrl& location, QList<Song> songs);
};

// Songs are identified by id only: these search an ordered list linearly.
const Song* findSong(const QList<Song>& songs, const QUuid& id);
Song* findSong(QList<Song>& songs, const QUuid& id);
qsizetype indexOfSong(const QList<Song>& songs, const QUuid& id);

// Keyed serialised form: every key is written; reading requires the keys that have no default.
QJsonObject toJson(const Song& song);
QJsonObject toJson(const MusicFolder& folder);
std::optional<Song> songFromJson(const QJsonObject& object, QString* error = nullptr);
std::optional<MusicFolder> folderFromJson(const QJsonObject& object, QString* error = nullptr);

} // namespace quirella
