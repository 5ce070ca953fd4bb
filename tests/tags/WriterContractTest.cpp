// What every tag writer promises about files: the tags read back through TagLib with the audio
// untouched, a second write of the same values changes no byte, a link stays a link, extended attributes
// survive, and a damaged file or a place that cannot be written is refused with everything as it was.
#include "model/Paths.h"
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/AIFFTagEditor.h"
#include "tags/Id3.h"
#include "tags/M4ATagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/Riff.h"
#include "tags/WAVTagEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

// Values name only the fields they give (designated initializers); GCC 12 still warns about the fields
// left out, which is what they mean.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using WriteFn = TagStatus (*)(const QString& path, const TagValues& values);

TagStatus writeM4a(const QString& path, const TagValues& values) {
    return M4ATagEditor::writeTagsNow(path, values);
}

struct Writer {
    const char* name;
    const char* extension;
    QByteArray file;  // as the writer meets it, with an old tag where the format has one
    QByteArray audio; // what must come through a write byte for byte
    int sampleRate;
    bool writesAlbum;
    WriteFn write;
    TagError missingFile; // also what a dangling link gives
};

// Frames the writers do not manage: they come through a write byte for byte.
QList<QByteArray> unmanagedFrames() {
    return {id3Frame("TRCK", textBody("3/12")), id3Frame("COMM", raw("\0eng\0kept")),
            id3Frame("USLT", raw("\0eng\0la la la")), id3Frame("APIC", apicBody("back", 4)),
            id3Frame("TXXX", txxxBody("MOOD", "calm"))};
}

// An old tag with managed frames of every kind (the front cover and every rating frame among them)
// before the unmanaged ones.
QByteArray oldId3Tag() {
    return id3Tag(id3Frame("TIT2", textBody("Old")) + id3Frame("TALB", textBody("Old album")) +
                  id3Frame("APIC", apicBody("front")) + id3Frame("TXXX", txxxBody("RATING", "5")) +
                  id3Frame("POPM", popmBody(255, "someone@else")) + unmanagedFrames().join());
}

const Writer kWriters[] = {
    {"mp3", "mp3", oldId3Tag() + mp3Audio(200), mp3Audio(200), 44100, false, &MP3TagEditor::writeTagsNow,
     TagError::writeFailure},
    {"aiff", "aiff", aiffFile({aiffComm(4000), aiffChunk("ID3 ", oldId3Tag()), aiffSsnd(4000)}),
     aiffSsnd(4000), 8000, true, &AIFFTagEditor::writeTagsNow, TagError::writeFailure},
    {"wav", "wav", wavFile(infoList({{"IPRD", "Old album"}}) + wavChunk("ID3 ", oldId3Tag())),
     wavChunk("data", samples()), 8000, true, &WAVTagEditor::writeTagsNow, TagError::writeFailure},
    {"m4a", "m4a", dataFile(u"m4a-tagged.m4a"_s), {}, 0, true, &writeM4a, TagError::platform},
    // The movie box after the audio rather than before it.
    {"m4a_movie_last", "m4a", dataFile(u"m4a-plain.m4a"_s), {}, 0, true, &writeM4a, TagError::platform},
};

WriteFn writerFor(QByteArrayView extension) {
    return std::find_if(std::begin(kWriters), std::end(kWriters),
                        [&](const Writer& w) { return extension == w.extension; })
        ->write;
}

QString fileName(const Writer& writer) {
    return u"song."_s + QLatin1String(writer.extension);
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

class Writers : public ::testing::TestWithParam<Writer> {};
class Id3Writers : public Writers {};

// The cover has transparency: it stays PNG except in WAV files, which get JPEG covers.
TEST_P(Id3Writers, WrittenFileReadsBackThroughTagLibWithUnmanagedFramesAndAudioUnchanged) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString path = dir.write(fileName(writer), writer.file);
    TagValues values = sampleValues();
    values.album = u"Album"_s;
    values.coverImage = imageBytes(QColor(0, 0, 255, 128), 600, 400, "PNG");
    ASSERT_TRUE(writer.write(path, values).ok());

    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.contains(writer.audio));
    for (const QByteArray& frame : unmanagedFrames()) {
        EXPECT_TRUE(written.contains(frame)) << frame.left(4).constData();
    }
    const Id3File read = openId3(path);
    expectManagedFrames(read, values, QSize(300, 200),
                        QByteArrayView(writer.name) == "wav" ? "image/jpeg" : "image/png");
    EXPECT_TRUE(read.userText("RATING").isEmpty());
    // The MP3 writer leaves the album alone; the others replace it when one is given.
    EXPECT_EQ(qs(read.tag->album()), writer.writesAlbum ? u"Album"_s : u"Old album"_s);
    EXPECT_EQ(read.frames("TALB").size(), 1u);
    ASSERT_TRUE(read.file->audioProperties());
    EXPECT_EQ(read.file->audioProperties()->sampleRate(), writer.sampleRate);
}

TEST_P(Writers, SameValuesTwiceGiveIdenticalFiles) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString path = dir.write(fileName(writer), writer.file);
    TagValues values = sampleValues();
    values.coverImage = imageBytes(QColor(0, 0, 255, 128), 400, 400, "PNG");
    ASSERT_TRUE(writer.write(path, values).ok());
    const QByteArray first = readAll(path);
    EXPECT_NE(first, writer.file);
    ASSERT_TRUE(writer.write(path, values).ok());
    EXPECT_EQ(readAll(path), first);
}

TEST_P(Writers, LinkKeepsPointingAtTheRewrittenFileWithItsPermissions) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString target = dir.write(u"real/"_s + fileName(writer), writer.file);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0604), 0);
    const QString link = dir.filePath(u"link."_s + QLatin1String(writer.extension));
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_TRUE(writer.write(link, {.title = u"Through the link"_s}).ok());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_TRUE(readAll(target).contains("Through the link"));
    EXPECT_EQ(modeOf(target), 0604u);
    EXPECT_EQ(entries(dir.filePath(u"real"_s)), QStringList{fileName(writer)});
}

// Runs a tool of the attr and acl packages; its standard output.
QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": "
                                     << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// What file managers keep in extended attributes (tags, comments, a download's origin) and the POSIX ACL
// come through the replacement of the file; getfattr dumps them all, values and ACL included.
TEST_P(Writers, ExtendedAttributesAndAccessListSurvive) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString path = dir.write(fileName(writer), writer.file);
    for (const auto& [name, value] : {std::pair{u"user.xdg.comment"_s, u"Late night favourite"_s},
                                      std::pair{u"user.xdg.origin.url"_s, u"https://example.org/song"_s},
                                      std::pair{u"user.baloo.rating"_s, u"8"_s}}) {
        runTool(u"setfattr"_s, {u"-n"_s, name, u"-v"_s, value, path});
    }
    runTool(u"setfacl"_s, {u"-m"_s, u"u:nobody:r"_s, path});
    // A security.* attribute is copied where the writer may set it (as root here), skipped elsewhere.
    QProcess::execute(u"setfattr"_s, {u"-n"_s, u"security.quirella-test"_s, u"-v"_s, u"kept"_s, path});
    const QStringList dump = {u"--absolute-names"_s, u"-d"_s, u"-m"_s, u"-"_s, u"-e"_s, u"hex"_s, path};
    const QString before = runTool(u"getfattr"_s, dump);
    ASSERT_TRUE(before.contains(u"user.xdg.origin.url="_s));
    ASSERT_TRUE(before.contains(u"system.posix_acl_access="_s));

    const TagStatus status = writer.write(path, sampleValues());
    ASSERT_TRUE(status.ok()) << status.message.toStdString();
    EXPECT_NE(readAll(path), writer.file);
    EXPECT_EQ(runTool(u"getfattr"_s, dump), before);
    EXPECT_TRUE(runTool(u"getfacl"_s, {u"-c"_s, path}).contains(u"user:nobody:r--"_s));
}

TEST_P(Writers, UnusablePlacesAreRefusedAndNothingChanges) {
    const Writer& writer = GetParam();
    const QString name = fileName(writer);
    struct Place {
        const char* name;
        // Prepares the place inside the folder and returns the path to write.
        std::function<QString(const ScratchDir&)> prepare;
        TagError error;
        bool lockFile = false;
        bool lockFolder = false;
    };
    const Place places[] = {
        {"read-only file", [&](const ScratchDir& d) { return d.write(name, writer.file); },
         TagError::writeFailure, true},
        {"read-only folder", [&](const ScratchDir& d) { return d.write(u"sub/"_s + name, writer.file); },
         TagError::writeFailure, false, true},
        {"missing file", [&](const ScratchDir& d) { return d.filePath(u"missing"_s); }, writer.missingFile},
        {"folder in place of a file",
         [&](const ScratchDir& d) {
             QDir(d.path()).mkdir(name);
             return d.filePath(name);
         },
         TagError::writeFailure},
        {"dangling link",
         [&](const ScratchDir& d) {
             QFile::link(d.filePath(u"nowhere"_s), d.filePath(name));
             return d.filePath(name);
         },
         writer.missingFile},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.name);
        ScratchDir dir;
        const QString path = place.prepare(dir);
        const QString folder = QFileInfo(path).absolutePath();
        const QByteArray before = readAll(path);
        const QStringList around = entries(folder);
        const QStringList privateFiles = entries(paths::privateTempDir());
        std::optional<Unwritable> lock;
        if (place.lockFile || place.lockFolder) {
            lock.emplace(place.lockFile ? path : folder);
            ASSERT_TRUE(lock->active())
                << "cannot make the place unwritable here through " << Unwritable::how().toStdString();
        }
        TagValues values = sampleValues();
        values.coverImage = imageBytes(Qt::darkCyan, 60, 40);
        const TagStatus status = writer.write(path, values);
        lock.reset();
        expectRefused(status, place.error, path, before);
        EXPECT_EQ(entries(folder), around);
        EXPECT_EQ(entries(paths::privateTempDir()), privateFiles);
    }
    const TagStatus missing = writer.write(QDir::tempPath() + u"/no-such-song"_s, sampleValues());
    EXPECT_TRUE(missing.message.contains(u"no-such-song"_s)) << missing.message.toStdString();
}

const auto rowName = [](const auto& row) { return std::string(row.param.name); };
INSTANTIATE_TEST_SUITE_P(All, Writers, ::testing::ValuesIn(kWriters), rowName);
INSTANTIATE_TEST_SUITE_P(All, Id3Writers, ::testing::ValuesIn(kWriters, kWriters + 3), rowName);

// Truncated, oversized, damaged and random files: each writer refuses them with a reason and leaves the
// file, its folder and the private temporary folder as they were.
TEST(DamagedFiles, AreRefusedAndLeftUnchanged) {
    const QByteArray frame = id3Frame("TRCK", textBody("1"));
    const QByteArray mp3 = mp3Audio(4);
    const QByteArray wav = wavFile();
    const QByteArray fmt = wavChunk("fmt ", pcmFormat());
    const QByteArray comm = aiffComm(50);
    const QByteArray aiff = aiffFile({comm, aiffSsnd(50)});
    const QByteArray m4a = dataFile(u"m4a-plain.m4a"_s);
    const auto mdatClaiming = [&](quint32 size) {
        return QByteArray(m4a).replace(m4a.indexOf("mdat") - 4, 4, be32(size));
    };
    const QByteArray mark = raw("MARK\0\0\0\0");
    using enum TagError;
    const struct {
        const char* name; // starts with the extension
        QByteArray bytes;
        TagError error;
    } rows[] = {
        {"mp3: tag size past the end", id3Tag(frame + QByteArray(4000, '\0')).left(1000) + mp3.left(10),
         notValidFormat},
        {"mp3: tag size FF FF FF FF", raw("ID3\x03\0\0\xFF\xFF\xFF\xFF") + mp3, notValidFormat},
        {"mp3: tag size not syncsafe", raw("ID3\x03\0\0\0\0\0\x80") + QByteArray(128, 'x') + mp3,
         notValidFormat},
        {"wav: twelve bytes", riffFile({}), notValidFormat},
        {"wav: not RIFF", "RIFX" + wav.mid(4), notValidFormat},
        {"wav: not WAVE", QByteArray(wav).replace(8, 4, "AVI "), notValidFormat},
        {"wav: no format chunk", riffFile(wavChunk("data", samples())), notValidFormat},
        {"wav: format chunk past the end",
         riffFile(wavChunk("data", samples()) + wavChunkClaiming("fmt ", 16, "abc")), notValidFormat},
        {"wav: random bytes", randomBytes(7, 4096), notValidFormat},
        {"wav: random bytes after the header", riffFile(randomBytes(11, 4096)), notValidFormat},
        {"wav: truncated in the audio", wav.chopped(100), cannotReadFile},
        {"wav: truncated in the format", wav.left(30), notValidFormat},
        {"wav: data size FF FF FF FF", riffFile(fmt + wavChunkClaiming("data", 0xFFFFFFFF, samples())),
         cannotReadFile},
        {"wav: only zero-size chunks", riffFile(fmt + wavChunk("JUNK", {}) + wavChunk("abcd", {})),
         cannotReadFile},
        // Refused rather than dropping the chunks beyond the cap.
        {"wav: more chunks than the cap", wavFile(wavChunk("abcd", {}).repeated(riff::kMaxChunks)),
         notValidFormat},
        // An id that is not text means the walk has left the chunk structure.
        {"wav: control character in an id", wavFile(wavChunk(raw("ab\x01z"), "xy")), notValidFormat},
        {"wav: zero id, then bytes", wav + QByteArray(64, '\0') + "abcdefgh", notValidFormat},
        {"wav: chunk cut off at the end", wavFile(wavChunkClaiming("LIST", 100, "INFO")), notValidFormat},
        {"aiff: empty", {}, notValidFormat},
        {"aiff: not FORM", "RIFX" + aiff.mid(4), notValidFormat},
        {"aiff: a WAV file", wav, notValidFormat},
        {"aiff: AIFF-C", aiffFile({comm, aiffSsnd(50)}, "AIFC"), notValidFormat},
        {"aiff: sound data cut short", aiff.chopped(7), notValidFormat},
        {"aiff: chunk size FF FF FF FF", aiffFile({comm}) + raw("SSND\xFF\xFF\xFF\xFF") + aiffSsnd(50),
         notValidFormat},
        {"aiff: old ID3 chunk past the end", aiffFile({comm}) + raw("ID3 \0\0\x10\0") + aiffSsnd(50),
         notValidFormat},
        {"aiff: more chunks than the cap", aiffFile({comm}) + mark.repeated(AIFFTagEditor::kMaxChunks),
         notValidFormat},
        {"aiff: byte above 0x7E in an id", aiffFile({comm, aiffSsnd(50), aiffChunk("AB\xC3\x89", "x")}),
         notValidFormat},
        {"aiff: random bytes", randomBytes(3, 1000), notValidFormat},
        {"m4a: truncated", m4a.left(m4a.size() / 2), notValidFormat},
        {"m4a: audio box larger than the file", mdatClaiming(0x7FFFFFF0u), notValidFormat},
        {"m4a: audio box size FF FF FF FF", mdatClaiming(0xFFFFFFFFu), notValidFormat},
        {"m4a: random bytes", randomBytes(42, 4096), notValidFormat},
        {"m4a: empty", {}, notValidFormat},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArrayView extension =
            QByteArrayView(row.name).first(QByteArrayView(row.name).indexOf(':'));
        ScratchDir dir;
        const QString path = dir.write(u"bad."_s + QString::fromLatin1(extension), row.bytes);
        const QStringList privateFiles = entries(paths::privateTempDir());
        TagValues values = sampleValues();
        values.coverImage = imageBytes(Qt::darkCyan, 40, 40);
        expectRefused(writerFor(extension)(path, values), row.error, path, row.bytes);
        EXPECT_EQ(entries(dir.path()), QStringList{QFileInfo(path).fileName()});
        EXPECT_EQ(entries(paths::privateTempDir()), privateFiles);
    }
}

// Odd files that are still whole: written, and TagLib reads the new title.
TEST(OddButWholeFiles, AreWritten) {
    const QByteArray fmt = wavChunk("fmt ", pcmFormat());
    const QByteArray comm = aiffComm(50);
    const QByteArray ssnd = aiffSsnd(50);
    QByteArray random = randomBytes(5, 3000);
    random[0] = 'x'; // not "ID3"
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"mp3: ten bytes starting with ID3", raw("ID3\x04\0\0\0\0\x01\0")},
        {"mp3: random bytes", random},
        {"mp3: random bytes behind an ID3 header", id3Tag(randomBytes(7, 3000)) + mp3Audio(4)},
        {"wav: zero fill at the end", wavFile() + QByteArray(64, '\0')},
        {"wav: no samples, then a chunk",
         riffFile(fmt + wavChunk("data", {}) + wavChunk("cue ", raw("\0\0\0\0")))},
        {"aiff: no samples, then a chunk",
         aiffFile({aiffComm(0), aiffChunk("SSND", {}), aiffChunk("MARK", raw("\0\0"))})},
        {"aiff: 50,000 tiny chunks", aiffFile({comm}) + raw("MARK\0\0\0\0").repeated(50000) + ssnd},
        {"aiff: ID3 chunk of garbage", aiffFile({comm, aiffChunk("ID3 ", randomBytes(3, 500)), ssnd})},
        {"aiff: ID3 chunk with a damaged tag",
         aiffFile(
             {comm, aiffChunk("ID3 ", raw("ID3\x04\0\x40\x7F\x7F\x7F\x7F") + randomBytes(4, 99)), ssnd})},
    };
    ScratchDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArrayView extension =
            QByteArrayView(row.name).first(QByteArrayView(row.name).indexOf(':'));
        const QString path = dir.write(u"odd."_s + QString::fromLatin1(extension), row.bytes);
        const TagStatus status = writerFor(extension)(path, sampleValues());
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        const Id3File read = openId3(path);
        ASSERT_TRUE(read.tag);
        EXPECT_EQ(qs(read.tag->title()), *sampleValues().title);
    }
}

// Files tagged by another program (ffmpeg, see scripts/make-fixtures.sh): their unmanaged frames
// survive our write, the managed ones are replaced, and the sound stays.
TEST(Id3WritersOnForeignFiles, KeepOtherFramesAndTheSound) {
    for (const char* name : {"ffmpeg-v23.mp3", "ffmpeg-v24.mp3", "ffmpeg-tagged.aiff"}) {
        SCOPED_TRACE(name);
        const bool mp3 = QByteArrayView(name).endsWith("mp3");
        const QByteArray original = dataFile(QString::fromLatin1(name));
        ASSERT_FALSE(original.isEmpty());
        // The audio behind the MP3 tag, the sound data chunk of the AIFF file.
        QByteArray audio = original.mid(static_cast<qsizetype>(id3::locateTag(original).end));
        for (const Piece& chunk : mp3 ? QList<Piece>() : chunksOf(original, true)) {
            audio = chunk.id == "SSND" ? chunk.whole : audio;
        }
        ScratchDir dir;
        const QString path = dir.write(QString::fromLatin1(name), original);
        const TagValues values{.title = u"Ours"_s, .genre = u"Dub"_s, .rating = 1};
        ASSERT_TRUE((mp3 ? MP3TagEditor::writeTagsNow : AIFFTagEditor::writeTagsNow)(path, values).ok());
        EXPECT_TRUE(readAll(path).contains(audio));
        const Id3File read = openId3(path);
        expectManagedFrames(read, values, {});
        EXPECT_EQ(qs(read.tag->album()), u"Fixture Album"_s);
        EXPECT_EQ(read.tag->track(), 5u);
        EXPECT_EQ(read.userText("mood"), u"calm"_s);
        ASSERT_TRUE(read.file->audioProperties());
        EXPECT_NEAR(read.file->audioProperties()->lengthInMilliseconds(), 1000, 100);
    }
}

} // namespace
