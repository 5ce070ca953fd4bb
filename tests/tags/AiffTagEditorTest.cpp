// The AIFF writer: the chunk layout of the rebuilt file, the frames of old tags, and truncated files.
#include "tags/AIFFTagEditor.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;

// Rows leave out the values they do not change; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

TagResult<QByteArray> rebuilt(const QByteArray& file, const TagValues& values = sampleValues()) {
    return AIFFTagEditor::rebuild(file, id3::managedFrames(values, std::nullopt), values.album.has_value());
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
    TagValues shortTitle;
    shortTitle.title = QStringLiteral("ab"); // a tag of 10 + 10 + 3 bytes
    const struct {
        const char* name;
        QByteArray file;
        QByteArray expected;
        TagValues values = sampleValues();
    } rows[] = {
        {"old tag at the end", aiffFile({comm, ssnd, oldTag}), aiffFile({comm, ssnd, newId3Chunk()})},
        {"old tag in the middle", aiffFile({comm, oldTag, ssnd}), aiffFile({comm, ssnd, newId3Chunk()})},
        {"odd tag with its pad byte", aiffFile({comm, oddTag, ssnd}), aiffFile({comm, ssnd, newId3Chunk()})},
        {"odd chunk keeps its own pad byte", aiffFile({comm, odd, ssnd}),
         aiffFile({comm, odd, ssnd, newId3Chunk()})},
        {"odd last chunk without pad byte gets one", aiffFile({comm, ssnd}) + raw("APPL\0\0\0\x03xyz"),
         aiffFile({comm, ssnd, aiffChunk("APPL", "xyz"), newId3Chunk()})},
        {"lower-case id3 chunk is an old tag too", aiffFile({aiffChunk("id3 ", id3Tag({})), comm, ssnd}),
         aiffFile({comm, ssnd, newId3Chunk()})},
        {"zero-size chunks", aiffFile({comm, aiffChunk("MARK", {}), ssnd, aiffChunk("NAME", {})}),
         aiffFile({comm, aiffChunk("MARK", {}), ssnd, aiffChunk("NAME", {}), newId3Chunk()})},
        {"a tail too short for a chunk header is dropped", aiffFile({comm, ssnd}) + "1234567",
         aiffFile({comm, ssnd, newId3Chunk()})},
        {"tag of odd length is padded", aiffFile({comm, ssnd}),
         aiffFile({comm, ssnd,
                   raw("ID3 \0\0\0\x17ID3\x03\0\0\0\0\0\x0DTIT2\0\0\0\x03\0\0\x03"
                       "ab\0")}),
         shortTitle},
        {"nothing to write still appends a bare tag", aiffFile({comm, ssnd}),
         aiffFile({comm, ssnd, raw("ID3 \0\0\0\x0AID3\x03\0\0\0\0\0\0")}), TagValues()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<QByteArray> result = rebuilt(row.file, row.values);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(*result.value, row.expected);
    }
}

TEST(AiffLayout, FramesOfOldTagsMoveIntoTheNewOneOnce) {
    const QByteArray track = id3Frame("TRCK", textBody("2"));
    const QByteArray album = id3Frame("TALB", textBody("Old album"));
    const QByteArray mood = id3Frame("TXXX", txxxBody("MOOD", "dark"));
    const QByteArray first = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("x")) + track + album));
    const QByteArray second = aiffChunk("id3 ", id3Tag(track + mood + id3Frame("POPM", popmBody(1, "a"))));
    const QByteArray file = aiffFile({aiffComm(4), first, aiffSsnd(4), second});

    // Our frames, then the kept ones in the order met; the second TRCK is the same frame and goes.
    TagValues values = sampleValues();
    const QByteArray ours = id3::buildTag(id3::managedFrames(values, std::nullopt), 0).mid(10);
    EXPECT_EQ(*rebuilt(file, values).value,
              aiffFile({aiffComm(4), aiffSsnd(4), aiffChunk("ID3 ", id3Tag(ours + track + album + mood))}));
    // An album of our own replaces the old one.
    values.album = QStringLiteral("New album");
    const QByteArray withAlbum = id3::buildTag(id3::managedFrames(values, std::nullopt), 0).mid(10);
    EXPECT_EQ(*rebuilt(file, values).value,
              aiffFile({aiffComm(4), aiffSsnd(4), aiffChunk("ID3 ", id3Tag(withAlbum + track + mood))}));
}

// A file cut at every few bytes: a cut through a chunk is refused, a cut between chunks (or in a header
// too short to read) is written.
TEST(AiffLayout, TruncatedFiles) {
    const QByteArray comm = aiffComm(50);
    const QByteArray valid = aiffFile({comm, aiffSsnd(50)});
    const qsizetype ssndStart = 12 + comm.size();
    for (qsizetype cut = 0; cut <= valid.size(); cut += 13) {
        SCOPED_TRACE(cut);
        const bool betweenChunks =
            cut > 12 && (cut - 12 < 8 || (cut >= ssndStart && cut - ssndStart < 8) || cut == valid.size());
        const TagResult<QByteArray> result = rebuilt(valid.left(cut));
        EXPECT_EQ(result.ok(), betweenChunks);
        if (!result.ok()) {
            EXPECT_EQ(result.status.error, TagError::notValidFormat);
        }
    }
}
