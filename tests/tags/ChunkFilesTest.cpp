// The writers of chunked files, WAV (RIFF) and AIFF (IFF): the exact bytes of rebuilt files, what the WAV
// reader finds, files cut short, and recordings whose sound chunk was never given its length.
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/AIFFTagEditor.h"
#include "tags/Id3.h"
#include "tags/WAVTagEditor.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

// Rows leave out the fields they do not need; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// An INFO list as the writer makes it: each text with its terminating zero, and one more zero, counted
// in the length, when that makes the length odd.
QByteArray newInfo(const QList<std::pair<QByteArray, QByteArray>>& fields) {
    QByteArray payload = "INFO";
    for (const auto& [id, text] : fields) {
        payload += wavChunk(id, text + QByteArray(2 - text.size() % 2, '\0'));
    }
    return wavChunk("LIST", payload);
}

// The ID3 frames our writers make of `values`, without the tag header.
QByteArray ourFrames(const TagValues& values) {
    return id3::buildTag(id3::managedFrames(values, std::nullopt), 0).mid(10);
}

} // namespace

TEST(WavRebuild, ExactBytes) {
    const QByteArray fmt = wavChunk("fmt ", pcmFormat());
    const QByteArray fmt17 = pcmFormat() + '\0';
    const QByteArray data = wavChunk("data", samples());
    const struct {
        const char* name;
        QByteArray source;
        TagValues values;
        QByteArray expected;
    } rows[] = {
        {"nothing to write: only the pad byte of an odd chunk becomes zero",
         riffFile(wavChunk("fmt ", fmt17, '\xAB') + data),
         {},
         riffFile(wavChunk("fmt ", fmt17) + data)},
        {"a tag of odd length is padded",
         wavFile(),
         {.title = u"AB"_s},
         riffFile(fmt + newInfo({{"INAM", "AB"}}) + data +
                  wavChunk("ID3 ", raw("ID3\x03\0\0\0\0\0\x0DTIT2\0\0\0\x03\0\0\x03"
                                       "AB")))},
        // A character beyond Latin-1 empties the whole INFO text rather than becoming '?'.
        {"Latin-1 texts of both parities",
         wavFile(),
         {.title = u"Café"_s, .artist = u"Caf€"_s, .genre = u"Pop"_s},
         riffFile(fmt + newInfo({{"INAM", "Caf\xE9"}, {"IART", ""}, {"ISTR", ""}, {"IGNR", "Pop"}}) + data +
                  wavChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("Caf\xC3\xA9")) +
                                          id3Frame("TPE1", textBody("Caf\xE2\x82\xAC")) +
                                          id3Frame("TCON", textBody("Pop")))))},
        {"a year outside the ID3 range stays in INFO only",
         wavFile(),
         {.title = QString(), .year = 1850, .rating = 0},
         riffFile(fmt + newInfo({{"INAM", ""}, {"ICRD", "1850"}}) + data)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<QByteArray> result = wav::rebuildWAV(row.source, row.values, std::nullopt);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(result.value->toHex(' '), row.expected.toHex(' '));
    }
}

// A chunk cut off by the end of the file is refused, whichever it is; a cut between chunks is written.
TEST(WavRebuild, EveryTruncationThroughAChunkIsRefused) {
    const QByteArray full = wavFile(wavChunk("cue ", QByteArray(28, 'c')));
    const qsizetype dataEnd = 12 + 8 + 16 + 8 + samples().size();
    for (qsizetype length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        const TagResult<QByteArray> result = wav::rebuildWAV(full.left(length), sampleValues(), {});
        // Fewer than 8 bytes after the audio cannot hold a chunk header and are left behind.
        EXPECT_EQ(result.ok(), length == full.size() || (length >= dataEnd && length - dataEnd < 8));
        if (result.ok()) {
            EXPECT_TRUE(result.value->contains(wavChunk("data", samples())));
        }
    }
}

TEST(WavWriteFile, KeepsEveryChunkAndTagItDoesNotManage) {
    const QByteArray bext = wavChunk("bext", QByteArray(603, 'b'), '\x77'); // odd: a pad byte follows
    const QByteArray cue = wavChunk("cue ", "\x01" + QByteArray(27, 'c'));
    const QByteArray adtl = wavChunk("LIST", "adtl" + wavChunk("labl", raw("\1\0\0\0Intro\0")));
    const QByteArray data = wavChunk("data", samples(401));
    const QByteArray comment = id3Frame("COMM", raw("\0eng\0kept comment"));
    const QByteArray album = id3Frame("TALB", textBody("Album"));
    const QByteArray oldTag =
        id3Tag(id3Frame("TIT2", textBody("Old title")) + comment + album + id3Frame("POPM", popmBody(255)));
    // The old INFO list stands after the audio, the new one goes right behind "fmt "; filler chunks go,
    // and the walk ends at the zero fill.
    const QByteArray source =
        riffFile(bext + wavChunk("fmt ", pcmFormat()) + wavChunk("abcd", {}) + data +
                 infoList({{"INAM", "Old title"}, {"ICMT", "A comment"}, {"IPRD", "Album"}}) + cue + adtl +
                 wavChunk("JUNK", QByteArray(32, '\0')) + wavChunk("id3 ", oldTag) + QByteArray(16, '\0'));
    ScratchDir dir;
    const QString path = dir.write(u"keep.wav"_s, source);
    TagValues values = sampleValues();
    values.rating = 0;
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());

    // Foreign chunks come across byte for byte, pad bytes written as zero; managed INFO fields and
    // frames first, then the old ones we do not manage.
    const QByteArray expected = riffFile(bext.chopped(1) + '\0' + wavChunk("fmt ", pcmFormat()) +
                                         newInfo({{"INAM", values.title->toLatin1()},
                                                  {"IART", values.artist->toLatin1()},
                                                  {"ISTR", values.artist->toLatin1()},
                                                  {"ICRD", "2005"},
                                                  {"IGNR", "Rock"},
                                                  {"ICMT", "A comment"},
                                                  {"IPRD", "Album"}}) +
                                         wavChunk("abcd", {}) + data + cue + adtl +
                                         wavChunk("ID3 ", id3Tag(ourFrames(values) + comment + album)));
    EXPECT_EQ(readAll(path), expected);
    // Writing the same values again changes nothing.
    ASSERT_TRUE(WAVTagEditor::writeTagsNow(path, values).ok());
    EXPECT_EQ(readAll(path), expected);
}

TEST(WavRead, FindsTheFields) {
    const auto rated = [](const char* stars) {
        return WavMetadata{{u"rating"_s, QString::fromLatin1(stars)}};
    };
    const auto withId3 = [](const QByteArray& frames, const char* id = "ID3 ") {
        return wavFile(wavChunk(id, id3Tag(frames)));
    };
    const QByteArray image = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(300, 'j');
    const QByteArray stuffed = QByteArray::fromHex("ffd8ff00ff00aa") + QByteArray(20, 'k');
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
        {"first list is not INFO", wavFile(wavChunk("LIST", "adtl") + infoList({{"INAM", "Hidden"}}))},
        {"sub-chunk past the end keeps the earlier ones",
         wavFile(
             wavChunk("LIST", "INFO" + wavChunk("IART", raw("A\0")) + wavChunkClaiming("INAM", 90, "xy"))),
         {{u"artist"_s, u"A"_s}}},
        {"POPM 0 is a rating", withId3(id3Frame("POPM", popmBody(0))), rated("0")},
        {"later POPM wins", withId3(id3Frame("POPM", popmBody(255)) + id3Frame("POPM", popmBody(51)), "id3 "),
         rated("1")},
        {"front cover before a picture of type other, other types never",
         withId3(id3Frame("APIC", apicBody("other", 0)) + id3Frame("APIC", apicBody(image)) +
                 id3Frame("APIC", apicBody("back", 4))),
         {},
         image},
        {"picture with UTF-16 description",
         withId3(id3Frame("APIC", apicBody(image, 3, 1, QByteArray::fromHex("fffe43006f00")))),
         {},
         image},
        {"picture without image bytes", withId3(id3Frame("APIC", apicBody({})))},
        {"ID3v2.3 tag unsynchronised as a whole",
         wavFile(wavChunk(
             "ID3 ", id3Tag(id3Frame("APIC", apicBody(stuffed)).replace("\xFF", raw("\xFF\0")), 3, 0x80))),
         {},
         stuffed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<wav::WavTags> result = wav::readTags(row.bytes);
        ASSERT_TRUE(result.ok()) << result.status.message.toStdString();
        EXPECT_EQ(result.value->fields, row.fields);
        EXPECT_EQ(result.value->picture, row.picture);
    }
}

// Queued one after the other on the writer's thread, the read sees the write and its cover.
TEST(WavReadFile, TheQueuedReaderSeesTheWriteWithItsCover) {
    ScratchDir dir;
    const QString path = dir.write(u"song.wav"_s, wavFile());
    TagValues values = sampleValues();
    values.coverImage = imageBytes(Qt::darkCyan, 600, 400);
    WAVTagEditor editor;
    const QFuture<TagStatus> written = editor.writeTags(path, values);
    const QFuture<TagResult<WavMetadata>> read = editor.readMetadata(path);
    ASSERT_TRUE(waitFor(read));
    ASSERT_TRUE(written.isFinished() && written.result().ok());
    const TagResult<WavMetadata> metadata = read.result();
    ASSERT_TRUE(metadata.ok()) << metadata.status.message.toStdString();
    EXPECT_EQ(metadata.value->value(u"title"_s), *values.title);
    const QString coverPath = metadata.value->value(u"cover_path"_s);
    EXPECT_TRUE(QFileInfo(coverPath).fileName().startsWith(u"WAV_Cover_"_s));
    EXPECT_EQ(QImage::fromData(readAll(coverPath)).size(), QSize(300, 200));
    // Places that cannot be read and files that are not WAVE are refused.
    EXPECT_EQ(WAVTagEditor::readMetadataNow(dir.path()).status.error, TagError::platform);
    EXPECT_EQ(WAVTagEditor::readMetadataNow(dir.write(u"x.wav"_s, riffFile({}))).status.error,
              TagError::notValidFormat);
}

TEST(AiffLayout, ChunksStayInOrderAndTheNewTagGoesLast) {
    const QByteArray comm = aiffComm(10);
    const QByteArray ssnd = aiffSsnd(10);
    const QByteArray oldTag = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("old"))));
    const QByteArray odd = aiffChunk("APPL", "ninebytes", '\xFF');
    const QByteArray oddTag = aiffChunk("ID3 ", id3Tag(id3Frame("TIT2", textBody("odd!")))); // 10 + 15 bytes
    const QByteArray ours = aiffChunk("ID3 ", id3Tag(ourFrames(sampleValues())));
    const struct {
        const char* name;
        QByteArray file;
        QByteArray expected;
        TagValues values = sampleValues();
    } rows[] = {
        {"old tag at the end", aiffFile({comm, ssnd, oldTag}), aiffFile({comm, ssnd, ours})},
        {"old tag in the middle", aiffFile({comm, oldTag, ssnd}), aiffFile({comm, ssnd, ours})},
        {"odd tag with its pad byte", aiffFile({comm, oddTag, ssnd}), aiffFile({comm, ssnd, ours})},
        {"odd chunk keeps its own pad byte", aiffFile({comm, odd, ssnd}), aiffFile({comm, odd, ssnd, ours})},
        {"odd last chunk without pad byte gets one", aiffFile({comm, ssnd}) + raw("APPL\0\0\0\x03xyz"),
         aiffFile({comm, ssnd, aiffChunk("APPL", "xyz"), ours})},
        {"lower-case id3 chunk is an old tag too", aiffFile({aiffChunk("id3 ", id3Tag({})), comm, ssnd}),
         aiffFile({comm, ssnd, ours})},
        {"zero-size chunks", aiffFile({comm, aiffChunk("MARK", {}), ssnd, aiffChunk("NAME", {})}),
         aiffFile({comm, aiffChunk("MARK", {}), ssnd, aiffChunk("NAME", {}), ours})},
        {"a tail too short for a chunk header is dropped", aiffFile({comm, ssnd}) + "1234567",
         aiffFile({comm, ssnd, ours})},
        {"a tag of odd length is padded",
         aiffFile({comm, ssnd}),
         aiffFile({comm, ssnd,
                   raw("ID3 \0\0\0\x17ID3\x03\0\0\0\0\0\x0DTIT2\0\0\0\x03\0\0\x03"
                       "ab\0")}),
         {.title = u"ab"_s}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TagResult<QByteArray> result =
            AIFFTagEditor::rebuild(row.file, id3::managedFrames(row.values, std::nullopt), false);
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
    // Our frames, then the kept ones in the order met; the second TRCK is the same frame and goes, and an
    // album of our own replaces the old one.
    for (const std::optional<QString>& newAlbum : {std::optional<QString>(), std::optional(u"New"_s)}) {
        TagValues values = sampleValues();
        values.album = newAlbum;
        const QByteArray kept = newAlbum ? track + mood : track + album + mood;
        EXPECT_EQ(
            *AIFFTagEditor::rebuild(file, id3::managedFrames(values, std::nullopt), newAlbum.has_value())
                 .value,
            aiffFile({aiffComm(4), aiffSsnd(4), aiffChunk("ID3 ", id3Tag(ourFrames(values) + kept))}));
    }
}

// An AIFF file cut at every few bytes: a cut through a chunk is refused, a cut between chunks (or in a
// header too short to read) is written.
TEST(AiffLayout, TruncatedFiles) {
    const QByteArray comm = aiffComm(50);
    const QByteArray valid = aiffFile({comm, aiffSsnd(50)});
    const qsizetype ssndStart = 12 + comm.size();
    for (qsizetype cut = 0; cut <= valid.size(); cut += 13) {
        SCOPED_TRACE(cut);
        const TagResult<QByteArray> result = AIFFTagEditor::rebuild(valid.left(cut), {}, false);
        EXPECT_EQ(result.ok(), cut > 12 && (cut - 12 < 8 || (cut >= ssndStart && cut - ssndStart < 8) ||
                                            cut == valid.size()));
    }
}

// Recordings whose writer never filled in the length of the audio ("data" in WAV, "SSND" in AIFF): the
// samples then follow a chunk of size 0, and a rewrite that walked them as chunks would drop them. Such
// files are refused and stay as they were; the same recordings with their sizes filled in are written.
class UnfinishedRecording : public ::testing::TestWithParam<const char*> {};

TEST_P(UnfinishedRecording, IsRefusedUnchangedWhileTheFinishedOneIsWritten) {
    const QString extension = QString::fromLatin1(GetParam());
    const bool wav = extension == u"wav"_s;
    const ScratchDir dir;
    // One second of sound that starts with 0.3 s of digital silence (zeros, which read as empty chunks of
    // id 0), then a tone.
    const QString made = dir.filePath(u"made."_s + extension);
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                               u"aevalsrc=if(lt(t\\,0.3)\\,0\\,0.5*sin(2*PI*440*t)):s=8000:d=1"_s,
                               u"-fflags"_s, u"+bitexact"_s, made});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    const QByteArray finished = readAll(made);
    ASSERT_GT(finished.size(), 16000);
    const auto write = wav ? &WAVTagEditor::writeTagsNow : &AIFFTagEditor::writeTagsNow;

    const QString good = dir.write(u"finished."_s + extension, finished);
    const TagStatus written = write(good, sampleValues());
    EXPECT_TRUE(written.ok()) << written.message.toStdString();
    EXPECT_GT(readAll(good).size(), finished.size());

    // The size field of the sound chunk set to zero, as an unfinished recording has it.
    QByteArray unfinished = finished;
    unfinished.replace(unfinished.indexOf(wav ? "data" : "SSND", 12) + 4, 4, QByteArray(4, '\0'));
    const QString bad = dir.write(u"unfinished."_s + extension, unfinished);
    const TagStatus refused = write(bad, sampleValues());
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message.contains(u"never finished"_s)) << refused.message.toStdString();
    EXPECT_EQ(readAll(bad), unfinished);
}

INSTANTIATE_TEST_SUITE_P(All, UnfinishedRecording, ::testing::Values("wav", "aiff"),
                         [](const auto& row) { return std::string(row.param); });
