// The MP3 writer: the rebuilt bytes, the writer's own thread and hostile input.
#include "tags/MP3TagEditor.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"

#include <QThread>

#include <gtest/gtest.h>
#include <sys/mman.h>

using namespace quirella;
using namespace quirella::test;

namespace {

TEST(Mp3Layout, NewTagWithFillThenEverythingBehindTheOldTag) {
    const QByteArray audio = mp3Audio(3);
    const QByteArray v1Trailer = "TAG" + QByteArray(125, 'v');
    const QByteArray secondTag = id3Tag(id3Frame("TIT2", textBody("behind")));
    const QByteArray oldTag = id3Tag(id3Frame("TIT2", textBody("old")) + QByteArray(500, '\0'));
    const id3::FrameList frames = id3::managedFrames(sampleValues(), std::nullopt);
    const QByteArray newTag = id3::buildTag(frames, 2048);
    for (const auto& [old, kept] : {std::pair{audio, audio}, std::pair{oldTag + secondTag + audio + v1Trailer,
                                                                       secondTag + audio + v1Trailer}}) {
        const TagResult<QByteArray> result = MP3TagEditor::rebuild(old, frames);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(*result.value, newTag + kept);
    }
}

TEST(Mp3Writer, CallsOnOneWriterRunInOrderOffTheCallingThread) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("song.mp3"), mp3Audio(30));
    MP3TagEditor editor;
    QList<QFuture<TagStatus>> futures;
    for (int i = 0; i < 5; ++i) {
        TagValues values;
        values.title = QStringLiteral("Take %1").arg(i);
        futures.append(editor.writeTags(path, values));
    }
    QThread* writerThread = nullptr;
    futures.append(editor.writeTags(path, {}).then([&](TagStatus status) {
        writerThread = QThread::currentThread();
        return status;
    }));
    for (const auto& future : futures) {
        ASSERT_TRUE(waitFor(future));
        EXPECT_TRUE(future.result().ok());
    }
    EXPECT_NE(writerThread, QThread::currentThread());
    // The last call, without values, leaves an empty tag behind.
    EXPECT_EQ(readAll(path).left(10), QByteArray("ID3\x03\0\0\0\0\x10\0", 10));
}

// Damaged and hostile files: each is refused and left exactly as it was, or written without the
// frames that cannot be carried, and never crashes the writer.
TEST(Mp3Writer, HostileInput) {
    const QByteArray audio = mp3Audio(4);
    const QByteArray frame = id3Frame("TRCK", textBody("1"));
    const QByteArray none;
    const bool refused = true;
    struct Row {
        std::string name;
        QByteArray bytes;
        bool refused;      // with notValidFormat, the file untouched
        QByteArray tail;   // what must follow the new tag (when written)
        QByteArray absent; // bytes that must not survive (when written)
    };
    QList<Row> rows = {
        {"empty file", none, !refused, none, none},
        {"ten bytes starting with ID3", raw("ID3\x04\0\0\0\0\x01\0"), !refused, raw("ID3\x04\0\0\0\0\x01\0"),
         none},
        {"tag size past the end", id3Tag(frame + QByteArray(4000, '\0')).left(1000) + audio.left(10), refused,
         none, none},
        {"tag size FF FF FF FF", raw("ID3\x03\0\0\xFF\xFF\xFF\xFF") + audio, refused, none, none},
        {"tag size not syncsafe", raw("ID3\x03\0\0\0\0\x00\x80") + QByteArray(128, 'x') + audio, refused,
         none, none},
        {"frame running past the tag", id3Tag(frame + id3Frame("COMM", "lost").left(12)) + audio, !refused,
         audio, none},
        {"zero-size frames", id3Tag(raw("TPE2\0\0\0\0\0\0").repeated(3) + frame) + audio, !refused, audio,
         none},
        {"extended header", id3Tag(raw("\0\0\0\x06\0\0\0\0\0\0") + frame, 3, 0x40) + audio, !refused, audio,
         none},
        {"compressed, encrypted and unsynchronised 2.4 frames",
         id3Tag(id3Frame("TPE2", textBody("secret-a"), 4, 0x0008) +
                    id3Frame("TPE3", textBody("secret-b"), 4, 0x0004) +
                    id3Frame("TPE4", textBody("secret-c"), 4, 0x0002),
                4) +
             audio,
         !refused, audio, "secret-"},
        {"text encoding above 3", id3Tag(id3Frame("TPE2", textBody("secret-d", '\x07'))) + audio, !refused,
         audio, "secret-"},
        {"random bytes behind an ID3 header", id3Tag(randomBytes(7, 3000)) + audio, !refused, audio, none},
    };
    for (quint32 seed = 1; seed <= 5; ++seed) {
        QByteArray random = randomBytes(seed, 100 + static_cast<int>(seed) * 997);
        random[0] = 'x'; // not "ID3"
        rows.append({"random bytes " + std::to_string(seed), random, !refused, random, none});
    }
    // A written file cut at every few bytes: inside the tag it must be refused, inside the audio the
    // rest stays behind the new tag.
    const QByteArray written =
        *MP3TagEditor::rebuild(audio, id3::managedFrames(sampleValues(), std::nullopt)).value;
    const qsizetype tagEnd = written.size() - audio.size();
    for (qsizetype cut = 0; cut < written.size(); cut += 97) {
        const QByteArray tail = cut <= 10       ? written.left(cut)
                                : cut >= tagEnd ? audio.left(cut - tagEnd)
                                                : none;
        rows.append(
            {"truncated at " + std::to_string(cut), written.left(cut), cut > 10 && cut < tagEnd, tail, none});
    }

    ScratchDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.write(QStringLiteral("hostile.mp3"), row.bytes);
        const TagStatus status = MP3TagEditor::writeTagsNow(path, sampleValues());
        const QByteArray after = readAll(path);
        if (row.refused) {
            expectRefused(status, TagError::notValidFormat, path, row.bytes);
            continue;
        }
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        EXPECT_TRUE(after.endsWith(row.tail));
        EXPECT_EQ(id3::locateTag(after).end, static_cast<std::uint64_t>(after.size() - row.tail.size()));
        if (!row.absent.isEmpty()) {
            EXPECT_FALSE(after.contains(row.absent));
        }
        const Id3File read = openId3(path);
        ASSERT_TRUE(read.tag);
        EXPECT_EQ(qs(read.tag->title()), *sampleValues().title);
    }
}

TEST(Mp3Writer, ResultOverTheSizeLimitIsRefused) {
    // A sparse file mapped read-only: only the pages the writer looks at are ever touched. With an
    // empty tag (10 + 2,048 bytes) in front, this is one byte over the limit.
    ScratchDir dir;
    QFile file(dir.filePath(QStringLiteral("huge.mp3")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 size = MP3TagEditor::kMaxFileSize - 2058 + 1;
    ASSERT_TRUE(file.resize(size));
    void* map = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, file.handle(), 0);
    ASSERT_NE(map, MAP_FAILED);
    const TagResult<QByteArray> result =
        MP3TagEditor::rebuild(QByteArrayView(static_cast<const char*>(map), size), {});
    EXPECT_EQ(result.status.error, TagError::writeFailure);
    EXPECT_FALSE(result.value);
    ::munmap(map, static_cast<size_t>(size));
}

} // namespace
