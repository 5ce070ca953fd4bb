// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SongBuilder.h"

#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"
#include "tags/AIFFTagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/WAVTagEditor.h"

#include <QFileInfo>

#include <functional>
#include <gtest/gtest.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <tuple>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

TEST(ParseArtistTitle, SplitsAtTheFirstSeparatorThatLeavesTextOnBothSides) {
    const std::tuple<QString, QString, QString> cases[] = {
        {u"Daft Punk - One More Time"_s, u"Daft Punk"_s, u"One More Time"_s},
        // A spaced dash wins over the hyphen of a name.
        {u"Jay-Z – Song"_s, u"Jay-Z"_s, u"Song"_s},
        {u"Jay-Z — Song"_s, u"Jay-Z"_s, u"Song"_s},
        {u"AC-DC"_s, u"AC"_s, u"DC"_s},
        {u"Foo–Bar"_s, u"Foo"_s, u"Bar"_s},
        {u"A - B - C"_s, u"A"_s, u"B - C"_s},
        // Only the first occurrence of each separator is tried.
        {u" - Jay-Z"_s, QString(), u"- Jay-Z"_s},
        {u"-Intro"_s, QString(), u"-Intro"_s},
        {u"Outro-"_s, QString(), u"Outro-"_s},
        {u"  Plain Title \n"_s, QString(), u"Plain Title"_s},
    };
    for (const auto& [baseName, artist, title] : cases) {
        const ArtistTitle parsed = parseArtistTitle(baseName);
        EXPECT_EQ(parsed.artist + u'|' + parsed.title, artist + u'|' + title) << baseName.toStdString();
    }
}

struct Expected {
    QString name;
    QString artist;
    qint64 year = 0;
    QString genre;
    qint64 rating = 0;
    bool hasID3Tags = false;
    bool hasCover = false;
    QString extension;
};

struct BuildCase {
    const char* name;
    QString fileName;
    std::function<void(const QString& path)> prepare;
    Expected expected;
};

void writePlain(const QString& path) {
    writeAll(path, plainFile(QFileInfo(path).suffix()));
}

// A plain file tagged by one of our writers with every field and a cover.
template <TagStatus (*write)(const QString&, const TagValues&)>
void writeOurs(const QString& path) {
    writePlain(path);
    TagValues values = sampleValues();
    values.coverImage = imageBytes(Qt::red);
    ASSERT_TRUE(write(path, values).ok());
}

// Writes the bytes that `bytes` makes when the test runs.
template <typename Make>
std::function<void(const QString&)> contents(Make bytes) {
    return [bytes](const QString& path) { writeAll(path, QByteArray(bytes())); };
}

const Expected taggedByUs{u"Évening Song"_s, u"Ünïcode Band"_s, 2005, u"Rock"_s, 4, true, true, QString()};

Expected with(Expected expected, const char* extension) {
    expected.extension = QString::fromLatin1(extension);
    return expected;
}

const BuildCase buildCases[] = {
    {"mp3_by_our_writer", u"a.mp3"_s, writeOurs<&MP3TagEditor::writeTagsNow>, with(taggedByUs, "mp3")},
    {"mp3_back_cover_and_capital_extension",
     u"Daft Punk - One More Time.MP3"_s,
     contents([] { return id3Tag(id3Frame("APIC", apicBody(imageBytes(Qt::green), 4))) + mp3Audio(); }),
     {u"One More Time"_s, u"Daft Punk"_s, 0, QString(), 0, false, false, u"mp3"_s}},
    {"m4a_tagged",
     u"t.m4a"_s,
     contents([] { return dataFile(u"m4a-tagged.m4a"_s); }),
     {u"Morning Tune"_s, u"The Testers"_s, 1999, u"Jazz"_s, 0, true, false, u"m4a"_s}},
    {"m4a_freeform_integer_year",
     u"y.m4a"_s,
     [](const QString& path) {
         writeAll(path, dataFile(u"m4a-plain.m4a"_s));
         TagLib::MP4::File file(QFile::encodeName(path).constData());
         TagLib::ByteVectorList data;
         data.append(TagLib::ByteVector::fromShort(1994));
         TagLib::MP4::Item year(data);
         year.setAtomDataType(TagLib::MP4::TypeInteger);
         file.tag()->setItem("----:com.apple.iTunes:year", year);
         ASSERT_TRUE(file.save());
     },
     {u"y"_s, QString(), 1994, QString(), 0, false, false, u"m4a"_s}},
    {"wav_by_our_writer", u"w.wav"_s, writeOurs<&WAVTagEditor::writeTagsNow>, with(taggedByUs, "wav")},
    {"aif_by_our_writer", u"Song.aif"_s, writeOurs<&AIFFTagEditor::writeTagsNow>, with(taggedByUs, "aif")},
};

class SongBuilding : public ::testing::TestWithParam<BuildCase> {};

TEST_P(SongBuilding, EachFieldLandsWhereItsSourceSays) {
    const BuildCase& c = GetParam();
    const ScratchDir dir;
    const QString path = dir.filePath(c.fileName);
    c.prepare(path);
    const std::optional<Song> song = createSong(path);
    ASSERT_TRUE(song);
    const Expected& e = c.expected;
    EXPECT_EQ(song->name, e.name);
    EXPECT_EQ(song->artist, e.artist);
    EXPECT_EQ(song->year, e.year);
    EXPECT_EQ(song->genre, e.genre);
    EXPECT_EQ(song->rating, e.rating);
    EXPECT_EQ(song->hasID3Tags, e.hasID3Tags);
    // What a save compares with: the tags' own title, none where the file name gave it.
    EXPECT_EQ(song->fileValues->title, e.hasID3Tags ? e.name : QString());
    EXPECT_EQ(song->fileExtension, e.extension);
    EXPECT_EQ(song->coverImagePath.has_value(), e.hasCover);
    EXPECT_TRUE(!song->coverImagePath || QFileInfo::exists(*song->coverImagePath));
    EXPECT_GT(song->duration, 0.05);
    EXPECT_EQ(song->url, QUrl::fromLocalFile(path));
    EXPECT_EQ(song->bookmarkData, path.toUtf8());
    EXPECT_TRUE(song->isMetadataLoaded);
}

INSTANTIATE_TEST_SUITE_P(Files, SongBuilding, ::testing::ValuesIn(buildCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(SongBuilding, AFileThatCannotBeBookmarkedGivesNoSongAndAConsoleLine) {
    const ScratchDir dir;
    const WarningCapture console;
    EXPECT_FALSE(createSong(dir.filePath(u"gone.mp3"_s)));
    EXPECT_EQ(console.warnings(),
              QStringList{u"Error creating song from gone.mp3: The file “gone.mp3” doesn’t exist."_s});
}

using Writer = TagStatus (*)(const QString&, const TagValues&);

TEST(SongBuilding, AGenreWeWriteReadsBackAsWritten) {
    const struct {
        const char* extension;
        Writer write;
        QStringList genres;
    } formats[] = {
        // Texts that look like ID3v1 genre references to a reader that interprets them.
        {"mp3",
         &MP3TagEditor::writeTagsNow,
         {u"(Remix)"_s, u"(Live) Rock"_s, u"2000"_s, u"17"_s, u"(17)"_s, u"((17)"_s, u"(RX)"_s, u"Rock"_s}},
        {"aiff", &AIFFTagEditor::writeTagsNow, {u"(Remix)"_s, u"(Live) Rock"_s, u"2000"_s, u"17"_s}},
        // Beyond Latin-1 the WAV INFO list holds no genre, so the ID3 chunk's is read.
        {"wav", &WAVTagEditor::writeTagsNow, {u"(Remix) 東京"_s, u"(17)東京"_s}},
    };
    const ScratchDir dir;
    for (const auto& format : formats) {
        for (const QString& genre : format.genres) {
            SCOPED_TRACE((genre + u" in "_s + QLatin1String(format.extension)).toStdString());
            const QString path = dir.filePath(u"g."_s + QLatin1String(format.extension));
            writePlain(path);
            TagValues values;
            values.genre = genre;
            ASSERT_TRUE(format.write(path, values).ok());
            EXPECT_EQ(createSong(path).value_or(Song{}).genre, genre);
        }
    }
}

} // namespace
