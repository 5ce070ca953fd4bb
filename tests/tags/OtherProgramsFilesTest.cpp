// SPDX-License-Identifier: GPL-3.0-or-later
// Files as other programs write them, MP3, WAV, AIFF and M4A, built byte by byte: loading shows what their
// tags say, and a write of a new rating changes the rating and nothing else: every other frame (as TagLib
// reads it), chunk and item is as it was.
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/XiphFiles.h"
#include "tags/AIFFTagEditor.h"
#include "tags/FLACTagEditor.h"
#include "tags/M4ATagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/OggTagEditor.h"
#include "tags/TagReader.h"
#include "tags/WAVTagEditor.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QtEndian>

#include <gtest/gtest.h>
#include <taglib/fileref.h>
#include <taglib/popularimeterframe.h>
#include <taglib/tpropertymap.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

// Rows name only the fields they show; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Write = TagStatus (*)(const QString&, const TagValues&);

TagStatus writeM4a(const QString& path, const TagValues& values) {
    return M4ATagEditor::writeTagsNow(path, values);
}

Write writerFor(const QString& path) {
    const QString extension = QFileInfo(path).suffix();
    return extension == u"mp3"_s   ? &MP3TagEditor::writeTagsNow
           : extension == u"wav"_s ? &WAVTagEditor::writeTagsNow
           : extension == u"m4a"_s ? &writeM4a
                                   : &AIFFTagEditor::writeTagsNow;
}

// Every frame TagLib reads, but the rating frames: its id and text, a picture by its type and bytes.
QStringList framesBesidesRatings(const QString& path) {
    const Id3File read = openId3(path);
    QStringList frames;
    if (!read.tag) {
        return frames;
    }
    for (const TagLib::ID3v2::Frame* frame : read.tag->frameList()) {
        const QString id = QString::fromLatin1(qb(frame->frameID()));
        const QString text = qs(frame->toString());
        if (id == u"POPM"_s || (id == u"TXXX"_s && text.toUpper().contains(u"RATING"_s))) {
            continue;
        }
        const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        frames << id + u' ' +
                      (picture ? QString::number(picture->type()) + u' ' +
                                     QString::fromLatin1(QCryptographicHash::hash(qb(picture->picture()),
                                                                                  QCryptographicHash::Sha1)
                                                             .toHex())
                               : text);
    }
    return frames;
}

// The chunks of a WAV or AIFF file but the ID3 ones, or the boxes of an M4A item list but the comment.
QList<QByteArray> partsBesidesTags(const QByteArray& file) {
    QList<QByteArray> parts;
    const bool little = file.startsWith("RIFF");
    if (little || file.startsWith("FORM")) {
        for (qsizetype at = 12; at + 8 <= file.size();) {
            const auto* size = reinterpret_cast<const uchar*>(file.constData() + at + 4);
            const qsizetype length =
                little ? qFromLittleEndian<quint32>(size) : qFromBigEndian<quint32>(size);
            if (!file.mid(at, 4).toLower().startsWith("id3")) {
                parts << file.mid(at, 8 + length);
            }
            at += 8 + length + (length & 1);
        }
        return parts;
    }
    const qsizetype list = file.indexOf("ilst") - 4;
    const qsizetype end = list + qFromBigEndian<quint32>(file.constData() + list);
    for (qsizetype at = list + 8; list >= 0 && at + 8 <= end;) {
        const qsizetype length = qFromBigEndian<quint32>(file.constData() + at);
        if (file.mid(at + 4, 4) != "\xA9"
                                   "cmt") {
            parts << file.mid(at, length);
        }
        at += std::max<qsizetype>(length, 8);
    }
    parts << file.mid(file.indexOf("mdat") - 4); // the audio, which a chunk offset must still find
    return parts;
}

QByteArray mp4Box(QByteArrayView type, const QByteArray& payload) {
    return be32(quint32(8 + payload.size())) + type.toByteArray() + payload;
}

QByteArray mp4Data(quint32 type, const QByteArray& payload) {
    return mp4Box("data", be32(type) + be32(0) + payload);
}

// An M4A file with the items given and one track whose chunk offset points at the audio; `free` bytes of
// padding behind the item list.
QByteArray m4aFile(const QByteArray& items, int free) {
    const QByteArray audio = "AUDIO" + randomBytes(3, 300);
    const auto movie = [&](quint32 offset) {
        const QByteArray stco = mp4Box("stco", be32(0) + be32(1) + be32(offset));
        const QByteArray meta =
            mp4Box("meta", be32(0) + mp4Box("hdlr", QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0')) +
                               mp4Box("ilst", items) +
                               (free ? mp4Box("free", QByteArray(free, '\0')) : QByteArray()));
        return mp4Box("moov", mp4Box("trak", mp4Box("mdia", mp4Box("minf", mp4Box("stbl", stco)))) +
                                  mp4Box("udta", meta));
    };
    const QByteArray ftyp = mp4Box("ftyp", "M4A " + be32(0));
    const qsizetype audioAt = ftyp.size() + movie(0).size() + 8;
    return ftyp + movie(quint32(audioAt)) + mp4Box("mdat", audio);
}

struct Row {
    const char* name;
    const char* fileName;
    QByteArray bytes;
    StoredTags shown;
};

} // namespace

TEST(OtherProgramsFiles, LoadAndSaveSeeTheSameFile) {
    const QByteArray png = imageBytes(Qt::green, 600, 600, "PNG");
    const QByteArray jpeg = imageBytes(Qt::red, 40, 40);
    const QByteArray audio = mp3Audio(4);
    const QByteArray big = textBody(QByteArray(300, 'n'));
    // A frame of version 2.4, unsynchronised, as the flag in the tag's header says every frame is.
    const auto unsync = [](QByteArrayView id, QByteArray body) {
        return id3Frame(id, body.replace("\xFF", raw("\xFF\0")), 4, 0x0002);
    };
    const QByteArray v22 = raw("TT2\0\0\6\0Title") + raw("TP1\0\0\7\0Artist") + raw("TAL\0\0\6\0Album") +
                           raw("TRK\0\0\2\0"
                               "7") +
                           raw("COM\0\0\x09\0eng\0note") + raw("POP\0\0\x08x@y\0\x99\0\0\0") + "PIC" +
                           be32(quint32(6 + jpeg.size())).mid(1) + raw("\0JPG\3\0") + jpeg;
    const QByteArray info =
        wavChunk("LIST", "INFO" + wavChunk("INAM", "Caf\xC3\xA9\0"_ba) + wavChunk("ICRD", "2011-05-02"_ba) +
                             wavChunk("IGNR", "Jazz\0"_ba));
    const QByteArray cue = wavChunk("cue ", be32(1) + QByteArray(20, 'c'));
    const QByteArray labels = wavChunk("LIST", "adtl" + wavChunk("labl", raw("\1\0\0\0Intro\0")));
    const QByteArray items =
        mp4Box("\xA9nam", mp4Data(1, "First") + mp4Data(1, "Second")) +
        mp4Box("\xA9"
               "ART",
               mp4Data(0, "Implicit")) +
        mp4Box("\xA9"
               "day",
               mp4Data(1, "2011-05-02T07:00:00Z")) +
        mp4Box("gnre", mp4Data(0, "\0\x12"_ba)) + mp4Box("covr", mp4Data(13, jpeg) + mp4Data(14, png)) +
        mp4Box("----", mp4Box("mean", be32(0) + "com.apple.iTunes") + mp4Box("name", be32(0) + "MOOD") +
                           mp4Data(1, "calm") + mp4Data(21, "\x05"_ba)) +
        mp4Box("\xA9"
               "cmt",
               mp4Data(1, "Recorded live")) +
        mp4Box("xid ", mp4Data(1, "label:1234"));
    const StoredTags m4aShown{.title = u"First; Second"_s,
                              .artist = u"Implicit"_s,
                              .genre = u"Rock"_s,
                              .year = 2011,
                              .cover = jpeg};
    const Row rows[] = {
        {"ID3v2.4 with sizes written as plain numbers",
         "plain.mp3",
         id3Tag(raw("TIT2\0\0\x01\x2D\0\0") + big + id3Frame("TALB", textBody("After"), 4) +
                    id3Frame("TRCK", textBody("3/9"), 4),
                4) +
             audio,
         {.title = QString(300, u'n'), .album = u"After"_s, .track = {3, 9}}},
        {"ID3v2.3 with an extended header",
         "extended.mp3",
         id3Tag(raw("\0\0\0\6\0\0\0\0\0\0") + id3Frame("TIT2", textBody("Real")) +
                    id3Frame("TPE1", textBody("Band")) + id3Frame("TYER", textBody("1999")),
                3, 0x40) +
             audio,
         {.title = u"Real"_s, .artist = u"Band"_s, .year = 1999}},
        {"ID3v2.2",
         "old.mp3",
         id3Tag(v22, 2) + audio,
         {.title = u"Title"_s,
          .artist = u"Artist"_s,
          .album = u"Album"_s,
          .rating = 3,
          .cover = jpeg,
          .track = {7, 0}}},
        {"ID3v2.4 unsynchronised as a whole, full dates",
         "unsync.mp3",
         id3Tag(unsync("TDRC", textBody("2011-05-02T10:00")) + unsync("TDRL", textBody("2012")) +
                    unsync("APIC", apicBody(jpeg)),
                4, 0x80) +
             audio,
         {.year = 2011, .cover = jpeg}},
        {"ratings of other programs, several values, several pictures",
         "mixed.aiff",
         aiffFile(
             {aiffComm(40),
              aiffChunk("ID3 ",
                        id3Tag(id3Frame("POPM", raw("Windows Media Player 9 Series\0\xC4\0\0\0\x2A")) +
                               id3Frame("TXXX", txxxBody("FMPS_Rating", "0.8")) +
                               id3Frame("TXXX", raw("\1\xFF\xFER\0A\0T\0I\0N\0G\0\0\0\xFF\xFE"
                                                    "4\0")) +
                               id3Frame("TPE1", textBody("A\0B"_ba)) + id3Frame("TCON", raw("\0(17)Rock")) +
                               id3Frame("APIC", apicBody(png, 3)) + id3Frame("APIC", apicBody(jpeg, 0)) +
                               id3Frame("APIC", apicBody(jpeg, 3)))),
              aiffSsnd(40)}),
         {.artist = u"A; B"_s, .genre = u"Rock"_s, .rating = 4, .cover = png}},
        {"WAV: INFO after cue labels in UTF-8, a second ID3 chunk",
         "cues.wav",
         wavFile(cue + labels + info + wavChunk("id3 ", id3Tag(id3Frame("TPE1", textBody("Tagged")))) +
                 wavChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("Second"))))),
         {.title = u"Café"_s, .artist = u"Tagged"_s, .genre = u"Jazz"_s, .year = 2011}},
        {"WAV without a year",
         "plain.wav",
         wavFile(wavChunk("LIST", "INFO" + wavChunk("INAM", "T\0"_ba))),
         {.title = u"T"_s}},
        {"M4A with padding behind its items", "padded.m4a", m4aFile(items, 200), m4aShown},
        {"M4A whose audio moves", "moving.m4a", m4aFile(items, 0), m4aShown},
    };
    const ScratchDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.write(QString::fromLatin1(row.fileName), row.bytes);
        EXPECT_EQ(readStoredTags(path, QFileInfo(path).suffix()).value, row.shown);
        const int stars = row.shown.rating == 2 ? 5 : 2;
        const TagStatus status = writerFor(path)(path, {.rating = stars});
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        StoredTags expected = row.shown;
        expected.rating = stars;
        EXPECT_EQ(readStoredTags(path, QFileInfo(path).suffix()).value, expected);
        if (!path.endsWith(u".m4a"_s)) {
            // TagLib reads no frame of a version 2.3 tag with an extended header; the fields loading shows
            // are checked above.
            const QStringList before =
                framesBesidesRatings(dir.write(u"before-"_s + QLatin1String(row.fileName), row.bytes));
            EXPECT_TRUE(before.isEmpty() || framesBesidesRatings(path) == before)
                << before.join(u'|').toStdString();
        }
        if (!path.endsWith(u".mp3"_s)) {
            EXPECT_EQ(partsBesidesTags(readAll(path)), partsBesidesTags(row.bytes));
        } else {
            EXPECT_TRUE(readAll(path).endsWith(audio));
        }
        if (path.endsWith(u".m4a"_s)) { // the track's chunk offset still points at its audio
            const QByteArray now = readAll(path);
            EXPECT_EQ(now.mid(qFromBigEndian<quint32>(now.constData() + now.indexOf("stco") + 12), 5),
                      "AUDIO");
        }
    }
}

// Album, album artist, track and disc numbers and the tempo, written into a file of each format, read back
// as written by TagLib and by us; cleared, they are gone, and what was not cleared stays.
TEST(AlbumFields, ReadBackAsWrittenInEveryFormat) {
    const ScratchDir dir;
    const TagValues values{.album = u"Homogenic"_s,
                           .albumArtist = u"Björk"_s,
                           .track = NumberPair{3, 12},
                           .disc = NumberPair{1, 2},
                           .bpm = 120};
    for (const char* extension : {"mp3", "wav", "aiff", "m4a", "flac", "ogg", "opus"}) {
        SCOPED_TRACE(extension);
        const QString name = u"song."_s + QLatin1String(extension);
        const bool xiph = QByteArrayView("flac ogg opus").contains(extension);
        const QString path =
            xiph ? xiph::taggedFile(dir, name, {}, {}) : dir.write(name, plainFile(name.section(u'.', 1)));
        const auto write = [&](const TagValues& given) {
            const TagStatus status =
                xiph ? (path.endsWith(u".flac"_s) ? FLACTagEditor::writeTagsNow(path, given)
                                                  : OggTagEditor::writeTagsNow(path, given))
                     : writerFor(path)(path, given);
            ASSERT_TRUE(status.ok()) << status.message.toStdString();
        };
        const auto properties = [&] {
            const TagLib::FileRef file(QFile::encodeName(path).constData());
            QStringList out;
            for (const char* key :
                 {"ALBUM", "ALBUMARTIST", "TRACKNUMBER", "TRACKTOTAL", "DISCNUMBER", "DISCTOTAL", "BPM"}) {
                out << qs(file.file()->properties()[key].toString(u"+"_s.toStdString()));
            }
            return out.join(u'|');
        };
        write(values);
        EXPECT_EQ(properties(),
                  xiph ? u"Homogenic|Björk|3|12|1|2|120"_s : u"Homogenic|Björk|3/12||1/2||120"_s);
        const StoredTags read = *readStoredTags(path, QLatin1String(extension)).value;
        EXPECT_EQ(std::tuple(read.album, read.albumArtist, read.track, read.disc, read.bpm),
                  std::tuple(u"Homogenic"_s, u"Björk"_s, NumberPair{3, 12}, NumberPair{1, 2}, 120));
        write({.albumArtist = QString(), .track = NumberPair{}, .bpm = 0});
        EXPECT_EQ(properties(), xiph ? u"Homogenic||||1|2|"_s : u"Homogenic||||1/2||"_s);
    }
}
