// What every tag writer promises about files: the tags read back through TagLib with the audio
// untouched, a second write of the same values changes no byte, a link stays a link, and a place that
// cannot be written is refused with the file and its folder as they were.
#include "model/Paths.h"
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"
#include "tags/AIFFTagEditor.h"
#include "tags/Id3.h"
#include "tags/M4ATagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/WAVTagEditor.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

struct Writer {
    const char* name;
    const char* extension;
    QByteArray file;  // as the writer meets it, with an old tag where the format has one
    QByteArray audio; // what must come through a write byte for byte
    int sampleRate;
    bool writesAlbum;
    TagStatus (*write)(const QString& path, const TagValues& values);
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
    QByteArray body = id3Frame("TIT2", textBody("Old")) + id3Frame("TALB", textBody("Old album")) +
                      id3Frame("APIC", apicBody("front")) + id3Frame("TXXX", txxxBody("RATING", "5")) +
                      id3Frame("POPM", popmBody(255, "someone@else"));
    for (const QByteArray& frame : unmanagedFrames()) {
        body += frame;
    }
    return id3Tag(body);
}

TagStatus writeM4a(const QString& path, const TagValues& values) {
    return M4ATagEditor::writeTagsNow(path, values);
}

const Writer kWriters[] = {
    {"mp3", "mp3", oldId3Tag() + mp3Audio(200), mp3Audio(200), 44100, false, &MP3TagEditor::writeTagsNow,
     TagError::writeFailure},
    {"aiff", "aiff", aiffFile({aiffComm(4000), aiffChunk("ID3 ", oldId3Tag()), aiffSsnd(4000)}),
     aiffSsnd(4000), 8000, true, &AIFFTagEditor::writeTagsNow, TagError::writeFailure},
    {"wav", "wav", wavFile(infoList({{"IPRD", "Old album"}}) + wavChunk("ID3 ", oldId3Tag())),
     wavChunk("data", samples()), 8000, true, &WAVTagEditor::writeTagsNow, TagError::writeFailure},
    {"m4a", "m4a", dataFile(QStringLiteral("m4a-tagged.m4a")), {}, 0, true, &writeM4a, TagError::platform},
    // The movie box after the audio rather than before it.
    {"m4a_movie_last",
     "m4a",
     dataFile(QStringLiteral("m4a-plain.m4a")),
     {},
     0,
     true,
     &writeM4a,
     TagError::platform},
};

QString fileName(const Writer& writer) {
    return QStringLiteral("song.") + QLatin1String(writer.extension);
}

TagValues withCover(TagValues values) {
    values.coverImage = imageBytes(Qt::darkCyan, 600, 400);
    return values;
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

TEST_P(Id3Writers, WrittenFileReadsBackThroughTagLibWithUnmanagedFramesAndAudioUnchanged) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QByteArray original = writer.file;
    const QString path = dir.write(fileName(writer), original);
    TagValues values = withCover(sampleValues());
    values.album = QStringLiteral("Album");
    ASSERT_TRUE(writer.write(path, values).ok());

    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.contains(writer.audio));
    for (const QByteArray& frame : unmanagedFrames()) {
        EXPECT_TRUE(written.contains(frame)) << frame.left(4).constData();
    }
    const Id3File read = openId3(path);
    expectManagedFrames(read, values, QSize(300, 200));
    EXPECT_TRUE(read.userText("RATING").isEmpty());
    // The MP3 writer leaves the album alone; the others replace it when one is given.
    EXPECT_EQ(qs(read.tag->album()),
              writer.writesAlbum ? QStringLiteral("Album") : QStringLiteral("Old album"));
    EXPECT_EQ(read.frames("TALB").size(), 1u);
    ASSERT_TRUE(read.file->audioProperties());
    EXPECT_EQ(read.file->audioProperties()->sampleRate(), writer.sampleRate);
}

TEST_P(Writers, SameValuesTwiceGiveIdenticalFiles) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QByteArray original = writer.file;
    const QString path = dir.write(fileName(writer), original);
    TagValues values = sampleValues();
    values.coverImage = imageBytes(QColor(0, 0, 255, 128), 400, 400, "PNG");
    ASSERT_TRUE(writer.write(path, values).ok());
    const QByteArray first = readAll(path);
    EXPECT_NE(first, original);
    ASSERT_TRUE(writer.write(path, values).ok());
    EXPECT_EQ(readAll(path), first);
}

// A picture with transparency stays PNG (the WAV writer makes every cover a JPEG) and is declared by its
// true type; bytes that are no picture are left out.
TEST_P(Id3Writers, CoverIsDeclaredByItsTrueTypeOrLeftOutQuietly) {
    const Writer& writer = GetParam();
    const bool png = QByteArrayView(writer.name) != "wav";
    const struct {
        QByteArray cover;
        QString mime;
        QByteArray magic;
    } rows[] = {
        {imageBytes(QColor(0, 0, 255, 128), 64, 64, "PNG"), png ? u"image/png"_s : u"image/jpeg"_s,
         png ? "\x89PNG" : "\xFF\xD8\xFF"},
        {"not an image at all", {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mime.toStdString());
        ScratchDir dir;
        const QString path = dir.write(fileName(writer), writer.file);
        TagValues values = sampleValues();
        values.coverImage = row.cover;
        ASSERT_TRUE(writer.write(path, values).ok());
        const Id3File read = openId3(path);
        ASSERT_TRUE(read.tag);
        EXPECT_EQ(qs(read.tag->title()), *values.title);
        QStringList mimes;
        for (auto* frame : read.frames("APIC")) {
            const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
            if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
                mimes.append(qs(picture->mimeType()));
                EXPECT_TRUE(qb(picture->picture()).startsWith(row.magic));
            }
        }
        EXPECT_EQ(mimes, row.mime.isEmpty() ? QStringList() : QStringList{row.mime});
    }
}

TEST_P(Writers, LinkKeepsPointingAtTheRewrittenFileWithItsPermissions) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QByteArray original = writer.file;
    const QString target = dir.write(QStringLiteral("real/") + fileName(writer), original);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0604), 0);
    const QString link = dir.filePath(QStringLiteral("link.") + QLatin1String(writer.extension));
    ASSERT_TRUE(QFile::link(target, link));

    TagValues values;
    values.title = QStringLiteral("Through the link");
    ASSERT_TRUE(writer.write(link, values).ok());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_TRUE(readAll(target).contains("Through the link"));
    EXPECT_EQ(modeOf(target), 0604u);
    EXPECT_EQ(entries(dir.filePath(QStringLiteral("real"))), QStringList{fileName(writer)});
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

// Every extended attribute of the file, values included, as getfattr dumps them (ACLs among them).
QString attributeDump(const QString& path) {
    return runTool(QStringLiteral("getfattr"),
                   {QStringLiteral("--absolute-names"), QStringLiteral("-d"), QStringLiteral("-m"),
                    QStringLiteral("-"), QStringLiteral("-e"), QStringLiteral("hex"), path});
}

// What file managers keep in extended attributes (tags, comments, a download's origin) and the POSIX ACL
// come through the replacement of the file.
TEST_P(Writers, ExtendedAttributesAndAccessListSurvive) {
    const Writer& writer = GetParam();
    ScratchDir dir;
    const QString path = dir.write(fileName(writer), writer.file);
    const QList<std::pair<QString, QString>> attributes = {
        {QStringLiteral("user.xdg.comment"), QStringLiteral("Late night favourite")},
        {QStringLiteral("user.xdg.origin.url"), QStringLiteral("https://example.org/song")},
        {QStringLiteral("user.baloo.rating"), QStringLiteral("8")},
    };
    for (const auto& [name, value] : attributes) {
        runTool(QStringLiteral("setfattr"), {QStringLiteral("-n"), name, QStringLiteral("-v"), value, path});
    }
    runTool(QStringLiteral("setfacl"), {QStringLiteral("-m"), QStringLiteral("u:nobody:r"), path});
    // A security.* attribute is copied where the writer may set it (as root here), skipped elsewhere.
    QProcess::execute(QStringLiteral("setfattr"),
                      {QStringLiteral("-n"), QStringLiteral("security.quirella-test"), QStringLiteral("-v"),
                       QStringLiteral("kept"), path});
    const QString before = attributeDump(path);
    ASSERT_TRUE(before.contains(QStringLiteral("user.xdg.origin.url=")));
    ASSERT_TRUE(before.contains(QStringLiteral("system.posix_acl_access=")));

    const TagStatus status = writer.write(path, sampleValues());
    ASSERT_TRUE(status.ok()) << status.message.toStdString();
    EXPECT_NE(readAll(path), writer.file);
    EXPECT_EQ(attributeDump(path), before);
    EXPECT_TRUE(runTool(QStringLiteral("getfacl"), {QStringLiteral("-c"), path})
                    .contains(QStringLiteral("user:nobody:r--")));
}

TEST_P(Writers, UnusablePlacesAreRefusedAndNothingChanges) {
    const Writer& writer = GetParam();
    struct Place {
        const char* name;
        // Prepares the place inside the folder and returns the path to write.
        std::function<QString(const ScratchDir&)> prepare;
        TagError error;
        bool lockFile = false;
        bool lockFolder = false;
    };
    const QString name = fileName(writer);
    const QByteArray original = writer.file;
    const Place places[] = {
        {"read-only file", [&](const ScratchDir& d) { return d.write(name, original); },
         TagError::writeFailure, true},
        {"read-only folder",
         [&](const ScratchDir& d) { return d.write(QStringLiteral("sub/") + name, original); },
         TagError::writeFailure, false, true},
        {"missing file", [&](const ScratchDir& d) { return d.filePath(QStringLiteral("missing")); },
         writer.missingFile},
        {"folder in place of a file",
         [&](const ScratchDir& d) {
             QDir(d.path()).mkdir(name);
             return d.filePath(name);
         },
         TagError::writeFailure},
        {"dangling link",
         [&](const ScratchDir& d) {
             QFile::link(d.filePath(QStringLiteral("nowhere")), d.filePath(name));
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
        const TagStatus status = writer.write(path, withCover(sampleValues()));
        lock.reset();
        expectRefused(status, place.error, path, before);
        EXPECT_EQ(entries(folder), around);
        EXPECT_EQ(entries(paths::privateTempDir()), privateFiles);
    }
    const TagStatus missing =
        writer.write(QDir::tempPath() + QStringLiteral("/no-such-song"), sampleValues());
    EXPECT_TRUE(missing.message.contains(QStringLiteral("no-such-song"))) << missing.message.toStdString();
}

const auto rowName = [](const auto& row) { return std::string(row.param.name); };
INSTANTIATE_TEST_SUITE_P(All, Writers, ::testing::ValuesIn(kWriters), rowName);
INSTANTIATE_TEST_SUITE_P(All, Id3Writers, ::testing::ValuesIn(kWriters, kWriters + 3), rowName);

// Files tagged by another program (ffmpeg, see scripts/make-fixtures.sh): their unmanaged frames
// survive our write, the managed ones are replaced, and the sound stays.
TEST(Id3WritersOnForeignFiles, KeepOtherFramesAndTheSound) {
    for (const char* name : {"ffmpeg-v23.mp3", "ffmpeg-v24.mp3", "ffmpeg-tagged.aiff"}) {
        SCOPED_TRACE(name);
        const bool mp3 = QByteArrayView(name).endsWith("mp3");
        const QByteArray original = dataFile(QString::fromLatin1(name));
        ASSERT_FALSE(original.isEmpty());
        // The audio behind the MP3 tag, the sound data chunk of the AIFF file.
        QByteArray audio = original.mid(static_cast<qsizetype>(id3::tagEnd(original)));
        for (const Piece& chunk : mp3 ? QList<Piece>() : chunksOf(original, true)) {
            audio = chunk.id == "SSND" ? chunk.whole : audio;
        }
        ScratchDir dir;
        const QString path = dir.write(QString::fromLatin1(name), original);
        TagValues values;
        values.title = QStringLiteral("Ours");
        values.genre = QStringLiteral("Dub");
        values.rating = 1;
        ASSERT_TRUE((mp3 ? MP3TagEditor::writeTagsNow : AIFFTagEditor::writeTagsNow)(path, values).ok());
        EXPECT_TRUE(readAll(path).contains(audio));
        const Id3File read = openId3(path);
        expectManagedFrames(read, values, {});
        EXPECT_EQ(qs(read.tag->album()), QStringLiteral("Fixture Album"));
        EXPECT_EQ(read.tag->track(), 5u);
        EXPECT_EQ(read.userText("mood"), QStringLiteral("calm"));
        ASSERT_TRUE(read.file->audioProperties());
        EXPECT_NEAR(read.file->audioProperties()->lengthInMilliseconds(), 1000, 100);
    }
}

} // namespace
