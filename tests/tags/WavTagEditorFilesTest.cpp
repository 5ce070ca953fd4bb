// The WAV writer and reader on real files: what TagLib reads back, what survives a rewrite, and how bad
// files and unusable locations are refused without touching a byte.
#include "WavTestFiles.h"
#include "support/TestSupport.h"
#include "tags/WAVTagEditor.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>

#include <attachedpictureframe.h>
#include <functional>
#include <gtest/gtest.h>
#include <id3v2tag.h>
#include <infotag.h>
#include <popularimeterframe.h>
#include <unistd.h>
#include <wavfile.h>

using namespace quirella;
using namespace quirella::test;
using namespace quirella::test::wavfiles;

namespace {

QString fromTagLib(const TagLib::String& text) {
    return QString::fromStdString(text.to8Bit(true));
}

QByteArray jpegCover(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

TagValues batchValues() {
    TagValues values;
    values.title = QStringLiteral("Café del Mar");
    values.artist = QStringLiteral("Ünal");
    values.year = 2003;
    values.genre = QStringLiteral("Jazz");
    values.rating = 4;
    return values;
}

// TagLib decodes INFO texts as UTF-8 unless told otherwise; our INFO texts are ISO-8859-1. (TagLib's
// handler base has a non-virtual destructor; nothing deletes a handler through it.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Latin1InfoTexts final : public TagLib::RIFF::Info::StringHandler {
public:
    Latin1InfoTexts() { TagLib::RIFF::Info::Tag::setStringHandler(this); }
    ~Latin1InfoTexts() { TagLib::RIFF::Info::Tag::setStringHandler(nullptr); }
    Latin1InfoTexts(const Latin1InfoTexts&) = delete;
    Latin1InfoTexts& operator=(const Latin1InfoTexts&) = delete;

    TagLib::String parse(const TagLib::ByteVector& data) const override {
        const int zero = data.find('\0');
        return TagLib::String(zero < 0 ? data : data.mid(0, static_cast<unsigned>(zero)),
                              TagLib::String::Latin1);
    }
};

bool runningAsRoot() {
    return ::geteuid() == 0;
}

} // namespace

TEST(WavWriteFile, ReadsBackThroughTagLibAndOurReader) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("song.wav"), simpleWav());
    TagValues values = batchValues();
    values.coverImage = jpegCover(600, 400);
    const TagStatus status = WAVTagEditor::writeTagsNow(path, values);
    ASSERT_TRUE(status.ok()) << status.message.toStdString();

    QByteArray picture;
    {
        const Latin1InfoTexts latin1;
        TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData());
        ASSERT_TRUE(file.isValid());
        ASSERT_TRUE(file.hasInfoTag());
        ASSERT_TRUE(file.hasID3v2Tag());
        TagLib::RIFF::Info::Tag* info = file.InfoTag();
        EXPECT_EQ(fromTagLib(info->title()), *values.title);
        EXPECT_EQ(fromTagLib(info->artist()), *values.artist);
        EXPECT_EQ(fromTagLib(info->genre()), *values.genre);
        EXPECT_EQ(info->year(), 2003u);
        TagLib::ID3v2::Tag* id3 = file.ID3v2Tag();
        EXPECT_EQ(id3->header()->majorVersion(), 3u);
        EXPECT_EQ(fromTagLib(id3->title()), *values.title);
        EXPECT_EQ(fromTagLib(id3->artist()), *values.artist);
        EXPECT_EQ(fromTagLib(id3->genre()), *values.genre);
        EXPECT_EQ(id3->year(), 2003u);
        const TagLib::ID3v2::FrameList pictures = id3->frameList("APIC");
        ASSERT_EQ(pictures.size(), 1u);
        const auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
        ASSERT_TRUE(apic);
        EXPECT_EQ(fromTagLib(apic->mimeType()), QStringLiteral("image/jpeg"));
        EXPECT_EQ(apic->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture = QByteArray(apic->picture().data(), static_cast<qsizetype>(apic->picture().size()));
        const TagLib::ID3v2::FrameList popms = id3->frameList("POPM");
        ASSERT_EQ(popms.size(), 3u);
        for (TagLib::ID3v2::Frame* frame : popms) {
            EXPECT_EQ(dynamic_cast<TagLib::ID3v2::PopularimeterFrame*>(frame)->rating(), 204);
        }
    }
    // The cover was fitted into 300 pixels before it was embedded.
    const QImage embedded = QImage::fromData(picture);
    EXPECT_EQ(embedded.size(), QSize(300, 200));

    const TagResult<WavMetadata> read = WAVTagEditor::readMetadataNow(path);
    ASSERT_TRUE(read.ok()) << read.status.message.toStdString();
    const WavMetadata& map = *read.value;
    EXPECT_EQ(map.value(QStringLiteral("title")), *values.title);
    EXPECT_EQ(map.value(QStringLiteral("artist")), *values.artist);
    EXPECT_EQ(map.value(QStringLiteral("year")), QStringLiteral("2003"));
    EXPECT_EQ(map.value(QStringLiteral("genre")), *values.genre);
    EXPECT_EQ(map.value(QStringLiteral("rating")), QStringLiteral("4"));
    const QString coverPath = map.value(QStringLiteral("cover_path"));
    EXPECT_TRUE(QFileInfo(coverPath).fileName().startsWith(QStringLiteral("WAV_Cover_")));
    EXPECT_EQ(readAll(coverPath), picture);
}

TEST(WavWriteFile, KeepsEveryChunkAndTagItDoesNotManage) {
    const QByteArray bext = chunk("bext", QByteArray(603, 'b'), '\x77'); // odd: a pad byte follows
    const QByteArray cue = chunk("cue ", QByteArrayLiteral("\x01\0\0\0") + QByteArray(24, 'c'));
    const QByteArray adtl = chunk("LIST", QByteArrayLiteral("adtl") + chunk("labl", raw("\1\0\0\0Intro\0")));
    const QByteArray oddData = samples(401);
    const QByteArray comment = raw("\x00"
                                   "eng"
                                   "\x00"
                                   "kept comment");
    const QByteArray oldTag =
        id3Tag(id3Frame("TIT2", textBody(QStringLiteral("Old title"))) + id3Frame("COMM", comment) +
               id3Frame("TALB", textBody(QStringLiteral("Album"))) + id3Frame("POPM", popmBody(255)));
    const QByteArray source = riffFile(
        bext + chunk("fmt ", pcmFormat()) +
        infoList({{"INAM", "Old title"}, {"ICMT", "A comment"}, {"IPRD", "Album"}}) + chunk("data", oddData) +
        cue + adtl + chunk("JUNK", QByteArray(32, '\0')) + chunk("id3 ", oldTag));
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("keep.wav"), source);
    TagValues values = batchValues();
    values.rating = 0;
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());

    const QByteArray out = readAll(path);
    const QList<Piece> pieces = chunksOf(out);
    EXPECT_EQ(idsOf(pieces), (QList<QByteArray>{"bext", "fmt ", "LIST", "data", "cue ", "LIST", "ID3 "}));
    // Foreign chunks come across byte for byte, pad bytes written as zero.
    EXPECT_TRUE(out.contains(bext.chopped(1) + '\0'));
    EXPECT_TRUE(out.contains(chunk("data", oddData)));
    EXPECT_TRUE(out.contains(cue));
    EXPECT_TRUE(out.contains(adtl));

    const QList<Piece> fields = infoFieldsOf(pieces[2].payload);
    EXPECT_EQ(idsOf(fields), (QList<QByteArray>{"INAM", "IART", "ISTR", "ICRD", "IGNR", "ICMT", "IPRD"}));
    EXPECT_EQ(payloadOf(fields, "ICMT"), raw("A comment\0"));
    EXPECT_EQ(payloadOf(fields, "IPRD"), raw("Album\0"));

    // Managed frames first; the old title and rating are replaced, the comment and album stay.
    const QList<Piece> frames = id3FramesOf(payloadOf(pieces, "ID3 "));
    EXPECT_EQ(idsOf(frames), (QList<QByteArray>{"TIT2", "TPE1", "TYER", "TCON", "COMM", "TALB"}));
    EXPECT_EQ(payloadOf(frames, "COMM"), comment);
    EXPECT_EQ(payloadOf(frames, "TIT2"), textBody(*values.title));

    // Writing the same values again changes nothing.
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    EXPECT_EQ(readAll(path), out);
}

TEST(WavWriteFile, AGivenAlbumReplacesTheOldOneInBothTags) {
    const QByteArray source =
        simpleWav(infoList({{"IPRD", "Old album"}}) +
                  chunk("ID3 ", id3Tag(id3Frame("TALB", textBody(QStringLiteral("Old album"))))));
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("album.wav"), source);
    TagValues values;
    values.album = QStringLiteral("New album");
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(fromTagLib(file.InfoTag()->album()), QStringLiteral("New album"));
    EXPECT_EQ(file.ID3v2Tag()->frameList("TALB").size(), 1u);
    EXPECT_EQ(fromTagLib(file.ID3v2Tag()->album()), QStringLiteral("New album"));
}

TEST(WavWriteFile, ThroughTheSerialExecutor) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("async.wav"), simpleWav());
    WAVTagEditor editor;
    TagValues values;
    values.title = QStringLiteral("Async");
    values.rating = 5;
    // Queued one after the other: the read must see the write.
    const QFuture<TagStatus> written = editor.writeTags(path, values);
    const QFuture<TagResult<WavMetadata>> read = editor.readMetadata(path);
    ASSERT_TRUE(waitFor(read));
    ASSERT_TRUE(written.isFinished());
    EXPECT_TRUE(written.result().ok());
    ASSERT_TRUE(read.result().ok());
    EXPECT_EQ(read.result().value->value(QStringLiteral("title")), QStringLiteral("Async"));
    EXPECT_EQ(read.result().value->value(QStringLiteral("rating")), QStringLiteral("5"));
}

TEST(WavWriteFile, ManyTinyChunksSurvive) {
    QByteArray tiny;
    for (int i = 0; i < 50'000; ++i) {
        tiny += chunk("tiny", QByteArray(1, static_cast<char>(i)));
    }
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("tiny.wav"), simpleWav(tiny) + chunk("data", {}));
    TagValues values;
    values.title = QStringLiteral("Tiny");
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    const QList<Piece> pieces = chunksOf(readAll(path));
    ASSERT_EQ(pieces.size(), 50'000 + 5);
    EXPECT_EQ(pieces[3 + 4999].payload, QByteArray(1, static_cast<char>(4999)));
    EXPECT_EQ(pieces[pieces.size() - 2].id, "data"); // a second, empty data chunk stays too
}

// --- Refusals: the file keeps every byte ----------------------------------------------------------------

namespace {

QByteArray randomBytes(int count, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray bytes(count, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(generator.bounded(256));
    }
    return bytes;
}

} // namespace

struct BadFileCase {
    const char* name;
    QByteArray bytes;
    TagError error;
};

class WavWriteBadFile : public testing::TestWithParam<BadFileCase> {};

TEST_P(WavWriteBadFile, IsRefusedAndUnchanged) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("bad.wav"), GetParam().bytes);
    TagValues values = batchValues();
    values.coverImage = jpegCover(40, 40);
    const TagStatus status = WAVTagEditor::writeTagsNow(path, values);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error, GetParam().error) << status.message.toStdString();
    EXPECT_EQ(readAll(path), GetParam().bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("bad.wav")});
}

INSTANTIATE_TEST_SUITE_P(
    Files, WavWriteBadFile,
    testing::Values(
        BadFileCase{"empty", {}, TagError::notValidFormat},
        BadFileCase{"twelve_bytes", riffFile({}), TagError::notValidFormat},
        BadFileCase{"not_riff", "RIFX" + simpleWav().mid(4), TagError::notValidFormat},
        BadFileCase{"not_wave", simpleWav().replace(8, 4, "AVI "), TagError::notValidFormat},
        BadFileCase{"no_format", riffFile(chunk("data", samples())), TagError::notValidFormat},
        BadFileCase{"format_past_end", riffFile(chunk("data", samples()) + chunkClaiming("fmt ", 16, "abc")),
                    TagError::notValidFormat},
        BadFileCase{"random_bytes", randomBytes(4096, 7), TagError::notValidFormat},
        BadFileCase{"random_bytes_after_header", riffFile(randomBytes(4096, 11)), TagError::notValidFormat},
        BadFileCase{"truncated_in_the_audio", simpleWav().chopped(100), TagError::cannotReadFile},
        BadFileCase{"truncated_in_the_format", simpleWav().left(30), TagError::notValidFormat},
        BadFileCase{"data_size_unknown",
                    riffFile(chunk("fmt ", pcmFormat()) + chunkClaiming("data", 0xFFFFFFFF, samples())),
                    TagError::cannotReadFile},
        BadFileCase{"only_zero_size_chunks",
                    riffFile(chunk("fmt ", pcmFormat()) + chunk("JUNK", {}) + chunk("abcd", {})),
                    TagError::cannotReadFile}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WavWriteFile, ZeroSizeChunksAreFine) {
    ScratchDir dir;
    const QByteArray source = riffFile(chunk("fmt ", pcmFormat()) + chunk("abcd", {}) + chunk("data", {}));
    const QString path = dir.write(QStringLiteral("empty-audio.wav"), source);
    TagValues values;
    values.title = QStringLiteral("Silence");
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    EXPECT_EQ(idsOf(chunksOf(readAll(path))), (QList<QByteArray>{"fmt ", "LIST", "abcd", "data", "ID3 "}));
}

struct LocationCase {
    const char* name;
    bool needsNonRoot;
    // Prepares the location inside the folder and returns the path to write.
    std::function<QString(const QString& folder)> prepare;
};

class WavWriteLocation : public testing::TestWithParam<LocationCase> {};

TEST_P(WavWriteLocation, FailsWithWriteFailureAndTouchesNothing) {
    if (GetParam().needsNonRoot && runningAsRoot()) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    ScratchDir dir;
    const QString path = GetParam().prepare(dir.path());
    const QByteArray before = readAll(path);
    const TagStatus status = WAVTagEditor::writeTagsNow(path, batchValues());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error, TagError::writeFailure);
    EXPECT_FALSE(status.message.isEmpty());
    EXPECT_EQ(readAll(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Locations, WavWriteLocation,
    testing::Values(LocationCase{"read_only_file", true,
                                 [](const QString& folder) {
                                     const QString path = folder + QStringLiteral("/ro.wav");
                                     writeAll(path, simpleWav());
                                     QFile::setPermissions(path, QFile::ReadOwner);
                                     return path;
                                 }},
                    LocationCase{"read_only_folder", true,
                                 [](const QString& folder) {
                                     const QString path = folder + QStringLiteral("/song.wav");
                                     writeAll(path, simpleWav());
                                     QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
                                     return path;
                                 }},
                    LocationCase{"missing_file", false,
                                 [](const QString& folder) { return folder + QStringLiteral("/none.wav"); }},
                    LocationCase{"folder_in_place_of_a_file", false,
                                 [](const QString& folder) {
                                     QDir(folder).mkdir(QStringLiteral("folder.wav"));
                                     return folder + QStringLiteral("/folder.wav");
                                 }},
                    LocationCase{"dangling_link", false,
                                 [](const QString& folder) {
                                     const QString path = folder + QStringLiteral("/link.wav");
                                     QFile::link(folder + QStringLiteral("/gone.wav"), path);
                                     return path;
                                 }}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WavWriteFile, ALinkKeepsPointingAtTheRewrittenFile) {
    ScratchDir dir;
    const QString target = dir.write(QStringLiteral("real.wav"), simpleWav());
    const QString link = dir.filePath(QStringLiteral("link.wav"));
    ASSERT_TRUE(QFile::link(target, link));
    TagValues values;
    values.title = QStringLiteral("Linked");
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(link, values).ok());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(WAVTagEditor::readMetadataNow(target).value->value(QStringLiteral("title")),
              QStringLiteral("Linked"));
}

TEST(WavReadFile, ReportsUnreadableLocationsAndForeignFiles) {
    ScratchDir dir;
    const TagResult<WavMetadata> missing =
        WAVTagEditor::readMetadataNow(dir.filePath(QStringLiteral("none.wav")));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.status.error, TagError::platform);
    EXPECT_FALSE(missing.status.message.isEmpty());

    const TagResult<WavMetadata> folder = WAVTagEditor::readMetadataNow(dir.path());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.status.error, TagError::platform);

    const TagResult<WavMetadata> shortFile =
        WAVTagEditor::readMetadataNow(dir.write(QStringLiteral("short.wav"), riffFile({})));
    ASSERT_FALSE(shortFile.ok());
    EXPECT_EQ(shortFile.status.error, TagError::notValidFormat);
}
