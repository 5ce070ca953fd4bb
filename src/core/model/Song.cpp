// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Song.h"

#include "model/Paths.h"

#include <QJsonArray>
#include <QJsonValue>

#include <cmath>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace quirella {

FileIdentity fileIdentity(const QString& path) {
    struct stat info {};
    if (::stat(paths::nativePath(path).constData(), &info) != 0) {
        return {};
    }
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            quint64(info.st_ino), quint64(info.st_dev)};
}

MusicFolder MusicFolder::make(const QUrl& location, QList<Song> songs) {
    MusicFolder folder;
    folder.id = QUuid::createUuid();
    folder.path = location;
    if (location.isLocalFile()) {
        // "Album/" as shell completion types it names the folder "Album", not "".
        QString path = location.toLocalFile();
        while (path.size() > 1 && path.endsWith(u'/')) {
            path.chop(1);
        }
        folder.path = QUrl::fromLocalFile(path);
        folder.name = paths::displayText(QStringView(path).mid(path.lastIndexOf(u'/') + 1));
    }
    if (folder.name.isEmpty()) {
        folder.name = location.fileName();
    }
    folder.songs = std::move(songs);
    return folder;
}

namespace {

// A local file URL carries the name's own bytes, percent-encoded: a name that is not UTF-8 is written as
// its bytes, not as the escapes it travels in (see Paths.h).
QString encodedUrl(const QUrl& url) {
    if (!url.isLocalFile()) {
        return url.toString(QUrl::FullyEncoded);
    }
    return u"file://"_s + QString::fromLatin1(paths::nativePath(url.toLocalFile()).toPercentEncoding("/"));
}

QUrl decodedUrl(const QString& text) {
    if (text.startsWith(u"file:///")) {
        const QByteArray bytes = QByteArray::fromPercentEncoding(text.mid(7).toUtf8());
        return QUrl::fromLocalFile(paths::fromNativePath(bytes));
    }
    return QUrl(text, QUrl::StrictMode);
}

} // namespace

const Song* findSong(const QList<Song>& songs, const QUuid& id) {
    for (const Song& song : songs) {
        if (song.id == id) {
            return &song;
        }
    }
    return nullptr;
}

Song* findSong(QList<Song>& songs, const QUuid& id) {
    for (Song& song : songs) {
        if (song.id == id) {
            return &song;
        }
    }
    return nullptr;
}

qsizetype indexOfSong(const QList<Song>& songs, const QUuid& id) {
    for (qsizetype i = 0; i < songs.size(); ++i) {
        if (songs[i].id == id) {
            return i;
        }
    }
    return -1;
}

namespace {

QString uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

bool fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

// A JSON number that must be a whole number within 64 bits.
bool readInteger(const QJsonValue& value, qint64* out) {
    if (!value.isDouble()) {
        return false;
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9.0e15) {
        return false;
    }
    *out = static_cast<qint64>(number);
    return true;
}

} // namespace

QJsonObject toJson(const Song& song) {
    QJsonObject object;
    object.insert(QStringLiteral("id"), uuidText(song.id));
    object.insert(QStringLiteral("url"), encodedUrl(song.url));
    object.insert(QStringLiteral("name"), song.name);
    object.insert(QStringLiteral("artist"), song.artist);
    object.insert(QStringLiteral("duration"), song.duration);
    object.insert(QStringLiteral("coverImagePath"),
                  song.coverImagePath ? QJsonValue(*song.coverImagePath) : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("bookmarkData"), QString::fromLatin1(song.bookmarkData.toBase64()));
    object.insert(QStringLiteral("year"), song.year);
    object.insert(QStringLiteral("hasID3Tags"), song.hasID3Tags);
    object.insert(QStringLiteral("fileExtension"), song.fileExtension);
    object.insert(QStringLiteral("genre"), song.genre);
    object.insert(QStringLiteral("isMetadataLoaded"), song.isMetadataLoaded);
    object.insert(QStringLiteral("rating"), song.rating);
    object.insert(QStringLiteral("bpm"), song.bpm);
    object.insert(QStringLiteral("album"), song.album);
    object.insert(QStringLiteral("albumArtist"), song.albumArtist);
    object.insert(QStringLiteral("track"), song.track.number);
    object.insert(QStringLiteral("trackTotal"), song.track.total);
    object.insert(QStringLiteral("disc"), song.disc.number);
    object.insert(QStringLiteral("discTotal"), song.disc.total);
    return object;
}

QJsonObject toJson(const MusicFolder& folder) {
    QJsonArray songs;
    for (const Song& song : folder.songs) {
        songs.append(toJson(song));
    }
    QJsonObject object;
    object.insert(QStringLiteral("id"), uuidText(folder.id));
    object.insert(QStringLiteral("name"), folder.name);
    object.insert(QStringLiteral("songs"), songs);
    object.insert(QStringLiteral("path"), folder.path.toString(QUrl::FullyEncoded));
    return object;
}

std::optional<Song> songFromJson(const QJsonObject& object, QString* error) {
    for (const char* key :
         {"id", "url", "name", "artist", "duration", "bookmarkData", "year", "fileExtension"}) {
        if (!object.contains(QLatin1String(key))) {
            fail(error, QStringLiteral("missing key \"%1\"").arg(QLatin1String(key)));
            return std::nullopt;
        }
    }
    Song song;
    const auto text = [&](const char* key, QString* out) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isString()) {
            return fail(error, QStringLiteral("key \"%1\" is not text").arg(QLatin1String(key)));
        }
        *out = value.toString();
        return true;
    };
    QString idText;
    QString urlText;
    QString bookmarkText;
    if (!text("id", &idText) || !text("url", &urlText) || !text("name", &song.name) ||
        !text("artist", &song.artist) || !text("bookmarkData", &bookmarkText) ||
        !text("fileExtension", &song.fileExtension)) {
        return std::nullopt;
    }
    song.id = QUuid::fromString(idText);
    if (song.id.isNull()) {
        fail(error, QStringLiteral("key \"id\" is not a UUID"));
        return std::nullopt;
    }
    song.url = decodedUrl(urlText);
    if (!song.url.isValid()) {
        fail(error, QStringLiteral("key \"url\" is not a URL"));
        return std::nullopt;
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(bookmarkText.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        fail(error, QStringLiteral("key \"bookmarkData\" is not base64"));
        return std::nullopt;
    }
    song.bookmarkData = *decoded;
    const QJsonValue duration = object.value(QStringLiteral("duration"));
    if (!duration.isDouble()) {
        fail(error, QStringLiteral("key \"duration\" is not a number"));
        return std::nullopt;
    }
    song.duration = duration.toDouble();
    if (!readInteger(object.value(QStringLiteral("year")), &song.year)) {
        fail(error, QStringLiteral("key \"year\" is not a whole number"));
        return std::nullopt;
    }
    const QJsonValue cover = object.value(QStringLiteral("coverImagePath"));
    if (cover.isString()) {
        song.coverImagePath = cover.toString();
    } else if (!cover.isNull() && !cover.isUndefined()) {
        fail(error, QStringLiteral("key \"coverImagePath\" is not text"));
        return std::nullopt;
    }
    if (object.contains(QStringLiteral("hasID3Tags"))) {
        const QJsonValue value = object.value(QStringLiteral("hasID3Tags"));
        if (!value.isBool()) {
            fail(error, QStringLiteral("key \"hasID3Tags\" is not a boolean"));
            return std::nullopt;
        }
        song.hasID3Tags = value.toBool();
    }
    for (const auto& [key, field] : {std::pair{"genre", &song.genre}, std::pair{"album", &song.album},
                                     std::pair{"albumArtist", &song.albumArtist}}) {
        if (object.contains(QLatin1String(key)) && !text(key, field)) {
            return std::nullopt;
        }
    }
    qint64 numbers[4] = {};
    for (const auto& [key, field] : {std::pair{"rating", &song.rating}, std::pair{"bpm", &song.bpm},
                                     std::pair{"track", &numbers[0]}, std::pair{"trackTotal", &numbers[1]},
                                     std::pair{"disc", &numbers[2]}, std::pair{"discTotal", &numbers[3]}}) {
        if (object.contains(QLatin1String(key)) && !readInteger(object.value(QLatin1String(key)), field)) {
            fail(error, QStringLiteral("key \"%1\" is not a whole number").arg(QLatin1String(key)));
            return std::nullopt;
        }
    }
    song.track = {int(numbers[0]), int(numbers[1])};
    song.disc = {int(numbers[2]), int(numbers[3])};
    // "isMetadataLoaded" is never read: a song read back has not been loaded from its file.
    song.isMetadataLoaded = false;
    return song;
}

std::optional<MusicFolder> folderFromJson(const QJsonObject& object, QString* error) {
    for (const char* key : {"id", "name", "songs", "path"}) {
        if (!object.contains(QLatin1String(key))) {
            fail(error, QStringLiteral("missing key \"%1\"").arg(QLatin1String(key)));
            return std::nullopt;
        }
    }
    MusicFolder folder;
    folder.id = QUuid::fromString(object.value(QStringLiteral("id")).toString());
    if (folder.id.isNull()) {
        fail(error, QStringLiteral("key \"id\" is not a UUID"));
        return std::nullopt;
    }
    if (!object.value(QStringLiteral("name")).isString() ||
        !object.value(QStringLiteral("path")).isString() ||
        !object.value(QStringLiteral("songs")).isArray()) {
        fail(error, QStringLiteral("folder keys have the wrong types"));
        return std::nullopt;
    }
    folder.name = object.value(QStringLiteral("name")).toString();
    folder.path = QUrl(object.value(QStringLiteral("path")).toString(), QUrl::StrictMode);
    const QJsonArray songs = object.value(QStringLiteral("songs")).toArray();
    folder.songs.reserve(songs.size());
    for (const QJsonValue& value : songs) {
        if (!value.isObject()) {
            fail(error, QStringLiteral("a song is not an object"));
            return std::nullopt;
        }
        auto song = songFromJson(value.toObject(), error);
        if (!song) {
            return std::nullopt;
        }
        folder.songs.append(std::move(*song));
    }
    return folder;
}

} // namespace quirella
