// The ID3v2.3 toolkit: exact bytes of what the writers build, and what survives from old tags.
#include "tags/Id3.h"

#include "Id3TestFiles.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::id3;
using namespace quirella::test;

namespace {

QByteArray serialised(const ID3Frame& frame) {
    return buildTag({frame}, 0).mid(10);
}

QList<QByteArray> idsOf(const FrameList& frames) {
    QList<QByteArray> ids;
    for (const ID3Frame& frame : frames) {
        ids.append(frame.id);
    }
    return ids;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

} // namespace

TEST(Id3Layout, FullTagHasFixedOrderBodiesAndSyncsafeSize) {
    const QByteArray png = imageBytes(4, 4, "PNG");
    TagValues values;
    values.title = QStringLiteral("Café");
    values.artist = QStringLiteral("Ann");
    values.album = QStringLiteral("LP");
    values.year = 1999;
    values.genre = QStringLiteral("Jazz");
    values.rating = 3;
    const FrameList frames = managedFrames(values, png);
    EXPECT_EQ(idsOf(frames), (QList<QByteArray>{"TIT2", "TPE1", "TALB", "TYER", "TCON", "APIC", "POPM",
                                                "POPM", "POPM", "TXXX"}));

    QByteArray expected = QByteArray("ID3\x03\x00\x00", 6);
    QByteArray body;
    body += QByteArray("TIT2\0\0\0\x06\0\0\x03", 11) + QByteArray("Caf\xC3\xA9");
    body += QByteArray("TPE1\0\0\0\x04\0\0\x03", 11) + "Ann";
    body += QByteArray("TALB\0\0\0\x03\0\0\x03", 11) + "LP";
    body += QByteArray("TYER\0\0\0\x05\0\0\x03", 11) + "1999";
    body += QByteArray("TCON\0\0\0\x05\0\0\x03", 11) + "Jazz";
    const QByteArray apic = QByteArray("\0image/png\0\x03\0", 13) + png;
    body += QByteArray("APIC", 4);
    appendU32BE(body, static_cast<std::uint32_t>(apic.size()));
    body += QByteArray(2, '\0') + apic;
    for (const char* email : {"no@email", "iTunes", "rating@quirella.tags"}) {
        const QByteArray popm = QByteArray(email) + bytes({0x00, 0x99, 0, 0, 0, 0});
        body += QByteArray("POPM", 4);
        appendU32BE(body, static_cast<std::uint32_t>(popm.size()));
        body += QByteArray(2, '\0') + popm;
    }
    body += QByteArray("TXXX\0\0\0\x11\0\0\x03RATING_NUMERIC\0"
                       "3",
                       27);
    const std::uint32_t size = static_cast<std::uint32_t>(body.size()) + 2048;
    expected += syncsafe(size) + body + QByteArray(2048, '\0');

    EXPECT_EQ(buildTag(frames, kMp3Fill), expected);
    EXPECT_EQ(QByteArray(kPopmIdentifierOwn).size(), 20);
}

TEST(Id3Layout, EmptyTagIsBareHeaderWithFill) {
    EXPECT_EQ(buildTag({}, kMp3Fill),
              QByteArray("ID3\x03\x00\x00\x00\x00\x10\x00", 10) + QByteArray(2048, '\0'));
    EXPECT_EQ(buildTag({}, 0), QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10));
    EXPECT_TRUE(managedFrames(TagValues{}, std::nullopt).isEmpty());
}

TEST(Id3Layout, FieldRules) {
    struct Row {
        const char* name;
        TagValues values;
        QList<QByteArray> ids;
        QByteArray firstBody;
    };
    const auto with = [](auto setter) {
        TagValues v;
        setter(v);
        return v;
    };
    const Row rows[] = {
        {"year 1899 is left out", with([](TagValues& v) { v.year = 1899; }), {}, {}},
        {"year 1900",
         with([](TagValues& v) { v.year = 1900; }),
         {"TYER"},
         "\x03"
         "1900"},
        {"year 2099",
         with([](TagValues& v) { v.year = 2099; }),
         {"TYER"},
         "\x03"
         "2099"},
        {"year 2100 is left out", with([](TagValues& v) { v.year = 2100; }), {}, {}},
        {"year 5 is left out", with([](TagValues& v) { v.year = 5; }), {}, {}},
        {"empty title and artist", with([](TagValues& v) { v.title = v.artist = QString(); }), {}, {}},
        {"empty album", with([](TagValues& v) { v.album = QString(); }), {}, {}},
        {"genre text is not a code",
         with([](TagValues& v) { v.genre = QStringLiteral("(17)"); }),
         {"TCON"},
         "\x03(17)"},
        {"rating 0 writes nothing", with([](TagValues& v) { v.rating = 0; }), {}, {}},
        {"rating above 5 is 5",
         with([](TagValues& v) { v.rating = 9; }),
         {"POPM", "POPM", "POPM", "TXXX"},
         QByteArray("no@email\0\xFF\0\0\0\0", 14)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const FrameList frames = managedFrames(row.values, std::nullopt);
        EXPECT_EQ(idsOf(frames), row.ids);
        if (!frames.isEmpty()) {
            EXPECT_EQ(frames.first().data, row.firstBody);
            EXPECT_EQ(frames.first().size, frames.first().data.size());
            EXPECT_EQ(frames.first().flags, 0);
        }
    }
}

TEST(Id3Layout, RatingBytesAndBodies) {
    const int expectedBytes[] = {51, 102, 153, 204, 255};
    for (int rating = 1; rating <= 5; ++rating) {
        SCOPED_TRACE(rating);
        EXPECT_EQ(ratingByte(rating), expectedBytes[rating - 1]);
        const FrameList frames = setRatingFrames({}, rating);
        ASSERT_EQ(frames.size(), 4);
        EXPECT_EQ(frames[0].data,
                  QByteArray("no@email\0", 9) + bytes({expectedBytes[rating - 1], 0, 0, 0, 0}));
        EXPECT_EQ(frames[1].data, QByteArray("iTunes\0", 7) + bytes({expectedBytes[rating - 1], 0, 0, 0, 0}));
        EXPECT_EQ(frames[2].data.left(21), QByteArray("rating@quirella.tags\0", 21));
        EXPECT_EQ(frames[3].data, QByteArray("\x03RATING_NUMERIC\0", 16) + QByteArray::number(rating));
    }
}

TEST(Id3Toolkit, SettersReplaceTheirOwnFramesOnly) {
    FrameList frames{{"TIT2", 2, 0,
                      "\x03"
                      "a"},
                     {"POPM", 0, 0, popmBody("x@y", 10)},
                     {"TXXX", 0, 0, txxxBody("MOOD", "calm")},
                     {"TIT2", 2, 0,
                      "\x03"
                      "b"},
                     {"TXXX", 0, 0, txxxBody("rating", "2")}};
    frames = setTextFrame(frames, "TIT2", QStringLiteral("new"));
    EXPECT_EQ(idsOf(frames), (QList<QByteArray>{"POPM", "TXXX", "TXXX", "TIT2"}));
    EXPECT_EQ(frames.last().data, QByteArray("\x03new"));
    frames = setRatingFrames(frames, 4);
    EXPECT_EQ(idsOf(frames), (QList<QByteArray>{"TXXX", "TIT2", "POPM", "POPM", "POPM", "TXXX"}));
    EXPECT_EQ(frames.first().data, txxxBody("MOOD", "calm"));
}

TEST(Id3Toolkit, IsRatingFrame) {
    struct Row {
        const char* name;
        ID3Frame frame;
        bool expected;
    };
    const Row rows[] = {
        {"any POPM", {"POPM", 0, 0, {}}, true},
        {"TXXX RATING_NUMERIC", {"TXXX", 0, 0, txxxBody("RATING_NUMERIC", "3")}, true},
        {"TXXX rating in lower case", {"TXXX", 0, 0, txxxBody("rating", "3")}, true},
        {"TXXX containing the word", {"TXXX", 0, 0, txxxBody("MyRatingValue", "")}, true},
        {"TXXX POPULARITY", {"TXXX", 0, 0, txxxBody("POPULARITY", "3")}, false},
        {"TXXX of one byte", {"TXXX", 0, 0, "\x03"}, false},
        {"TXXX without body", {"TXXX", 0, 0, {}}, false},
        {"empty description, value RATING", {"TXXX", 0, 0, QByteArray("\x03\0\0RATING", 9)}, true},
        {"description not ASCII", {"TXXX", 0, 0, txxxBody("RATING\xC3\xA9", "3")}, false},
        {"UTF-16 description", {"TXXX", 0, 0, QByteArray("\x01\xFF\xFER\0A\0", 7)}, false},
        {"other id with the word", {"TIT2", 0, 0, textBody("RATING")}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isRatingFrame(row.frame), row.expected);
    }
}

TEST(Id3Toolkit, DecodeSyncsafe) {
    EXPECT_EQ(decodeSyncsafe(bytes({0x00, 0x00, 0x02, 0x01})), 257u);
    EXPECT_EQ(decodeSyncsafe(bytes({0x7F, 0x7F, 0x7F, 0x7F})), 268435455u);
    EXPECT_EQ(decodeSyncsafe(bytes({0xFF, 0xFF, 0xFF, 0xFF})), 268435455u); // bit 7 is ignored
    EXPECT_EQ(decodeSyncsafe(bytes({0x00, 0x00, 0x10, 0x00})), 2048u);
    EXPECT_EQ(decodeSyncsafe(bytes({0x01, 0x02, 0x03})), 0u);
    EXPECT_EQ(decodeSyncsafe(bytes({0x00, 0x01, 0x02, 0x03, 0x04})), 0u);
    EXPECT_EQ(decodeSyncsafe({}), 0u);
    for (std::uint32_t size : {0u, 1u, 127u, 128u, 16383u, 16384u, 0x0FFFFFFFu}) {
        EXPECT_EQ(decodeSyncsafe(syncsafe(size)), size);
    }
}

TEST(Id3Toolkit, LocateTag) {
    const QByteArray audio = mp3Audio(1);
    struct Row {
        const char* name;
        QByteArray bytes;
        std::uint64_t end;
        bool runsPastEnd;
        bool malformed;
    };
    const QByteArray footerTag = rawTag(4, rawFrame(4, "TIT2", textBody("x")), 0x10) +
                                 QByteArray("3DI\x04\0\x10", 6) + syncsafe(12) + audio;
    const Row rows[] = {
        {"no tag", audio, 0, false, false},
        {"ten bytes starting with ID3", QByteArray("ID3\x03\0\0\0\0\0\x05", 10), 0, false, false},
        {"tag then audio", rawTag(3, QByteArray(20, '\0')) + audio, 30, false, false},
        {"tag filling the file", rawTag(3, QByteArray(20, '\0')), 30, false, false},
        {"size past the end", rawTag(3, QByteArray(20, '\0')).left(25), 25, true, false},
        {"size not syncsafe", QByteArray("ID3\x03\0\0\0\0\x01\x80", 10) + audio, 138, false, true},
        {"footer of 2.4 belongs to the tag", footerTag, 32, false, false},
        {"footer flag without a footer", rawTag(4, QByteArray(12, '\0'), 0x10) + audio, 22, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TagLocation location = locateTag(row.bytes);
        EXPECT_EQ(location.end, row.end);
        EXPECT_EQ(location.runsPastEnd, row.runsPastEnd);
        EXPECT_EQ(location.malformedSize, row.malformed);
        bool past = false;
        EXPECT_EQ(tagEnd(row.bytes, &past), row.end);
        EXPECT_EQ(past, row.runsPastEnd);
    }
}

// What survives from an old tag: unmanaged frames byte for byte, in order.
TEST(Id3Kept, Version3FramesSurviveByteForByte) {
    const QList<QByteArray> unmanaged = {
        rawFrame(3, "TRCK", textBody("3/12")),
        rawFrame(3, "COMM",
                 QByteArray("\x00"
                            "eng\0nice",
                            9),
                 0xC000),
        rawFrame(3, "USLT",
                 QByteArray("\x01"
                            "eng\xFF\xFE\0\0\xFF\xFEl\0a\0",
                            14)),
        rawFrame(3, "APIC", apicBody(4, "back")),
        rawFrame(3, "TXXX", txxxBody("MOOD", "calm")),
        rawFrame(3, "TALB", textBody("Old album")),
        rawFrame(3, "PRIV", QByteArray("owner\0\x01\x02", 8)),
        rawFrame(3, "TCOP", QByteArray("\x05\x00(c)", 5), 0x0020), // grouped: the group byte stays
    };
    const QList<QByteArray> managed = {
        rawFrame(3, "TIT2", textBody("Old")),
        rawFrame(3, "TPE1", textBody("Old")),
        rawFrame(3, "TYER", textBody("1980")),
        rawFrame(3, "TDAT", textBody("0101")),
        rawFrame(3, "TIME", textBody("1200")),
        rawFrame(3, "TCON", textBody("Rock")),
        rawFrame(3, "APIC", apicBody(3, "front")),
        rawFrame(3, "POPM", popmBody("x@y", 200)),
        rawFrame(3, "TXXX", txxxBody("RATING", "\xE2\x98\x85")),
        rawFrame(3, "TXXX",
                 QByteArray("\x01\xFF\xFEr\0a\0t\0i\0n\0g\0\0\0"
                            "4",
                            18)),
        rawFrame(3, "TXXX",
                 QByteArray("\x80"
                            "0000"
                            "compressed",
                            15),
                 0x0080),
    };
    QByteArray body;
    for (int i = 0; i < std::max(unmanaged.size(), managed.size()); ++i) {
        if (i < managed.size()) {
            body += managed[i];
        }
        if (i < unmanaged.size()) {
            body += unmanaged[i];
        }
    }
    const QByteArray tag = rawTag(3, body + QByteArray(100, '\0'));

    QByteArray expected;
    for (const QByteArray& frame : unmanaged) {
        expected += frame;
    }
    EXPECT_EQ(buildTag(keptFrames(tag, false), 0).mid(10), expected);

    // With an album of our own the old TALB goes.
    const FrameList withAlbum = keptFrames(tag, true);
    EXPECT_FALSE(idsOf(withAlbum).contains("TALB"));
    EXPECT_EQ(withAlbum.size(), unmanaged.size() - 1);
}

TEST(Id3Kept, Version4FramesAreConvertedOrDropped) {
    const QByteArray longText = textBody(QByteArray(300, 'a'));
    QByteArray body;
    body += rawFrame(4, "TRCK", textBody("1"), 0x6000); // tag and file alter preservation
    body += rawFrame(4, "TCOM", longText, 0x1000);      // read only; syncsafe size 300+1
    body += rawFrame(4, "TPE2",
                     "\x07"
                     "\x03"
                     "x",
                     0x0040); // grouped
    body += rawFrame(4, "TDRC", textBody("2001"));
    body += rawFrame(4, "TXXX", txxxBody("A", "1"), 0x0008);                               // compressed
    body += rawFrame(4, "TXXX", txxxBody("B", "1"), 0x0004);                               // encrypted
    body += rawFrame(4, "TXXX", txxxBody("C", "1"), 0x0002);                               // unsynchronised
    body += rawFrame(4, "TXXX", QByteArray("\0\0\0\x05", 4) + txxxBody("D", "1"), 0x0001); // length indicator
    body += rawFrame(4, "TENC", textBody("enc"));
    const FrameList kept = keptFrames(rawTag(4, body), false);
    ASSERT_EQ(idsOf(kept), (QList<QByteArray>{"TRCK", "TCOM", "TPE2", "TENC"}));
    EXPECT_EQ(kept[0].flags, 0xC000);
    EXPECT_EQ(kept[1].flags, 0x2000);
    EXPECT_EQ(kept[2].flags, 0x0020);
    EXPECT_EQ(kept[3].flags, 0);
    EXPECT_EQ(kept[2].data, QByteArray("\x07\x03x"));
    EXPECT_EQ(serialised(kept[1]), rawFrame(3, "TCOM", longText, 0x2000));
}

TEST(Id3Kept, TagsWhoseFramesCannotBeCarried) {
    const QByteArray frame = rawFrame(3, "TRCK", textBody("1"));
    struct Row {
        const char* name;
        QByteArray tag;
        QList<QByteArray> ids;
    };
    const Row rows[] = {
        {"version 2.2",
         rawTag(2, QByteArray("TRK\0\0\x02\x03"
                              "1",
                              8)),
         {}},
        {"version 2.5", rawTag(5, frame), {}},
        {"version 2.4 unsynchronised as a whole", rawTag(4, rawFrame(4, "TRCK", textBody("1")), 0x80), {}},
        {"header only", rawTag(3, {}), {}},
        {"not a tag", QByteArray("ID2\x03\0\0\0\0\0\x0C", 10) + frame, {}},
        {"padding ends the walk", rawTag(3, frame + QByteArray(10, '\0') + frame), {"TRCK"}},
        {"lower-case id ends the walk",
         rawTag(3, frame + rawFrame(3, "Trck", textBody("1")) + frame),
         {"TRCK"}},
        {"size past the tag ends the walk",
         rawTag(3, frame + rawFrame(3, "TPE2", textBody("long")).left(14)),
         {"TRCK"}},
        {"size 0xFFFFFFFF", rawTag(3, frame + QByteArray("TPE2\xFF\xFF\xFF\xFF\0\0", 10) + frame), {"TRCK"}},
        {"2.4 size not syncsafe", rawTag(4, QByteArray("TRCK\0\0\0\x80\0\0", 10) + QByteArray(128, 'x')), {}},
        {"empty frame is dropped, the walk goes on",
         rawTag(3, QByteArray("TPE2\0\0\0\0\0\0", 10) + frame),
         {"TRCK"}},
        {"text encoding above 3 is dropped",
         rawTag(3, rawFrame(3, "TPE2", textBody("x", '\x04')) + frame),
         {"TRCK"}},
        {"comment with encoding 9 is dropped",
         rawTag(3, rawFrame(3, "COMM",
                            QByteArray("\x09"
                                       "eng\0x",
                                       6)) +
                       frame),
         {"TRCK"}},
        {"declared size beyond the bytes", rawTag(3, frame + frame).left(10 + frame.size() + 5), {"TRCK"}},
        {"extended header 2.3", rawTag(3, QByteArray("\0\0\0\x06\0\0\0\0\0\0", 10) + frame, 0x40), {"TRCK"}},
        {"extended header 2.4",
         rawTag(4, QByteArray("\0\0\0\x06\x01\0", 6) + rawFrame(4, "TRCK", textBody("1")), 0x40),
         {"TRCK"}},
        {"extended header past the end", rawTag(3, QByteArray("\x7F\0\0\x06\0\0", 6) + frame, 0x40), {}},
        {"2.4 extended header too small", rawTag(4, QByteArray("\0\0\0\x02\0\0", 6) + frame, 0x40), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(idsOf(keptFrames(row.tag, false)), row.ids);
    }
}

TEST(Id3Kept, WholeTagUnsynchronisationOfVersion3IsUndone) {
    // Body bytes FF E0 and FF 00 become FF 00 E0 and FF 00 00 once unsynchronised.
    const QByteArray original = rawFrame(3, "PRIV", QByteArray("me\0\xFF\xE0\xFF\0\x01", 8));
    QByteArray unsynchronised;
    for (int i = 0; i < original.size(); ++i) {
        unsynchronised.append(original[i]);
        if (static_cast<std::uint8_t>(original[i]) == 0xFF) {
            unsynchronised.append('\0');
        }
    }
    const FrameList kept = keptFrames(rawTag(3, unsynchronised, 0x80), false);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(serialised(kept[0]), original);
}

TEST(Id3Kept, FrameCountIsCapped) {
    const QByteArray frame = rawFrame(3, "PRIV", "x");
    const QByteArray tag = rawTag(3, frame.repeated(70000));
    EXPECT_EQ(keptFrames(tag, false).size(), 65536);
}

TEST(Id3Rating, PopmByteMapsLikeTheRoundedFormula) {
    for (int b = 0; b < 256; ++b) {
        const int expected = std::clamp(static_cast<int>(b / 255.0 * 5 + 0.5), 0, 5);
        EXPECT_EQ(ratingFromPopmByte(static_cast<std::uint8_t>(b)), expected) << b;
    }
    EXPECT_EQ(ratingFromPopmByte(255), 5);
    EXPECT_EQ(ratingFromPopmByte(128), 3);
    EXPECT_EQ(ratingFromPopmByte(0), 0);
}

TEST(Id3Rating, DirectRead) {
    const QByteArray audio = mp3Audio(2);
    const auto file3 = [&](const QByteArray& frames) { return rawTag(3, frames) + audio; };
    const auto file4 = [&](const QByteArray& frames) { return rawTag(4, frames) + audio; };
    const QByteArray title = rawFrame(3, "TIT2", textBody("t"));
    struct Row {
        const char* name;
        QByteArray file;
        std::optional<int> rating;
    };
    const Row rows[] = {
        {"POPM 255", file3(title + rawFrame(3, "POPM", popmBody("a@b", 255))), 5},
        {"POPM 128", file3(rawFrame(3, "POPM", popmBody("a@b", 128))), 3},
        {"POPM 0 is a rating of 0",
         file3(rawFrame(3, "POPM", popmBody("", 0)) + rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", "4"))),
         0},
        {"POPM without rating byte goes on",
         file3(rawFrame(3, "POPM", QByteArray("a@b\0", 4)) +
               rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", "4"))),
         4},
        {"POPM without zero byte goes on",
         file3(rawFrame(3, "POPM", "abc") + rawFrame(3, "POPM", popmBody("", 51))), 1},
        {"TXXX numeric", file3(rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", "2"))), 2},
        {"TXXX numeric clamped", file3(rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", "17"))), 5},
        {"TXXX numeric negative", file3(rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", "-2"))), 0},
        {"TXXX numeric with terminator",
         file3(rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", QByteArray("3\0", 2)))), 3},
        {"TXXX not a number", file3(rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", "three"))), std::nullopt},
        {"TXXX other description", file3(rawFrame(3, "TXXX", txxxBody("RATING", "3"))), std::nullopt},
        {"first rating wins",
         file3(rawFrame(3, "TXXX", txxxBody("RATING_NUMERIC", "1")) + rawFrame(3, "POPM", popmBody("", 255))),
         1},
        {"version 2.4 syncsafe sizes",
         file4(rawFrame(4, "TXXX", txxxBody("X", QByteArray(200, 'x'))) +
               rawFrame(4, "POPM", popmBody("", 204))),
         4},
        {"2.4 frame with length indicator",
         file4(rawFrame(4, "POPM", QByteArray("\0\0\0\x07", 4) + popmBody("", 153), 0x0001)), 3},
        {"compressed POPM is skipped", file3(rawFrame(3, "POPM", popmBody("", 255), 0x0080)), std::nullopt},
        {"zero-size frame ends the walk",
         file3(QByteArray("TPE1\0\0\0\0\0\0", 10) + rawFrame(3, "POPM", popmBody("", 255))), std::nullopt},
        {"frame past the tag ends the walk", rawTag(3, rawFrame(3, "POPM", popmBody("", 255))).left(20),
         std::nullopt},
        {"no tag", audio, std::nullopt},
        {"ten bytes", QByteArray("ID3\x03\0\0\0\0\0\0", 10), std::nullopt},
        {"tag size beyond the file",
         rawTag(3, rawFrame(3, "POPM", popmBody("", 255)) + QByteArray(1000, '\0')).left(40), 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readRating(row.file), row.rating);
    }
}
