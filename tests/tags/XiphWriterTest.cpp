// FLAC, Ogg Vorbis and Opus: the rules by which Vorbis comments show and change, round trips on files
// tagged by TagLib and read back by TagLib, refusals that leave a damaged file as it was, and a writer
// killed in the middle of a FLAC save.
#include "support/AudioFiles.h"
#include "support/TestSupport.h"
#include "support/XiphFiles.h"
#include "tags/FLACTagEditor.h"
#include "tags/MediaReader.h"
#include "tags/OggTagEditor.h"
#include "tags/VorbisComment.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace quirella::test::xiph;
using namespace Qt::StringLiterals;

namespace {

TagStatus write(const QString& path, const TagValues& values) {
    return path.endsWith(u".flac"_s) ? FLACTagEditor::writeTagsNow(path, values)
                                     : OggTagEditor::writeTagsNow(path, values);
}

TagValues valuesOf(const vorbis::Shown& shown, std::optional<QByteArray> cover) {
    TagValues values;
    values.title = shown.title;
    values.artist = shown.artist;
    values.genre = shown.genre;
    values.year = shown.year;
    values.rating = shown.rating;
    values.coverImage = std::move(cover);
    return values;
}

struct RuleRow {
    const char* name;
    QList<QByteArray> comments;
    struct {
        QString title;
        QString genre;
        int year;
        int rating;
    } shown;
    TagValues values;
    QList<QByteArray> written;
};

TagValues with(std::optional<QString> title, std::optional<qint64> year, std::optional<qint64> rating,
               std::optional<QString> genre = std::nullopt) {
    TagValues values;
    values.title = std::move(title);
    values.year = year;
    values.rating = rating;
    values.genre = std::move(genre);
    return values;
}

class VorbisRules : public ::testing::TestWithParam<RuleRow> {};

TEST_P(VorbisRules, ShowAndChangeTheCommentsTheyRead) {
    const RuleRow& row = GetParam();
    const vorbis::Shown shown = vorbis::shownValues(row.comments);
    EXPECT_EQ(shown.title, row.shown.title);
    EXPECT_EQ(shown.genre, row.shown.genre);
    EXPECT_EQ(shown.year, row.shown.year);
    EXPECT_EQ(shown.rating, row.shown.rating);
    EXPECT_EQ(vorbis::withValues(row.comments, row.values), row.written);
    // What was written reads back as written.
    const vorbis::Shown reread = vorbis::shownValues(row.written);
    EXPECT_EQ(reread.title, row.values.title.value_or(shown.title));
    EXPECT_EQ(reread.genre, row.values.genre.value_or(shown.genre));
    EXPECT_EQ(reread.year, row.values.year.value_or(shown.year));
    EXPECT_EQ(reread.rating, row.values.rating.value_or(shown.rating));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VorbisRules,
    ::testing::Values(
        // Names without case; the first of several genres; a date's year; what is shown stays as stored.
        RuleRow{"UnchangedValuesStayAsStored",
                {"title=T", "GENRE=Rock", "GENRE=Pop", "DATE=1999-05-01", "RATING=60"},
                {u"T"_s, u"Rock"_s, 1999, 3},
                with(u"T"_s, 1999, 3, u"Rock"_s),
                {"title=T", "GENRE=Rock", "GENRE=Pop", "DATE=1999-05-01", "RATING=60"}},
        RuleRow{"AChangedFieldReplacesAllItsCommentsInPlace",
                {"GENRE=Rock", "X=1", "genre=Pop", "TITLE=a", "TITLE=b"},
                {u"a"_s, u"Rock"_s, 0, 0},
                with(u""_s, std::nullopt, std::nullopt, u"Jazz"_s),
                {"GENRE=Jazz", "X=1"}},
        // DATE without a year: YEAR is read, and goes when the year changes.
        RuleRow{"YearFromYearBecomesDate",
                {"DATE=05/01/1999", "YEAR=1998", "OTHER=x"},
                {{}, {}, 1998, 0},
                with(std::nullopt, 2001, std::nullopt),
                {"DATE=2001", "OTHER=x"}},
        RuleRow{"AChangedYearLeavesAnUnreadYear",
                {"DATE=2004", "YEAR=1990"},
                {{}, {}, 2004, 0},
                with(std::nullopt, 2010, std::nullopt),
                {"DATE=2010", "YEAR=1990"}},
        RuleRow{"AClearedYearStaysCleared",
                {"DATE=2004", "YEAR=1990"},
                {{}, {}, 2004, 0},
                with(std::nullopt, 0, std::nullopt),
                {}},
        // FMPS_RATING first; an unread RATING is left alone.
        RuleRow{"FmpsRatingFirst",
                {"RATING=2", "FMPS_RATING=0.7"},
                {{}, {}, 0, 4},
                with(std::nullopt, std::nullopt, 1),
                {"RATING=2", "FMPS_RATING=0.2"}},
        RuleRow{"RatingRewrittenInItsScale",
                {"RATING=4", "A=b"},
                {{}, {}, 0, 4},
                with(std::nullopt, std::nullopt, 5),
                {"RATING=5", "A=b", "FMPS_RATING=1.0"}},
        RuleRow{"ZeroStarsRemoveBoth",
                {"FMPS_RATING=0.4", "RATING=40", "A=b"},
                {{}, {}, 0, 2},
                with(std::nullopt, std::nullopt, 0),
                {"A=b"}},
        RuleRow{"OutOfRangeRatingsAreNone",
                {"FMPS_RATING=1.5", "RATING=101", "RATING=0"},
                {{}, {}, 0, 0},
                with(std::nullopt, std::nullopt, 0),
                {"FMPS_RATING=1.5", "RATING=101", "RATING=0"}}),
    [](const auto& row) { return std::string(row.param.name); });

// One file of each format, tagged by TagLib with everything a careful collection holds.
class XiphWriter : public ::testing::TestWithParam<const char*> {
protected:
    const QByteArray front = imageBytes(Qt::red, 40, 40);
    const QByteArray back = imageBytes(Qt::blue, 30, 30, "PNG");
    QList<std::pair<QByteArray, QByteArray>> comments = {
        {"TITLE", "Old Title"},
        {"ARTIST", "First"},
        {"ARTIST", "Second"},
        {"DATE", "1999-05-01"},
        {"GENRE", "Rock"},
        {"GENRE", "Pop"},
        {"RATING", "60"},
        {"REPLAYGAIN_TRACK_GAIN", "-3.20 dB"},
        {"MUSICBRAINZ_TRACKID", "c0ffee00-0000-4000-8000-000000000001"},
        {"LYRICS", "la la\nla"},
        {"X_CUSTOM", "Ünïcödé"}};
};

TEST_P(XiphWriter, ChangesOnlyWhatChangedAndKeepsEverythingElseByteForByte) {
    const ScratchDir dir;
    const QString path = taggedFile(dir, u"song."_s + QLatin1String(GetParam()), comments,
                                    {{4, "image/png", back}, {3, "image/jpeg", front}});
    ASSERT_FALSE(path.isEmpty());
    const Parts before = partsOf(path);
    ASSERT_TRUE(before.ok);

    // Loading shows the first title, artist and genre, the date's year, RATING 60 as three stars, and the
    // front cover although it is the second picture.
    const MediaMetadata loaded = readMediaMetadata(path, QFileInfo(path).suffix());
    ASSERT_TRUE(loaded.vorbisComments && loaded.common);
    const vorbis::Shown shown = vorbis::shownValues(*loaded.vorbisComments);
    EXPECT_EQ(shown.artist, u"First"_s);
    EXPECT_EQ(shown.genre, u"Rock"_s);
    EXPECT_EQ(shown.year, 1999);
    EXPECT_EQ(shown.rating, 3);
    EXPECT_EQ(loaded.common->artwork, front);
    EXPECT_GT(loaded.duration.value_or(0), 0.9);

    // What loading showed, written back, changes nothing at all.
    const QByteArray original = readAll(path);
    ASSERT_TRUE(write(path, valuesOf(shown, front)).ok());
    EXPECT_EQ(readAll(path), original);

    // A cover of noise: large enough to move the Ogg audio onto other page numbers.
    QImage noise(300, 300, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x) {
            noise.setPixel(x, y, QRandomGenerator::global()->generate());
        }
    }
    QByteArray noiseBytes;
    QBuffer buffer(&noiseBytes);
    buffer.open(QIODevice::WriteOnly);
    noise.save(&buffer, "PNG");
    TagValues changed = valuesOf(shown, noiseBytes);
    changed.title = u"Nouveau Titre"_s;
    changed.year = 2005;
    changed.genre = u"Jazz"_s;
    changed.rating = 5;
    const TagStatus status = write(path, changed);
    ASSERT_TRUE(status.ok()) << status.message.toStdString();
    const Parts after = partsOf(path);
    ASSERT_TRUE(after.ok);
    QList<QByteArray> expected = before.comments;
    expected.replace(expected.indexOf("TITLE=Old Title"), "TITLE=Nouveau Titre");
    expected.replace(expected.indexOf("DATE=1999-05-01"), "DATE=2005");
    expected.replace(expected.indexOf("GENRE=Rock"), "GENRE=Jazz");
    expected.removeOne("GENRE=Pop");
    expected.replace(expected.indexOf("RATING=60"), "RATING=100");
    expected.append("FMPS_RATING=1.0");
    EXPECT_EQ(after.comments, expected);
    EXPECT_EQ(after.vendor, before.vendor);
    EXPECT_EQ(after.audio, before.audio);
    if (!path.endsWith(u".flac"_s)) { // every page whole, numbered in sequence, its checksum right
        EXPECT_TRUE(OggTagEditor::pagesOf(ByteView(readAll(path))).ok());
    }
    ASSERT_EQ(after.pictures.size(), 2);
    EXPECT_EQ(after.pictures.at(0), before.pictures.at(0)); // the back cover
    EXPECT_EQ(after.pictures.at(1).type, 3);
    EXPECT_EQ(after.pictures.at(1).mimeType, "image/jpeg");
    EXPECT_NE(after.pictures.at(1).data, front);

    // TagLib reads what was written.
    const MediaMetadata reread = readMediaMetadata(path, QFileInfo(path).suffix());
    ASSERT_TRUE(reread.vorbisComments);
    const vorbis::Shown again = vorbis::shownValues(*reread.vorbisComments);
    EXPECT_EQ(again.title, u"Nouveau Titre"_s);
    EXPECT_EQ(again.year, 2005);
    EXPECT_EQ(again.rating, 5);
    EXPECT_EQ(reread.common->artwork, after.pictures.at(1).data);

    // Cleared values and no cover remove their comments and the front cover only.
    TagValues cleared = valuesOf(again, std::nullopt);
    cleared.title = QString();
    cleared.rating = 0;
    ASSERT_TRUE(write(path, cleared).ok());
    const Parts last = partsOf(path);
    EXPECT_FALSE(last.comments.contains("TITLE=Nouveau Titre"));
    EXPECT_FALSE(last.comments.contains("FMPS_RATING=1.0") || last.comments.contains("RATING=100"));
    EXPECT_EQ(last.pictures, QList<TestPicture>{before.pictures.at(0)});
    EXPECT_EQ(last.audio, before.audio);
}

// Damaged and cut-off files, other bytes, and a second stream are refused, and the file stays as it was.
TEST_P(XiphWriter, RefusesWhatItCannotWriteSafelyAndChangesNothing) {
    const ScratchDir dir;
    const QString extension = QLatin1String(GetParam());
    const QString source =
        taggedFile(dir, u"source."_s + extension, {{"TITLE", "T"}}, {{3, "image/jpeg", front}});
    const QByteArray good = readAll(source);
    QList<std::pair<const char*, QByteArray>> rows = {
        {"cut at 60%", good.left(good.size() * 6 / 10 + 1)},
        {"last byte missing", good.chopped(1)},
        {"bytes after the end", good + "junk"},
        {"random bytes", randomBytes(7, 4000)},
        {"empty", {}},
    };
    if (extension == u"flac") {
        QByteArray pastEnd = good;
        pastEnd[5] = '\x7F'; // STREAMINFO claims more bytes than the file holds
        rows.append({"a block past the end", pastEnd});
        rows.append({"no frame after the metadata", good.left(good.size() - partsOf(source).audio.size())});
    } else {
        QByteArray flipped = good;
        flipped[good.size() / 2] = static_cast<char>(flipped.at(good.size() / 2) ^ 0x5A);
        rows.append({"a damaged page", flipped});
        rows.append({"two streams", good + good});
    }
    TagValues values;
    values.title = u"Never"_s;
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        const QString path = dir.write(u"damaged."_s + extension, bytes);
        const TagStatus status = write(path, values);
        EXPECT_FALSE(status.ok());
        EXPECT_FALSE(status.message.isEmpty());
        EXPECT_EQ(readAll(path), bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, XiphWriter, ::testing::Values("flac", "ogg", "opus"),
                         [](const auto& row) { return std::string(row.param); });

// The child of the kill test: writes the title of the job's FLAC file forever, alternating between two.
const ChildMain flacForever("flac-forever", [](const QByteArray& job) {
    const QString path = QString::fromUtf8(job);
    TagValues values;
    for (int i = 0;; ++i) {
        values.title = i % 2 ? u"Second title"_s : u"First title"_s;
        if (!FLACTagEditor::writeTagsNow(path, values).ok()) {
            return 1;
        }
        if (i == 0) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
});

// A FLAC save killed at any moment leaves the old file or a whole new one.
TEST(XiphKill, AKilledFlacSaveLeavesAWholeFile) {
    const ScratchDir dir;
    const QString path = dir.filePath(u"long.flac"_s);
    // Half a minute of noise: a few megabytes to copy on every save.
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s, {u"-nostdin"_s, u"-loglevel"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                               u"anoisesrc=duration=30:sample_rate=44100"_s, u"-c:a"_s, u"flac"_s, path});
    ASSERT_TRUE(ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0);
    const QByteArray original = readAll(path);
    QList<QByteArray> outcomes{original};
    for (const QString& title : {u"First title"_s, u"Second title"_s}) {
        const QString copy = dir.write(u"outcome.flac"_s, original);
        TagValues values;
        values.title = title;
        ASSERT_TRUE(FLACTagEditor::writeTagsNow(copy, values).ok());
        outcomes.append(readAll(copy));
    }
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(writeAll(path, original));
        QProcess child;
        ChildMain::start(child, "flac-forever", QFile::encodeName(path));
        QElapsedTimer waited;
        waited.start();
        while (!child.readAllStandardOutput().contains("ready") && waited.elapsed() < 60000) {
            ASSERT_NE(child.state(), QProcess::NotRunning) << child.readAllStandardError().toStdString();
            child.waitForReadyRead(100);
        }
        QThread::msleep(QRandomGenerator::global()->bounded(5u, 200u));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        EXPECT_GE(outcomes.indexOf(readAll(path)), 0) << "the file matches no whole save";
    }
}

} // namespace
