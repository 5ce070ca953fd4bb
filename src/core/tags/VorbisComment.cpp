// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/VorbisComment.h"

#include "covers/ImageProcessor.h"
#include "model/TrackNumber.h"
#include "model/Year.h"
#include "tags/Id3.h"
#include "tags/TextDecoding.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <initializer_list>

namespace quirella::vorbis {

namespace {

bool sameName(QByteArrayView name, QByteArrayView upperCaseName) {
    if (name.size() != upperCaseName.size()) {
        return false;
    }
    for (qsizetype i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != upperCaseName[i]) {
            return false;
        }
    }
    return true;
}

QByteArray comment(QByteArrayView name, const QString& value) {
    return name.toByteArray() + '=' + value.toUtf8();
}

// Removes every comment named one of `names` and puts `added` where the first of them stood, or at the
// end when there was none.
void replaceNamed(QList<QByteArray>& comments, std::initializer_list<QByteArrayView> names,
                  const QList<QByteArray>& added) {
    qsizetype place = -1;
    for (qsizetype i = 0; i < comments.size();) {
        const bool named = std::any_of(names.begin(), names.end(),
                                       [&](QByteArrayView name) { return hasName(comments.at(i), name); });
        if (!named) {
            ++i;
            continue;
        }
        if (place < 0) {
            place = i;
        }
        comments.removeAt(i);
    }
    if (place < 0) {
        place = comments.size();
    }
    for (qsizetype i = 0; i < added.size(); ++i) {
        comments.insert(place + i, added.at(i));
    }
}

QList<QByteArray> single(QByteArrayView name, const QString& value) {
    return value.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{comment(name, value)};
}

} // namespace

std::optional<CommentList> parseComments(ByteView bytes, std::uint64_t* consumed) {
    CommentList list;
    const std::optional<std::uint32_t> vendorLength = bytes.u32LE(0);
    if (!vendorLength) {
        return std::nullopt;
    }
    const std::optional<ByteView> vendor = bytes.slice(4, *vendorLength);
    if (!vendor) {
        return std::nullopt;
    }
    list.vendor = vendor->toByteArray();
    std::uint64_t offset = 4 + std::uint64_t{*vendorLength};
    const std::optional<std::uint32_t> count = bytes.u32LE(offset);
    offset += 4;
    // Every comment takes at least its four length bytes: a larger count cannot be true.
    if (!count || *count > kMaxComments || (bytes.size() - std::min(offset, bytes.size())) / 4 < *count) {
        return std::nullopt;
    }
    list.comments.reserve(*count);
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::optional<std::uint32_t> length = bytes.u32LE(offset);
        if (!length) {
            return std::nullopt;
        }
        const std::optional<ByteView> text = bytes.slice(offset + 4, *length);
        if (!text) {
            return std::nullopt;
        }
        list.comments.append(text->toByteArray());
        offset += 4 + std::uint64_t{*length};
    }
    if (consumed) {
        *consumed = offset;
    }
    return list;
}

QByteArray serialise(const CommentList& list) {
    QByteArray out;
    appendU32LE(out, static_cast<std::uint32_t>(list.vendor.size()));
    out.append(list.vendor);
    appendU32LE(out, static_cast<std::uint32_t>(list.comments.size()));
    for (const QByteArray& each : list.comments) {
        appendU32LE(out, static_cast<std::uint32_t>(each.size()));
        out.append(each);
    }
    return out;
}

std::optional<QByteArrayView> nameOf(const QByteArray& comment) {
    const qsizetype equals = comment.indexOf('=');
    if (equals < 0) {
        return std::nullopt;
    }
    return QByteArrayView(comment).first(equals);
}

bool hasName(const QByteArray& comment, QByteArrayView upperCaseName) {
    const std::optional<QByteArrayView> name = nameOf(comment);
    return name && sameName(*name, upperCaseName);
}

QString valueOf(const QByteArray& comment) {
    const qsizetype equals = comment.indexOf('=');
    if (equals < 0) {
        return {};
    }
    QByteArrayView value = QByteArrayView(comment).sliced(equals + 1);
    if (const qsizetype zero = value.indexOf('\0'); zero >= 0) {
        value = value.first(zero);
    }
    return decodeUtf8OrLatin1(value);
}

Shown shownValues(const QList<QByteArray>& comments) {
    Shown shown;
    std::optional<int> dateYear;
    std::optional<int> yearYear;
    std::optional<int> fmps;
    std::optional<rating::ScaledRating> scaled;
    std::optional<NumberPair> trackNumber;
    std::optional<int> trackTotal;
    std::optional<NumberPair> discNumber;
    std::optional<int> discTotal;
    for (const QByteArray& each : comments) {
        const std::optional<QByteArrayView> name = nameOf(each);
        if (!name) {
            continue;
        }
        const QString value = valueOf(each);
        if (sameName(*name, "TITLE") && shown.title.isEmpty()) {
            shown.title = value;
        } else if (sameName(*name, "ARTIST") && shown.artist.isEmpty()) {
            shown.artist = value;
        } else if (sameName(*name, "GENRE") && shown.genre.isEmpty()) {
            shown.genre = value;
        } else if (sameName(*name, "ALBUM") && shown.album.isEmpty()) {
            shown.album = value;
        } else if ((sameName(*name, "ALBUMARTIST") || sameName(*name, "ALBUM ARTIST") ||
                    sameName(*name, "ALBUM_ARTIST")) &&
                   shown.albumArtist.isEmpty()) {
            shown.albumArtist = value;
        } else if (sameName(*name, "TRACKNUMBER") && !trackNumber) {
            trackNumber = storedNumberPair(value);
        } else if ((sameName(*name, "TRACKTOTAL") || sameName(*name, "TOTALTRACKS")) && !trackTotal) {
            trackTotal = storedNumberPair(value).number;
        } else if (sameName(*name, "DISCNUMBER") && !discNumber) {
            discNumber = storedNumberPair(value);
        } else if ((sameName(*name, "DISCTOTAL") || sameName(*name, "TOTALDISCS")) && !discTotal) {
            discTotal = storedNumberPair(value).number;
        } else if (sameName(*name, "BPM") && shown.bpm == 0) {
            bool ok = false;
            const double tempo = value.trimmed().toDouble(&ok);
            shown.bpm = ok && tempo >= 1 && tempo < 10000 ? int(tempo + 0.5) : 0;
        } else if (sameName(*name, "DATE") && !dateYear) {
            dateYear = yearOfDate(value);
        } else if (sameName(*name, "YEAR") && !yearYear) {
            yearYear = yearOfDate(value);
        } else if (sameName(*name, "FMPS_RATING") && !fmps) {
            fmps = rating::starsFromFmpsRating(value);
        } else if (sameName(*name, "RATING") && !scaled) {
            scaled = rating::starsFromVorbisRating(value);
        }
    }
    if (dateYear) {
        shown.year = *dateYear;
    } else if (yearYear) {
        shown.year = *yearYear;
        shown.yearFromYearComment = true;
    }
    if (fmps) {
        shown.rating = *fmps;
    } else if (scaled) {
        shown.rating = scaled->stars;
        shown.ratingReadFrom = scaled->scale;
    }
    // "3/12" in TRACKNUMBER holds the total too; TRACKTOTAL gives it otherwise.
    shown.track = trackNumber.value_or(NumberPair());
    if (shown.track.total == 0) {
        shown.track.total = trackTotal.value_or(0);
    }
    shown.disc = discNumber.value_or(NumberPair());
    if (shown.disc.total == 0) {
        shown.disc.total = discTotal.value_or(0);
    }
    return shown;
}

StoredTags storedTags(const QList<QByteArray>& comments) {
    const Shown shown = shownValues(comments);
    StoredTags stored;
    stored.title = shown.title;
    stored.artist = shown.artist;
    stored.album = shown.album;
    stored.albumArtist = shown.albumArtist;
    stored.track = shown.track;
    stored.disc = shown.disc;
    stored.bpm = shown.bpm;
    stored.genre = shown.genre;
    stored.year = shown.year;
    stored.rating = shown.rating;
    stored.cover = shownPictureData(comments);
    return stored;
}

QList<QByteArray> withValues(const QList<QByteArray>& comments, const TagValues& values) {
    const Shown shown = shownValues(comments);
    QList<QByteArray> out = comments;
    if (values.title && *values.title != shown.title) {
        replaceNamed(out, {"TITLE"}, single("TITLE", *values.title));
    }
    if (values.artist && *values.artist != shown.artist) {
        replaceNamed(out, {"ARTIST"}, single("ARTIST", *values.artist));
    }
    if (values.genre && *values.genre != shown.genre) {
        replaceNamed(out, {"GENRE"}, single("GENRE", *values.genre));
    }
    if (values.album && *values.album != shown.album) {
        replaceNamed(out, {"ALBUM"}, single("ALBUM", *values.album));
    }
    if (values.albumArtist && *values.albumArtist != shown.albumArtist) {
        replaceNamed(out, {"ALBUMARTIST", "ALBUM ARTIST", "ALBUM_ARTIST"},
                     single("ALBUMARTIST", *values.albumArtist));
    }
    // A number goes into TRACKNUMBER (DISCNUMBER), its total into TRACKTOTAL (DISCTOTAL).
    const auto number = [&](const std::optional<NumberPair>& given, const NumberPair& now,
                            QByteArrayView name, QByteArrayView total, QByteArrayView otherTotal) {
        if (!given || *given == now) {
            return;
        }
        replaceNamed(out, {name},
                     given->number ? single(name, QString::number(given->number)) : QList<QByteArray>{});
        replaceNamed(out, {total, otherTotal},
                     given->total ? single(total, QString::number(given->total)) : QList<QByteArray>{});
    };
    number(values.track, shown.track, "TRACKNUMBER", "TRACKTOTAL", "TOTALTRACKS");
    number(values.disc, shown.disc, "DISCNUMBER", "DISCTOTAL", "TOTALDISCS");
    if (values.bpm && *values.bpm != shown.bpm) {
        replaceNamed(out, {"BPM"},
                     *values.bpm > 0 ? single("BPM", QString::number(*values.bpm)) : QList<QByteArray>{});
    }
    if (values.year) {
        const int year = isValidYear(*values.year) ? static_cast<int>(*values.year) : 0;
        if (year != shown.year) {
            const QList<QByteArray> date =
                year ? QList<QByteArray>{comment("DATE", QString::number(year).rightJustified(4, u'0'))}
                     : QList<QByteArray>{};
            // A YEAR that was read goes, and so does any YEAR when the year is cleared: it would be read
            // next.
            if (shown.yearFromYearComment || year == 0) {
                replaceNamed(out, {"DATE", "YEAR"}, date);
            } else {
                replaceNamed(out, {"DATE"}, date);
            }
        }
    }
    if (values.rating) {
        const int stars = static_cast<int>(std::clamp<qint64>(*values.rating, 0, rating::kMaxStars));
        if (stars != shown.rating) {
            if (stars == 0) {
                replaceNamed(out, {"FMPS_RATING", "RATING"}, {});
            } else {
                replaceNamed(out, {"FMPS_RATING"}, {comment("FMPS_RATING", rating::fmpsRating(stars))});
                if (shown.ratingReadFrom) {
                    replaceNamed(out, {"RATING"},
                                 {comment("RATING", rating::vorbisRating(stars, *shown.ratingReadFrom))});
                }
            }
        }
    }
    return out;
}

std::optional<Picture> parsePicture(ByteView body) {
    Picture picture;
    std::uint64_t offset = 0;
    const auto u32 = [&]() -> std::optional<std::uint32_t> {
        const std::optional<std::uint32_t> value = body.u32BE(offset);
        offset += 4;
        return value;
    };
    const auto text = [&]() -> std::optional<QByteArray> {
        const std::optional<std::uint32_t> length = body.u32BE(offset);
        if (!length) {
            return std::nullopt;
        }
        const std::optional<ByteView> bytes = body.slice(offset + 4, *length);
        if (!bytes) {
            return std::nullopt;
        }
        offset += 4 + std::uint64_t{*length};
        return bytes->toByteArray();
    };
    const std::optional<std::uint32_t> type = u32();
    std::optional<QByteArray> mime = text();
    std::optional<QByteArray> description = mime ? text() : std::nullopt;
    if (!type || !description) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> width = u32();
    const std::optional<std::uint32_t> height = u32();
    const std::optional<std::uint32_t> depth = u32();
    const std::optional<std::uint32_t> colors = u32();
    std::optional<QByteArray> data = colors ? text() : std::nullopt;
    if (!width || !height || !depth || !data) {
        return std::nullopt;
    }
    picture.type = *type;
    picture.mimeType = std::move(*mime);
    picture.description = std::move(*description);
    picture.width = *width;
    picture.height = *height;
    picture.depth = *depth;
    picture.colors = *colors;
    picture.data = std::move(*data);
    return picture;
}

QByteArray serialise(const Picture& picture) {
    QByteArray out;
    appendU32BE(out, picture.type);
    appendU32BE(out, static_cast<std::uint32_t>(picture.mimeType.size()));
    out.append(picture.mimeType);
    appendU32BE(out, static_cast<std::uint32_t>(picture.description.size()));
    out.append(picture.description);
    appendU32BE(out, picture.width);
    appendU32BE(out, picture.height);
    appendU32BE(out, picture.depth);
    appendU32BE(out, picture.colors);
    appendU32BE(out, static_cast<std::uint32_t>(picture.data.size()));
    out.append(picture.data);
    return out;
}

qsizetype shownPicture(const QList<std::uint32_t>& types) {
    const qsizetype front = types.indexOf(3u);
    return front >= 0 ? front : (types.isEmpty() ? -1 : 0);
}

PictureEdit pictureEdit(const std::optional<QByteArray>& shownData, const TagValues& values) {
    if (!values.coverImage) {
        return PictureEdit::keep;
    }
    if (values.coverImage->isEmpty()) {
        return shownData ? PictureEdit::remove : PictureEdit::keep;
    }
    return shownData && *shownData == *values.coverImage ? PictureEdit::keep : PictureEdit::replace;
}

std::optional<Picture> frontCover(const QByteArray& imageBytes, const QString& format) {
    const std::optional<QByteArray> converted = prepareCover(format, imageBytes);
    if (!converted) {
        return std::nullopt;
    }
    // The size and the depth come from the picture's header; it is not decoded again.
    QBuffer buffer;
    buffer.setData(*converted);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid()) {
        return std::nullopt;
    }
    Picture picture;
    picture.mimeType = id3::pictureMimeType(*converted);
    picture.width = static_cast<std::uint32_t>(size.width());
    picture.height = static_cast<std::uint32_t>(size.height());
    picture.depth =
        QImage::toPixelFormat(reader.imageFormat()).alphaUsage() == QPixelFormat::UsesAlpha ? 32 : 24;
    picture.data = *converted;
    return picture;
}

std::optional<Picture> pictureOfComment(const QByteArray& comment, const QList<QByteArray>& comments) {
    const bool block = hasName(comment, "METADATA_BLOCK_PICTURE");
    if (!block && !hasName(comment, "COVERART")) {
        return std::nullopt;
    }
    QByteArray text = comment.mid(comment.indexOf('=') + 1);
    // Some programs leave out the "=" padding at the end.
    if (text.size() % 4 != 0) {
        text.append(QByteArray(4 - text.size() % 4, '='));
    }
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty()) {
        return std::nullopt;
    }
    if (block) {
        return parsePicture(ByteView(*decoded));
    }
    // The older COVERART comment holds the image alone, its type in COVERARTMIME.
    Picture picture;
    picture.type = 0;
    const auto mime = std::find_if(comments.begin(), comments.end(),
                                   [](const QByteArray& each) { return hasName(each, "COVERARTMIME"); });
    picture.mimeType =
        mime == comments.end() ? id3::pictureMimeType(*decoded) : mime->mid(mime->indexOf('=') + 1);
    picture.data = *decoded;
    return picture;
}

QByteArray pictureComment(const Picture& picture) {
    return QByteArrayLiteral("METADATA_BLOCK_PICTURE=") + serialise(picture).toBase64();
}

QList<QByteArray> withCover(const QList<QByteArray>& comments, const TagValues& values,
                            const QString& format) {
    QList<qsizetype> places;
    QList<std::uint32_t> types;
    QList<QByteArray> data;
    for (qsizetype i = 0; i < comments.size(); ++i) {
        if (const std::optional<Picture> picture = pictureOfComment(comments.at(i), comments)) {
            places.append(i);
            types.append(picture->type);
            data.append(picture->data);
        }
    }
    const qsizetype shown = shownPicture(types);
    const PictureEdit edit =
        pictureEdit(shown >= 0 ? std::optional<QByteArray>(data.at(shown)) : std::nullopt, values);
    QList<QByteArray> out = comments;
    if (edit == PictureEdit::remove) {
        out.removeAt(places.at(shown));
    } else if (edit == PictureEdit::replace) {
        const std::optional<Picture> cover = frontCover(*values.coverImage, format);
        if (!cover) {
            return out;
        }
        if (shown >= 0) {
            out[places.at(shown)] = pictureComment(*cover);
        } else {
            out.append(pictureComment(*cover));
        }
    }
    // COVERARTMIME describes a COVERART comment; without one it describes nothing.
    if (edit != PictureEdit::keep && std::none_of(out.begin(), out.end(), [](const QByteArray& each) {
            return hasName(each, "COVERART");
        })) {
        out.removeIf([](const QByteArray& each) { return hasName(each, "COVERARTMIME"); });
    }
    return out;
}

std::optional<QByteArray> shownPictureData(const QList<QByteArray>& comments) {
    QList<std::uint32_t> types;
    QList<QByteArray> data;
    for (const QByteArray& each : comments) {
        if (const std::optional<Picture> picture = pictureOfComment(each, comments)) {
            types.append(picture->type);
            data.append(picture->data);
        }
    }
    const qsizetype shown = shownPicture(types);
    return shown >= 0 ? std::optional<QByteArray>(data.at(shown)) : std::nullopt;
}

} // namespace quirella::vorbis
