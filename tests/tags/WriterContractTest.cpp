// SPDX-License-Identifier: GPL-3.0-or-later
// What every tag writer promises: tags read back through TagLib, audio untouched, the file replaced in
// one step with all around it kept (even when the writer is killed), damaged files and unusable places
// refused with all as it was; and the M4A writer's own rules.
#include "model/Paths.h"
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "tags/AIFFTagEditor.h"
#include "tags/AtomicFile.h"
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
#include <grp.h>
#include <gtest/gtest.h>
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
    EXPECT_EQ(qs(read.tag->album()), u"Album"_s);
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

// A write keeps the file's permission bits and owner; a second write of the same values changes no byte.
TEST_P(Writers, ASecondWriteChangesNoByte) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString path = dir.write(fileName(writer), writer.file);
    ASSERT_TRUE(giveAway(path, strangerIfRoot(), strangerIfRoot(), 0644));
    const auto owned = ownership(path);
    TagValues values = sampleValues();
    values.coverImage = imageBytes(QColor(0, 0, 255, 128), 400, 400, "PNG");
    ASSERT_TRUE(writer.write(path, values).ok());
    EXPECT_EQ(ownership(path), owned);
    const QByteArray first = readAll(path);
    ASSERT_TRUE(writer.write(path, values).ok());
    EXPECT_EQ(readAll(path), first);
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
        // Files of other kinds named .mp3 get no tag put in front of them.
        {"mp3: ten bytes starting with ID3", raw("ID3\x04\0\0\0\0\x01\0"), bad},
        {"mp3: random bytes", notId3, bad, "not an MP3"},
        {"mp3: a picture", imageBytes(Qt::red, 8, 8, "PNG"), bad},
        {"mp3: empty", {}, bad},
        {"mp3: audio after zero bytes", QByteArray(100, '\0') + mp3Audio(2), written},
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
        {"year 2099 is written", plain, TagValues{.year = 2099}, "©day=2099"},
        {"year 2100 removes the date", tagged, TagValues{.year = 2100},
         "©day=|©alb=Fixture Album|©cmt=Recorded live"},
        {"empty title removes it", tagged, TagValues{.title = QString(), .artist = u"X"_s}, "©nam=|©ART=X"},
        {"one field leaves the others", tagged, TagValues{.genre = u"Pop"_s},
         "©nam=Morning Tune|©ART=The Testers|©day=1999|©gen=Pop|©cmt=Recorded live|©alb=Fixture Album"},
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
        {"size 0: the last box runs to the end of the file", ftyp + moov + be32(0) + "mdatabc", true},
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

// The child of the kill tests: replaces the head of the file of the job ("path|first|second") forever,
// alternating between the contents of two files, over the rest of the file, which the kernel copies as
// a writer copies the audio; it says "ready" after the first complete write.
const ChildMain rewriteForever("rewrite-forever", [](const QByteArray& job) {
    const QList<QByteArray> parts = job.split('|');
    const QString path = QFile::decodeName(parts.value(0));
    // Read once, so that nearly all the time goes into rewriting the file.
    const QByteArray contents[2] = {readAll(QFile::decodeName(parts.value(1))),
                                    readAll(QFile::decodeName(parts.value(2)))};
    for (int i = 0;; ++i) {
        TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(path);
        if (!file.ok() || !file.value->replaceHead(contents[i % 2], contents[i % 2].size()).ok()) {
            return 1;
        }
        if (i == 0) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
});

// A process killed at a random moment of a rewrite leaves the old file or a complete new one, and at most
// one temporary file of ours, which the launch sweep removes.
TEST(KilledWriter, LeavesTheOldOrTheNewFileNeverAMix) {
    ScratchDir dir;
    const QByteArray heads[] = {randomBytes(2, 1 << 20), randomBytes(3, 1 << 20)};
    const QByteArray old = randomBytes(1, 12 << 20);
    const QList<QByteArray> outcomes = {old, heads[0] + old.mid(1 << 20), heads[1] + old.mid(1 << 20)};
    const QByteArray sources = '|' + QFile::encodeName(dir.write(u"first"_s, heads[0])) + '|' +
                               QFile::encodeName(dir.write(u"second"_s, heads[1]));
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const QString path = dir.filePath(u"victim"_s);
        ASSERT_TRUE(writeAll(path, old));
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
        EXPECT_GE(outcomes.indexOf(readAll(path)), 1) << "the file holds bytes of no complete write";
        const qsizetype leftovers = entries(dir.path()).filter(QLatin1String(atomicfile::kTempPrefix)).size();
        EXPECT_LE(leftovers, 1);
        EXPECT_EQ(atomicfile::sweepStaleTemporaryFiles(dir.path(), -1), leftovers);
        EXPECT_TRUE(entries(dir.path()).filter(QLatin1String(atomicfile::kTempPrefix)).isEmpty());
    }
}

// Sets or clears chattr's append-only attribute of the file's folder; false where that cannot be done.
bool setAppendOnly(const QString& file, bool on) {
    return QProcess::execute(u"chattr"_s, {on ? u"+a"_s : u"-a"_s, QFileInfo(file).path()}) == 0;
}

// Another program saving over the file.
bool saveOver(const QString& path, const QByteArray& bytes) {
    return writeAll(path + u"~"_s, bytes) && QFile::remove(path) && QFile::rename(path + u"~"_s, path);
}

using FileAction = bool (*)(const QString& path);
FileAction duringSave = nullptr;
std::optional<QByteArray> leftByOthers; // what the file held once the other program was done
std::optional<Unwritable> lock;
const struct rlimit smallFiles = {4096, RLIM_INFINITY};

// A new head over a file's rest, saved through a link under faults: a place that cannot take it is
// refused first; another program's change during the flush (seconds on a USB stick), a full disk, a
// rename the folder refuses leave the file as the other program left it, with no temporary file but one
// the system keeps, which is named. A save keeps extended attributes (the ACL), mode bits, owner and
// group (given away first as root), or the group alone for another member of a shared group, else it
// is refused. Rows that cannot be staged here are skipped.
TEST(AtomicFile, SavesUnderFaultsReplaceOnlyTheFileReadAndKeepItsOwnership) {
    const std::optional<TagError> saved;
    const char* changed = "changed on disk";
    const struct {
        const char* name;
        const char* reason; // a part of the message
        FileAction before;
        FileAction during = nullptr;
        std::optional<TagError> error = TagError::writeFailure;
        bool byNobody = false; // saved as the user nobody, a member of the group users (100)
    } rows[] = {
        {"read-only file", "is read-only", [](auto& p) { return lock.emplace(p).active(); }},
        {"read-only folder", "does not allow changes",
         [](auto& p) { return lock.emplace(QFileInfo(p).path()).active(); }},
        {"append-only folder", "does not allow changes", [](auto& p) { return setAppendOnly(p, true); }},
        {"missing file", "does not exist", [](auto& p) { return QFile::remove(p); }},
        {"folder in its place", "is a folder", [](auto& p) { return QFile::remove(p) && QDir(p).mkpath(p); }},
        {"saved by another program", changed, nullptr, [](auto& p) { return saveOver(p, "theirs"); }},
        // Our head over the other file's rest would match neither version.
        {"replaced by a file of the same size", changed, nullptr,
         [](auto& p) { return saveOver(p, QByteArray(QFileInfo(p).size(), 'x')); }},
        {"removed", changed, nullptr, [](auto& p) { return QFile::remove(p); }},
        {"grown in place", changed, nullptr, [](auto& p) { return writeAll(p, readAll(p) + "+"); }},
        {"disk full", "File too large", [](auto&) { return ::setrlimit(RLIMIT_FSIZE, &smallFiles) == 0; },
         nullptr, TagError::platform},
        {"folder made append-only", "could not be removed",
         [](auto& p) { return setAppendOnly(p, true) && setAppendOnly(p, false); },
         [](auto& p) { return setAppendOnly(p, true); }, TagError::platform},
        {"0640", "", [](auto& p) { return giveAway(p, -1, -1, 0640); }, nullptr, saved},
        {"setuid, given away", "", [](auto& p) { return giveAway(p, 65534, 65534, 04755); }, nullptr, saved},
        {"a shared group's file", "", [](auto& p) { return giveAway(p, 0, 100, 0664); }, nullptr, saved,
         true},
        {"another user's and group's file", "belongs to another user",
         [](auto& p) { return giveAway(p, 0, 0, 0666); }, nullptr, TagError::writeFailure, true},
    };
    struct rlimit fileSizeLimit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &fileSizeLimit), 0);
    std::signal(SIGXFSZ, SIG_IGN); // else the signal ends the process
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        const QString path = dir.write(u"real/song.mp3"_s, "OLD" + randomBytes(1, 8192));
        const QString folder = QFileInfo(path).path();
        if (!QFile::link(path, dir.filePath(u"link.mp3"_s)) || (row.before && !row.before(path))) {
            continue;
        }
        const QStringList dump = {u"--absolute-names"_s, u"-d"_s, u"-m"_s, u"-"_s, u"-e"_s, u"hex"_s, path};
        if (!row.error) { // the ACL, which carries the permission bits, only where those are not the point
            runTool(u"setfattr"_s,
                    {u"-n"_s, u"user.xdg.origin.url"_s, u"-v"_s, u"https://example.org/"_s, path});
            (void)(row.byNobody && runTool(u"setfacl"_s, {u"-m"_s, u"u:1:r"_s, path}).isEmpty());
        }
        struct stat before {};
        ::stat(QFile::encodeName(path).constData(), &before);
        const QString attributes = row.error ? QString() : runTool(u"getfattr"_s, dump);
        duringSave = row.during;
        leftByOthers = QFileInfo(path).isFile() ? std::optional(readAll(path)) : std::nullopt;
        atomicfile::setBeforeReplacingHookForTests([](const QString& target) {
            (void)(duringSave && duringSave(target));
            leftByOthers = QFileInfo(target).isFile() ? std::optional(readAll(target)) : std::nullopt;
        });
        const gid_t users = 100;
        // Open to nobody up to the root: the tests' private home is closed to others. Bits are only added.
        for (QString up = folder; row.byNobody && up.size() > 1; up = QFileInfo(up).path()) {
            const QByteArray name = QFile::encodeName(up);
            const mode_t open = up == folder ? 0777 : 0111;
            struct stat info {};
            ASSERT_TRUE(::stat(name.constData(), &info) == 0 &&
                        ((info.st_mode & open) == open ||
                         ::chmod(name.constData(), (info.st_mode & 07777) | open) == 0));
        }
        ASSERT_TRUE(!row.byNobody || (::setgroups(1, &users) == 0 && ::setresgid(65534, 65534, 0) == 0 &&
                                      ::setresuid(65534, 65534, 0) == 0));
        TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(dir.filePath(u"link.mp3"_s));
        const TagStatus status = file.ok() ? file.value->replaceHead("NEW", 3) : file.status;
        ASSERT_TRUE(!row.byNobody || (::setresuid(0, 0, 0) == 0 && ::setresgid(0, 0, 0) == 0));
        ::setrlimit(RLIMIT_FSIZE, &fileSizeLimit);
        setAppendOnly(path, false);
        lock.reset();
        atomicfile::setBeforeReplacingHookForTests(nullptr);

        EXPECT_EQ(status.error, row.error);
        EXPECT_TRUE(status.message.contains(QLatin1String(row.reason)) &&
                    (status.ok() || status.message.contains(u"link.mp3"_s)))
            << status.message.toStdString();
        struct stat after {};
        if (status.ok() && ::stat(QFile::encodeName(path).constData(), &after) == 0) {
            EXPECT_EQ(readAll(path), "NEW" + leftByOthers.value_or("").mid(3));
            EXPECT_EQ(std::tuple(after.st_mode & 07777, after.st_uid, after.st_gid,
                                 after.st_ino == before.st_ino, runTool(u"getfattr"_s, dump)),
                      std::tuple(before.st_mode & 07777, row.byNobody ? 65534 : before.st_uid, before.st_gid,
                                 false, attributes));
        } else {
            EXPECT_EQ(QFileInfo(path).isFile() ? std::optional(readAll(path)) : std::nullopt, leftByOthers);
        }
        EXPECT_EQ(entries(folder).filter(QLatin1String(atomicfile::kTempPrefix)).size(),
                  QByteArrayView(row.reason).contains("removed") ? 1 : 0);
    }
}

// Temporary names keep a part of the file's name, cut where a character starts (exFAT and FAT refuse
// names that are not UTF-8), and fit the folder's name limit.
TEST(AtomicFile, TemporaryNamesKeepWholeCharactersWithinTheNameLimit) {
    const std::tuple<const char*, QByteArray, qsizetype, QByteArray> rows[] = {
        {"long name", QByteArray(100, 'a'), 255, QByteArray(64, 'a')},
        {"three-byte characters", u"曲"_s.repeated(30).toUtf8(), 255, u"曲"_s.repeated(21).toUtf8()},
        {"small name limit", QByteArray(100, 'a'), 40, QByteArray(40 - 14 - 7, 'a')},
    };
    for (const auto& [name, file, limit, kept] : rows) {
        EXPECT_EQ(atomicfile::temporaryName(file, limit), atomicfile::kTempPrefix + kept + ".XXXXXX") << name;
    }
}

} // namespace
