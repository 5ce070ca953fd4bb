// The WAV reader and writer: the exact bytes of the INFO list and the rebuilt file, what the reader
// finds, what survives a write, and bad files refused without touching a byte.
#include "tags/WAVTagEditor.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"
#include "tags/Riff.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;

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

} // namespace

// --- INFO sub-chunks -------------------------------------------------------------------------------

TEST(WavInfoField, HasTheExactBytes) {
    const struct {
        QString text;
        QByteArray expected; // the whole sub-chunk
    } rows[] = {
        {QStringLiteral("Café"), hex("494e414d 06000000 436166e9 0000")},
        {QStringLiteral("A"), hex("494e414d 02000000 4100")},
        {QString(), hex("494e414d 02000000 0000")},
        {QStringLiteral("Ab"), hex("494e414d 04000000 41620000")},
        {QStringLiteral("Abc"), hex("494e414d 04000000 41626300")},
        // One character outside Latin-1 empties the whole text; no '?' substitutes.
        {QStringLiteral("Caf€"), hex("494e414d 02000000 0000")},
    };
    for (const auto& row : rows) {
        QByteArray out;
        riff::appendInfoField("INAM", row.text, out);
        EXPECT_EQ(out.toHex(' '), row.expected.toHex(' ')) << row.text.toStdString();
    }
}

TEST(WavInfoList, HoldsTheGivenFieldsInOrderWithArtistTwice) {
    TagValues values;
    values.title = QStringLiteral("T");
    values.artist = QStringLiteral("A");
    values.album = QStringLiteral("Al");
    values.year = 1850;
    values.genre = QString();
    const QByteArray list = riff::buildInfoList(values, wavChunk("ICMT", raw("c\0")));
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

// --- The rebuilt file --------------------------------------------------------------------------------

TEST(WavRebuild, PadsOddChunksWithZeroAndCountsThePadInTheRiffSize) {
    const QByteArray fmt17 = pcmFormat() + hex("00");
    const QByteArray source = riffFile(wavChunk("fmt ", fmt17, '\xAB') + wavChunk("data", samples()));
    // Nothing to write gives neither INFO nor ID3: the file is the source with the pad byte fixed.
    const QByteArray bare = rebuilt(source, {});
    EXPECT_EQ(bare, riffFile(wavChunk("fmt ", fmt17) + wavChunk("data", samples())));

    TagValues values;
    values.title = QStringLiteral("AB"); // tag = 10 + 10 + 3 bytes: odd
    const QByteArray out = rebuilt(source, values);
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
    const QList<Piece> pieces = chunksOf(rebuilt(wavFile(), values));
    // No ID3 frame qualifies, so there is no "ID3 " chunk; INFO still holds the empty texts and the digits.
    EXPECT_EQ(idsOf(pieces), (QList<QByteArray>{"fmt ", "LIST", "data"}));
    const QList<Piece> fields = infoFieldsOf(payloadOf(pieces, "LIST"));
    EXPECT_EQ(idsOf(fields), (QList<QByteArray>{"INAM", "IART", "ISTR", "ICRD", "IGNR"}));
    EXPECT_EQ(payloadOf(fields, "ICRD"), raw("1850\0\0"));

    values.year = 1999;
    const QList<Piece> withYear = chunksOf(rebuilt(wavFile(), values));
    EXPECT_EQ(idsOf(id3FramesOf(payloadOf(withYear, "ID3 "))), QList<QByteArray>{"TYER"});
}

TEST(WavRebuild, PictureDeclaresTheTypeOfItsBytes) {
    TagValues values;
    values.coverImage = QByteArray("ignored: the converted cover is what counts");
    const QByteArray png = imageBytes(Qt::red, 4, 4, "PNG");
    const QList<Piece> frames = id3FramesOf(payloadOf(chunksOf(rebuilt(wavFile(), values, png)), "ID3 "));
    const QByteArray apic = payloadOf(frames, "APIC");
    EXPECT_EQ(apic, raw("\0image/png\0\x03\0") + png);
}

// A chunk cut off by the end of the file is refused, whichever it is; a cut between chunks is written.
TEST(WavRebuild, EveryTruncationThroughAChunkIsRefused) {
    TagValues values;
    values.title = QStringLiteral("Title");
    values.rating = 3;
    const QByteArray full = wavFile(wavChunk("cue ", QByteArray(28, 'c')));
    const qsizetype dataEnd = 12 + 8 + 16 + 8 + samples().size();
    for (qsizetype length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        const TagResult<QByteArray> result = wav::rebuildWAV(full.left(length), values, {});
        // Fewer than 8 bytes after the audio cannot hold a chunk header and are left behind.
        EXPECT_EQ(result.ok(), length == full.size() || (length >= dataEnd && length - dataEnd < 8));
        if (result.ok()) {
            EXPECT_EQ(payloadOf(chunksOf(*result.value), "data"), samples());
        }
    }
}

// --- The reader --------------------------------------------------------------------------------------

TEST(WavRead, FindsTheFields) {
    const auto rated = [](const char* stars) {
        return WavMetadata{{QStringLiteral("rating"), QString::fromLatin1(stars)}};
    };
    const auto withId3 = [](const QByteArray& tag, const char* id = "ID3 ") {
        return wavFile(wavChunk(id, tag));
    };
    const QByteArray image = hex("ffd8ffe000104a464946") + QByteArray(300, 'j') + hex("ffd9");
    const QByteArray imageWithFf00 = hex("ffd8ff00ff00aa") + QByteArray(20, 'k');
    const QByteArray popm255 = id3Frame("POPM", popmBody(255));
    const struct {
        const char* name;
        QByteArray bytes;
        WavMetadata fields;
        std::optional<QByteArray> picture;
    } rows[] = {
        {"INFO fields, the comment not read",
         wavFile(infoList({{"INAM", "Title"},
                           {"IART", "Artist"},
                           {"IPRD", "Album"},
                           {"ICRD", "2003-05-12"},
                           {"IGNR", "Jazz"},
                           {"ICMT", "not read"}})),
         {{QStringLiteral("title"), QStringLiteral("Title")},
          {QStringLiteral("artist"), QStringLiteral("Artist")},
          {QStringLiteral("album"), QStringLiteral("Album")},
          {QStringLiteral("year"), QStringLiteral("2003-05-12")},
          {QStringLiteral("genre"), QStringLiteral("Jazz")}},
         {}},
        {"Latin-1 and control characters; the later field wins",
         wavFile(infoList({{"INAM", raw("\1Caf\xe9\n")}, {"INAM", "Later wins\x7f"}})),
         {{QStringLiteral("title"), QStringLiteral("Later wins")}},
         {}},
        {"first list is not INFO",
         wavFile(wavChunk("LIST", "adtl") + infoList({{"INAM", "Hidden"}})),
         {},
         {}},
        {"INFO list past the end", wavFile(wavChunkClaiming("LIST", 500, "INFOINAM")), {}, {}},
        {"sub-chunk past the end keeps the earlier ones",
         wavFile(
             wavChunk("LIST", "INFO" + wavChunk("IART", raw("A\0")) + wavChunkClaiming("INAM", 90, "xy"))),
         {{QStringLiteral("artist"), QStringLiteral("A")}},
         {}},
        {"POPM 255", withId3(id3Tag(popm255)), rated("5"), {}},
        {"POPM 0 is a rating", withId3(id3Tag(id3Frame("POPM", popmBody(0)))), rated("0"), {}},
        {"later POPM wins", withId3(id3Tag(popm255 + id3Frame("POPM", popmBody(51)))), rated("1"), {}},
        {"POPM without rating byte", withId3(id3Tag(id3Frame("POPM", raw("no@email\0")))), {}, {}},
        {"lower-case id3 chunk", withId3(id3Tag(id3Frame("POPM", popmBody(204))), "id3 "), rated("4"), {}},
        {"picture", withId3(id3Tag(id3Frame("APIC", apicBody(image)))), {}, image},
        {"picture with UTF-16 description",
         withId3(id3Tag(id3Frame("APIC", apicBody(image, 3, 1, hex("fffe43006f00"))))),
         {},
         image},
        {"short picture body", withId3(id3Tag(id3Frame("APIC", hex("00610003")))), {}, {}},
        {"picture without image bytes", withId3(id3Tag(id3Frame("APIC", apicBody({})))), {}, {}},
        // Read as plain integers, the syncsafe APIC size 00 00 02 46 (326) would be 582.
        {"ID3v2.4 syncsafe frame sizes",
         withId3(id3Tag(id3Frame("APIC", apicBody(image), 4) + id3Frame("POPM", popmBody(255), 4), 4)),
         rated("5"), image},
        {"ID3v2.3 tag unsynchronised as a whole",
         withId3(
             id3Tag(id3Frame("APIC", apicBody(imageWithFf00)).replace(hex("ff00ff00"), hex("ff0000ff0000")),
                    3, 0x80)),
         {},
         imageWithFf00},
        {"ID3v2.2 is not misread", withId3(id3Tag(popm255, 2)), {}, {}},
        {"zero-size frame is skipped",
         withId3(id3Tag(id3Frame("TXXX", {}) + id3Frame("POPM", popmBody(153)))),
         rated("3"),
         {}},
        {"frame past the end is skipped",
         withId3(id3Tag(QByteArray(popm255).replace(4, 4, be32(4000)))),
         {},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<wav::WavTags> result = wav::readTags(row.bytes);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(result.value->fields, row.fields);
        EXPECT_EQ(result.value->picture, row.picture);
    }
}

TEST(WavReadFile, RefusesUnreadablePlacesAndFilesThatAreNotWave) {
    ScratchDir dir;
    const struct {
        QString path;
        TagError error;
    } rows[] = {
        {dir.filePath(QStringLiteral("none.wav")), TagError::platform},
        {dir.path(), TagError::platform},
        {dir.write(QStringLiteral("empty.wav"), {}), TagError::notValidFormat},
        {dir.write(QStringLiteral("short.wav"), riffFile({})), TagError::notValidFormat},
        {dir.write(QStringLiteral("rifx.wav"), "RIFX" + wavFile().mid(4)), TagError::notValidFormat},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const TagResult<WavMetadata> read = WAVTagEditor::readMetadataNow(row.path);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.status.error, row.error);
        EXPECT_FALSE(read.status.message.isEmpty());
    }
}

// --- Files -------------------------------------------------------------------------------------------

TEST(WavWriteFile, TheQueuedReaderSeesTheWriteWithItsCover) {
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("song.wav"), wavFile(infoList({{"IPRD", "Old album"}})));
    TagValues values = sampleValues();
    values.album = QStringLiteral("New album");
    values.coverImage = imageBytes(Qt::darkCyan, 600, 400);
    // Queued one after the other on the writer's thread: the read sees the write.
    WAVTagEditor editor;
    const QFuture<TagStatus> written = editor.writeTags(path, values);
    const QFuture<TagResult<WavMetadata>> read = editor.readMetadata(path);
    ASSERT_TRUE(waitFor(read));
    ASSERT_TRUE(written.isFinished());
    ASSERT_TRUE(written.result().ok()) << written.result().message.toStdString();
    const TagResult<WavMetadata> metadata = read.result();
    ASSERT_TRUE(metadata.ok()) << metadata.status.message.toStdString();
    const WavMetadata& map = *metadata.value;
    const WavMetadata expected = {{QStringLiteral("title"), *values.title},
                                  {QStringLiteral("artist"), *values.artist},
                                  {QStringLiteral("album"), *values.album},
                                  {QStringLiteral("year"), QStringLiteral("2005")},
                                  {QStringLiteral("genre"), *values.genre},
                                  {QStringLiteral("rating"), QStringLiteral("4")},
                                  {QStringLiteral("cover_path"), map.value(QStringLiteral("cover_path"))}};
    EXPECT_EQ(map, expected);
    const QString coverPath = map.value(QStringLiteral("cover_path"));
    EXPECT_TRUE(QFileInfo(coverPath).fileName().startsWith(QStringLiteral("WAV_Cover_")));
    EXPECT_EQ(QImage::fromData(readAll(coverPath)).size(), QSize(300, 200));
}

TEST(WavWriteFile, KeepsEveryChunkAndTagItDoesNotManage) {
    const QByteArray bext = wavChunk("bext", QByteArray(603, 'b'), '\x77'); // odd: a pad byte follows
    const QByteArray cue = wavChunk("cue ", QByteArrayLiteral("\x01\0\0\0") + QByteArray(24, 'c'));
    const QByteArray adtl =
        wavChunk("LIST", QByteArrayLiteral("adtl") + wavChunk("labl", raw("\1\0\0\0Intro\0")));
    const QByteArray oddData = samples(401);
    const QByteArray comment = raw("\0eng\0kept comment");
    const QByteArray oldTag = id3Tag(id3Frame("TIT2", textBody("Old title")) + id3Frame("COMM", comment) +
                                     id3Frame("TALB", textBody("Album")) + id3Frame("POPM", popmBody(255)));
    // The old INFO list stands after the audio, the new one goes right behind "fmt "; the walk ends at
    // the zero fill.
    const QByteArray source =
        riffFile(bext + wavChunk("fmt ", pcmFormat()) + wavChunk("data", oddData) +
                 infoList({{"INAM", "Old title"}, {"ICMT", "A comment"}, {"IPRD", "Album"}}) + cue + adtl +
                 wavChunk("JUNK", QByteArray(32, '\0')) + wavChunk("id3 ", oldTag) + QByteArray(16, '\0'));
    ScratchDir dir;
    const QString path = dir.write(QStringLiteral("keep.wav"), source);
    TagValues values = sampleValues();
    values.rating = 0;
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());

    const QByteArray out = readAll(path);
    const QList<Piece> pieces = chunksOf(out);
    EXPECT_EQ(idsOf(pieces), (QList<QByteArray>{"bext", "fmt ", "LIST", "data", "cue ", "LIST", "ID3 "}));
    // Foreign chunks come across byte for byte, pad bytes written as zero.
    EXPECT_TRUE(out.contains(bext.chopped(1) + '\0'));
    EXPECT_TRUE(out.contains(wavChunk("data", oddData)));
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
    EXPECT_EQ(payloadOf(frames, "TIT2"), textBody(values.title->toUtf8()));

    // Writing the same values again changes nothing.
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    EXPECT_EQ(readAll(path), out);
}

TEST(WavWriteFile, ZeroSizeAndManyTinyChunksSurvive) {
    QByteArray tiny;
    for (int i = 0; i < 50'000; ++i) {
        tiny += wavChunk("tiny", QByteArray(1, static_cast<char>(i)));
    }
    ScratchDir dir;
    const QString path =
        dir.write(QStringLiteral("tiny.wav"), riffFile(wavChunk("fmt ", pcmFormat()) + wavChunk("abcd", {}) +
                                                       wavChunk("data", samples()) + tiny));
    TagValues values;
    values.title = QStringLiteral("Tiny");
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    const QList<Piece> pieces = chunksOf(readAll(path));
    ASSERT_EQ(pieces.size(), 50'000 + 5);
    EXPECT_EQ(idsOf(pieces.first(4)), (QList<QByteArray>{"fmt ", "LIST", "abcd", "data"}));
    EXPECT_EQ(pieces[4 + 4999].payload, QByteArray(1, static_cast<char>(4999)));
    EXPECT_EQ(pieces.last().id, "ID3 ");
}

TEST(WavWriteFile, BadFilesAreRefusedAndUnchanged) {
    const struct {
        const char* name;
        QByteArray bytes;
        TagError error;
    } rows[] = {
        {"empty", {}, TagError::notValidFormat},
        {"twelve bytes", riffFile({}), TagError::notValidFormat},
        {"not RIFF", "RIFX" + wavFile().mid(4), TagError::notValidFormat},
        {"not WAVE", wavFile().replace(8, 4, "AVI "), TagError::notValidFormat},
        {"no format chunk", riffFile(wavChunk("data", samples())), TagError::notValidFormat},
        {"format chunk past the end",
         riffFile(wavChunk("data", samples()) + wavChunkClaiming("fmt ", 16, "abc")),
         TagError::notValidFormat},
        {"random bytes", randomBytes(7, 4096), TagError::notValidFormat},
        {"random bytes after the header", riffFile(randomBytes(11, 4096)), TagError::notValidFormat},
        {"truncated in the audio", wavFile().chopped(100), TagError::cannotReadFile},
        {"truncated in the format", wavFile().left(30), TagError::notValidFormat},
        {"data size FF FF FF FF",
         riffFile(wavChunk("fmt ", pcmFormat()) + wavChunkClaiming("data", 0xFFFFFFFF, samples())),
         TagError::cannotReadFile},
        {"only zero-size chunks",
         riffFile(wavChunk("fmt ", pcmFormat()) + wavChunk("JUNK", {}) + wavChunk("abcd", {})),
         TagError::cannotReadFile},
        // Refused rather than dropping the chunks beyond the cap.
        {"more chunks than the cap", wavFile(wavChunk("abcd", {}).repeated(riff::kMaxChunks)),
         TagError::notValidFormat},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const QString path = dir.write(QStringLiteral("bad.wav"), row.bytes);
        TagValues values = sampleValues();
        values.coverImage = imageBytes(Qt::darkCyan, 40, 40);
        const TagStatus status = WAVTagEditor::writeTagsNow(path, values);
        expectRefused(status, row.error, path, row.bytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("bad.wav")});
    }
}
