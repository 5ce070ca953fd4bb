// The AIFF writer: chunk layout of the rebuilt file, what TagLib reads back, and hostile input.
#include "tags/AIFFTagEditor.h"

#include "Id3TestFiles.h"
#include "support/TestSupport.h"

#include <QImage>

#include <aifffile.h>
#include <attachedpictureframe.h>
#include <gtest/gtest.h>
#include <id3v2tag.h>
#include <popularimeterframe.h>
#include <textidentificationframe.h>

using namespace quirella;
using namespace quirella::test;

namespace {

QString qs(const TagLib::String& text) {
    return QString::fromUtf8(text.toCString(true));
}

TagValues sampleValues() {
    TagValues values;
    values.title = QStringLiteral("Title");
    values.artist = QStringLiteral("Artist");
    values.year = 1977;
    values.genre = QStringLiteral("Krautrock");
    values.rating = 5;
    return values;
}

// The ids of the chunks after the FORM header, in order.
QList<QByteArray> chunkIds(const QByteArray& file) {
    QList<QByteArray> ids;
    const ByteView view(file);
    std::uint64_t p = 12;
    while (view.has(p, 8)) {
        const std::uint32_t size = *view.u32BE(p + 4);
        ids.append(file.mid(static_cast<qsizetype>(p), 4));
        p += 8 + size + (size & 1);
    }
    return ids;
}

QByteArray rebuilt(const QByteArray& file, const TagValues& values = sampleValues()) {
    const bool albumGiven = values.album && !values.album->isEmpty();
    TagResult<QByteArray> result =
        AIFFTagEditor::rebuild(file, id3::managedFrames(values, std::nullopt), albumGiven);
    EXPECT_TRUE(result.ok()) << result.status.message.toStdString();
    return result.value.value_or(QByteArray());
}

QByteArray newId3Chunk(const TagValues& values = sampleValues()) {
    return aiffChunk("ID3 ", id3::buildTag(id3::managedFrames(values, std::nullopt), 0));
}

} // namespace

TEST(AiffLayout, ChunksStayInOrderAndTheNewTagGoesLast) {
    const QByteArray comm = aiffComm(10);
    const QByteArray ssnd = aiffSsnd(10);
    const QByteArray oldTag = aiffChunk("ID3 ", rawTag(3, rawFrame(3, "TIT2", textBody("old"))));
    const QByteArray odd = aiffChunk("APPL", "ninebytes", '\xFF');
    const QByteArray oddTag =
        aiffChunk("ID3 ", rawTag(3, rawFrame(3, "TIT2", textBody("odd!")))); // 10 + 15 bytes
    struct Row {
        const char* name;
        QByteArray file;
        QByteArray expected;
    };
    const Row rows[] = {
        {"old tag at the end", aiffFile({comm, ssnd, oldTag}), aiffFile({comm, ssnd, newId3Chunk()})},
        {"old tag in the middle", aiffFile({comm, oldTag, ssnd}), aiffFile({comm, ssnd, newId3Chunk()})},
        {"odd tag with its pad byte", aiffFile({comm, oddTag, ssnd}), aiffFile({comm, ssnd, newId3Chunk()})},
        {"no tag yet", aiffFile({comm, ssnd}), aiffFile({comm, ssnd, newId3Chunk()})},
        {"odd chunk keeps its own pad byte", aiffFile({comm, odd, ssnd}),
         aiffFile({comm, odd, ssnd, newId3Chunk()})},
        {"odd last chunk without pad byte gets one",
         aiffFile({comm, ssnd}) + QByteArray("APPL\0\0\0\x03xyz", 11),
         aiffFile({comm, ssnd, aiffChunk("APPL", "xyz"), newId3Chunk()})},
        {"lower-case id3 chunk is an old tag too", aiffFile({aiffChunk("id3 ", rawTag(3, {})), comm, ssnd}),
         aiffFile({comm, ssnd, newId3Chunk()})},
        {"zero-size chunks", aiffFile({comm, aiffChunk("MARK", {}), ssnd, aiffChunk("NAME", {})}),
         aiffFile({comm, aiffChunk("MARK", {}), ssnd, aiffChunk("NAME", {}), newId3Chunk()})},
        {"a tail too short for a chunk header is dropped", aiffFile({comm, ssnd}) + "1234567",
         aiffFile({comm, ssnd, newId3Chunk()})},
        {"nothing to write still appends a bare tag", aiffFile({comm, ssnd}),
         aiffFile({comm, ssnd,
                   QByteArray("ID3 \0\0\0\x0A"
                              "ID3\x03\0\0\0\0\0\0",
                              18)})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool bare = QByteArrayView(row.name).startsWith("nothing");
        const QByteArray result = rebuilt(row.file, bare ? TagValues{} : sampleValues());
        EXPECT_EQ(result, row.expected);
        EXPECT_EQ(ByteView(result).u32BE(4), static_cast<std::uint32_t>(result.size() - 8));
    }
}

TEST(AiffLayout, TagOfOddLengthIsPadded) {
    TagValues values;
    values.title = QStringLiteral("ab"); // 10 + 10 + 3 bytes
    const QByteArray result = rebuilt(aiffFile({aiffComm(1), aiffSsnd(1)}), values);
    EXPECT_TRUE(result.endsWith(QByteArray("TIT2\0\0\0\x03\0\0\x03"
                                           "ab\0",
                                           14)));
    EXPECT_EQ(chunkIds(result).last(), "ID3 ");
    EXPECT_EQ(result.size() % 2, 0);
}

TEST(AiffLayout, FramesOfOldTagsMoveIntoTheNewOneOnce) {
    const QByteArray track = rawFrame(3, "TRCK", textBody("2"));
    const QByteArray album = rawFrame(3, "TALB", textBody("Old album"));
    const QByteArray mood = rawFrame(3, "TXXX", txxxBody("MOOD", "dark"));
    const QByteArray first = aiffChunk("ID3 ", rawTag(3, rawFrame(3, "TIT2", textBody("x")) + track + album));
    const QByteArray second =
        aiffChunk("id3 ", rawTag(3, track + mood + rawFrame(3, "POPM", popmBody("a", 1))));
    const QByteArray file = aiffFile({aiffComm(4), first, aiffSsnd(4), second});

    TagValues values = sampleValues();
    QByteArray result = rebuilt(file, values);
    // Our frames, then the kept ones in the order met; the second TRCK is the same frame and goes.
    const QByteArray ours = id3::buildTag(id3::managedFrames(values, std::nullopt), 0).mid(10);
    const QByteArray kept = track + album + mood;
    const QByteArray tag = QByteArray("ID3\x03\0\0", 6) +
                           syncsafe(static_cast<std::uint32_t>(ours.size() + kept.size())) + ours + kept;
    EXPECT_EQ(result, aiffFile({aiffComm(4), aiffSsnd(4), aiffChunk("ID3 ", tag)}));

    // An album of our own replaces the old one.
    values.album = QStringLiteral("New album");
    result = rebuilt(file, values);
    EXPECT_FALSE(result.contains("Old album"));
    EXPECT_TRUE(result.contains("New album"));
    EXPECT_TRUE(result.contains(track + mood));
}

TEST(AiffWriter, WrittenFileReadsBackThroughTagLib) {
    ScratchDir dir;
    const QByteArray ssnd = aiffSsnd(4000);
    const QByteArray oldTag =
        aiffChunk("ID3 ", rawTag(3, rawFrame(3, "TIT2", textBody("Old")) +
                                        rawFrame(3, "COMM", QByteArray("\0eng\0kept", 9)) +
                                        rawFrame(3, "APIC", apicBody(3, "old front")) +
                                        rawFrame(3, "APIC", apicBody(8, "artist"))));
    const QString path = dir.write(QStringLiteral("song.aiff"), aiffFile({aiffComm(4000), oldTag, ssnd}));
    TagValues values = sampleValues();
    values.album = QStringLiteral("Album");
    values.coverImage = imageBytes(200, 400, "JPEG");
    ASSERT_TRUE(AIFFTagEditor::writeTagsNow(path, values).ok());

    const QByteArray written = readAll(path);
    EXPECT_EQ(chunkIds(written), (QList<QByteArray>{"COMM", "SSND", "ID3 "}));
    EXPECT_TRUE(written.contains(ssnd));
    EXPECT_TRUE(written.contains(rawFrame(3, "COMM", QByteArray("\0eng\0kept", 9))));

    TagLib::RIFF::AIFF::File file(QFile::encodeName(path).constData());
    ASSERT_TRUE(file.isValid());
    ASSERT_TRUE(file.hasID3v2Tag());
    TagLib::ID3v2::Tag* tag = file.tag();
    EXPECT_EQ(qs(tag->title()), QStringLiteral("Title"));
    EXPECT_EQ(qs(tag->artist()), QStringLiteral("Artist"));
    EXPECT_EQ(qs(tag->album()), QStringLiteral("Album"));
    EXPECT_EQ(tag->year(), 1977u);
    EXPECT_EQ(qs(tag->genre()), QStringLiteral("Krautrock"));
    EXPECT_EQ(qs(tag->comment()), QStringLiteral("kept"));
    ASSERT_TRUE(file.audioProperties());
    EXPECT_EQ(file.audioProperties()->sampleRate(), 8000);
    EXPECT_EQ(file.audioProperties()->channels(), 1);
    EXPECT_EQ(file.audioProperties()->sampleFrames(), 4000u);

    const auto pictures = tag->frameListMap()["APIC"];
    ASSERT_EQ(pictures.size(), 2u);
    const auto* front = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
    EXPECT_EQ(front->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    EXPECT_EQ(qs(front->mimeType()), QStringLiteral("image/jpeg"));
    const QImage cover = QImage::fromData(
        QByteArray(front->picture().data(), static_cast<qsizetype>(front->picture().size())));
    EXPECT_EQ(cover.size(), QSize(150, 300));
    EXPECT_EQ(dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.back())->type(),
              TagLib::ID3v2::AttachedPictureFrame::Artist);
    const auto popms = tag->frameListMap()["POPM"];
    ASSERT_EQ(popms.size(), 3u);
    EXPECT_EQ(dynamic_cast<TagLib::ID3v2::PopularimeterFrame*>(popms.front())->rating(), 255);
    const auto* numeric = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "RATING_NUMERIC");
    ASSERT_TRUE(numeric);
    EXPECT_EQ(qs(numeric->fieldList().back()), QStringLiteral("5"));
}

TEST(AiffWriter, SameValuesTwiceGiveIdenticalFiles) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("song.aif"), aiffFile({aiffComm(100), aiffSsnd(100)}));
    TagValues values = sampleValues();
    values.coverImage = imageBytes(300, 300, "PNG", true);
    ASSERT_TRUE(AIFFTagEditor::writeTagsNow(path, values).ok());
    const QByteArray first = readAll(path);
    ASSERT_TRUE(AIFFTagEditor::writeTagsNow(path, values).ok());
    EXPECT_EQ(readAll(path), first);
    EXPECT_TRUE(first.contains("image/png"));
}

// Damaged and hostile files: each is refused and left exactly as it was, or written, and never crashes.
TEST(AiffWriter, HostileInput) {
    const QByteArray comm = aiffComm(50);
    const QByteArray ssnd = aiffSsnd(50);
    const QByteArray valid = aiffFile({comm, ssnd});
    struct Row {
        QString name;
        QByteArray bytes;
        std::optional<TagError> refusal;
    };
    QByteArray tooManyChunks = aiffFile({comm});
    tooManyChunks += QByteArray("MARK\0\0\0\0", 8).repeated(AIFFTagEditor::kMaxChunks);
    QList<Row> rows = {
        {QStringLiteral("empty"), {}, TagError::notValidFormat},
        {QStringLiteral("twelve bytes"),
         QByteArray("FORM\0\0\0\x04"
                    "AIFF",
                    12),
         TagError::notValidFormat},
        {QStringLiteral("not FORM"), "RIFX" + valid.mid(4), TagError::notValidFormat},
        {QStringLiteral("a WAV file"), QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(40, '\0'),
         TagError::notValidFormat},
        {QStringLiteral("AIFF-C"), aiffFile({comm, ssnd}, "AIFC"), TagError::notValidFormat},
        {QStringLiteral("sound data cut short"), valid.left(valid.size() - 7), TagError::notValidFormat},
        {QStringLiteral("chunk size FF FF FF FF"),
         aiffFile({comm}) + QByteArray("SSND\xFF\xFF\xFF\xFF", 8) + ssnd, TagError::notValidFormat},
        {QStringLiteral("old ID3 chunk running past the end"),
         aiffFile({comm}) + QByteArray("ID3 \0\0\x10\0", 8) + ssnd, TagError::notValidFormat},
        {QStringLiteral("more chunks than the cap"), tooManyChunks, TagError::notValidFormat},
        {QStringLiteral("50,000 tiny chunks"),
         aiffFile({comm}) + QByteArray("MARK\0\0\0\0", 8).repeated(50000) + ssnd,
         {}},
        {QStringLiteral("ID3 chunk of garbage"),
         aiffFile({comm, aiffChunk("ID3 ", randomBytes(3, 500)), ssnd}),
         {}},
        {QStringLiteral("ID3 chunk with a damaged tag"),
         aiffFile({comm,
                   aiffChunk("ID3 ", QByteArray("ID3\x04\0\x40\x7F\x7F\x7F\x7F", 10) + randomBytes(4, 99)),
                   ssnd}),
         {}},
    };
    for (quint32 seed = 1; seed <= 4; ++seed) {
        rows.append(
            {QStringLiteral("random bytes %1").arg(seed), randomBytes(seed, 1000), TagError::notValidFormat});
        rows.append({QStringLiteral("random bytes after an AIFF header %1").arg(seed),
                     QByteArray("FORM\0\0\0\0AIFF", 12) + randomBytes(seed, 1000), std::nullopt});
    }
    // A valid file cut at every few bytes: a cut through a chunk is refused, a cut between chunks (or
    // in a header too short to read) is written.
    for (qsizetype cut = 0; cut <= valid.size(); cut += 13) {
        const qsizetype chunkStart = 12 + comm.size();
        const bool betweenChunks =
            cut > 12 && (cut - 12 < 8 || cut == chunkStart || (cut > chunkStart && cut - chunkStart < 8) ||
                         cut == valid.size());
        rows.append({QStringLiteral("truncated at %1").arg(cut), valid.left(cut),
                     betweenChunks ? std::nullopt : std::optional(TagError::notValidFormat)});
    }

    ScratchDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        const QString path = dir.write(QStringLiteral("hostile.aiff"), row.bytes);
        const TagStatus status = AIFFTagEditor::writeTagsNow(path, sampleValues());
        const QByteArray after = readAll(path);
        if (row.name.startsWith(u"random bytes after")) {
            // Whether random chunk sizes fit is up to chance: refused means untouched, written means valid.
            if (!status.ok()) {
                EXPECT_EQ(status.error, TagError::notValidFormat);
                EXPECT_EQ(after, row.bytes);
                continue;
            }
        } else if (row.refusal) {
            EXPECT_EQ(status.error, row.refusal);
            EXPECT_FALSE(status.message.isEmpty());
            EXPECT_EQ(after, row.bytes);
            continue;
        }
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        EXPECT_EQ(chunkIds(after).last(), "ID3 ");
        EXPECT_EQ(ByteView(after).u32BE(4), static_cast<std::uint32_t>(after.size() - 8));
        TagLib::RIFF::AIFF::File file(QFile::encodeName(path).constData());
        ASSERT_TRUE(file.hasID3v2Tag());
        EXPECT_EQ(qs(file.tag()->title()), QStringLiteral("Title"));
    }
}

// A file tagged by another program (ffmpeg, see scripts/make-mp3-fixtures.sh).
TEST(AiffWriter, FileTaggedByFfmpegKeepsItsOtherFramesAndSound) {
    const QByteArray original = dataFile(QStringLiteral("ffmpeg-tagged.aiff"));
    ASSERT_FALSE(original.isEmpty());
    ASSERT_TRUE(chunkIds(original).contains("ID3 "));
    const qsizetype ssnd = original.indexOf("SSND");
    ASSERT_GT(ssnd, 0);
    const QByteArray sound =
        original.mid(ssnd, 8 + static_cast<qsizetype>(*ByteView(original).u32BE(ssnd + 4)));
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("song.aif"), original);
    TagValues values;
    values.artist = QStringLiteral("Ours");
    values.rating = 2;
    ASSERT_TRUE(AIFFTagEditor::writeTagsNow(path, values).ok());

    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.contains(sound));
    EXPECT_EQ(chunkIds(written).count("ID3 "), 1);
    EXPECT_EQ(chunkIds(written).last(), "ID3 ");
    TagLib::RIFF::AIFF::File file(QFile::encodeName(path).constData());
    ASSERT_TRUE(file.isValid());
    TagLib::ID3v2::Tag* tag = file.tag();
    EXPECT_TRUE(tag->title().isEmpty());
    EXPECT_EQ(qs(tag->artist()), QStringLiteral("Ours"));
    EXPECT_EQ(qs(tag->album()), QStringLiteral("Fixture Album"));
    EXPECT_EQ(tag->track(), 5u);
    EXPECT_EQ(tag->year(), 0u);
    EXPECT_TRUE(TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "mood"));
    ASSERT_TRUE(file.audioProperties());
    EXPECT_EQ(file.audioProperties()->sampleFrames(), 8000u);
}
