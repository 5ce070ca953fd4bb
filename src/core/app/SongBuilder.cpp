// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SongBuilder.h"

#include "model/Bookmark.h"
#include "model/CoverStore.h"
#include "model/Paths.h"
#include "model/Year.h"
#include "tags/ByteView.h"
#include "tags/Id3.h"
#include "tags/Rating.h"
#include "tags/VorbisComment.h"
#include "tags/WAVTagEditor.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

// A tag is read up to this many bytes for the direct rating read. The rating frames of our own tags
// follow the cover, but a tag larger than this would hold a cover far beyond anything a writer of ours
// makes; TagLib has read the whole tag by then anyway.
constexpr qint64 kMaxDirectTagRead = 32 * 1024 * 1024;

bool containsAny(const QString& identifier, std::initializer_list<QLatin1StringView> texts) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](QLatin1StringView text) { return identifier.contains(text); });
}

// Identifiers that name a year, a genre or a comment. An item matches when its identifier contains one
// of the texts, so "TDRC" and "com.apple.iTunes.year" both count as years. "©day" and "©gen" are the
// iTunes release-date and genre keys, "©cmt" the iTunes comment key.
bool isYearIdentifier(const QString& identifier) {
    return containsAny(identifier, {"TYER"_L1, "TDRC"_L1, "TDRL"_L1, "year"_L1, "date"_L1,
                                    "com.apple.iTunes.year"_L1, "com.apple.quicktime.year"_L1}) ||
           identifier.contains(u"©day"_s);
}

bool isGenreIdentifier(const QString& identifier) {
    return containsAny(identifier, {"TCON"_L1, "genre"_L1, "com.apple.iTunes.genre"_L1,
                                    "com.apple.quicktime.genre"_L1}) ||
           identifier.contains(u"©gen"_s);
}

bool isCommentIdentifier(const QString& identifier) {
    return containsAny(identifier, {"com.apple.iTunes.comment"_L1, "com.apple.quicktime.comment"_L1}) ||
           identifier == u"©cmt"_s;
}

} // namespace

ArtistTitle parseArtistTitle(const QString& baseName) {
    static const QString separators[] = {u" - "_s, u" – "_s, u" — "_s, u"-"_s, u"–"_s, u"—"_s};
    for (const QString& separator : separators) {
        const qsizetype at = baseName.indexOf(separator);
        if (at < 0) {
            continue;
        }
        const QString artist = baseName.left(at).trimmed();
        const QString title = baseName.mid(at + separator.size()).trimmed();
        if (!artist.isEmpty() && !title.isEmpty()) {
            return {artist, title};
        }
    }
    return {QString(), baseName.trimmed()};
}

std::optional<qint64> ratingOfItem(const MetadataItem& item) {
    if (item.identifier.contains("POPM"_L1)) {
        if (!item.bytes) {
            return std::nullopt;
        }
        const std::optional<int> stars = rating::starsFromPopmBody(ByteView(*item.bytes));
        return stars ? std::optional<qint64>(*stars) : std::nullopt;
    }
    if (item.identifier.contains("TXXX"_L1)) {
        if (!item.bytes) {
            return std::nullopt;
        }
        const std::optional<rating::UserText> text = rating::userTextOf(ByteView(*item.bytes));
        return text ? rating::starsFromUserText(*text) : std::nullopt;
    }
    if (item.identifier == u"©cmt"_s && item.text) {
        return rating::starsOfRatingComment(*item.text);
    }
    return std::nullopt;
}

std::optional<qint64> yearOfItem(const MetadataItem& item) {
    if (!isYearIdentifier(item.identifier)) {
        return std::nullopt;
    }
    if (item.text) {
        if (const std::optional<int> year = extractYear(*item.text)) {
            return *year;
        }
        return std::nullopt;
    }
    if (item.number && isValidYear(*item.number)) {
        return *item.number;
    }
    return std::nullopt;
}

std::optional<QString> genreOfItem(const MetadataItem& item) {
    if (!isGenreIdentifier(item.identifier) || !item.text || item.text->isEmpty()) {
        return std::nullopt;
    }
    return item.text;
}

std::optional<qint64> commentRatingOfItem(const MetadataItem& item) {
    if (!isCommentIdentifier(item.identifier) || !item.text) {
        return std::nullopt;
    }
    return rating::starsOfRatingComment(*item.text);
}

qint64 readId3RatingDirect(const QString& path) {
    QFile file;
    if (!paths::openForReading(file, path)) {
        return 0;
    }
    QByteArray tag = file.read(10);
    if (tag.size() < 10 || !tag.startsWith("ID3")) {
        return 0;
    }
    const qint64 declared = id3::decodeSyncsafe(QByteArrayView(tag).sliced(6, 4));
    tag.append(file.read(std::min(declared, kMaxDirectTagRead)));
    return id3::readRating(tag).value_or(0);
}

namespace {

// The WAV reader's map, laid over the guess from the file name.
void applyWavMetadata(Song& song, const WavMetadata& metadata) {
    const QString title = metadata.value(u"title"_s);
    if (!title.isEmpty()) {
        song.name = title;
        song.hasID3Tags = true;
    }
    const QString artist = metadata.value(u"artist"_s);
    if (!artist.isEmpty()) {
        song.artist = artist;
        song.hasID3Tags = true;
    }
    const QString genre = metadata.value(u"genre"_s);
    if (!genre.isEmpty()) {
        song.genre = genre;
    }
    bool ok = false;
    const qint64 year = metadata.value(u"year"_s).toLongLong(&ok);
    if (ok && isValidYear(year)) {
        song.year = year;
    }
    const qint64 rating = metadata.value(u"rating"_s).toLongLong(&ok);
    if (ok) {
        song.rating = std::clamp<qint64>(rating, 0, 5);
    }
    if (metadata.contains(u"cover_path"_s)) {
        song.coverImagePath = metadata.value(u"cover_path"_s);
    }
}

void applyMediaMetadata(Song& song, const MediaMetadata& media) {
    if (media.duration) {
        song.duration = *media.duration;
    }
    if (media.common) {
        const MediaMetadata::Common& common = *media.common;
        if (common.title && !common.title->isEmpty()) {
            song.name = *common.title;
            song.hasID3Tags = true;
        }
        if (common.artist && !common.artist->isEmpty()) {
            song.artist = *common.artist;
            song.hasID3Tags = true;
        }
        if (common.artwork) {
            if (const std::optional<QString> path = saveCoverToTemp(*common.artwork, u"Cover"_s)) {
                song.coverImagePath = *path;
            }
        }
        if (common.creationDate) {
            if (const std::optional<int> year = extractYear(*common.creationDate)) {
                song.year = *year;
            }
        }
    }
    if (media.vorbisComments) {
        const vorbis::Shown shown = vorbis::shownValues(*media.vorbisComments);
        if (!shown.genre.isEmpty()) {
            song.genre = shown.genre;
        }
        if (shown.year != 0) {
            song.year = shown.year;
        }
        song.rating = shown.rating;
        return;
    }
    if (!media.items) {
        return;
    }
    const bool isM4A = song.fileExtension == "m4a"_L1;
    for (const MetadataItem& item : *media.items) {
        if (const std::optional<qint64> rating = ratingOfItem(item)) {
            song.rating = *rating;
        }
        if (song.year < 1900) {
            if (const std::optional<qint64> year = yearOfItem(item)) {
                song.year = *year;
            }
        }
        if (song.genre.isEmpty()) {
            if (const std::optional<QString> genre = genreOfItem(item)) {
                song.genre = *genre;
            }
        }
        if (isM4A && song.rating == 0) {
            if (const std::optional<qint64> rating = commentRatingOfItem(item)) {
                song.rating = *rating;
            }
        }
    }
}

} // namespace

std::optional<Song> createSong(const QString& path) {
    const QFileInfo info(path);
    bookmark::Creation bookmark = bookmark::create(path);
    if (!bookmark.data) {
        qWarning().noquote() << u"Error creating song from "_s + paths::displayText(info.fileName()) +
                                    u": "_s + bookmark.error;
        return std::nullopt;
    }

    // Shown as text: bytes of a name that are not UTF-8 appear as replacement characters.
    const QString baseName = paths::displayText(info.completeBaseName());
    const ArtistTitle guess = parseArtistTitle(baseName);
    Song song;
    song.id = QUuid::createUuid();
    song.url = QUrl::fromLocalFile(path);
    song.name = guess.title.isEmpty() ? baseName : guess.title;
    song.artist = guess.artist;
    song.bookmarkData = std::move(*bookmark.data);
    song.fileExtension = info.suffix().toLower();

    if (song.fileExtension == "wav"_L1) {
        const TagResult<WavMetadata> wav = WAVTagEditor::readMetadataNow(path);
        if (wav.ok()) {
            applyWavMetadata(song, *wav.value);
        }
    }
    const MediaMetadata media = readMediaMetadata(path, song.fileExtension);
    applyMediaMetadata(song, media);
    if (song.fileExtension == "mp3"_L1 && song.rating == 0) {
        // The tag read once for the items serves here too.
        song.rating =
            media.storedId3Tag ? id3::readRating(*media.storedId3Tag).value_or(0) : readId3RatingDirect(path);
    }
    song.isMetadataLoaded = true;
    return song;
}

} // namespace quirella
