// The MP3 writer: the rebuilt bytes, what TagLib reads from a written file, and hostile input.
#include "tags/MP3TagEditor.h"

#include "Id3TestFiles.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QThread>

#include <attachedpictureframe.h>
#include <commentsframe.h>
#include <gtest/gtest.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <popularimeterframe.h>
#include <sys/mman.h>
#include <textidentificationframe.h>
#include <unsynchronizedlyricsframe.h>

using namespace quirella;
using namespace quirella::test;

namespace {

TagLib::String tl(const QString& text) {
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}
QString qs(const TagLib::String& text) {
    return QString::fromUtf8(text.toCString(true));
}
QByteArray qb(const TagLib::ByteVector& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

TagValues sampleValues() {
    TagValues values;
    values.title = QStringLiteral("Ünïcode Title");
    values.artist = QStringLiteral("Ann Artist");
    values.year = 2001;
    values.genre = QStringLiteral("Trip-Hop");
    values.rating = 4;
    return values;
}

// The serialised frames of a version 2.3 tag at the head of `file`, in order.
QList<QByteArray> v3Frames(const QByteArray& file) {
    QList<QByteArray> frames;
    const ByteView view(file);
    const std::uint64_t end = 10 + id3::decodeSyncsafe(file.mid(6, 4));
    std::uint64_t p = 10;
    while (p + 10 <= end && view.u8(p).value_or(0) != 0) {
        const std::uint64_t size = *view.u32BE(p + 4);
        frames.append(file.mid(static_cast<qsizetype>(p), static_cast<qsizetype>(10 + size)));
        p += 10 + size;
    }
    return frames;
}

TagLib::ID3v2::FrameList framesOf(TagLib::MPEG::File& file, const char* id) {
    return file.ID3v2Tag() ? file.ID3v2Tag()->frameListMap()[id] : TagLib::ID3v2::FrameList();
}

} // namespace

TEST(Mp3Layout, FileWithoutTagGetsTagFillAndTheWholeOldFile) {
    const QByteArray audio = mp3Audio(3);
    const id3::FrameList frames = id3::managedFrames(sampleValues(), std::nullopt);
    const TagResult<QByteArray> result = MP3TagEditor::rebuild(audio, frames);
    ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
    EXPECT_EQ(*result.value, id3::buildTag(frames, 2048) + audio);
}

TEST(Mp3Layout, OldTagIsReplacedAndEverythingBehindItStays) {
    const QByteArray audio = mp3Audio(3);
    const QByteArray v1Trailer = "TAG" + QByteArray(125, 'v');
    const QByteArray secondTag = rawTag(3, rawFrame(3, "TIT2", textBody("behind")));
    const QByteArray old = rawTag(3, rawFrame(3, "TIT2", textBody("old")) + QByteArray(500, '\0'));
    const QByteArray tail = secondTag + audio + v1Trailer;
    const id3::FrameList frames = id3::managedFrames(sampleValues(), std::nullopt);
    const TagResult<QByteArray> result = MP3TagEditor::rebuild(old + tail, frames);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(*result.value, id3::buildTag(frames, 2048) + tail);
}

TEST(Mp3Writer, WrittenFileReadsBackThroughTagLib) {
    ScratchDir dir;
    const QByteArray audio = mp3Audio(200);
    const QString path = dir.write(QStringLiteral("song.mp3"), audio);
    TagValues values = sampleValues();
    values.coverImage = imageBytes(600, 400, "JPEG");
    values.album = QStringLiteral("ignored by the MP3 writer");
    ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, values).ok());

    const QByteArray written = readAll(path);
    const std::uint64_t tagEnd = id3::tagEnd(written);
    EXPECT_EQ(written.mid(static_cast<qsizetype>(tagEnd)), audio);
    EXPECT_EQ(written.mid(static_cast<qsizetype>(tagEnd) - 2048), QByteArray(2048, '\0') + audio);

    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    ASSERT_TRUE(file.isValid());
    ASSERT_TRUE(file.ID3v2Tag());
    EXPECT_EQ(file.ID3v2Tag()->header()->majorVersion(), 3u);
    EXPECT_EQ(qs(file.ID3v2Tag()->title()), *values.title);
    EXPECT_EQ(qs(file.ID3v2Tag()->artist()), *values.artist);
    EXPECT_EQ(file.ID3v2Tag()->year(), 2001u);
    EXPECT_EQ(qs(file.ID3v2Tag()->genre()), QStringLiteral("Trip-Hop"));
    EXPECT_TRUE(qs(file.ID3v2Tag()->album()).isEmpty());
    ASSERT_TRUE(file.audioProperties());
    EXPECT_EQ(file.audioProperties()->bitrate(), 128);

    const auto pictures = framesOf(file, "APIC");
    ASSERT_EQ(pictures.size(), 1u);
    const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    EXPECT_EQ(qs(picture->mimeType()), QStringLiteral("image/jpeg"));
    const QImage cover = QImage::fromData(qb(picture->picture()));
    EXPECT_EQ(cover.size(), QSize(300, 200));

    const auto popms = framesOf(file, "POPM");
    ASSERT_EQ(popms.size(), 3u);
    QStringList emails;
    for (auto* frame : popms) {
        const auto* popm = dynamic_cast<TagLib::ID3v2::PopularimeterFrame*>(frame);
        ASSERT_TRUE(popm);
        EXPECT_EQ(popm->rating(), 204);
        emails.append(qs(popm->email()));
    }
    EXPECT_EQ(emails, (QStringList{QStringLiteral("no@email"), QStringLiteral("iTunes"),
                                   QString::fromLatin1(id3::kPopmIdentifierOwn)}));
    const auto* numeric = TagLib::ID3v2::UserTextIdentificationFrame::find(file.ID3v2Tag(), "RATING_NUMERIC");
    ASSERT_TRUE(numeric);
    EXPECT_EQ(qs(numeric->fieldList().back()), QStringLiteral("4"));
    EXPECT_EQ(id3::readRating(written), 4);
}

TEST(Mp3Writer, TransparentCoverIsStoredAsPngAndDeclaredSo) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("song.mp3"), mp3Audio(20));
    TagValues values;
    values.coverImage = imageBytes(64, 64, "PNG", true);
    ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, values).ok());
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    const auto pictures = framesOf(file, "APIC");
    ASSERT_EQ(pictures.size(), 1u);
    const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
    EXPECT_EQ(qs(picture->mimeType()), QStringLiteral("image/png"));
    EXPECT_TRUE(qb(picture->picture()).startsWith("\x89PNG"));
}

TEST(Mp3Writer, CoverThatIsNoImageIsLeftOutQuietly) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("song.mp3"), mp3Audio(20));
    TagValues values = sampleValues();
    values.coverImage = QByteArray("not an image at all");
    ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, values).ok());
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    EXPECT_TRUE(framesOf(file, "APIC").isEmpty());
    EXPECT_EQ(qs(file.ID3v2Tag()->title()), *values.title);
}

// Frames the writer does not manage survive a write, whichever ID3v2 version the old tag had.
class Mp3KeepsUnmanagedFrames : public ::testing::TestWithParam<TagLib::ID3v2::Version> {};

TEST_P(Mp3KeepsUnmanagedFrames, AlbumTrackCommentLyricsOtherPicturesAndTexts) {
    ScratchDir dir;
    const QByteArray audio = mp3Audio(50);
    const QString path = dir.write(QStringLiteral("song.mp3"), audio);
    {
        TagLib::MPEG::File file(QFile::encodeName(path).constData());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        tag->setTitle("Old title");
        tag->setArtist("Old artist");
        tag->setAlbum(tl(QStringLiteral("Älbum")));
        tag->setYear(1984);
        tag->setTrack(7);
        tag->setComment("A comment");
        auto* lyrics = new TagLib::ID3v2::UnsynchronizedLyricsFrame(TagLib::String::UTF16);
        lyrics->setText("la la la");
        tag->addFrame(lyrics);
        for (auto type : {TagLib::ID3v2::AttachedPictureFrame::BackCover,
                          TagLib::ID3v2::AttachedPictureFrame::FrontCover}) {
            auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
            picture->setType(type);
            picture->setMimeType("image/jpeg");
            picture->setPicture(TagLib::ByteVector(
                type == TagLib::ID3v2::AttachedPictureFrame::BackCover ? "back" : "front"));
            tag->addFrame(picture);
        }
        auto* mood = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
        mood->setDescription("MOOD");
        mood->setText("calm");
        tag->addFrame(mood);
        auto* oldRating = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF16);
        oldRating->setDescription("RATING");
        oldRating->setText("5");
        tag->addFrame(oldRating);
        auto* popm = new TagLib::ID3v2::PopularimeterFrame;
        popm->setEmail("someone@else");
        popm->setRating(255);
        tag->addFrame(popm);
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, GetParam()));
    }
    const QByteArray before = readAll(path);

    TagValues values;
    values.title = QStringLiteral("New title");
    values.rating = 2;
    ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, values).ok());
    const QByteArray after = readAll(path);
    EXPECT_TRUE(after.endsWith(audio));

    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    ASSERT_TRUE(tag);
    EXPECT_EQ(qs(tag->title()), QStringLiteral("New title"));
    EXPECT_TRUE(tag->artist().isEmpty());
    EXPECT_EQ(tag->year(), 0u);
    EXPECT_EQ(qs(tag->album()), QStringLiteral("Älbum"));
    EXPECT_EQ(tag->track(), 7u);
    EXPECT_EQ(qs(tag->comment()), QStringLiteral("A comment"));
    const auto lyrics = framesOf(file, "USLT");
    ASSERT_EQ(lyrics.size(), 1u);
    EXPECT_EQ(qs(lyrics.front()->toString()), QStringLiteral("la la la"));
    const auto pictures = framesOf(file, "APIC");
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front())->type(),
              TagLib::ID3v2::AttachedPictureFrame::BackCover);
    const auto* mood = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "MOOD");
    ASSERT_TRUE(mood);
    EXPECT_EQ(qs(mood->fieldList().back()), QStringLiteral("calm"));
    EXPECT_FALSE(TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "RATING"));
    const auto popms = framesOf(file, "POPM");
    ASSERT_EQ(popms.size(), 3u);
    for (auto* frame : popms) {
        EXPECT_EQ(dynamic_cast<TagLib::ID3v2::PopularimeterFrame*>(frame)->rating(), 102);
    }
    EXPECT_EQ(id3::readRating(after), 2);

    if (GetParam() == TagLib::ID3v2::v3) {
        // Version 2.3 frames are carried byte for byte.
        int carried = 0;
        for (const QByteArray& frame : v3Frames(before)) {
            const QByteArray id = frame.left(4);
            // TagLib stores the MOOD description as UTF-16 in version 2.3.
            if (id == "TALB" || id == "TRCK" || id == "COMM" || id == "USLT" ||
                frame.contains(QByteArray("M\0O\0O\0D", 7)) || frame.contains("back")) {
                EXPECT_TRUE(after.contains(frame)) << id.constData();
                ++carried;
            }
        }
        EXPECT_EQ(carried, 6);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, Mp3KeepsUnmanagedFrames,
                         ::testing::Values(TagLib::ID3v2::v3, TagLib::ID3v2::v4),
                         [](const auto& row) { return row.param == TagLib::ID3v2::v3 ? "v23" : "v24"; });

TEST(Mp3Writer, SameValuesTwiceGiveIdenticalFiles) {
    ScratchDir dir;
    const QByteArray old =
        rawTag(3, rawFrame(3, "TRCK", textBody("1")) + rawFrame(3, "TIT2", textBody("x"))) + mp3Audio(30);
    const QString path = dir.write(QStringLiteral("song.mp3"), old);
    TagValues values = sampleValues();
    values.coverImage = imageBytes(500, 500, "JPEG");
    ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, values).ok());
    const QByteArray first = readAll(path);
    ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, values).ok());
    EXPECT_EQ(readAll(path), first);
    EXPECT_NE(first, old);
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
    const QByteArray frame = rawFrame(3, "TRCK", textBody("1"));
    struct Row {
        QString name;
        QByteArray bytes;
        std::optional<TagError> refusal;
        QByteArray tail;   // what must follow the new tag (when written)
        QByteArray absent; // bytes that must not survive (when written)
    };
    QList<Row> rows = {
        {QStringLiteral("empty file"), {}, {}, {}, {}},
        {QStringLiteral("ten bytes starting with ID3"),
         QByteArray("ID3\x04\0\0\0\0\x01\0", 10),
         {},
         QByteArray("ID3\x04\0\0\0\0\x01\0", 10),
         {}},
        {QStringLiteral("tag size past the end"),
         rawTag(3, frame + QByteArray(4000, '\0')).left(1000) + audio.left(10),
         TagError::notValidFormat,
         {},
         {}},
        {QStringLiteral("tag size FF FF FF FF"),
         QByteArray("ID3\x03\0\0\xFF\xFF\xFF\xFF", 10) + audio,
         TagError::notValidFormat,
         {},
         {}},
        {QStringLiteral("tag size not syncsafe"),
         QByteArray("ID3\x03\0\0\0\0\x00\x80", 10) + QByteArray(128, 'x') + audio,
         TagError::notValidFormat,
         {},
         {}},
        {QStringLiteral("frame running past the tag"),
         rawTag(3, frame + rawFrame(3, "COMM", "lost").left(12)) + audio,
         {},
         audio,
         {}},
        {QStringLiteral("zero-size frames"),
         rawTag(3, QByteArray("TPE2\0\0\0\0\0\0", 10).repeated(3) + frame) + audio,
         {},
         audio,
         {}},
        {QStringLiteral("extended header"),
         rawTag(3, QByteArray("\0\0\0\x06\0\0\0\0\0\0", 10) + frame, 0x40) + audio,
         {},
         audio,
         {}},
        {QStringLiteral("compressed, encrypted and unsynchronised 2.4 frames"),
         rawTag(4, rawFrame(4, "TPE2", textBody("secret-a"), 0x0008) +
                       rawFrame(4, "TPE3", textBody("secret-b"), 0x0004) +
                       rawFrame(4, "TPE4", textBody("secret-c"), 0x0002)) +
             audio,
         {},
         audio,
         "secret-"},
        {QStringLiteral("text encoding above 3"),
         rawTag(3, rawFrame(3, "TPE2", textBody("secret-d", '\x07'))) + audio,
         {},
         audio,
         "secret-"},
        {QStringLiteral("random bytes behind an ID3 header"),
         rawTag(3, randomBytes(7, 3000)) + audio,
         {},
         audio,
         {}},
    };
    for (quint32 seed = 1; seed <= 5; ++seed) {
        QByteArray random = randomBytes(seed, 100 + static_cast<int>(seed) * 997);
        random[0] = 'x'; // not "ID3"
        rows.append({QStringLiteral("random bytes %1").arg(seed), random, {}, random, {}});
    }
    // A written file cut at every few bytes: inside the tag it must be refused, inside the audio the
    // rest stays behind the new tag.
    const QByteArray written =
        *MP3TagEditor::rebuild(audio, id3::managedFrames(sampleValues(), std::nullopt)).value;
    const qsizetype writtenTagEnd = written.size() - audio.size();
    for (qsizetype cut = 0; cut < written.size(); cut += 97) {
        const QByteArray truncated = written.left(cut);
        const bool insideTag = cut > 10 && cut < writtenTagEnd;
        const QByteArray tail = cut <= 10              ? truncated
                                : cut >= writtenTagEnd ? audio.left(cut - writtenTagEnd)
                                                       : QByteArray();
        rows.append({QStringLiteral("truncated at %1").arg(cut),
                     truncated,
                     insideTag ? std::optional(TagError::notValidFormat) : std::nullopt,
                     tail,
                     {}});
    }

    ScratchDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        const QString path = dir.write(QStringLiteral("hostile.mp3"), row.bytes);
        const TagStatus status = MP3TagEditor::writeTagsNow(path, sampleValues());
        const QByteArray after = readAll(path);
        if (row.refusal) {
            EXPECT_EQ(status.error, row.refusal);
            EXPECT_FALSE(status.message.isEmpty());
            EXPECT_EQ(after, row.bytes);
            continue;
        }
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        EXPECT_TRUE(after.endsWith(row.tail));
        EXPECT_EQ(id3::locateTag(after).end, static_cast<std::uint64_t>(after.size() - row.tail.size()));
        if (!row.absent.isEmpty()) {
            EXPECT_FALSE(after.contains(row.absent));
        }
        TagLib::MPEG::File file(QFile::encodeName(path).constData());
        ASSERT_TRUE(file.ID3v2Tag());
        EXPECT_EQ(qs(file.ID3v2Tag()->title()), *sampleValues().title);
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

// Files tagged by another program (ffmpeg, see scripts/make-mp3-fixtures.sh): its unmanaged frames
// survive our write, its managed ones are replaced, and the audio stays decodable.
TEST(Mp3Writer, FilesTaggedByFfmpegKeepTheirOtherFrames) {
    for (const char* name : {"ffmpeg-v23.mp3", "ffmpeg-v24.mp3"}) {
        SCOPED_TRACE(name);
        const QByteArray original = dataFile(QString::fromLatin1(name));
        ASSERT_FALSE(original.isEmpty());
        const QByteArray audio = original.mid(static_cast<qsizetype>(id3::tagEnd(original)));
        ScratchDir dir;
        const QString path = dir.write(QStringLiteral("song.mp3"), original);
        TagValues values;
        values.title = QStringLiteral("Ours");
        values.genre = QStringLiteral("Dub");
        values.rating = 1;
        ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, values).ok());

        const QByteArray written = readAll(path);
        EXPECT_TRUE(written.endsWith(audio));
        TagLib::MPEG::File file(QFile::encodeName(path).constData());
        ASSERT_TRUE(file.isValid());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        ASSERT_TRUE(tag);
        EXPECT_EQ(qs(tag->title()), QStringLiteral("Ours"));
        EXPECT_EQ(qs(tag->genre()), QStringLiteral("Dub"));
        EXPECT_TRUE(tag->artist().isEmpty());
        EXPECT_EQ(tag->year(), 0u);
        EXPECT_EQ(qs(tag->album()), QStringLiteral("Fixture Album"));
        EXPECT_EQ(tag->track(), 5u);
        const auto* mood = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "mood");
        ASSERT_TRUE(mood);
        EXPECT_EQ(qs(mood->fieldList().back()), QStringLiteral("calm"));
        EXPECT_TRUE(TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "comment"));
        ASSERT_TRUE(file.audioProperties());
        EXPECT_NEAR(file.audioProperties()->lengthInMilliseconds(), 1000, 100);
        EXPECT_EQ(id3::readRating(written), 1);
    }
}
