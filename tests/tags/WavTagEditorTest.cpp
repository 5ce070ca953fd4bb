// The WAV reader and writer: the exact bytes of the INFO list and the rebuilt file, what the reader
// finds, and what survives a write.
#include "tags/WAVTagEditor.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/Id3.h"
#include "tags/Riff.h"

#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

// Rows leave out the fields they do not need; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// Rebuilds and expects success.
QByteArray rebuilt(const QByteArray& source, const TagValues& values) {
    TagResult<QByteArray> result = wav::rebuildWAV(source, values, std::nullopt);
    EXPECT_TRUE(result.ok()) << result.status.message.toStdString();
    return result.value.value_or(QByteArray());
}

// An INFO list as the writer makes it: each text with its terminating zero, and one more zero, counted
// in the length, when that makes the length odd.
QByteArray newInfo(const QList<std::pair<QByteArray, QByteArray>>& fields) {
    QByteArray payload = "INFO";
    for (const auto& [id, text] : fields) {
        payload += wavChunk(id, text + QByteArray(2 - text.size() % 2, '\0'));
    }
    return wavChunk("LIST", payload);
}

} // namespace

TEST(WavInfoField, HasTheExactBytes) {
    const struct {
        QString text;
        QByteArray expected; // the whole sub-chunk
    } rows[] = {
        {u"Café"_s, "494e414d 06000000 436166e9 0000"},
        {u"A"_s, "494e414d 02000000 4100"},
        {QString(), "494e414d 02000000 0000"},
        {u"Abc"_s, "494e414d 04000000 41626300"},
        // One character outside Latin-1 empties the whole text; no '?' substitutes.
        {u"Caf€"_s, "494e414d 02000000 0000"},
    };
    for (const auto& row : rows) {
        QByteArray out;
        riff::appendInfoField("INAM", row.text, out);
        EXPECT_EQ(out, QByteArray::fromHex(row.expected)) << row.text.toStdString();
    }
}

TEST(WavRebuild, OddChunksArePaddedWithZeroAndCountedInTheRiffSize) {
    const QByteArray fmt17 = pcmFormat() + '\0';
    const QByteArray source = riffFile(wavChunk("fmt ", fmt17, '\xAB') + wavChunk("data", samples()));
    // Nothing to write gives neither INFO nor ID3: the file is the source with the pad byte fixed.
    EXPECT_EQ(rebuilt(source, {}), riffFile(wavChunk("fmt ", fmt17) + wavChunk("data", samples())));
    TagValues values;
    values.title = u"AB"_s;
    const QByteArray tag = raw("ID3\x03\0\0\0\0\0\x0DTIT2\0\0\0\x03\0\0\x03"
                               "AB");
    EXPECT_EQ(rebuilt(source, values), riffFile(wavChunk("fmt ", fmt17) + newInfo({{"INAM", "AB"}}) +
                                                wavChunk("data", samples()) + wavChunk("ID3 ", tag)));
}

TEST(WavRebuild, YearOutsideTheId3RangeStaysInInfoOnly) {
    TagValues values;
    values.title = values.artist = values.genre = QString();
    values.year = 1850;
    values.rating = 0;
    // No ID3 frame qualifies, so there is no "ID3 " chunk; INFO still holds the empty texts and the digits.
    const QList<Piece> pieces = chunksOf(rebuilt(wavFile(), values));
    EXPECT_EQ(idsOf(pieces), (QList<QByteArray>{"fmt ", "LIST", "data"}));
    EXPECT_EQ(pieces[1].whole,
              newInfo({{"INAM", ""}, {"IART", ""}, {"ISTR", ""}, {"ICRD", "1850"}, {"IGNR", ""}}));
}

// A chunk cut off by the end of the file is refused, whichever it is; a cut between chunks is written.
TEST(WavRebuild, EveryTruncationThroughAChunkIsRefused) {
    const TagValues values{.title = u"Title"_s, .rating = 3};
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

TEST(WavRead, FindsTheFields) {
    const auto rated = [](const char* stars) {
        return WavMetadata{{u"rating"_s, QString::fromLatin1(stars)}};
    };
    const auto withId3 = [](const QByteArray& frames, const char* id = "ID3 ") {
        return wavFile(wavChunk(id, id3Tag(frames)));
    };
    const QByteArray image = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(300, 'j');
    const QByteArray imageWithFf00 = QByteArray::fromHex("ffd8ff00ff00aa") + QByteArray(20, 'k');
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
         {{u"title"_s, u"Title"_s},
          {u"artist"_s, u"Artist"_s},
          {u"album"_s, u"Album"_s},
          {u"year"_s, u"2003-05-12"_s},
          {u"genre"_s, u"Jazz"_s}}},
        {"Latin-1 and control characters; the later field wins",
         wavFile(infoList(
             {{"INAM", raw("\1Caf\xe9\n")}, {"INAM", "Later wins\x7f"}, {"IART", raw("Caf\xe9\x01")}})),
         {{u"title"_s, u"Later wins"_s}, {u"artist"_s, u"Café"_s}}},
        {"first list is not INFO", wavFile(wavChunk("LIST", "adtl") + infoList({{"INAM", "Hidden"}})), {}},
        {"sub-chunk past the end keeps the earlier ones",
         wavFile(
             wavChunk("LIST", "INFO" + wavChunk("IART", raw("A\0")) + wavChunkClaiming("INAM", 90, "xy"))),
         {{u"artist"_s, u"A"_s}}},
        {"POPM 0 is a rating", withId3(id3Frame("POPM", popmBody(0))), rated("0")},
        {"later POPM wins", withId3(popm255 + id3Frame("POPM", popmBody(51))), rated("1")},
        {"lower-case id3 chunk", withId3(id3Frame("POPM", popmBody(204)), "id3 "), rated("4")},
        {"picture", withId3(id3Frame("APIC", apicBody(image))), {}, image},
        {"front cover before a picture of type other",
         withId3(id3Frame("APIC", apicBody("other", 0)) + id3Frame("APIC", apicBody(image)) +
                 id3Frame("APIC", apicBody("back", 4))),
         {},
         image},
        {"picture with UTF-16 description",
         withId3(id3Frame("APIC", apicBody(image, 3, 1, QByteArray::fromHex("fffe43006f00")))),
         {},
         image},
        {"short picture body", withId3(id3Frame("APIC", QByteArray::fromHex("00610003"))), {}},
        {"picture without image bytes", withId3(id3Frame("APIC", apicBody({}))), {}},
        {"ID3v2.3 tag unsynchronised as a whole",
         wavFile(
             wavChunk("ID3 ", id3Tag(id3Frame("APIC", apicBody(imageWithFf00)).replace("\xFF", raw("\xFF\0")),
                                     3, 0x80))),
         {},
         imageWithFf00},
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
    const std::pair<QString, TagError> rows[] = {
        {dir.filePath(u"none.wav"_s), TagError::platform},
        {dir.path(), TagError::platform},
        {dir.write(u"short.wav"_s, riffFile({})), TagError::notValidFormat},
        {dir.write(u"rifx.wav"_s, "RIFX" + wavFile().mid(4)), TagError::notValidFormat},
    };
    for (const auto& [path, error] : rows) {
        const TagResult<WavMetadata> read = WAVTagEditor::readMetadataNow(path);
        EXPECT_EQ(read.status.error, error) << path.toStdString();
        EXPECT_FALSE(read.status.message.isEmpty());
    }
}

TEST(WavWriteFile, TheQueuedReaderSeesTheWriteWithItsCover) {
    ScratchDir dir;
    const QString path = dir.write(u"song.wav"_s, wavFile(infoList({{"IPRD", "Old album"}})));
    TagValues values = sampleValues();
    values.album = u"New album"_s;
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
    const QString coverPath = map.value(u"cover_path"_s);
    const WavMetadata expected = {{u"title"_s, *values.title}, {u"artist"_s, *values.artist},
                                  {u"album"_s, *values.album}, {u"year"_s, u"2005"_s},
                                  {u"genre"_s, *values.genre}, {u"rating"_s, u"4"_s},
                                  {u"cover_path"_s, coverPath}};
    EXPECT_EQ(map, expected);
    EXPECT_TRUE(QFileInfo(coverPath).fileName().startsWith(u"WAV_Cover_"_s));
    EXPECT_EQ(QImage::fromData(readAll(coverPath)).size(), QSize(300, 200));
}

TEST(WavWriteFile, KeepsEveryChunkAndTagItDoesNotManage) {
    const QByteArray bext = wavChunk("bext", QByteArray(603, 'b'), '\x77'); // odd: a pad byte follows
    const QByteArray cue = wavChunk("cue ", QByteArrayLiteral("\x01\0\0\0") + QByteArray(24, 'c'));
    const QByteArray adtl = wavChunk("LIST", "adtl" + wavChunk("labl", raw("\1\0\0\0Intro\0")));
    const QByteArray oddData = samples(401);
    const QByteArray comment = id3Frame("COMM", raw("\0eng\0kept comment"));
    const QByteArray album = id3Frame("TALB", textBody("Album"));
    const QByteArray oldTag =
        id3Tag(id3Frame("TIT2", textBody("Old title")) + comment + album + id3Frame("POPM", popmBody(255)));
    // The old INFO list stands after the audio, the new one goes right behind "fmt "; the walk ends at
    // the zero fill.
    const QByteArray source =
        riffFile(bext + wavChunk("fmt ", pcmFormat()) + wavChunk("abcd", {}) + wavChunk("data", oddData) +
                 infoList({{"INAM", "Old title"}, {"ICMT", "A comment"}, {"IPRD", "Album"}}) + cue + adtl +
                 wavChunk("JUNK", QByteArray(32, '\0')) + wavChunk("id3 ", oldTag) + QByteArray(16, '\0'));
    ScratchDir dir;
    const QString path = dir.write(u"keep.wav"_s, source);
    TagValues values = sampleValues();
    values.rating = 0;
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());

    // Foreign chunks come across byte for byte, pad bytes written as zero; managed INFO fields and
    // frames first, then the old ones we do not manage.
    const QByteArray ours = id3::buildTag(id3::managedFrames(values, std::nullopt), 0).mid(10);
    const QByteArray expected = riffFile(bext.chopped(1) + '\0' + wavChunk("fmt ", pcmFormat()) +
                                         newInfo({{"INAM", values.title->toLatin1()},
                                                  {"IART", values.artist->toLatin1()},
                                                  {"ISTR", values.artist->toLatin1()},
                                                  {"ICRD", "2005"},
                                                  {"IGNR", "Rock"},
                                                  {"ICMT", "A comment"},
                                                  {"IPRD", "Album"}}) +
                                         wavChunk("abcd", {}) + wavChunk("data", oddData) + cue + adtl +
                                         wavChunk("ID3 ", id3Tag(ours + comment + album)));
    const QByteArray out = readAll(path);
    EXPECT_EQ(out, expected);
    // Writing the same values again changes nothing.
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    EXPECT_EQ(readAll(path), out);
}
