// SPDX-License-Identifier: GPL-3.0-or-later
// Every format is opened through a read-only file stream: TagLib would otherwise try to open the file
// for writing first.
#include "tags/MediaReader.h"

#include "model/Paths.h"
#include "tags/ByteView.h"
#include "tags/Id3.h"
#include "tags/Riff.h"
#include "tags/VorbisComment.h"

#include <algorithm>
#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/popularimeterframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

// A stored tag is read up to this many bytes; TagLib has read the whole tag by then anyway.
constexpr qint64 kMaxStoredTagRead = 32 * 1024 * 1024;

QString toQString(const TagLib::String& text) {
    return QString::fromStdWString(text.toWString());
}

QByteArray toQByteArray(const TagLib::ByteVector& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::optional<QString> nonEmpty(const TagLib::String& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return toQString(text);
}

std::optional<double> durationOf(const TagLib::AudioProperties* properties) {
    // A hostile stream makes TagLib compute a negative length (an Opus pre-skip beyond the last granule
    // position, say): such a length is no length at all.
    if (!properties || properties->lengthInMilliseconds() < 0) {
        return std::nullopt;
    }
    return properties->lengthInMilliseconds() / 1000.0;
}

// The text of a TCON frame: ID3v1 genre numbers ("17", or "(17)" in older tags, which TagLib has split
// into fields already) stand for their names.
QString genreText(const TagLib::StringList& fields) {
    QStringList genres;
    for (const TagLib::String& field : fields) {
        bool isNumber = false;
        const int number = field.toInt(&isNumber);
        QString genre = isNumber ? toQString(TagLib::ID3v1::genre(number)) : toQString(field);
        if (!genre.isEmpty() && !genres.contains(genre)) {
            genres.append(genre);
        }
    }
    return genres.join(u' ');
}

// Keeps the front cover, or else the first picture of any type.
struct PictureChoice {
    std::optional<QByteArray> front;
    std::optional<QByteArray> first;

    void offer(const TagLib::ByteVector& bytes, bool isFrontCover) {
        if (bytes.isEmpty()) {
            return;
        }
        if (isFrontCover && !front) {
            front = toQByteArray(bytes);
        } else if (!first) {
            first = toQByteArray(bytes);
        }
    }
    std::optional<QByteArray> chosen() const { return front ? front : first; }
};

// Shared fields and items of an ID3v2 tag (MP3, and the ID3 chunks of WAV and AIFF files).
void readId3v2(const TagLib::ID3v2::Tag& tag, MediaMetadata& media) {
    using namespace TagLib::ID3v2;
    MediaMetadata::Common common;
    common.title = nonEmpty(tag.title());
    common.artist = nonEmpty(tag.artist());
    PictureChoice pictures;
    QList<MetadataItem> items;
    for (const Frame* frame : tag.frameList()) {
        MetadataItem item;
        item.identifier = QString::fromLatin1(toQByteArray(frame->frameID()));
        if (dynamic_cast<const UserTextIdentificationFrame*>(frame) ||
            dynamic_cast<const PopularimeterFrame*>(frame)) {
            // The rating frames are read as stored (see readStoredFrames), not rendered back to bytes.
            continue;
        }
        if (const auto* text = dynamic_cast<const TextIdentificationFrame*>(frame)) {
            item.text =
                item.identifier == "TCON"_L1 ? genreText(text->fieldList()) : toQString(text->toString());
            if (!common.creationDate && (item.identifier == "TDRC"_L1 || item.identifier == "TYER"_L1)) {
                common.creationDate = item.text;
            }
        } else if (const auto* comment = dynamic_cast<const CommentsFrame*>(frame)) {
            item.text = toQString(comment->text());
        } else if (const auto* picture = dynamic_cast<const AttachedPictureFrame*>(frame)) {
            // Only the pictures the writers manage are shown, so that a cover the user removed stays
            // removed; a back cover or an artist's photo is not the song's cover.
            if (id3::isShownPictureType(static_cast<std::uint8_t>(picture->type()))) {
                pictures.offer(picture->picture(), picture->type() == AttachedPictureFrame::FrontCover);
            }
        }
        items.append(std::move(item));
    }
    common.artwork = pictures.chosen();
    media.common = std::move(common);
    media.items = std::move(items);
}

void readMpeg(TagLib::IOStream* stream, MediaMetadata& media) {
    TagLib::MPEG::File file(stream, TagLib::ID3v2::FrameFactory::instance());
    if (!file.isValid()) {
        return;
    }
    media.duration = durationOf(file.audioProperties());
    if (file.hasID3v2Tag()) {
        readId3v2(*file.ID3v2Tag(), media);
    }
    // A file with only an ID3v1 tag still has a title and an artist.
    if (file.hasID3v1Tag()) {
        const TagLib::ID3v1::Tag& v1 = *file.ID3v1Tag();
        MediaMetadata::Common& common = media.common ? *media.common : media.common.emplace();
        if (!common.title) {
            common.title = nonEmpty(v1.title());
        }
        if (!common.artist) {
            common.artist = nonEmpty(v1.artist());
        }
    }
}

void readWav(TagLib::IOStream* stream, MediaMetadata& media) {
    // The INFO list is the WAV reader's business; TagLib reads its texts in another encoding.
    TagLib::RIFF::WAV::File file(stream);
    if (!file.isValid()) {
        return;
    }
    media.duration = durationOf(file.audioProperties());
    if (file.hasID3v2Tag()) {
        readId3v2(*file.ID3v2Tag(), media);
    }
}

void readAiff(TagLib::IOStream* stream, MediaMetadata& media) {
    TagLib::RIFF::AIFF::File file(stream);
    if (!file.isValid()) {
        return;
    }
    media.duration = durationOf(file.audioProperties());
    if (file.hasID3v2Tag()) {
        readId3v2(*file.tag(), media);
    }
}

// MP4 item keys as the identifier lists name them: "©day" as it is, and freeform items
// ("----:com.apple.iTunes:year") as "com.apple.iTunes.year".
QString mp4Identifier(const TagLib::String& key) {
    QString identifier = toQString(key);
    if (identifier.startsWith("----:"_L1)) {
        identifier = identifier.mid(5);
        const qsizetype colon = identifier.indexOf(u':');
        if (colon >= 0) {
            identifier[colon] = u'.';
        }
    }
    return identifier;
}

std::optional<qint64> integerOf(const TagLib::MP4::Item& item) {
    if (item.atomDataType() != TagLib::MP4::TypeInteger) {
        return std::nullopt;
    }
    const TagLib::ByteVectorList data = item.toByteVectorList();
    if (data.isEmpty() || data.front().isEmpty() || data.front().size() > 8) {
        return std::nullopt;
    }
    const TagLib::ByteVector& bytes = data.front();
    // Sign-extended from the first byte.
    qint64 value = static_cast<qint8>(bytes[0]);
    for (unsigned int i = 1; i < bytes.size(); ++i) {
        value = value * 256 + static_cast<quint8>(bytes[i]);
    }
    return value;
}

void readMp4(TagLib::IOStream* stream, MediaMetadata& media) {
    TagLib::MP4::File file(stream);
    if (!file.isValid() || !file.tag()) {
        return;
    }
    media.duration = durationOf(file.audioProperties());
    const TagLib::MP4::ItemMap& map = file.tag()->itemMap();
    MediaMetadata::Common common;
    QList<MetadataItem> items;
    for (auto entry = map.begin(); entry != map.end(); ++entry) {
        const QString identifier = mp4Identifier(entry->first);
        if (identifier == "covr"_L1) {
            const TagLib::MP4::CoverArtList covers = entry->second.toCoverArtList();
            if (!covers.isEmpty() && !covers.front().data().isEmpty()) {
                common.artwork = toQByteArray(covers.front().data());
            }
            continue;
        }
        // A text item may hold several texts; each is an item of its own.
        const TagLib::StringList texts = entry->second.toStringList();
        for (const TagLib::String& text : texts) {
            items.append({identifier, toQString(text), std::nullopt, std::nullopt});
        }
        if (texts.isEmpty()) {
            // A freeform item can hold a number instead of a text, as a big-endian integer.
            if (const std::optional<qint64> number = integerOf(entry->second)) {
                items.append({identifier, std::nullopt, std::nullopt, number});
            }
            continue;
        }
        if (identifier == u"©nam"_s) {
            common.title = nonEmpty(texts.front());
        } else if (identifier == u"©ART"_s) {
            common.artist = nonEmpty(texts.front());
        } else if (identifier == u"©day"_s) {
            common.creationDate = toQString(texts.front());
        }
    }
    media.common = std::move(common);
    media.items = std::move(items);
}

// The comments of a Vorbis-comment tag, with the shown fields and the shown picture of `pictures`
// (PICTURE blocks of a FLAC file, METADATA_BLOCK_PICTURE comments of an Ogg file).
void readXiph(const TagLib::Ogg::XiphComment* comment, const TagLib::List<TagLib::FLAC::Picture*>& pictures,
              MediaMetadata& media) {
    QList<QByteArray> comments;
    if (comment) {
        const TagLib::Ogg::FieldListMap& fields = comment->fieldListMap();
        for (auto field = fields.begin(); field != fields.end(); ++field) {
            const QByteArray name = toQByteArray(field->first.data(TagLib::String::UTF8));
            for (const TagLib::String& value : field->second) {
                comments.append(name + '=' + toQByteArray(value.data(TagLib::String::UTF8)));
            }
        }
    }
    const vorbis::Shown shown = vorbis::shownValues(comments);
    MediaMetadata::Common common;
    common.title = shown.title.isEmpty() ? std::nullopt : std::optional<QString>(shown.title);
    common.artist = shown.artist.isEmpty() ? std::nullopt : std::optional<QString>(shown.artist);
    QList<std::uint32_t> types;
    for (const TagLib::FLAC::Picture* picture : pictures) {
        types.append(static_cast<std::uint32_t>(picture->type()));
    }
    if (const qsizetype index = vorbis::shownPicture(types); index >= 0) {
        const TagLib::ByteVector data = pictures[static_cast<unsigned int>(index)]->data();
        if (!data.isEmpty()) {
            common.artwork = toQByteArray(data);
        }
    }
    media.common = std::move(common);
    media.vorbisComments = std::move(comments);
}

void readFlac(TagLib::IOStream* stream, MediaMetadata& media) {
    TagLib::FLAC::File file(stream, TagLib::ID3v2::FrameFactory::instance());
    if (!file.isValid()) {
        return;
    }
    media.duration = durationOf(file.audioProperties());
    readXiph(file.hasXiphComment() ? file.xiphComment() : nullptr, file.pictureList(), media);
}

// Ogg by its content, whatever the extension says: Vorbis, Opus, or FLAC in Ogg.
template <typename OggFile>
bool readOggAs(TagLib::IOStream* stream, MediaMetadata& media) {
    stream->clear();
    stream->seek(0);
    OggFile file(stream);
    if (!file.isValid()) {
        return false;
    }
    media.duration = durationOf(file.audioProperties());
    TagLib::Ogg::XiphComment* comment = file.tag();
    readXiph(comment, comment ? comment->pictureList() : TagLib::List<TagLib::FLAC::Picture*>(), media);
    return true;
}

void readOgg(TagLib::IOStream* stream, MediaMetadata& media) {
    readOggAs<TagLib::Ogg::Vorbis::File>(stream, media) ||
        readOggAs<TagLib::Ogg::Opus::File>(stream, media) ||
        readOggAs<TagLib::Ogg::FLAC::File>(stream, media);
}

QByteArray readBlock(TagLib::IOStream& stream, qint64 length) {
    return length > 0 ? toQByteArray(stream.readBlock(static_cast<size_t>(length))) : QByteArray();
}

// The ID3v2 tag of a file as stored (header included), read from the stream TagLib has read the file
// from, without TagLib's parsing: at the head of an MP3 file, in the first "ID3 "/"id3 " chunk of a WAV
// (little-endian sizes) or AIFF (big-endian) file, the one TagLib reads too. Only chunk headers are read
// on the way.
std::optional<QByteArray> readStoredId3Tag(TagLib::IOStream& stream, const QString& extension) {
    const auto readTag = [&](qint64 limit) -> std::optional<QByteArray> {
        QByteArray tag = readBlock(stream, std::min<qint64>(10, limit));
        if (tag.size() < 10 || !tag.startsWith("ID3")) {
            return std::nullopt;
        }
        const qint64 declared = id3::decodeSyncsafe(QByteArrayView(tag).sliced(6, 4));
        tag.append(readBlock(stream, std::min({declared, limit - 10, kMaxStoredTagRead})));
        return tag;
    };
    stream.clear();
    stream.seek(0);
    if (extension == "mp3"_L1) {
        return readTag(kMaxStoredTagRead + 10);
    }
    const bool littleEndian = extension == "wav"_L1;
    if (!littleEndian && extension != "aiff"_L1 && extension != "aif"_L1) {
        return std::nullopt;
    }
    qint64 position = 12;
    for (int chunks = 0; chunks < riff::kMaxChunks; ++chunks) {
        stream.seek(position);
        const QByteArray header = readBlock(stream, 8);
        if (header.size() < 8) {
            return std::nullopt;
        }
        const ByteView view(header);
        const std::uint32_t size = littleEndian ? *view.u32LE(4) : *view.u32BE(4);
        if (header.startsWith("ID3 ") || header.startsWith("id3 ")) {
            return readTag(size);
        }
        position += 8 + qint64{size} + (size & 1u);
    }
    return std::nullopt;
}

// Parts of an ID3v2 tag that are read from the tag as stored, through the walker the writers use,
// rather than through TagLib: the rating frames (POPM, TXXX) as items with their bodies, and the genre,
// since TagLib reads ID3v2.3 genre references into names and drops texts that look like them ("(Remix)",
// "2000" come back empty; see id3::genreOfTag). The stored tag is kept for the direct rating read.
void readStoredFrames(TagLib::IOStream& stream, const QString& extension, MediaMetadata& media) {
    if (!media.items) {
        return;
    }
    media.storedId3Tag = readStoredId3Tag(stream, extension);
    if (!media.storedId3Tag) {
        return;
    }
    const auto tcon = std::find_if(media.items->begin(), media.items->end(),
                                   [](const MetadataItem& item) { return item.identifier == "TCON"_L1; });
    if (tcon != media.items->end()) {
        if (std::optional<QString> genre = id3::genreOfTag(*media.storedId3Tag)) {
            tcon->text = std::move(genre);
        }
    }
    id3::forEachFrame(*media.storedId3Tag, [&](QByteArrayView id, ByteView content) {
        if (id == "POPM" || id == "TXXX") {
            media.items->append({QString::fromLatin1(id), std::nullopt, content.toByteArray(), std::nullopt});
        }
        return true;
    });
}

} // namespace

MediaMetadata readMediaMetadata(const QString& path, const QString& extension) {
    MediaMetadata media;
    const QByteArray fileName = paths::nativePath(path);
    TagLib::FileStream stream(fileName.constData(), true);
    if (!stream.isOpen()) {
        return media;
    }
    if (extension == "mp3"_L1) {
        readMpeg(&stream, media);
        readStoredFrames(stream, extension, media);
    } else if (extension == "wav"_L1) {
        readWav(&stream, media);
        readStoredFrames(stream, extension, media);
    } else if (extension == "aiff"_L1 || extension == "aif"_L1) {
        readAiff(&stream, media);
        readStoredFrames(stream, extension, media);
    } else if (extension == "m4a"_L1) {
        readMp4(&stream, media);
    } else if (extension == "flac"_L1) {
        readFlac(&stream, media);
    } else if (extension == "ogg"_L1 || extension == "oga"_L1 || extension == "opus"_L1) {
        readOgg(&stream, media);
    }
    return media;
}

} // namespace quirella
