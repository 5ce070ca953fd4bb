// SPDX-License-Identifier: GPL-3.0-or-later
// The ID3v2.3 toolkit: exact bytes of what the writers build, what survives from old tags, how ratings
// are read; and the MP3 writer, which is the toolkit put in front of the audio.
#include "tags/Id3.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/MP3TagEditor.h"
#include "tags/Rating.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <tuple>

using namespace quirella;
using namespace quirella::id3;
using namespace quirella::test;
using namespace Qt::StringLiterals;

// Rows name only the values they give; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// The frames as a tag holds them.
QByteArray bytesOf(const FrameList& frames) {
    return buildTag(frames, 0).mid(10);
}

} // namespace

TEST(Id3Layout, FullTagHasFixedOrderBodiesAndSyncsafeSize) {
    const QByteArray png = imageBytes(Qt::red, 4, 4, "PNG");
    const FrameList frames = managedFrames(TagValues{.title = QStringLiteral("Café"),
                                                     .artist = QStringLiteral("Ann"),
                                                     .year = 1999,
                                                     .genre = QStringLiteral("Jazz"),
                                                     .album = QStringLiteral("LP"),
                                                     .rating = 3},
                                           png);
    // Written out by hand: sizes are plain 32-bit numbers in the frames and syncsafe in the header.
    QByteArray body = raw("TIT2\0\0\0\x06\0\0\x03"
                          "Caf\xC3\xA9"
                          "TPE1\0\0\0\x04\0\0\x03"
                          "Ann"
                          "TALB\0\0\0\x03\0\0\x03LP"
                          "TYER\0\0\0\x05\0\0\x03"
                          "1999"
                          "TCON\0\0\0\x05\0\0\x03Jazz") +
                      id3Frame("APIC", raw("\0image/png\0\x03\0") + png);
    for (const char* email : {"no@email", "iTunes", "rating@quirella.tags"}) {
        body += id3Frame("POPM", QByteArray(email) + raw("\0\x99\0\0\0\0"));
    }
    body += raw("TXXX\0\0\0\x11\0\0\x03RATING_NUMERIC\0"
                "3");
    EXPECT_EQ(buildTag(frames, kMp3Fill), raw("ID3\x03\0\0") +
                                              syncsafe(static_cast<quint32>(body.size()) + 2048) + body +
                                              QByteArray(2048, '\0'));
}

TEST(Id3Layout, FieldRules) {
    const struct {
        const char* name;
        TagValues values;
        QByteArray frames;
    } rows[] = {
        {"year 1899 is left out", TagValues{.year = 1899}, {}},
        {"year 1900", TagValues{.year = 1900}, id3Frame("TYER", textBody("1900"))},
        {"year 2099", TagValues{.year = 2099}, id3Frame("TYER", textBody("2099"))},
        {"year 2100 is left out", TagValues{.year = 2100}, {}},
        {"empty texts", TagValues{.title = QString(), .artist = QString(), .album = QString()}, {}},
        {"rating 0 writes nothing", TagValues{.rating = 0}, {}},
        {"rating above 5 is 5", TagValues{.rating = 9}, bytesOf(managedFrames(TagValues{.rating = 5}, {}))},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(bytesOf(managedFrames(row.values, std::nullopt)), row.frames) << row.name;
    }
}

// The frames of a tag after a write: those built for the given fields, then every old frame that loading
// does not read for a given field, byte for byte, in order.
TEST(Id3Rewrite, AGivenFieldReplacesOnlyTheFramesReadForIt) {
    const QByteArray title = id3Frame("TIT2", textBody("Old"));
    const QByteArray artist = id3Frame("TPE1", textBody("A\0B"_ba));
    const QByteArray dates = id3Frame("TYER", textBody("1980")) + id3Frame("TDAT", textBody("0101")) +
                             id3Frame("TIME", textBody("1200")) + id3Frame("TDRC", textBody("2001-05-02")) +
                             id3Frame("TDRL", textBody("2002"));
    const QByteArray original = id3Frame("TORY", textBody("1975"));
    const QByteArray genre = id3Frame("TCON", textBody("Rock"));
    const QByteArray front = id3Frame("APIC", apicBody("front", 3));
    const QByteArray others = id3Frame("APIC", apicBody("other", 0)) +
                              id3Frame("APIC", apicBody("front 2", 3)) +
                              id3Frame("APIC", apicBody("back", 4));
    const QByteArray ownRatings = id3Frame("POPM", popmBody(51, "no@email")) +
                                  id3Frame("POPM", popmBody(51, "iTunes")) +
                                  id3Frame("TXXX", txxxBody("RATING", "\xE2\x98\x85")) +
                                  id3Frame("TXXX", raw("\1\xFF\xFEr\0a\0t\0i\0n\0g\0\0\0x")) +
                                  id3Frame("TXXX", txxxBody("FMPS_Rating", "0.2"));
    const QByteArray player = id3Frame("POPM", raw("player@x\0\x33\0\0\0\x07"));
    const QByteArray unmanaged =
        id3Frame("TRCK", textBody("3/12")) + id3Frame("COMM", raw("\0eng\0nice"), 3, 0xC000) +
        id3Frame("TXXX", txxxBody("MOOD", "calm")) + id3Frame("TALB", textBody("Album")) +
        id3Frame("TCOP", raw("\5\0(c)"), 3, 0x0020) + id3Frame("TXXX", "zzz", 3, 0x0080);
    const QByteArray all =
        title + artist + dates + original + genre + front + others + ownRatings + player + unmanaged;
    const QByteArray png = imageBytes(Qt::red, 4, 4, "PNG");
    const struct {
        const char* name;
        TagValues values;
        QByteArray kept;
    } rows[] = {
        {"nothing given", {}, all},
        {"title",
         {.title = u"New"_s},
         artist + dates + original + genre + front + others + ownRatings + player + unmanaged},
        {"year",
         {.year = 1999},
         title + artist + original + genre + front + others + ownRatings + player + unmanaged},
        {"genre cleared",
         {.genre = QString()},
         title + artist + dates + original + front + others + ownRatings + player + unmanaged},
        {"cover",
         {.coverImage = png},
         title + artist + dates + original + genre + others + ownRatings + player + unmanaged},
        // Another program's popularimeter keeps its e-mail and play counter and takes the new rating.
        {"rating",
         {.rating = 4},
         title + artist + dates + original + genre + front + others +
             id3Frame("POPM", raw("player@x\0\xCC\0\0\0\x07")) + unmanaged},
        {"rating cleared",
         {.rating = 0},
         title + artist + dates + original + genre + front + others +
             id3Frame("POPM", raw("player@x\0\0\0\0\0\x07")) + unmanaged},
        {"album",
         {.album = u"New"_s},
         title + artist + dates + original + genre + front + others + ownRatings + player +
             QByteArray(unmanaged).replace(id3Frame("TALB", textBody("Album")), "")},
    };
    const std::optional<Tag> tag = parseTag(id3Tag(all + QByteArray(100, '\0')));
    ASSERT_TRUE(tag && tag->problem.isEmpty());
    for (const auto& row : rows) {
        const TagResult<FrameList> frames = rewrittenFrames(tag, row.values, png);
        ASSERT_TRUE(frames.ok()) << row.name;
        const std::optional<QByteArray> cover = row.values.coverImage ? std::optional(png) : std::nullopt;
        EXPECT_EQ(bytesOf(*frames.value), bytesOf(managedFrames(row.values, cover)) + row.kept) << row.name;
    }
    // Without a front cover the picture of type "other" is the shown one; empty bytes remove it alone.
    const std::optional<Tag> withoutFront =
        parseTag(id3Tag(others.mid(0, id3Frame("APIC", apicBody("other", 0)).size())));
    EXPECT_EQ(bytesOf(*rewrittenFrames(withoutFront, {.coverImage = QByteArray()}, std::nullopt).value),
              QByteArray());
    // A tag that cannot be carried over whole is refused, whatever is given.
    const std::optional<Tag> old = parseTag(id3Tag(raw("XYZ\0\0\1x"), 2));
    EXPECT_EQ(rewrittenFrames(old, {.rating = 1}, std::nullopt).status.error, TagError::notValidFormat);
}

// Tags of other versions and shapes, as a version 2.3 tag carries their frames, and whether it can.
TEST(Id3Parse, OtherVersionsAndShapes) {
    const QByteArray frame = id3Frame("TRCK", textBody("1"));
    const QByteArray v4Text = textBody(QByteArray(300, 'a'));
    const QByteArray unsynchronised = id3Frame("PRIV", raw("me\0\xFF\xE0\xFF\0\x01"));
    const auto unsync = [](QByteArray bytes) { return bytes.replace("\xFF", raw("\xFF\0")); };
    const QByteArray compressed = qCompress(textBody("Deflated")).mid(4); // 9 bytes when inflated
    const struct {
        const char* name;
        QByteArray tag;
        QByteArray frames;
        bool problem = false;
    } rows[] = {
        // Version 2.4 status flags become those of 2.3, sizes plain; grouping, encryption and compression
        // get their extra bytes in the order of 2.3; unsynchronisation and the data length go.
        {"2.4 frames",
         id3Tag(id3Frame("TRCK", textBody("1"), 4, 0x6000) + id3Frame("TCOM", v4Text, 4, 0x1000) +
                    id3Frame("TPE2", "\7\3x", 4, 0x0040) +
                    id3Frame("TXXX", syncsafe(9) + compressed, 4, 0x0009) +
                    id3Frame("TXXX", raw("\x80") + txxxBody("B", "1"), 4, 0x0004) +
                    id3Frame("PRIV", unsync(raw("me\0\xFF\xE0\xFF\0\x01")), 4, 0x0002) +
                    id3Frame("TXXX", raw("\0\0\0\5") + txxxBody("D", "1"), 4, 0x0001),
                4),
         id3Frame("TRCK", textBody("1"), 3, 0xC000) + id3Frame("TCOM", v4Text, 3, 0x2000) +
             id3Frame("TPE2", "\7\3x", 3, 0x0020) + id3Frame("TXXX", be32(9) + compressed, 3, 0x0080) +
             id3Frame("TXXX", raw("\x80") + txxxBody("B", "1"), 3, 0x0040) + unsynchronised +
             id3Frame("TXXX", txxxBody("D", "1"))},
        {"2.4 unsynchronised as a whole",
         id3Tag(id3Frame("PRIV", unsync(raw("me\0\xFF\xE0\xFF\0\x01")), 4), 4, 0x80), unsynchronised},
        // Sizes some players wrote as plain numbers: the frame after a large one is still found.
        {"2.4 plain sizes",
         id3Tag(raw("TCOM\0\0\x01\x2D\0\0") + v4Text + id3Frame("TRCK", textBody("1"), 4), 4),
         id3Frame("TCOM", v4Text) + frame},
        {"2.4 size not syncsafe", id3Tag(raw("PRIV\0\0\0\x80\0\0") + QByteArray(128, 'x'), 4),
         id3Frame("PRIV", QByteArray(128, 'x'))},
        // Whole-tag unsynchronisation of 2.3 is undone: FF 00 E0 and FF 00 00 become FF E0 and FF 00.
        {"2.3 unsynchronised", id3Tag(unsync(unsynchronised), 3, 0x80), unsynchronised},
        {"2.2 frames under their 2.3 names, the picture with a MIME type",
         id3Tag(raw("TT2\0\0\4\0Old") + raw("TYE\0\0\5\0") + "1999" + raw("PIC\0\0\x09\0PNG\3\0") + "img", 2),
         id3Frame("TIT2", raw("\0Old")) + id3Frame("TYER", raw("\0") + "1999") +
             id3Frame("APIC", raw("\0image/png\0\3\0img"))},
        {"2.2 frame without a 2.3 name", id3Tag(raw("CRM\0\0\1x") + raw("TT2\0\0\2\0x"), 2),
         id3Frame("TIT2", raw("\0x")), true},
        {"compressed 2.2 tag", id3Tag(raw("TT2\0\0\2\0x"), 2, 0x40), {}, true},
        {"unknown version", id3Tag(frame, 5), {}, true},
        {"lower-case id ends the walk", id3Tag(frame + id3Frame("Trck", textBody("1")) + frame), frame},
        {"size 0xFFFFFFFF ends the walk", id3Tag(frame + raw("TPE2\xFF\xFF\xFF\xFF\0\0") + frame), frame},
        {"an empty frame is passed over", id3Tag(raw("TPE2\0\0\0\0\0\0") + frame), frame},
        {"text encoding above 3 is dropped", id3Tag(id3Frame("COMM", raw("\teng\0x")) + frame), frame},
        {"extended header 2.3", id3Tag(raw("\0\0\0\6\0\0\0\0\0\0") + frame, 3, 0x40), frame},
        {"extended header 2.4", id3Tag(raw("\0\0\0\6\1\0") + id3Frame("TRCK", textBody("1"), 4), 4, 0x40),
         frame},
        {"extended header past the end", id3Tag(raw("\x7F\0\0\6\0\0") + frame, 3, 0x40), {}, true},
        {"2.4 extended header too small", id3Tag(raw("\0\0\0\2\0\0") + frame, 4, 0x40), {}, true},
    };
    for (const auto& row : rows) {
        const std::optional<Tag> tag = parseTag(row.tag);
        ASSERT_TRUE(tag) << row.name;
        FrameList frames;
        for (const Frame& each : tag->frames) {
            frames.append(each.stored);
        }
        EXPECT_EQ(QString::fromLatin1(bytesOf(frames).toHex(' ')), QString::fromLatin1(row.frames.toHex(' ')))
            << row.name;
        EXPECT_EQ(!tag->problem.isEmpty(), row.problem) << row.name;
    }
    EXPECT_EQ(parseTag(id3Tag(id3Frame("PRIV", "x").repeated(70000)))->frames.size(), 65536);
}

// What loading shows of a tag: several texts joined, a full date's year, the release year when there is
// no other, the last rating, the front cover else a picture of type "other", a compressed frame's text.
TEST(Id3Shown, FieldsOfATag) {
    const QByteArray front = imageBytes(Qt::red, 4, 4, "PNG");
    const QByteArray compressedTitle = qCompress(textBody("Packed")).mid(4);
    const struct {
        const char* name;
        QByteArray frames;
        StoredTags shown;
    } rows[] = {
        {"several values",
         id3Frame("TIT2", textBody("A\0B"_ba)) + id3Frame("TPE1", raw("\1\xFF\xFEX\0\0\0\xFF\xFEY\0")),
         {.title = u"A; B"_s, .artist = u"X; Y"_s}},
        {"full date, release year",
         id3Frame("TDRL", textBody("2003")) + id3Frame("TDRC", textBody("2011-05-02T10:00")),
         {.year = 2011}},
        {"release year alone, a year out of range",
         id3Frame("TYER", textBody("1850")) + id3Frame("TDRL", textBody("2003")),
         {.year = 2003}},
        {"the last rating wins",
         id3Frame("TXXX", txxxBody("RATING_NUMERIC", "2")) + id3Frame("POPM", popmBody(255)),
         {.rating = 5}},
        {"pictures",
         id3Frame("APIC", apicBody("back", 4)) + id3Frame("APIC", apicBody("other", 0)) +
             id3Frame("APIC", apicBody(front, 3)),
         {.cover = front}},
        {"compressed title", id3Frame("TIT2", be32(7) + compressedTitle, 3, 0x0080), {.title = u"Packed"_s}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(shownValues(*parseTag(id3Tag(row.frames))).values, row.shown) << row.name;
    }
}

// The genre of a tag of another program with only a TCON frame: ID3v1 references show their names.
TEST(Id3Genre, ReferencesOfOtherProgramsShowTheirNames) {
    const auto tcon = [](QByteArrayView body, int major = 3) {
        return id3Tag(id3Frame("TCON", body, major), major);
    };
    const std::tuple<const char*, QByteArray, QString> rows[] = {
        {"v2.3 reference", tcon(raw("\0(17)")), QStringLiteral("Rock")},
        {"v2.3 reference and its name", tcon(raw("\0(17)Rock")), QStringLiteral("Rock")},
        {"v2.3 reference and a refinement", tcon(raw("\0(4)Eurodisco")), QStringLiteral("Disco Eurodisco")},
        {"v2.3 remix", tcon(raw("\0(RX)")), QStringLiteral("Remix")},
        {"v2.3 escaped parenthesis", tcon(raw("\0((Remix)")), QStringLiteral("(Remix)")},
        {"v2.3 plain text in parentheses", tcon(raw("\0(Live) Rock")), QStringLiteral("(Live) Rock")},
        {"v2.3 UTF-16 reference", tcon(raw("\x01\xFF\xFE(\0001\0007\0)\0")), QStringLiteral("Rock")},
        {"v2.4 bare number", tcon(textBody("17"), 4), QStringLiteral("Rock")},
        {"v2.4 several genres", tcon(raw("\00317\0Trip-Hop"), 4), QStringLiteral("Rock Trip-Hop")},
    };
    for (const auto& [name, tag, genre] : rows) {
        EXPECT_EQ(genreOfTag(tag), genre) << name;
    }
}

// Every reader turns a POPM byte into stars by one rule (the edges of each star).
TEST(Rating, PopmBytes) {
    const int edges[][2] = {{0, 0},   {25, 0},  {26, 1},  {76, 1},  {77, 2},  {127, 2},
                            {128, 3}, {178, 3}, {179, 4}, {229, 4}, {230, 5}, {255, 5}};
    for (const auto& [byte, stars] : edges) {
        EXPECT_EQ(rating::starsFromPopmByte(static_cast<std::uint8_t>(byte)), stars) << byte;
    }
    EXPECT_EQ(rating::starsFromUserText({QStringLiteral("Rating"), QStringLiteral("★★")}), 2);
}

// The rating read straight from the head of an MP3 file: the first POPM or numeric TXXX that gives one.
TEST(Id3Rating, DirectRead) {
    const auto file = [](const QByteArray& frames) { return id3Tag(frames) + mp3Audio(2); };
    const auto popm = [](quint8 rating) { return id3Frame("POPM", popmBody(rating)); };
    const auto numeric = [](QByteArrayView v) { return id3Frame("TXXX", txxxBody("RATING_NUMERIC", v)); };
    const struct {
        const char* name;
        QByteArray file;
        std::optional<int> rating;
    } rows[] = {
        {"POPM 0 is a rating of 0", file(popm(0) + numeric("4")), 0},
        {"POPM without rating byte goes on", file(id3Frame("POPM", raw("a@b\0")) + numeric("4")), 4},
        {"TXXX numeric, negative is 0", file(numeric("-2")), 0},
        {"TXXX star text is not read here", file(id3Frame("TXXX", txxxBody("RATING", "★★★"))), std::nullopt},
        {"first rating wins", file(numeric("1") + popm(255)), 1},
        {"2.4 length indicator", id3Tag(id3Frame("POPM", raw("\0\0\0\x07") + popmBody(153), 4, 1), 4), 3},
        {"compressed POPM is skipped", file(id3Frame("POPM", popmBody(255), 3, 0x0080)), std::nullopt},
        {"zero-size frame is passed over", file(raw("TPE1\0\0\0\0\0\0") + popm(204)), 4},
        {"tag size beyond the file", id3Tag(popm(255) + QByteArray(1000, '\0')).left(40), 5},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(readRating(row.file), row.rating) << row.name;
    }
}

// The MP3 writer puts the new tag with its fill in front of everything behind the old tag, which ends
// after the footer of a version 2.4 tag when it announces one and has it.
TEST(Mp3Writer, NewTagWithFillThenEverythingBehindTheOldTag) {
    const QByteArray audio = mp3Audio(3) + "TAG" + QByteArray(125, 'v'); // an ID3v1 trailer stays too
    const QByteArray secondTag = id3Tag(id3Frame("TIT2", textBody("behind")));
    const QByteArray footed = id3Tag(id3Frame("TIT2", textBody("x"), 4), 4, 0x10);
    const TagValues values = sampleValues();
    const std::pair<QByteArray, QByteArray> rows[] = {
        {audio, audio},
        {id3Tag(id3Frame("TIT2", textBody("old")) + QByteArray(500, '\0')) + secondTag + audio,
         secondTag + audio},
        {footed + raw("3DI\x04\0\x10") + syncsafe(12) + audio, audio},
        {footed + audio, audio},
    };
    for (const auto& [file, kept] : rows) {
        const TagResult<QByteArray> result = MP3TagEditor::rebuild(file, values);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(*result.value, buildTag(managedFrames(values, std::nullopt), 2048) + kept);
    }
}

TEST(Mp3Writer, ResultOverTheSizeLimitIsRefused) {
    // A sparse file mapped read-only: only the pages the writer looks at are ever touched. With an
    // empty tag (10 + 2,048 bytes) in front, this is one byte over the limit.
    ScratchDir dir;
    QFile file(dir.filePath(QStringLiteral("huge.mp3")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 size = MP3TagEditor::kMaxFileSize - 2058 + 1;
    ASSERT_TRUE(file.write(mp3Audio(1)) > 0 && file.resize(size));
    void* map = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, file.handle(), 0);
    ASSERT_NE(map, MAP_FAILED);
    const TagResult<QByteArray> result =
        MP3TagEditor::rebuild(QByteArrayView(static_cast<const char*>(map), size), {.title = u"x"_s});
    EXPECT_EQ(result.status.error, TagError::writeFailure);
    ::munmap(map, static_cast<size_t>(size));
}
