// SPDX-License-Identifier: GPL-3.0-or-later
// What every tag writer promises: tags read back through TagLib, audio untouched, the file replaced in
// one step with all around it kept (even when the writer is killed), damaged files and unusable places
// refused with all as it was; and the M4A writer's own rules.
#include "model/Paths.h"
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/AIFFTagEditor.h"
#include "tags/AtomicFile.h"
#include "tags/FLACTagEditor.h"
#include "tags/M4ATagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/Mp4Structure.h"
#include "tags/WAVTagEditor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <unistd.h>
#include <utime.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

// Rows name only the values they give; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using WriteFn = TagStatus (*)(const QString& path, const TagValues& values);

TagStatus writeM4a(const QString& path, const TagValues& values) {
    return M4ATagEditor::writeTagsNow(path, values);
}

struct Writer {
    const char* name;
    const char* extension;
    QByteArray file; // as the writer meets it, with an old tag where the format has one
    int sampleRate;
    WriteFn write;
};

void PrintTo(const Writer& writer, std::ostream* out) {
    *out << writer.name;
}

// Frames the writers do not manage: they come through a write byte for byte.
QList<QByteArray> unmanagedFrames() {
    return {id3Frame("TRCK", textBody("5/9")), id3Frame("COMM", raw("\0eng\0kept")),
            id3Frame("USLT", raw("\0eng\0la la la")), id3Frame("APIC", apicBody("back", 4)),
            id3Frame("TXXX", txxxBody("mood", "calm"))};
}

// An old tag with managed frames of every kind (the front cover and every rating frame among them)
// before the unmanaged ones; the frames ffmpeg writes (scripts/make-fixtures.sh) have the same values.
QByteArray oldId3Tag() {
    return id3Tag(id3Frame("TIT2", textBody("Old")) + id3Frame("TALB", textBody("Fixture Album")) +
                  id3Frame("APIC", apicBody("front")) + id3Frame("TXXX", txxxBody("RATING", "5")) +
                  id3Frame("POPM", popmBody(255, "someone@else")) + unmanagedFrames().join());
}

// The audio of a file, which a write must carry over byte for byte: what follows the MP3 tag, the WAV
// "data" chunk, the AIFF "SSND" chunk.
QByteArray audioOf(const QByteArray& file) {
    const bool wav = file.startsWith("RIFF");
    const qsizetype at = file.indexOf(wav ? "data" : "SSND");
    const char* size = file.constData() + at + 4;
    return file.startsWith("FORM") || wav
               ? file.mid(at, 8 + (wav ? qFromLittleEndian<quint32>(size) : qFromBigEndian<quint32>(size)))
               : file.mid(static_cast<qsizetype>(id3::locateTag(file).end));
}

// Files tagged by ffmpeg first, whose frames are checked through TagLib only, then a file of each writer.
const Writer kWriters[] = {
    {"mp3_by_ffmpeg_v23", "mp3", dataFile(u"ffmpeg-v23.mp3"_s), 22050, &MP3TagEditor::writeTagsNow},
    {"mp3_by_ffmpeg_v24", "mp3", dataFile(u"ffmpeg-v24.mp3"_s), 22050, &MP3TagEditor::writeTagsNow},
    {"aiff_by_ffmpeg", "aiff", dataFile(u"ffmpeg-tagged.aiff"_s), 8000, &AIFFTagEditor::writeTagsNow},
    {"mp3", "mp3", oldId3Tag() + mp3Audio(200), 44100, &MP3TagEditor::writeTagsNow},
    {"aiff", "aiff", aiffFile({aiffComm(4000), aiffChunk("ID3 ", oldId3Tag()), aiffSsnd(4000)}), 8000,
     &AIFFTagEditor::writeTagsNow},
    {"wav", "wav",
     wavFile(wavChunk("LIST", "INFO" + wavChunk("IPRD", raw("Fixture Album\0"))) +
             wavChunk("ID3 ", oldId3Tag())),
     8000, &WAVTagEditor::writeTagsNow},
    {"m4a", "m4a", dataFile(u"m4a-tagged.m4a"_s), 0, &writeM4a},
    // The movie box after the audio rather than before it.
    {"m4a_movie_last", "m4a", dataFile(u"m4a-plain.m4a"_s), 0, &writeM4a},
};

QString fileName(const Writer& writer) {
    return u"song."_s + QLatin1String(writer.extension);
}

// Everything in a folder, hidden files (our temporary ones among them) included.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
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
    EXPECT_TRUE(written.contains(audioOf(writer.file)));
    for (const QByteArray& frame : unmanagedFrames()) {
        EXPECT_TRUE(!writer.file.contains(frame) || written.contains(frame)) << frame.left(4).constData();
    }
    const Id3File read = openId3(path);
    expectManagedFrames(read, values, QSize(300, 200), writer.name == "wav"_ba ? "image/jpeg" : "image/png");
    EXPECT_EQ(read.userText("mood"), u"calm"_s);
    EXPECT_EQ(read.tag->track(), 5u);
    // The MP3 writer leaves the album alone; the others replace it when one is given.
    EXPECT_EQ(qs(read.tag->album()), writer.extension == "mp3"_ba ? u"Fixture Album"_s : u"Album"_s);
    EXPECT_EQ(read.frames("TALB").size(), 1u);
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
// nobody first, so keeping it means giving the new file away), permission bits, extended attributes
// (what file managers keep there, the POSIX ACL) and folder; a second write changes no byte.
TEST_P(Writers, ReplacementKeepsLinkOwnerModeAndAttributesAndRepeatsExactly) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString target = dir.write(u"real/"_s + fileName(writer), writer.file);
    const QByteArray native = QFile::encodeName(target);
    ASSERT_TRUE(::geteuid() != 0 || ::chown(native.constData(), 65534, 65534) == 0);
    runTool(u"setfattr"_s, {u"-n"_s, u"user.xdg.comment"_s, u"-v"_s, u"Late night favourite"_s, target});
    runTool(u"setfattr"_s,
            {u"-n"_s, u"user.xdg.origin.url"_s, u"-v"_s, u"https://example.org/song"_s, target});
    runTool(u"setfacl"_s, {u"-m"_s, u"u:nobody:r"_s, target});
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

// Each writer checks the place before it reads anything and says why it cannot write there.
TEST_P(Writers, UnusablePlacesAreRefusedAndNothingChanges) {
    const Writer& writer = GetParam();
    const char* places[] = {"read-only file", "read-only folder", "missing file",
                            "folder in place of the file"};
    for (int place = 0; place < 4; ++place) {
        SCOPED_TRACE(places[place]);
        ScratchDir dir;
        const QString path =
            place < 2 ? dir.write((place == 1 ? u"sub/"_s : QString()) + fileName(writer), writer.file)
                      : dir.filePath(fileName(writer));
        if (place == 3) {
            QDir().mkpath(path);
        }
        const QString folder = QFileInfo(path).absolutePath();
        const QStringList around = entries(folder);
        const QStringList privateFiles = entries(paths::privateTempDir());
        std::optional<Unwritable> lock;
        if (place < 2) {
            lock.emplace(place == 0 ? path : folder);
            ASSERT_TRUE(lock->active())
                << "cannot make the place unwritable through " << Unwritable::how().toStdString();
        }
        TagValues values = sampleValues();
        values.coverImage = imageBytes(Qt::darkCyan, 60, 40);
        const TagStatus status = writer.write(path, values);
        lock.reset();
        const bool m4aMissing = place == 2 && writer.write == &writeM4a;
        expectRefused(status, m4aMissing ? TagError::platform : TagError::writeFailure, path,
                      place < 2 ? writer.file : QByteArray());
        EXPECT_TRUE(status.message.contains(fileName(writer))) << status.message.toStdString();
        EXPECT_EQ(entries(folder), around);
        EXPECT_EQ(entries(paths::privateTempDir()), privateFiles);
    }
}

const auto rowName = [](const auto& row) { return std::string(row.param.name); };
INSTANTIATE_TEST_SUITE_P(All, Writers, ::testing::ValuesIn(kWriters + 3, std::end(kWriters)), rowName);
INSTANTIATE_TEST_SUITE_P(All, Id3Writers, ::testing::ValuesIn(kWriters, kWriters + 6), rowName);

// Truncated, oversized, damaged and random files are refused with a reason, leaving the file, its folder
// and the private temporary folder as they were; odd but whole files are written and read back.
TEST(DamagedFiles, AreRefusedUnchangedWhileOddWholeOnesAreWritten) {
    const QByteArray wav = wavFile();
    const QByteArray fmt = wavChunk("fmt ", pcmFormat());
    const QByteArray data = wavChunk("data", samples());
    const QByteArray comm = aiffComm(50);
    const QByteArray ssnd = aiffSsnd(50);
    const QByteArray m4a = dataFile(u"m4a-plain.m4a"_s);
    const QByteArray mark = raw("MARK\0\0\0\0");
    const int cap = AIFFTagEditor::kMaxChunks;
    const QByteArray notId3 = "x" + randomBytes(5, 3000);
    const qsizetype moov = m4a.indexOf("moov") - 4;
    const TagError bad = TagError::notValidFormat;
    const TagError noAudio = TagError::cannotReadFile;
    const std::optional<TagError> written;
    const struct {
        const char* name; // starts with the extension
        QByteArray bytes;
        std::optional<TagError> error;
        const char* reason = ""; // a part of the message
    } rows[] = {
        {"mp3: tag cut short", id3Tag(QByteArray(4000, '\0')).left(1000), bad},
        {"mp3: tag size not syncsafe", raw("ID3\x03\0\0\0\0\0\x80") + QByteArray(128, 'x'), bad},
        {"mp3: ten bytes starting with ID3", raw("ID3\x04\0\0\0\0\x01\0"), written},
        {"mp3: random bytes", notId3, written},
        {"wav: twelve bytes", riffFile({}), bad},
        {"wav: not WAVE", QByteArray(wav).replace(8, 4, "AVI "), bad},
        {"wav: no format chunk", riffFile(data), bad},
        {"wav: format chunk cut short", riffFile(data + wavChunkClaiming("fmt ", 16, "abc")), bad},
        {"wav: random bytes after the header", riffFile(randomBytes(11, 4096)), bad},
        {"wav: audio cut short", wav.chopped(100), noAudio},
        {"wav: data size FF FF FF FF", riffFile(fmt + wavChunkClaiming("data", ~0u, samples())), noAudio},
        {"wav: no data chunk", riffFile(fmt + wavChunk("JUNK", {})), noAudio},
        {"wav: more chunks than the cap", wavFile(wavChunk("abcd", {}).repeated(cap)), bad},
        {"wav: zero id, then bytes", wav + QByteArray(64, '\0') + "abcdefgh", bad},
        {"wav: zero fill at the end", wav + QByteArray(64, '\0'), written},
        // A recording whose sound chunk never got its length: its samples follow a chunk of size 0.
        {"wav: unfinished recording",
         riffFile(fmt + wavChunk("data", {}) + QByteArray(300, '\0') + samples()), noAudio, "never finished"},
        {"wav: no samples, a chunk after", riffFile(fmt + wavChunk("data", {}) + wavChunk("cue ", "abcd")),
         written},
        {"aiff: not FORM", "RIFX" + aiffFile().mid(4), bad},
        {"aiff: AIFF-C", aiffFile({comm, ssnd}, "AIFC"), bad},
        {"aiff: sound data cut short", aiffFile({comm, ssnd}).chopped(7), bad},
        {"aiff: more chunks than the cap", aiffFile({comm}) + mark.repeated(cap), bad},
        {"aiff: 50,000 tiny chunks", aiffFile({comm}) + mark.repeated(50000) + ssnd, written},
        {"aiff: unfinished recording", aiffFile({comm, aiffChunk("SSND", {}) + QByteArray(300, '\0') + ssnd}),
         bad, "never finished"},
        {"aiff: no samples, a chunk after", aiffFile({comm, aiffChunk("SSND", {}), aiffChunk("MARK", "xy")}),
         written},
        {"m4a: cut short", m4a.left(m4a.size() / 2), bad},
        {"m4a: audio box too large", QByteArray(m4a).replace(m4a.indexOf("mdat") - 4, 4, be32(~0u)), bad},
        {"m4a: two movie boxes", m4a + m4a.mid(moov, qFromBigEndian<quint32>(m4a.constData() + moov)), bad},
        {"m4a: random bytes", randomBytes(42, 4096), bad},
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
        const TagStatus status = std::find_if(std::begin(kWriters), std::end(kWriters), [&](const Writer& w) {
                                     return extension == w.extension;
                                 })->write(path, values);
        if (row.error) {
            expectRefused(status, *row.error, path, row.bytes);
            EXPECT_TRUE(status.message.contains(QLatin1String(row.reason))) << status.message.toStdString();
            EXPECT_EQ(entries(dir.path()), QStringList{QFileInfo(path).fileName()});
            EXPECT_EQ(entries(paths::privateTempDir()), privateFiles);
        } else {
            ASSERT_TRUE(status.ok()) << status.message.toStdString();
            EXPECT_EQ(qs(openId3(path).tag->title()), *values.title);
        }
    }
}

// ---- The M4A writer ----------------------------------------------------------------------------------

TagLib::MP4::ItemMap itemsOf(const QString& path) {
    TagLib::MP4::File file(QFile::encodeName(path).constData(), false);
    return file.isValid() && file.tag() ? file.tag()->itemMap() : TagLib::MP4::ItemMap();
}

QStringList texts(const TagLib::MP4::ItemMap& items, const char* key) {
    QStringList out;
    for (const TagLib::String& text :
         items.contains(key) ? items[key].toStringList() : TagLib::StringList()) {
        out << qs(text);
    }
    return out;
}

TEST(M4ATagEditor, SetsManagedItemsAndKeepsTheRest) {
    const QString plain = u"m4a-plain.m4a"_s;   // no items
    const QString tagged = u"m4a-tagged.m4a"_s; // many items
    const QString rated = u"m4a-rated.m4a"_s;   // title and "Rating: ★★★"
    const struct {
        const char* name;
        QString fixture;
        TagValues values;
        // Item texts afterwards: "key=text;text|key=...", where "key=" means the item is absent.
        const char* expected;
    } rows[] = {
        {"all fields on a bare file", plain, sampleValues(),
         "©nam=Évening Song|©ART=Ünïcode Band|©day=2005|©gen=Rock|©cmt=Rating: ★★★★|©alb="},
        {"year 2100 removes the date", tagged, TagValues{.year = 2100},
         "©day=|©alb=Fixture Album|©cmt=Recorded live"},
        {"empty title removes it", tagged, TagValues{.title = QString(), .artist = u"X"_s}, "©nam=|©ART=X"},
        {"nothing given removes every managed item", tagged, TagValues(),
         "©nam=|©ART=|©day=|©gen=|©cmt=Recorded live|©alb=Fixture Album"},
        {"rating before a plain comment", tagged, TagValues{.rating = 2}, "©cmt=Rating: ★★;Recorded live"},
        {"rating replaces an old rating comment", rated, TagValues{.rating = 5}, "©cmt=Rating: ★★★★★"},
        {"rating 0 removes the rating comment", rated, TagValues{.title = u"T"_s, .rating = 0}, "©cmt="},
        {"empty album removes the old one", tagged, TagValues{.album = QString()}, "©alb="},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const QString path = dir.write(u"song.m4a"_s, dataFile(row.fixture));
        const TagStatus status = M4ATagEditor::writeTagsNow(path, row.values);
        ASSERT_TRUE(status.ok()) << status.message.toStdString();
        const TagLib::MP4::ItemMap items = itemsOf(path);
        ASSERT_FALSE(items.isEmpty()) << "TagLib reads the file";
        for (const QString& item : QString::fromUtf8(row.expected).split(u'|')) {
            const QString key = item.section(u'=', 0, 0);
            EXPECT_EQ(texts(items, key.toLatin1().constData()),
                      item.section(u'=', 1).split(u';', Qt::SkipEmptyParts))
                << key.toStdString();
        }
        if (row.fixture == tagged) {
            // What the writer does not manage stays.
            EXPECT_EQ(texts(items, "\251wrt"), QStringList{u"Ada Writer"_s});
            EXPECT_EQ(items["trkn"].toIntPair().first, 3);
            EXPECT_EQ(items["trkn"].toIntPair().second, 12);
        }
    }
}

QByteArray box(const char* type, const QByteArray& payload) {
    return be32(static_cast<quint32>(8 + payload.size())) + type + payload;
}

// The check the M4A writer makes of the file and of its rewritten copy: every box inside its parent, one
// movie box and audio; the copy may replace the file only with the very same audio bytes.
TEST(Mp4Structure, AcceptsWholeFilesOnlyAndComparesTheirAudio) {
    const QByteArray ftyp = box("ftyp", raw("M4A \0\0\0\0"));
    const QByteArray moov =
        box("moov", box("trak", box("mdia", {})) + box("udta", box("meta", QByteArray(4, '\0'))));
    const struct {
        const char* name;
        QByteArray bytes;
        bool ok;
    } rows[] = {
        {"64-bit box size", ftyp + moov + be32(1) + "mdat" + be32(0) + be32(16 + 3) + "xyz", true},
        {"zero padding shorter than a header", ftyp + moov + box("mdat", "a") + QByteArray(4, '\0'), true},
        {"child runs past its parent", ftyp + box("moov", be32(40) + "trak") + box("mdat", "a"), false},
        {"no movie box", ftyp + box("mdat", "a"), false},
        {"no audio box", ftyp + moov, false},
        {"box smaller than its header", ftyp + moov + raw("\0\0\0\4mdat"), false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(mp4::checkStructure(row.bytes).ok(), row.ok) << row.name;
    }
    // The structure points into the bytes it checked, so they are kept alive here.
    const QByteArray files[] = {moov + box("mdat", "abcdef"), moov + box("mdat", "abc") + box("mdat", "def"),
                                moov + box("mdat", "abcdeg"), moov + box("mdat", "abcde")};
    const mp4::Structure a = mp4::checkStructure(files[0]);
    EXPECT_TRUE(mp4::sameMediaData(a, mp4::checkStructure(files[1])));
    EXPECT_FALSE(mp4::sameMediaData(a, mp4::checkStructure(files[2])));
    EXPECT_FALSE(mp4::sameMediaData(a, mp4::checkStructure(files[3])));
}

// A caller that gives up before the replacement began is told the file stays as it was, and a write
// that has not begun cannot begin after that; once a replacement has begun, nobody can give up on it.
TEST(WriteCancellation, DecidesOnceBetweenGivingUpAndReplacing) {
    WriteCancellation early;
    EXPECT_TRUE(early.cancel());
    EXPECT_TRUE(early.isCancelled());
    EXPECT_FALSE(early.beginReplacement());
    WriteCancellation late;
    ASSERT_TRUE(late.beginReplacement());
    EXPECT_FALSE(late.cancel());
    EXPECT_FALSE(late.isCancelled());
}

// ---- Atomic replacement ------------------------------------------------------------------------------

QStringList temporaryFiles(const QString& folder) {
    return QDir(folder).entryList({QLatin1String(atomicfile::kTempPrefix) + u'*'},
                                  QDir::Files | QDir::Hidden);
}

// The child of the kill tests: replaces the file of the job ("path|first|second") forever, alternating
// between the contents of two files, or for a FLAC file between two titles through the FLAC writer; it
// says "ready" after the first complete write.
const ChildMain rewriteForever("rewrite-forever", [](const QByteArray& job) {
    const QList<QByteArray> parts = job.split('|');
    const QString path = QFile::decodeName(parts.value(0));
    // Read once, so that nearly all the time goes into rewriting the file.
    const QByteArray contents[2] = {readAll(QFile::decodeName(parts.value(1))),
                                    readAll(QFile::decodeName(parts.value(2)))};
    for (int i = 0;; ++i) {
        const TagValues values{.title = i % 2 ? u"Second title"_s : u"First title"_s};
        if (!(path.endsWith(u".flac"_s) ? FLACTagEditor::writeTagsNow(path, values)
                                        : atomicfile::replaceContents(path, contents[i % 2]))
                 .ok()) {
            return 1;
        }
        if (i == 0) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
});

// A process killed at a random moment of a rewrite leaves the old file or a complete new one, and at most
// one temporary file of ours, which the launch sweep removes; so does a FLAC save, which copies the audio.
TEST(KilledWriter, LeavesTheOldOrTheNewFileNeverAMix) {
    ScratchDir dir;
    QProcess ffmpeg; // half a minute of noise: a few megabytes to copy on every save
    ffmpeg.start(u"ffmpeg"_s, {u"-nostdin"_s, u"-loglevel"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                               u"anoisesrc=duration=30:sample_rate=44100"_s, u"-c:a"_s, u"flac"_s,
                               dir.filePath(u"noise.flac"_s)});
    ASSERT_TRUE(ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0);
    const QByteArray flac = readAll(dir.filePath(u"noise.flac"_s));
    QList<QByteArray> flacOutcomes{flac};
    for (const QString& title : {u"First title"_s, u"Second title"_s}) {
        const QString copy = dir.write(u"outcome.flac"_s, flac);
        ASSERT_TRUE(FLACTagEditor::writeTagsNow(copy, TagValues{.title = title}).ok());
        flacOutcomes.append(readAll(copy));
    }
    const QList<QByteArray> outcomes = {randomBytes(1, 12 << 20), randomBytes(2, 9 << 20),
                                        randomBytes(3, 11 << 20)};
    const QByteArray sources = '|' + QFile::encodeName(dir.write(u"first"_s, outcomes[1])) + '|' +
                               QFile::encodeName(dir.write(u"second"_s, outcomes[2]));
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const bool isFlac = round % 2;
        const QString path = dir.filePath(isFlac ? u"victim.flac"_s : u"victim"_s);
        ASSERT_TRUE(writeAll(path, isFlac ? flac : outcomes[0]));
        QProcess child;
        ChildMain::start(child, "rewrite-forever", QFile::encodeName(path) + sources);
        ASSERT_TRUE(child.waitForStarted());
        const QDeadlineTimer deadline(60000);
        while (!child.readAllStandardOutput().contains("ready") && !deadline.hasExpired()) {
            ASSERT_NE(child.state(), QProcess::NotRunning) << child.readAllStandardError().toStdString();
            child.waitForReadyRead(100);
        }
        QThread::msleep(QRandomGenerator::global()->bounded(5u, 300u));
        child.kill(); // SIGKILL
        ASSERT_TRUE(child.waitForFinished());
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        // The child had finished a write, so the file holds one of the new contents, whole.
        EXPECT_GE((isFlac ? flacOutcomes : outcomes).indexOf(readAll(path)), isFlac ? 0 : 1)
            << "the file holds bytes of no complete write";
        const qsizetype leftovers = temporaryFiles(dir.path()).size();
        EXPECT_LE(leftovers, 1);
        EXPECT_EQ(atomicfile::sweepStaleTemporaryFiles(dir.path(), -1), leftovers);
        EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty());
    }
}

// A write the file system cuts short (a full disk, here the file size limit) fails with the system's
// reason, leaving the original and no temporary file.
TEST(AtomicFile, AShortWriteLeavesTheOriginal) {
    ScratchDir dir;
    const QByteArray original = mp3Audio(4);
    const QString path = dir.write(u"full.mp3"_s, original);
    const TagValues values{.title = u"Too big"_s, .coverImage = imageBytes(Qt::darkRed, 600, 600)};

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN); // else the signal ends the process
    struct rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(original.size() + 1024);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const TagStatus direct = atomicfile::replaceContents(path, QByteArray(original.size() * 4, 'x'));
    const TagStatus tagged = MP3TagEditor::writeTagsNow(path, values);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    for (const TagStatus& status : {direct, tagged}) {
        EXPECT_EQ(status.error, TagError::platform);
        EXPECT_TRUE(status.message.contains(u".mp3"_s)) << status.message.toStdString();
    }
    EXPECT_EQ(readAll(path), original);
    EXPECT_EQ(entries(dir.path()), QStringList{u"full.mp3"_s});
}

// Sets or clears the append-only attribute of a folder (chattr +a); false where it cannot be set (not
// root, or a container that forbids it).
bool setAppendOnly(const QString& folder, bool on) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    const bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                      (flags = on ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL, true) &&
                      ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

using FileAction = void (*)(const QString& path);
FileAction duringSave = nullptr;
std::optional<QByteArray> leftByOthers; // what the file held once the other program was done

// Another program saving over the file, by a rename as careful programs do.
void saveOver(const QString& path, const QByteArray& bytes) {
    writeAll(path + u".theirs"_s, bytes);
    ::rename(QFile::encodeName(path + u".theirs"_s).constData(), QFile::encodeName(path).constData());
}

// Another program changes the file while the new one is being flushed (which takes seconds on a USB
// stick), or the folder cannot take the rename: the file stays as the other program made it, the song
// is not written, and no temporary file of ours is left, or the one the system keeps is named.
TEST(AtomicFile, AFileChangedOnDiskDuringTheSaveIsLeftAsTheOtherProgramMadeIt) {
    const struct {
        const char* name;
        FileAction during;
        bool appendOnly = false; // the folder, from the start
        TagError error = TagError::writeFailure;
        const char* reason = "changed on disk";
    } rows[] = {
        {"saved by another program", [](const QString& p) { saveOver(p, "their version"); }},
        // Our tag over the other file's audio would match neither version.
        {"replaced by a file of the same size",
         [](const QString& p) { saveOver(p, QByteArray(QFileInfo(p).size(), 'x')); }},
        {"removed", [](const QString& p) { QFile::remove(p); }},
        {"grown in place", [](const QString& p) { writeAll(p, readAll(p) + "more"); }},
        {"append-only folder", nullptr, true, TagError::writeFailure, "does not allow changes"},
        {"folder made append-only", [](const QString& p) { setAppendOnly(QFileInfo(p).path(), true); }, false,
         TagError::platform, "could not be removed"},
    };
    const ScratchDir probe;
    const bool appendOnlyWorks = setAppendOnly(probe.path(), true) && setAppendOnly(probe.path(), false);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool platform = row.error == TagError::platform;
        if ((row.appendOnly || platform) && !appendOnlyWorks) {
            continue;
        }
        ScratchDir dir;
        const QString path = dir.write(u"song.mp3"_s, oldId3Tag() + mp3Audio(20));
        const std::optional<QByteArray> before = readAll(path);
        setAppendOnly(dir.path(), row.appendOnly);
        duringSave = row.during;
        leftByOthers = before;
        atomicfile::setBeforeReplacingHookForTests([](const QString& target) {
            if (duringSave) {
                duringSave(target);
            }
            leftByOthers = QFileInfo::exists(target) ? std::optional(readAll(target)) : std::nullopt;
        });
        const TagStatus status = MP3TagEditor::writeTagsNow(path, sampleValues());
        atomicfile::setBeforeReplacingHookForTests(nullptr);
        setAppendOnly(dir.path(), false);
        EXPECT_EQ(status.error, row.error);
        EXPECT_TRUE(status.message.contains(QLatin1String(row.reason))) << status.message.toStdString();
        EXPECT_EQ(QFileInfo::exists(path) ? std::optional(readAll(path)) : std::nullopt, leftByOthers);
        EXPECT_EQ(temporaryFiles(dir.path()).size(), platform ? 1 : 0);
    }
}

// Takes the identity of the user nobody, a member of the group users (100), while it lives; root's saved
// user id lets it come back.
class AsNobody {
public:
    AsNobody()
        : m_groups(::getgroups(0, nullptr), 0) {
        ::getgroups(int(m_groups.size()), m_groups.data());
        const gid_t users = 100;
        ok = ::setgroups(1, &users) == 0 && ::setresgid(65534, 65534, 0) == 0 &&
             ::setresuid(65534, 65534, 0) == 0;
    }
    ~AsNobody() {
        ::setresuid(0, 0, 0);
        ::setresgid(0, 0, 0);
        ::setgroups(m_groups.size(), m_groups.data());
    }
    bool ok = false;

private:
    std::vector<gid_t> m_groups;
};

// The new file gets the original's mode bits, setuid and setgid included, its owner and its group
// (files given away by root first, so that keeping them means giving the new file away; numbers are
// compared). A member of a shared folder's group saving another member's file keeps the group; a user
// who could keep neither is refused.
TEST(AtomicFile, ReplacementKeepsModeOwnerAndGroupOrRefuses) {
    const uid_t me = ::geteuid();
    const gid_t myGroup = ::getegid();
    const struct {
        const char* name;
        mode_t mode;
        uid_t owner;
        gid_t group;
        bool byNobody = false;
        bool saved = true;
    } rows[] = {
        {"0644", 0644, me, myGroup},
        {"0640", 0640, me, myGroup},
        {"0755", 0755, me, myGroup},
        {"setuid, given away", 04755, 65534, 65534},
        {"setgid, given away", 02755, 65534, 65534},
        {"another member's file of a shared group", 0664, 0, 100, true},
        {"another user's and group's file", 0666, 0, 0, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (me != 0 && (row.owner != me || row.byNobody)) {
            continue; // only root may give files away or take another user's identity
        }
        ScratchDir dir;
        const QString path = dir.write(u"song.mp3"_s, "old");
        const QByteArray native = QFile::encodeName(path);
        // Open to all, up to the root: the tests' private home is closed to others.
        for (QString up = dir.path(); up.size() > 1; up = QFileInfo(up).path()) {
            struct stat folder {};
            ::stat(QFile::encodeName(up).constData(), &folder);
            ::chmod(QFile::encodeName(up).constData(),
                    (folder.st_mode & 07777) | (up == dir.path() ? 0777 : 0111));
        }
        ASSERT_EQ(::chown(native.constData(), row.owner, row.group), 0);
        ASSERT_EQ(::chmod(native.constData(), row.mode), 0);
        std::optional<AsNobody> nobody;
        if (row.byNobody) {
            ASSERT_TRUE(nobody.emplace().ok);
        }
        const TagStatus status = atomicfile::replaceContents(path, "new");
        nobody.reset();
        EXPECT_EQ(status.ok(), row.saved) << status.message.toStdString();
        EXPECT_EQ(readAll(path), row.saved ? "new" : "old");
        struct stat after {};
        ASSERT_EQ(::stat(native.constData(), &after), 0);
        EXPECT_EQ(std::tuple(after.st_mode & 07777, after.st_uid, after.st_gid),
                  std::tuple(row.mode, row.byNobody && row.saved ? 65534 : row.owner, row.group));
        EXPECT_EQ(entries(dir.path()), QStringList{u"song.mp3"_s});
    }
}

// Temporary names keep a part of the file's name, cut where a character starts (exFAT and FAT refuse
// names that are not UTF-8), and fit the folder's name limit.
TEST(AtomicFile, TemporaryNamesKeepWholeCharactersWithinTheNameLimit) {
    const QByteArray cjk = u"曲"_s.repeated(30).toUtf8(); // three bytes each
    const struct {
        const char* name;
        QByteArray file;
        qsizetype limit;
        QByteArray kept;
    } rows[] = {
        {"short name", "song.mp3", 255, "song.mp3"},
        {"long name", QByteArray(100, 'a'), 255, QByteArray(64, 'a')},
        {"long name of three-byte characters", cjk, 255, cjk.left(63)},
        {"small name limit", QByteArray(100, 'a'), 40, QByteArray(40 - 14 - 7, 'a')},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(atomicfile::temporaryName(row.file, row.limit),
                  atomicfile::kTempPrefix + row.kept + ".XXXXXX")
            << row.name;
    }
}

// A pipe or a device in a song's place is refused at once: an ordinary open of a pipe waits for a
// writer, and /dev/zero never ends.
TEST(AtomicFile, OnlyRegularFilesAreOpened) {
    ScratchDir dir;
    const QString pipe = dir.filePath(u"pipe.wav"_s);
    const QString zero = dir.filePath(u"zero.mp3"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(u"/dev/zero"_s, zero));
    for (const QString& path : {pipe, zero}) {
        EXPECT_TRUE(atomicfile::readWholeFile(path).status.message.contains(u"not a regular file"_s));
        EXPECT_FALSE(atomicfile::SourceFile::open(path).ok());
    }
}

TEST(AtomicFile, SweepRemovesOnlyOldTemporaryFilesOfOurs) {
    ScratchDir dir;
    const QString stale = dir.write(QLatin1String(atomicfile::kTempPrefix) + u"song.mp3.abc123"_s, "x");
    const QString fresh = dir.write(QLatin1String(atomicfile::kTempPrefix) + u"song.mp3.def456"_s, "x");
    const QString foreign = dir.write(u"song.mp3"_s, "x");
    struct utimbuf old {};
    old.actime = old.modtime = std::time(nullptr) - 3600;
    ASSERT_EQ(::utime(QFile::encodeName(stale).constData(), &old), 0);
    ASSERT_EQ(::utime(QFile::encodeName(foreign).constData(), &old), 0);
    EXPECT_EQ(atomicfile::sweepStaleTemporaryFiles(dir.path(), 600), 1);
    EXPECT_EQ(entries(dir.path()), (QStringList{QFileInfo(fresh).fileName(), u"song.mp3"_s}));
}

} // namespace
