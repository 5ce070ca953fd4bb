// The MP3 writer: the rebuilt bytes, the writer's own thread, truncated files and the size limit.
#include "tags/MP3TagEditor.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"

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
    EXPECT_EQ(readAll(path).left(10), raw("ID3\x03\0\0\0\0\x10\0"));
}

// A written file cut at every few bytes: inside the tag it is refused and left as it was, inside the
// audio the rest stays behind the new tag.
TEST(Mp3Writer, TruncatedFiles) {
    const QByteArray audio = mp3Audio(4);
    const QByteArray written =
        *MP3TagEditor::rebuild(audio, id3::managedFrames(sampleValues(), std::nullopt)).value;
    const qsizetype tagEnd = written.size() - audio.size();
    ScratchDir dir;
    for (qsizetype cut = 0; cut < written.size(); cut += 97) {
        SCOPED_TRACE(cut);
        const QString path = dir.write(QStringLiteral("cut.mp3"), written.left(cut));
        const TagStatus status = MP3TagEditor::writeTagsNow(path, sampleValues());
        if (cut > 10 && cut < tagEnd) {
            expectRefused(status, TagError::notValidFormat, path, written.left(cut));
            continue;
        }
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        const QByteArray after = readAll(path);
        const QByteArray tail = cut <= 10 ? written.left(cut) : audio.left(cut - tagEnd);
        EXPECT_TRUE(after.endsWith(tail));
        EXPECT_EQ(id3::locateTag(after).end, static_cast<std::uint64_t>(after.size() - tail.size()));
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
