// The AIFF writer: the chunk layout of the rebuilt file and hostile input.
#include "tags/AIFFTagEditor.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;

namespace {

QList<QByteArray> chunkIds(const QByteArray& file) {
    return idsOf(chunksOf(file, true));
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
    const QByteArray oldTag = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("old"))));
    const QByteArray odd = aiffChunk("APPL", "ninebytes", '\xFF');
    const QByteArray oddTag = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("odd!")))); // 10 + 15 bytes
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
        {"lower-case id3 chunk is an old tag too", aiffFile({aiffChunk("id3 ", id3Tag({})), comm, ssnd}),
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
        EXPECT_EQ(result.mid(4, 4), be32(static_cast<quint32>(result.size() - 8)));
    }
}

TEST(AiffLayout, TagOfOddLengthIsPadded) {
    TagValues values;
    values.title = QStringLiteral("ab"); // 10 + 10 + 3 bytes
    const QByteArray result = rebuilt(aiffFile({aiffComm(1), aiffSsnd(1)}), values);
    EXPECT_TRUE(result.endsWith(raw("TIT2\0\0\0\x03\0\0\x03"
                                    "ab\0")));
    EXPECT_EQ(chunkIds(result).last(), "ID3 ");
    EXPECT_EQ(result.size() % 2, 0);
}

TEST(AiffLayout, FramesOfOldTagsMoveIntoTheNewOneOnce) {
    const QByteArray track = id3Frame("TRCK", textBody("2"));
    const QByteArray album = id3Frame("TALB", textBody("Old album"));
    const QByteArray mood = id3Frame("TXXX", txxxBody("MOOD", "dark"));
    const QByteArray first = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("x")) + track + album));
    const QByteArray second = aiffChunk("id3 ", id3Tag(track + mood + id3Frame("POPM", popmBody(1, "a"))));
    const QByteArray file = aiffFile({aiffComm(4), first, aiffSsnd(4), second});

    TagValues values = sampleValues();
    QByteArray result = rebuilt(file, values);
    // Our frames, then the kept ones in the order met; the second TRCK is the same frame and goes.
    const QByteArray ours = id3::buildTag(id3::managedFrames(values, std::nullopt), 0).mid(10);
    EXPECT_EQ(result,
              aiffFile({aiffComm(4), aiffSsnd(4), aiffChunk("ID3 ", id3Tag(ours + track + album + mood))}));

    // An album of our own replaces the old one.
    values.album = QStringLiteral("New album");
    result = rebuilt(file, values);
    EXPECT_FALSE(result.contains("Old album"));
    EXPECT_TRUE(result.contains("New album"));
    EXPECT_TRUE(result.contains(track + mood));
}

// Damaged and hostile files: each is refused and left exactly as it was, or written, and never crashes.
TEST(AiffWriter, HostileInput) {
    const QByteArray comm = aiffComm(50);
    const QByteArray ssnd = aiffSsnd(50);
    const QByteArray valid = aiffFile({comm, ssnd});
    const QByteArray mark = raw("MARK\0\0\0\0");
    enum Outcome { refused, written, either }; // refused: notValidFormat, the file untouched
    struct Row {
        std::string name;
        QByteArray bytes;
        Outcome outcome;
    };
    QList<Row> rows = {
        {"empty", QByteArray(), refused},
        {"twelve bytes", raw("FORM\0\0\0\4AIFF"), refused},
        {"not FORM", "RIFX" + valid.mid(4), refused},
        {"a WAV file", raw("RIFF\x24\0\0\0WAVEfmt ") + QByteArray(40, '\0'), refused},
        {"AIFF-C", aiffFile({comm, ssnd}, "AIFC"), refused},
        {"sound data cut short", valid.left(valid.size() - 7), refused},
        {"chunk size FF FF FF FF", aiffFile({comm}) + raw("SSND\xFF\xFF\xFF\xFF") + ssnd, refused},
        {"old ID3 chunk running past the end", aiffFile({comm}) + raw("ID3 \0\0\x10\0") + ssnd, refused},
        {"more chunks than the cap", aiffFile({comm}) + mark.repeated(AIFFTagEditor::kMaxChunks), refused},
        {"50,000 tiny chunks", aiffFile({comm}) + mark.repeated(50000) + ssnd, written},
        {"ID3 chunk of garbage", aiffFile({comm, aiffChunk("ID3 ", randomBytes(3, 500)), ssnd}), written},
        {"ID3 chunk with a damaged tag",
         aiffFile({comm, aiffChunk("ID3 ", raw("ID3\x04\0\x40\x7F\x7F\x7F\x7F") + randomBytes(4, 99)), ssnd}),
         written},
    };
    for (quint32 seed = 1; seed <= 4; ++seed) {
        rows.append({"random bytes " + std::to_string(seed), randomBytes(seed, 1000), refused});
        // Whether random chunk sizes fit is up to chance: refused means untouched, written means valid.
        rows.append({"random bytes after an AIFF header " + std::to_string(seed),
                     raw("FORM\0\0\0\0AIFF") + randomBytes(seed, 1000), either});
    }
    // A valid file cut at every few bytes: a cut through a chunk is refused, a cut between chunks (or
    // in a header too short to read) is written.
    for (qsizetype cut = 0; cut <= valid.size(); cut += 13) {
        const qsizetype chunkStart = 12 + comm.size();
        const bool betweenChunks =
            cut > 12 && (cut - 12 < 8 || cut == chunkStart || (cut > chunkStart && cut - chunkStart < 8) ||
                         cut == valid.size());
        rows.append(
            {"truncated at " + std::to_string(cut), valid.left(cut), betweenChunks ? written : refused});
    }

    ScratchDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.write(QStringLiteral("hostile.aiff"), row.bytes);
        const TagStatus status = AIFFTagEditor::writeTagsNow(path, sampleValues());
        if (row.outcome == refused || (row.outcome == either && !status.ok())) {
            expectRefused(status, TagError::notValidFormat, path, row.bytes);
            continue;
        }
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        const QByteArray after = readAll(path);
        EXPECT_EQ(chunkIds(after).last(), "ID3 ");
        EXPECT_EQ(after.mid(4, 4), be32(static_cast<quint32>(after.size() - 8)));
        const Id3File read = openId3(path);
        ASSERT_TRUE(read.tag);
        EXPECT_EQ(qs(read.tag->title()), *sampleValues().title);
    }
}
