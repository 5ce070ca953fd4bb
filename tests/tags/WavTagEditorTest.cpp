// The WAV reader and the RIFF rebuild on bytes: the layouts the writer produces and what the reader finds.
#include "tags/WAVTagEditor.h"

#include "WavTestFiles.h"
#include "tags/Riff.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test::wavfiles;

namespace {

QByteArray hex(const char* digits) {
    return QByteArray::fromHex(digits);
}

// Rebuilds and expects success.
QByteArray rebuilt(const QByteArray& source, const TagValues& values,
                   const std::optional<QByteArray>& cover = {}) {
    TagResult<QByteArray> result = wav::rebuildWAV(source, values, cover);
    EXPECT_TRUE(result.ok()) << result.status.message.toStdString();
    return result.value.value_or(QByteArray());
}

QByteArray pngBytes() {
    QImage image(4, 4, QImage::Format_RGBA8888);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

// --- INFO sub-chunks -------------------------------------------------------------------------------

struct InfoFieldCase {
    const char* name;
    QString text;
    QByteArray expected; // the whole sub-chunk
};

class WavInfoField : public testing::TestWithParam<InfoFieldCase> {};

TEST_P(WavInfoField, HasTheExactBytes) {
    QByteArray out;
    riff::appendInfoField("INAM", GetParam().text, out);
    EXPECT_EQ(out.toHex(' '), GetParam().expected.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WavInfoField,
    testing::Values(
        InfoFieldCase{"latin1_with_accent", QStringLiteral("Café"), hex("494e414d 06000000 436166e9 0000")},
        InfoFieldCase{"japanese_becomes_empty", QStringLiteral("日本語"), hex("494e414d 02000000 0000")},
        InfoFieldCase{"one_letter", QStringLiteral("A"), hex("494e414d 02000000 4100")},
        InfoFieldCase{"empty", QString(), hex("494e414d 02000000 0000")},
        InfoFieldCase{"odd_with_terminator", QStringLiteral("Ab"), hex("494e414d 04000000 41620000")},
        InfoFieldCase{"even_with_terminator", QStringLiteral("Abc"), hex("494e414d 04000000 41626300")},
        // One character outside Latin-1 empties the whole text; no '?' substitutes.
        InfoFieldCase{"mixed_scripts", QStringLiteral("Caf€"), hex("494e414d 02000000 0000")}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WavInfoList, HoldsTheGivenFieldsInOrderWithArtistTwice) {
    TagValues values;
    values.title = QStringLiteral("T");
    values.artist = QStringLiteral("A");
    values.album = QStringLiteral("Al");
    values.year = 1850;
    values.genre = QString();
    const QByteArray list = riff::buildInfoList(values, chunk("ICMT", raw("c\0")));
    const QList<Piece> pieces = chunksOf(QByteArray(12, '\0') + list);
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces[0].id, "LIST");
    EXPECT_EQ(pieces[0].payload.size() + 8, list.size());
    const QList<Piece> fields = infoFieldsOf(pieces[0].payload);
    EXPECT_EQ(idsOf(fields), (QList<QByteArray>{"INAM", "IART", "ISTR", "IPRD", "ICRD", "IGNR", "ICMT"}));
    EXPECT_EQ(payloadOf(fields, "IART"), raw("A\0"));
    EXPECT_EQ(payloadOf(fields, "ISTR"), raw("A\0"));
    EXPECT_EQ(payloadOf(fields, "ICRD"), raw("1850\0\0"));
    EXPECT_EQ(payloadOf(fields, "IGNR"), raw("\0\0"));
}

// --- The chunk walk ----------------------------------------------------------------------------------

TEST(WavChunkWalk, RecordsOffsetsAcrossPadBytesAndStopsAtZeroOrBinaryIds) {
    const QByteArray body = chunk("fmt ", QByteArray(17, 'f')) + chunk("data", QByteArray(3, 'd'));
    {
        const QList<riff::RIFFChunk> chunks = riff::parseChunks(riffFile(body + QByteArray(16, '\0')));
        ASSERT_EQ(chunks.size(), 2);
        EXPECT_EQ(chunks[0].id, "fmt ");
        EXPECT_EQ(chunks[0].size, 17u);
        EXPECT_EQ(chunks[0].offset, 12);
        EXPECT_EQ(chunks[1].id, "data");
        EXPECT_EQ(chunks[1].offset, 12 + 8 + 18);
    }
    const QList<riff::RIFFChunk> binary = riff::parseChunks(riffFile(body + hex("ff000000 00000000")));
    EXPECT_EQ(binary.size(), 2);
    // A size past the end still yields the chunk; its users check the payload.
    const QList<riff::RIFFChunk> overrun =
        riff::parseChunks(riffFile(chunkClaiming("data", 0xFFFFFFFF, "ab")));
    ASSERT_EQ(overrun.size(), 1);
    EXPECT_FALSE(riff::payload(riffFile(chunkClaiming("data", 0xFFFFFFFF, "ab")), overrun[0]));
}

TEST(WavChunkWalk, CapsTheNumberOfChunks) {
    QByteArray body;
    for (int i = 0; i < riff::kMaxChunks + 5; ++i) {
        body += chunk("abcd", {});
    }
    bool hitLimit = false;
    EXPECT_EQ(riff::parseChunks(riffFile(body), &hitLimit).size(), riff::kMaxChunks);
    EXPECT_TRUE(hitLimit);
    // The writer refuses rather than dropping the chunks beyond the cap.
    const TagResult<QByteArray> result =
        wav::rebuildWAV(riffFile(chunk("fmt ", pcmFormat()) + chunk("data", samples()) + body), {}, {});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.status.error, TagError::notValidFormat);
}

// --- The rebuilt file --------------------------------------------------------------------------------

TEST(WavRebuild, ReplacesOldTagsAndPutsTheInfoListAfterFormat) {
    const QByteArray source =
        riffFile(chunk("fmt ", pcmFormat()) + infoList({{"INAM", "Old"}}) + chunk("data", samples()) +
                 chunk("id3 ", id3Tag(id3Frame("TIT2", textBody(QStringLiteral("Old"))))));
    TagValues values;
    values.title = QStringLiteral("New");
    const QByteArray out = rebuilt(source, values);
    const QList<Piece> pieces = chunksOf(out);
    EXPECT_EQ(idsOf(pieces), (QList<QByteArray>{"fmt ", "LIST", "data", "ID3 "}));
    EXPECT_EQ(infoFieldsOf(payloadOf(pieces, "LIST")).size(), 1);
    EXPECT_EQ(payloadOf(infoFieldsOf(payloadOf(pieces, "LIST")), "INAM"), raw("New\0"));
    const QList<Piece> frames = id3FramesOf(payloadOf(pieces, "ID3 "));
    EXPECT_EQ(idsOf(frames), QList<QByteArray>{"TIT2"});
    EXPECT_EQ(payloadOf(frames, "TIT2"), textBody(QStringLiteral("New")));
    EXPECT_EQ(payloadOf(pieces, "data"), samples());
}

TEST(WavRebuild, PadsAnOddFormatChunkWithZeroWhateverTheSourceHad) {
    const QByteArray fmt17 = pcmFormat() + hex("00");
    const QByteArray source = riffFile(chunk("fmt ", fmt17, '\xAB') + chunk("data", samples()));
    const QByteArray out = rebuilt(source, {});
    EXPECT_EQ(out.mid(12, 8 + 17 + 1), QByteArrayLiteral("fmt ") + le32(17) + fmt17 + '\0');
    // Nothing to write gives neither INFO nor ID3: the file is the source with the pad byte fixed.
    EXPECT_EQ(idsOf(chunksOf(out)), (QList<QByteArray>{"fmt ", "data"}));
}

TEST(WavRebuild, PadsAnOddId3ChunkAndCountsThePadInTheRiffSize) {
    TagValues values;
    values.title = QStringLiteral("AB"); // tag = 10 + 10 + 3 bytes: odd
    const QByteArray out = rebuilt(simpleWav(), values);
    EXPECT_EQ(out.size() % 2, 0);
    EXPECT_EQ(out.mid(4, 4), le32(static_cast<quint32>(out.size() - 8)));
    EXPECT_EQ(out.right(8 + 23 + 1).left(8), QByteArrayLiteral("ID3 ") + le32(23));
    EXPECT_EQ(out.back(), '\0');
}

TEST(WavRebuild, YearOutsideTheId3RangeStaysInInfoOnly) {
    TagValues values;
    values.title = QString();
    values.artist = QString();
    values.genre = QString();
    values.year = 1850;
    values.rating = 0;
    const QList<Piece> pieces = chunksOf(rebuilt(simpleWav(), values));
    // No ID3 frame qualifies, so there is no "ID3 " chunk; INFO still holds the empty texts and the digits.
    EXPECT_EQ(idsOf(pieces), (QList<QByteArray>{"fmt ", "LIST", "data"}));
    const QList<Piece> fields = infoFieldsOf(payloadOf(pieces, "LIST"));
    EXPECT_EQ(idsOf(fields), (QList<QByteArray>{"INAM", "IART", "ISTR", "ICRD", "IGNR"}));
    EXPECT_EQ(payloadOf(fields, "ICRD"), raw("1850\0\0"));

    values.year = 1999;
    const QList<Piece> withYear = chunksOf(rebuilt(simpleWav(), values));
    EXPECT_EQ(idsOf(id3FramesOf(payloadOf(withYear, "ID3 "))), QList<QByteArray>{"TYER"});
}

TEST(WavRebuild, PictureDeclaresTheTypeOfItsBytes) {
    TagValues values;
    values.coverImage = QByteArray("ignored: the converted cover is what counts");
    const QByteArray png = pngBytes();
    const QList<Piece> frames = id3FramesOf(payloadOf(chunksOf(rebuilt(simpleWav(), values, png)), "ID3 "));
    const QByteArray apic = payloadOf(frames, "APIC");
    EXPECT_EQ(apic, raw("\0image/png\0\x03\0") + png);
}

TEST(WavRebuild, EveryTruncationThatCutsTheAudioIsRefused) {
    TagValues values;
    values.title = QStringLiteral("Title");
    values.rating = 3;
    const QByteArray full = simpleWav(chunk("cue ", QByteArray(28, 'c')));
    const qsizetype dataEnd = 12 + 8 + 16 + 8 + samples().size();
    for (qsizetype length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        const TagResult<QByteArray> result = wav::rebuildWAV(full.left(length), values, {});
        EXPECT_EQ(result.ok(), length >= dataEnd);
        if (result.ok()) {
            EXPECT_EQ(payloadOf(chunksOf(*result.value), "data"), samples());
        }
    }
}

// --- The reader --------------------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    QByteArray bytes;
    WavMetadata fields;
    std::optional<QByteArray> picture;
};

class WavRead : public testing::TestWithParam<ReadCase> {};

TEST_P(WavRead, FindsTheFields) {
    const TagResult<wav::WavTags> result = wav::readTags(GetParam().bytes);
    ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
    EXPECT_EQ(result.value->fields, GetParam().fields);
    EXPECT_EQ(result.value->picture, GetParam().picture);
}

namespace {

WavMetadata fields(std::initializer_list<std::pair<const char*, QString>> entries) {
    WavMetadata map;
    for (const auto& [key, value] : entries) {
        map.insert(QString::fromLatin1(key), value);
    }
    return map;
}

QByteArray withId3(const QByteArray& tag, const char* id = "ID3 ") {
    return simpleWav(chunk(id, tag));
}

const QByteArray kImage = hex("ffd8ffe000104a464946") + QByteArray(300, 'j') + hex("ffd9");
const QByteArray kImageWithFf00 = hex("ffd8ff00ff00aa") + QByteArray(20, 'k');

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Files, WavRead,
    testing::Values(
        ReadCase{"info_fields_and_trailing_zero",
                 simpleWav(infoList({{"INAM", "Title"},
                                     {"IART", "Artist"},
                                     {"IPRD", "Album"},
                                     {"ICRD", "2003-05-12"},
                                     {"IGNR", "Jazz"},
                                     {"ICMT", "not read"}})),
                 fields({{"title", QStringLiteral("Title")},
                         {"artist", QStringLiteral("Artist")},
                         {"album", QStringLiteral("Album")},
                         {"year", QStringLiteral("2003-05-12")},
                         {"genre", QStringLiteral("Jazz")}}),
                 std::nullopt},
        ReadCase{"latin1_and_control_characters",
                 simpleWav(infoList({{"INAM", "\x01"
                                              "Caf\xe9\x0a"},
                                     {"INAM", "Later wins\x7f"}})),
                 fields({{"title", QStringLiteral("Later wins")}}), std::nullopt},
        ReadCase{"first_list_is_not_info",
                 simpleWav(chunk("LIST", QByteArrayLiteral("adtl")) + infoList({{"INAM", "Hidden"}})),
                 {},
                 std::nullopt},
        ReadCase{"info_list_past_end", simpleWav(chunkClaiming("LIST", 500, "INFOINAM")), {}, std::nullopt},
        ReadCase{"sub_chunk_past_end_keeps_earlier",
                 simpleWav(chunk("LIST", QByteArrayLiteral("INFO") + chunk("IART", raw("A\0")) +
                                             chunkClaiming("INAM", 90, "xy"))),
                 fields({{"artist", QStringLiteral("A")}}), std::nullopt},
        ReadCase{"popm_128", withId3(id3Tag(id3Frame("POPM", popmBody(128)))),
                 fields({{"rating", QStringLiteral("3")}}), std::nullopt},
        ReadCase{"popm_255", withId3(id3Tag(id3Frame("POPM", popmBody(255)))),
                 fields({{"rating", QStringLiteral("5")}}), std::nullopt},
        ReadCase{"popm_0", withId3(id3Tag(id3Frame("POPM", popmBody(0)))),
                 fields({{"rating", QStringLiteral("0")}}), std::nullopt},
        ReadCase{"later_popm_wins",
                 withId3(id3Tag(id3Frame("POPM", popmBody(255)) + id3Frame("POPM", popmBody(51)))),
                 fields({{"rating", QStringLiteral("1")}}), std::nullopt},
        ReadCase{"popm_without_rating_byte",
                 withId3(id3Tag(id3Frame("POPM", raw("no@email\0")))),
                 {},
                 std::nullopt},
        ReadCase{"lower_case_id3_chunk", withId3(id3Tag(id3Frame("POPM", popmBody(204))), "id3 "),
                 fields({{"rating", QStringLiteral("4")}}), std::nullopt},
        ReadCase{"picture", withId3(id3Tag(id3Frame("APIC", apicBody(kImage)))), {}, kImage},
        ReadCase{"picture_with_utf16_description",
                 withId3(id3Tag(id3Frame("APIC", apicBody(kImage, 1, hex("fffe43006f00"))))),
                 {},
                 kImage},
        ReadCase{"short_picture_body", withId3(id3Tag(id3Frame("APIC", hex("00610003")))), {}, std::nullopt},
        ReadCase{
            "picture_without_image_bytes", withId3(id3Tag(id3Frame("APIC", apicBody({})))), {}, std::nullopt},
        // Syncsafe frame sizes: read as plain integers, the APIC size 00 00 02 46 (326) would be 582.
        ReadCase{
            "id3v24_syncsafe_sizes",
            withId3(id3Tag(id3Frame("APIC", apicBody(kImage), 4) + id3Frame("POPM", popmBody(255), 4), 4)),
            fields({{"rating", QStringLiteral("5")}}), kImage},
        ReadCase{"id3v23_unsynchronised_tag",
                 withId3(id3Tag(
                     id3Frame("APIC", apicBody(kImageWithFf00)).replace(hex("ff00ff00"), hex("ff0000ff0000")),
                     3, '\x80')),
                 {},
                 kImageWithFf00},
        ReadCase{
            "id3v22_is_not_misread", withId3(id3Tag(id3Frame("POPM", popmBody(255)), 2)), {}, std::nullopt},
        ReadCase{"zero_size_frame_is_skipped",
                 withId3(id3Tag(id3Frame("TXXX", {}) + id3Frame("POPM", popmBody(153)))),
                 fields({{"rating", QStringLiteral("3")}}), std::nullopt},
        ReadCase{"frame_past_end_is_skipped",
                 withId3(id3Tag(id3Frame("POPM", popmBody(255)).replace(4, 4, be32(4000)))),
                 {},
                 std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WavReadBytes, RefusesFilesThatAreNotWave) {
    for (const QByteArray& bytes : {QByteArray(), riffFile({}), QByteArray("RIFX") + simpleWav().mid(4)}) {
        SCOPED_TRACE(bytes.left(16).toHex().toStdString());
        const TagResult<wav::WavTags> result = wav::readTags(bytes);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.status.error, TagError::notValidFormat);
    }
}

TEST(WavReadBytes, PopmBytesMapToStarsAtTheHalfWayPoints) {
    const std::pair<int, int> table[] = {{0, 0},   {25, 0},  {26, 1},  {51, 1},  {76, 1},  {77, 2},
                                         {102, 2}, {127, 2}, {128, 3}, {153, 3}, {178, 3}, {179, 4},
                                         {204, 4}, {229, 4}, {230, 5}, {255, 5}};
    for (const auto& [byte, stars] : table) {
        EXPECT_EQ(wav::starsFromPopmByte(static_cast<std::uint8_t>(byte)), stars) << byte;
    }
}
