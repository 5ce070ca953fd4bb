// What every tag writer promises about files: the tags read back through TagLib with the audio
// untouched, the file replaced with everything around it kept, and a damaged file or a place that
// cannot be written refused with everything as it was.
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
#include <QtEndian>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

void PrintTo(const Writer& writer, std::ostream* out) {
    *out << writer.name;
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

// Runs a tool of the attr and acl packages; its standard output.
QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": "
                                     << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Written through a link, the file behind it is replaced and keeps its owner (as root it is given to
// nobody first, so keeping the owner means giving the new file away), permission bits, extended
// attributes (what file managers keep there, the POSIX ACL, a security.* attribute where the writer may
// set it, as root here) and folder; a second write of the same values changes no byte.
TEST_P(Writers, ReplacementKeepsLinkOwnerModeAndAttributesAndRepeatsExactly) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString target = dir.write(u"real/"_s + fileName(writer), writer.file);
    const QByteArray native = QFile::encodeName(target);
    ASSERT_TRUE(::geteuid() != 0 || ::chown(native.constData(), 65534, 65534) == 0);
    for (const auto& [name, value] : {std::pair{u"user.xdg.comment"_s, u"Late night favourite"_s},
                                      std::pair{u"user.xdg.origin.url"_s, u"https://example.org/song"_s}}) {
        runTool(u"setfattr"_s, {u"-n"_s, name, u"-v"_s, value, target});
    }
    runTool(u"setfacl"_s, {u"-m"_s, u"u:nobody:r"_s, target});
    QProcess::execute(u"setfattr"_s, {u"-n"_s, u"security.quirella-test"_s, u"-v"_s, u"kept"_s, target});
    ASSERT_EQ(::chmod(native.constData(), 0604), 0); // after the ACL, whose mask follows the group bits
    const QStringList dump = {u"--absolute-names"_s, u"-d"_s, u"-m"_s, u"-"_s, u"-e"_s, u"hex"_s, target};
    const QString attributes = runTool(u"getfattr"_s, dump);
    ASSERT_TRUE(attributes.contains(u"user.xdg.origin.url="_s) &&
                attributes.contains(u"posix_acl_access="_s));
    struct stat before {};
    ASSERT_EQ(::stat(native.constData(), &before), 0);
    const QString link = dir.filePath(u"link."_s + QLatin1String(writer.extension));
    ASSERT_TRUE(QFile::link(target, link));

    TagValues values = sampleValues();
    values.coverImage = imageBytes(QColor(0, 0, 255, 128), 400, 400, "PNG");
    ASSERT_TRUE(writer.write(link, values).ok());
    const QByteArray first = readAll(target);
    EXPECT_NE(first, writer.file);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "the file was replaced, not rewritten in place";
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(runTool(u"getfattr"_s, dump), attributes);
    EXPECT_EQ(entries(dir.filePath(u"real"_s)), QStringList{fileName(writer)});
    ASSERT_TRUE(writer.write(link, values).ok());
    EXPECT_EQ(readAll(target), first);
}

TEST_P(Writers, UnusablePlacesAreRefusedAndNothingChanges) {
    const Writer& writer = GetParam();
    enum Place { readOnlyFile, readOnlyFolder, missingFile, folderInPlace, danglingLink };
    const std::pair<const char*, TagError> places[] = {{"read-only file", TagError::writeFailure},
                                                       {"read-only folder", TagError::writeFailure},
                                                       {"missing file", writer.missingFile},
                                                       {"folder in place of a file", TagError::writeFailure},
                                                       {"dangling link", writer.missingFile}};
    for (const Place place : {readOnlyFile, readOnlyFolder, missingFile, folderInPlace, danglingLink}) {
        SCOPED_TRACE(places[place].first);
        ScratchDir dir;
        const QString path =
            dir.filePath((place == readOnlyFolder ? u"sub/"_s : QString()) + fileName(writer));
        if (place == readOnlyFile || place == readOnlyFolder) {
            dir.write(QDir(dir.path()).relativeFilePath(path), writer.file);
        } else if (place == folderInPlace) {
            QDir().mkpath(path);
        } else if (place == danglingLink) {
            QFile::link(dir.filePath(u"nowhere"_s), path);
        }
        const QString folder = QFileInfo(path).absolutePath();
        const QByteArray before = readAll(path);
        const QStringList around = entries(folder);
        const QStringList privateFiles = entries(paths::privateTempDir());
        std::optional<Unwritable> lock;
        if (place == readOnlyFile || place == readOnlyFolder) {
            lock.emplace(place == readOnlyFile ? path : folder);
            ASSERT_TRUE(lock->active())
                << "cannot make the place unwritable through " << Unwritable::how().toStdString();
        }
        TagValues values = sampleValues();
        values.coverImage = imageBytes(Qt::darkCyan, 60, 40);
        const TagStatus status = writer.write(path, values);
        lock.reset();
        expectRefused(status, places[place].second, path, before);
        EXPECT_TRUE(status.message.contains(fileName(writer))) << status.message.toStdString();
        EXPECT_EQ(entries(folder), around);
        EXPECT_EQ(entries(paths::privateTempDir()), privateFiles);
    }
}

const auto rowName = [](const auto& row) { return std::string(row.param.name); };
INSTANTIATE_TEST_SUITE_P(All, Writers, ::testing::ValuesIn(kWriters), rowName);
INSTANTIATE_TEST_SUITE_P(All, Id3Writers, ::testing::ValuesIn(kWriters, kWriters + 3), rowName);

// Truncated, oversized, damaged and random files: each writer refuses them with a reason and leaves the
// file, its folder and the private temporary folder as they were. Odd files that are still whole are
// written, and TagLib reads the new title.
TEST(DamagedFiles, AreRefusedUnchangedWhileOddWholeOnesAreWritten) {
    const QByteArray frame = id3Frame("TRCK", textBody("1"));
    const QByteArray wav = wavFile();
    const QByteArray fmt = wavChunk("fmt ", pcmFormat());
    const QByteArray comm = aiffComm(50);
    const QByteArray ssnd = aiffSsnd(50);
    const QByteArray aiff = aiffFile({comm, ssnd});
    const QByteArray m4a = dataFile(u"m4a-plain.m4a"_s);
    const QByteArray mark = raw("MARK\0\0\0\0");
    QByteArray notId3 = randomBytes(5, 3000);
    notId3[0] = 'x';
    const std::optional<TagError> written;
    using enum TagError;
    const struct {
        const char* name; // starts with the extension
        QByteArray bytes;
        std::optional<TagError> error;
    } rows[] = {
        {"mp3: tag size past the end", id3Tag(frame + QByteArray(4000, '\0')).left(1000), notValidFormat},
        {"mp3: tag size not syncsafe", raw("ID3\x03\0\0\0\0\0\x80") + QByteArray(128, 'x') + mp3Audio(4),
         notValidFormat},
        {"mp3: ten bytes starting with ID3", raw("ID3\x04\0\0\0\0\x01\0"), written},
        {"mp3: random bytes", notId3, written},
        {"mp3: random bytes behind an ID3 header", id3Tag(randomBytes(7, 3000)) + mp3Audio(4), written},
        {"wav: twelve bytes", riffFile({}), notValidFormat},
        {"wav: not WAVE", QByteArray(wav).replace(8, 4, "AVI "), notValidFormat},
        {"wav: no format chunk", riffFile(wavChunk("data", samples())), notValidFormat},
        {"wav: format chunk past the end",
         riffFile(wavChunk("data", samples()) + wavChunkClaiming("fmt ", 16, "abc")), notValidFormat},
        {"wav: random bytes after the header", riffFile(randomBytes(11, 4096)), notValidFormat},
        {"wav: truncated in the audio", wav.chopped(100), cannotReadFile},
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
        {"wav: zero fill at the end", wav + QByteArray(64, '\0'), written},
        {"wav: chunk cut off at the end", wavFile(wavChunkClaiming("LIST", 100, "INFO")), notValidFormat},
        {"wav: no samples, then a chunk",
         riffFile(fmt + wavChunk("data", {}) + wavChunk("cue ", raw("\0\0\0\0"))), written},
        {"aiff: empty", {}, notValidFormat},
        {"aiff: not FORM", "RIFX" + aiff.mid(4), notValidFormat},
        {"aiff: AIFF-C", aiffFile({comm, ssnd}, "AIFC"), notValidFormat},
        {"aiff: sound data cut short", aiff.chopped(7), notValidFormat},
        {"aiff: old ID3 chunk past the end", aiffFile({comm}) + raw("ID3 \0\0\x10\0") + ssnd, notValidFormat},
        {"aiff: more chunks than the cap", aiffFile({comm}) + mark.repeated(AIFFTagEditor::kMaxChunks),
         notValidFormat},
        {"aiff: 50,000 tiny chunks", aiffFile({comm}) + mark.repeated(50000) + ssnd, written},
        {"aiff: byte above 0x7E in an id", aiffFile({comm, ssnd, aiffChunk("AB\xC3\x89", "x")}),
         notValidFormat},
        {"aiff: random bytes", randomBytes(3, 1000), notValidFormat},
        {"aiff: ID3 chunk of garbage", aiffFile({comm, aiffChunk("ID3 ", randomBytes(3, 500)), ssnd}),
         written},
        {"aiff: no samples, then a chunk",
         aiffFile({aiffComm(0), aiffChunk("SSND", {}), aiffChunk("MARK", raw("\0\0"))}), written},
        {"m4a: truncated", m4a.left(m4a.size() / 2), notValidFormat},
        {"m4a: audio box larger than the file",
         QByteArray(m4a).replace(m4a.indexOf("mdat") - 4, 4, be32(0x7FFFFFF0u)), notValidFormat},
        {"m4a: random bytes", randomBytes(42, 4096), notValidFormat},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArrayView extension =
            QByteArrayView(row.name).first(QByteArrayView(row.name).indexOf(':'));
        ScratchDir dir;
        const QString path = dir.write(u"file."_s + QString::fromLatin1(extension), row.bytes);
        const QStringList privateFiles = entries(paths::privateTempDir());
        TagValues values = sampleValues();
        values.coverImage = imageBytes(Qt::darkCyan, 40, 40);
        const TagStatus status = writerFor(extension)(path, values);
        if (row.error) {
            expectRefused(status, *row.error, path, row.bytes);
            EXPECT_EQ(entries(dir.path()), QStringList{QFileInfo(path).fileName()});
            EXPECT_EQ(entries(paths::privateTempDir()), privateFiles);
        } else {
            ASSERT_TRUE(status.ok()) << status.message.toStdString();
            const Id3File read = openId3(path);
            ASSERT_TRUE(read.tag);
            EXPECT_EQ(qs(read.tag->title()), *values.title);
        }
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
        const qsizetype ssnd = original.indexOf("SSND");
        const QByteArray audio =
            mp3 ? original.mid(static_cast<qsizetype>(id3::locateTag(original).end))
                : original.mid(ssnd, 8 + qFromBigEndian<quint32>(original.constData() + ssnd + 4));
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
