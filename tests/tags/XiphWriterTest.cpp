// SPDX-License-Identifier: GPL-3.0-or-later
// FLAC, Ogg Vorbis and Opus: the rules by which Vorbis comments show and change, round trips on files
// tagged by TagLib and read back by TagLib, refusals that leave a damaged file as it was.
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"
#include "support/XiphFiles.h"
#include "tags/FLACTagEditor.h"
#include "tags/MediaReader.h"
#include "tags/OggTagEditor.h"
#include "tags/TagReader.h"
#include "tags/VorbisComment.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace quirella::test::xiph;
using namespace Qt::StringLiterals;

// Rows name only the values they give; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

TagStatus write(const QString& path, const TagValues& values) {
    return path.endsWith(u".flac"_s) ? FLACTagEditor::writeTagsNow(path, values)
                                     : OggTagEditor::writeTagsNow(path, values);
}

// Every field given, as loading showed it.
TagValues valuesOf(const StoredTags& shown) {
    return {.title = shown.title,
            .artist = shown.artist,
            .year = shown.year,
            .genre = shown.genre,
            .album = shown.album,
            .coverImage = shown.cover.value_or(QByteArray()),
            .rating = shown.rating};
}

StoredTags loaded(const QString& path) {
    return readStoredTags(path, QFileInfo(path).suffix()).value.value_or(StoredTags());
}

// Names without case; the first of several genres; a date's year, else YEAR's; FMPS_RATING before
// RATING. What is shown stays as stored; a changed field replaces all its comments in place; what was
// written reads back as written.
TEST(VorbisRules, ShowAndChangeTheCommentsTheyRead) {
    const struct {
        const char* name;
        const char* comments; // "NAME=value;NAME=value"
        const char* shown;    // "title|genre|year|rating"
        TagValues values;
        const char* written;
    } rows[] = {
        {"unchanged values stay as stored", "title=T;GENRE=Rock;GENRE=Pop;DATE=1999-05-01;RATING=60",
         "T|Rock|1999|3", TagValues{.title = u"T"_s, .year = 1999, .genre = u"Rock"_s, .rating = 3},
         "title=T;GENRE=Rock;GENRE=Pop;DATE=1999-05-01;RATING=60"},
        {"a changed field replaces all its comments in place", "GENRE=Rock;X=1;genre=Pop;TITLE=a;TITLE=b",
         "a|Rock|0|0", TagValues{.title = u""_s, .genre = u"Jazz"_s}, "GENRE=Jazz;X=1"},
        {"a year from YEAR becomes DATE", "DATE=05/01/1999;YEAR=1998;OTHER=x", "||1998|0",
         TagValues{.year = 2001}, "DATE=2001;OTHER=x"},
        {"a changed year leaves an unread YEAR", "DATE=2004;YEAR=1990", "||2004|0", TagValues{.year = 2010},
         "DATE=2010;YEAR=1990"},
        {"a cleared year stays cleared", "DATE=2004;YEAR=1990", "||2004|0", TagValues{.year = 0}, ""},
        {"FMPS_RATING first, an unread RATING left alone", "RATING=2;FMPS_RATING=0.7", "||0|4",
         TagValues{.rating = 1}, "RATING=2;FMPS_RATING=0.2"},
        {"a rating rewritten in its scale", "RATING=4;A=b", "||0|4", TagValues{.rating = 5},
         "RATING=5;A=b;FMPS_RATING=1.0"},
        {"a rating out of 100", "RATING=60", "||0|3", TagValues{.rating = 5}, "RATING=100;FMPS_RATING=1.0"},
        {"zero stars remove both", "FMPS_RATING=0.4;RATING=40;A=b", "||0|2", TagValues{.rating = 0}, "A=b"},
        {"ratings out of range are none", "FMPS_RATING=1.5;RATING=101;RATING=0", "||0|0",
         TagValues{.rating = 0}, "FMPS_RATING=1.5;RATING=101;RATING=0"},
    };
    const auto list = [](const char* joined) {
        return *joined ? QByteArray(joined).split(';') : QList<QByteArray>();
    };
    const auto text = [](const vorbis::Shown& shown) {
        return u"%1|%2|%3|%4"_s.arg(shown.title, shown.genre).arg(shown.year).arg(shown.rating);
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const vorbis::Shown shown = vorbis::shownValues(list(row.comments));
        EXPECT_EQ(text(shown), QLatin1String(row.shown));
        EXPECT_EQ(vorbis::withValues(list(row.comments), row.values), list(row.written));
        // What was written reads back as written.
        vorbis::Shown expected = shown;
        expected.title = row.values.title.value_or(shown.title);
        expected.genre = row.values.genre.value_or(shown.genre);
        expected.year = int(row.values.year.value_or(shown.year));
        expected.rating = int(row.values.rating.value_or(shown.rating));
        EXPECT_EQ(text(vorbis::shownValues(list(row.written))), text(expected));
    }
}

// One file of each format, tagged by TagLib with everything a careful collection holds.
class XiphWriter : public ::testing::TestWithParam<const char*> {
protected:
    const QByteArray front = imageBytes(Qt::red, 40, 40);
    const QByteArray back = imageBytes(Qt::blue, 30, 30, "PNG");
    QList<std::pair<QByteArray, QByteArray>> comments = {
        {"TITLE", "Old Title"},
        {"ARTIST", "First"},
        {"ARTIST", "Second"},
        {"DATE", "1999-05-01"},
        {"GENRE", "Rock"},
        {"GENRE", "Pop"},
        {"RATING", "60"},
        {"REPLAYGAIN_TRACK_GAIN", "-3.20 dB"},
        {"MUSICBRAINZ_TRACKID", "c0ffee00-0000-4000-8000-000000000001"},
        {"LYRICS", "la la\nla"},
        {"X_CUSTOM", "Ünïcödé"}};
};

TEST_P(XiphWriter, ChangesOnlyWhatChangedAndKeepsEverythingElseByteForByte) {
    const ScratchDir dir;
    const QString path = taggedFile(dir, u"song."_s + QLatin1String(GetParam()), comments,
                                    {{4, "image/png", back}, {3, "image/jpeg", front}});
    const Parts before = partsOf(path);
    ASSERT_TRUE(before.ok);

    // Loading shows the first artist and the front cover although it is the second picture; the rules for
    // the other comments are those of VorbisRules.
    const StoredTags shown = loaded(path);
    EXPECT_EQ(shown.artist, u"First"_s);
    EXPECT_EQ(shown.cover, front);
    EXPECT_GT(readDuration(path, QFileInfo(path).suffix()).value_or(0), 0.9);

    // What loading showed, written back, changes nothing at all.
    const QByteArray original = readAll(path);
    ASSERT_TRUE(write(path, valuesOf(shown)).ok());
    EXPECT_EQ(readAll(path), original);

    // A cover of noise: large enough to move the Ogg audio onto other page numbers.
    const QByteArray noise = randomBytes(9, 300 * 200 * 4);
    QByteArray noiseBytes;
    QBuffer buffer(&noiseBytes);
    buffer.open(QIODevice::WriteOnly);
    QImage(reinterpret_cast<const uchar*>(noise.constData()), 300, 200, QImage::Format_RGB32)
        .save(&buffer, "PNG");
    TagValues changed = valuesOf(shown);
    changed.coverImage = noiseBytes;
    changed.title = u"Nouveau Titre"_s;
    changed.year = 2005;
    changed.genre = u"Jazz"_s;
    changed.rating = 5;
    ASSERT_TRUE(giveAway(path, strangerIfRoot(), strangerIfRoot(), 0755));
    const auto owned = ownership(path);
    const TagStatus status = write(path, changed);
    ASSERT_TRUE(status.ok()) << status.message.toStdString();
    EXPECT_EQ(ownership(path), owned);
    const Parts after = partsOf(path);
    EXPECT_EQ(after.comments, vorbis::withValues(before.comments, changed));
    EXPECT_EQ(after.vendor, before.vendor);
    EXPECT_EQ(after.audio, before.audio);
    if (!path.endsWith(u".flac"_s)) { // every page whole, numbered in sequence, its checksum right
        EXPECT_TRUE(OggTagEditor::pagesOf(ByteView(readAll(path))).ok());
    }
    ASSERT_EQ(after.pictures.size(), 2);
    EXPECT_EQ(after.pictures.at(0), before.pictures.at(0)); // the back cover
    EXPECT_EQ(after.pictures.at(1).type, 3);
    EXPECT_EQ(after.pictures.at(1).mimeType, "image/jpeg");
    EXPECT_EQ(after.pictureSizes.at(1), QSize(300, 200));
    EXPECT_NE(after.pictures.at(1).data, front);

    const StoredTags again = loaded(path);
    EXPECT_EQ(again.title, u"Nouveau Titre"_s);
    EXPECT_EQ(again.year, 2005);
    EXPECT_EQ(again.rating, 5);
    EXPECT_EQ(again.cover, after.pictures.at(1).data);

    // No cover removes the front cover only.
    TagValues uncovered = valuesOf(again);
    uncovered.coverImage = QByteArray();
    ASSERT_TRUE(write(path, uncovered).ok());
    const Parts last = partsOf(path);
    EXPECT_EQ(last.comments, after.comments);
    EXPECT_EQ(last.pictures, QList<TestPicture>{before.pictures.at(0)});
    EXPECT_EQ(last.audio, before.audio);
}

// Damaged and cut-off files, other bytes, and a second stream are refused, and the file stays as it was.
TEST_P(XiphWriter, RefusesWhatItCannotWriteSafelyAndChangesNothing) {
    const ScratchDir dir;
    const QString extension = QLatin1String(GetParam());
    const QString source =
        taggedFile(dir, u"source."_s + extension, {{"TITLE", "T"}}, {{3, "image/jpeg", front}});
    const QByteArray good = readAll(source);
    QList<std::pair<const char*, QByteArray>> rows = {
        {"cut at 60%", good.left(good.size() * 6 / 10 + 1)},
        {"last byte missing", good.chopped(1)},
        {"bytes after the end", good + "junk"},
        {"random bytes", randomBytes(7, 4000)},
        {"empty", {}},
    };
    if (extension == u"flac") {
        QByteArray pastEnd = good;
        pastEnd[5] = '\x7F'; // STREAMINFO claims more bytes than the file holds
        rows.append({"a block past the end", pastEnd});
        rows.append({"no frame after the metadata", good.left(good.size() - partsOf(source).audio.size())});
    } else {
        QByteArray flipped = good;
        flipped[good.size() / 2] = static_cast<char>(flipped.at(good.size() / 2) ^ 0x5A);
        rows.append({"a damaged page", flipped});
        rows.append({"two streams", good + good});
        rows.append({"a first page without the identification packet", withEmptyFirstPage(good)});
        const QList<OggTagEditor::Page> pages =
            OggTagEditor::pagesOf(ByteView(good)).value.value_or(QList<OggTagEditor::Page>());
        ASSERT_GE(pages.size(), 4);
        const OggTagEditor::Page& audio = pages.at(pages.size() - 2);
        rows.append({"an audio page missing", QByteArray(good).remove(audio.offset, audio.size)});
    }
    TagValues values;
    values.title = u"Never"_s;
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        const QString path = dir.write(u"damaged."_s + extension, bytes);
        const TagStatus status = write(path, values);
        EXPECT_FALSE(status.ok());
        EXPECT_FALSE(status.message.isEmpty());
        EXPECT_EQ(readAll(path), bytes);
    }
}

// Files as other programs write them: loading shows what their comments and pictures say, a write of
// nothing leaves them as they are, and a write of the rating alone changes nothing else; a file our
// parser cannot read whole is refused by both, and stays as it was.
TEST(XiphFilesOfOthers, LoadAndSaveSeeTheSameFile) {
    const ScratchDir dir;
    const QByteArray front = imageBytes(Qt::red, 20, 20);
    const QByteArray back = imageBytes(Qt::blue, 10, 10, "PNG");
    // A picture record: front cover, its MIME type, no description, no sizes given, the image.
    const QByteArray block = be32(3) + be32(10) + "image/jpeg" + be32(0) + QByteArray(16, '\0') +
                             be32(quint32(front.size())) + front;
    const auto tagged = [&](const char* extension, const QList<std::pair<QByteArray, QByteArray>>& comments,
                            const QList<TestPicture>& pictures = {}) {
        return readAll(taggedFile(dir, u"source."_s + QLatin1String(extension), comments, pictures));
    };
    const struct {
        const char* name;
        const char* extension;
        QByteArray file;
        std::optional<StoredTags> shown; // nothing: refused
    } rows[] = {
        {"Latin-1 values", "ogg",
         patched(patched(tagged("ogg", {{"TITLE", "NiXo"}, {"ARTIST", "BjXrk"}}), "NiXo", "Ni\xF1o"), "BjXrk",
                 "Bj\xF6rk"),
         StoredTags{.title = u"Niño"_s, .artist = u"Björk"_s}},
        {"a zero byte in a value", "flac",
         patched(tagged("flac", {{"TITLE", "abXcd"}}), "abXcd", raw("ab\0cd")), StoredTags{.title = u"ab"_s}},
        {"COVERART beside a back cover", "opus",
         patched(tagged("opus", {{"COVERARX", front.toBase64()}}, {{4, "image/png", back}}), "COVERARX",
                 "COVERART"),
         StoredTags{.cover = front}},
        {"picture without its padding", "ogg",
         patched(tagged("ogg", {{"METADATA_BLOCK_PICTURX", block.toBase64(QByteArray::OmitTrailingEquals)}}),
                 "PICTURX", "PICTURE"),
         StoredTags{.cover = front}},
        {"a damaged picture block", "flac",
         withFlacBlock(tagged("flac", {{"TITLE", "T"}}, {{3, "image/jpeg", front}}), 6, QByteArray(20, '\3')),
         StoredTags{.title = u"T"_s, .cover = front}},
        {"an empty application block", "flac", withFlacBlock(tagged("flac", {{"TITLE", "T"}}), 2, {}),
         std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.write(u"file."_s + QLatin1String(row.extension), row.file);
        const TagResult<StoredTags> shown = readStoredTags(path, QLatin1String(row.extension));
        ASSERT_EQ(shown.ok(), row.shown.has_value()) << shown.status.message.toStdString();
        if (!row.shown) {
            expectRefused(write(path, {.rating = 4}), TagError::notValidFormat, path, row.file);
            continue;
        }
        EXPECT_EQ(*shown.value, *row.shown);
        ASSERT_TRUE(write(path, valuesOf(*shown.value)).ok());
        EXPECT_EQ(readAll(path), row.file);
        const Parts before = partsOf(path);
        ASSERT_TRUE(write(path, {.rating = 4}).ok());
        const Parts after = partsOf(path);
        EXPECT_EQ(after.comments, before.comments + QList<QByteArray>{"FMPS_RATING=0.8"});
        EXPECT_EQ(after.pictures, before.pictures);
        StoredTags rated = *row.shown;
        rated.rating = 4;
        EXPECT_EQ(loaded(path), rated);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, XiphWriter, ::testing::Values("flac", "ogg", "opus"),
                         [](const auto& row) { return std::string(row.param); });

} // namespace
