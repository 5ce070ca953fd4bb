// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Song.h"

#include "model/CoverStore.h"
#include "model/Year.h"

#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>
#include <tuple>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

Song sampleSong() {
    return {.id = QUuid::createUuid(),
            .url = QUrl::fromLocalFile(u"/music/Artist - Title.mp3"_s),
            .name = u"Title"_s,
            .artist = u"Artist"_s,
            .duration = 183.5,
            .coverImagePath = u"/tmp/cover.jpg"_s,
            .bookmarkData = "/music/Artist - Title.mp3"_ba,
            .year = 1999,
            .hasID3Tags = true,
            .fileExtension = u"mp3"_s,
            .genre = u"Jazz"_s,
            .rating = 4,
            .bpm = 120,
            .isMetadataLoaded = true,
            .album = u"LP"_s,
            .albumArtist = u"Various"_s,
            .track = {3, 12},
            .disc = {1, 2},
            .fileValues = std::nullopt};
}

} // namespace

TEST(SongJson, RoundTripKeepsEveryFieldButTheLoadedFlagAndOptionalKeysReadAsDefaults) {
    QJsonObject object = toJson(sampleSong());
    EXPECT_EQ(object.keys().size(), 20);
    const auto read = songFromJson(object);
    ASSERT_TRUE(read);
    QJsonObject expected = object;
    expected.insert(QStringLiteral("isMetadataLoaded"), false);
    EXPECT_EQ(toJson(*read), expected);
    EXPECT_FALSE(read->isMetadataLoaded);

    // A folder stored before albums and track numbers were known reads with none.
    for (const char* key : {"genre", "rating", "bpm", "hasID3Tags", "coverImagePath", "isMetadataLoaded",
                            "album", "albumArtist", "track", "trackTotal", "disc", "discTotal"}) {
        object.remove(QLatin1String(key));
    }
    const auto defaults = songFromJson(object);
    ASSERT_TRUE(defaults);
    EXPECT_TRUE(defaults->genre.isEmpty() && defaults->album.isEmpty() && defaults->albumArtist.isEmpty());
    EXPECT_TRUE(defaults->track.isEmpty() && defaults->disc.isEmpty());
    EXPECT_EQ(QList<qint64>({defaults->rating, defaults->bpm}), QList<qint64>({0, 0}));
    EXPECT_FALSE(defaults->hasID3Tags);
    EXPECT_FALSE(defaults->coverImagePath);
}

TEST(SongJson, RequiredKeysAndTypesAreChecked) {
    for (const char* key :
         {"id", "url", "name", "artist", "duration", "bookmarkData", "year", "fileExtension"}) {
        QJsonObject object = toJson(sampleSong());
        object.remove(QLatin1String(key));
        QString error;
        EXPECT_FALSE(songFromJson(object, &error)) << key;
        EXPECT_TRUE(error.contains(QLatin1String(key))) << error.toStdString();
    }
    for (const auto& [key, value] :
         {std::pair{"year", QJsonValue(u"1999"_s)}, std::pair{"year", QJsonValue(1999.5)},
          std::pair{"bookmarkData", QJsonValue(u"not base64 !!"_s)}}) {
        QJsonObject object = toJson(sampleSong());
        object.insert(QLatin1String(key), value);
        EXPECT_FALSE(songFromJson(object)) << key;
    }
}

TEST(FolderJson, RoundTripAndFreshIds) {
    MusicFolder folder =
        MusicFolder::make(QUrl::fromLocalFile(QStringLiteral("/music/Albums")), {sampleSong()});
    EXPECT_EQ(folder.name, QStringLiteral("Albums"));
    const MusicFolder again = MusicFolder::make(folder.path, {});
    EXPECT_NE(folder.id, again.id);
    const QByteArray json = QJsonDocument(toJson(folder)).toJson();
    const auto read = folderFromJson(QJsonDocument::fromJson(json).object());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->id, folder.id);
    EXPECT_EQ(read->path, folder.path);
    ASSERT_EQ(read->songs.size(), 1);
    EXPECT_EQ(read->songs[0].id, folder.songs[0].id);
}

TEST(ExtractYear, FollowsTheTwoPatterns) {
    const std::pair<const char*, std::optional<int>> rows[] = {
        {"1999-03-01", 1999},
        {"2003", 2003},
        {"Released 1850", std::nullopt},
        {"", std::nullopt},
        {"12019", 2019},
        {"2003-05-12T07:00:00Z", 2003},
        {"1850 and 1999", 1999},
        {"year 21000", std::nullopt},
        {"2100", std::nullopt},
        {"2099", 2099},
    };
    for (const auto& [text, year] : rows) {
        EXPECT_EQ(extractYear(QString::fromUtf8(text)), year) << text;
    }
}

// Reference values of XXH64 with seed 0, as the xxHash library computes them.
TEST(CoverStore, HashIsXxh64) {
    QByteArray pattern;
    for (int i = 0; i < 3 * 256; ++i) {
        pattern.append(static_cast<char>(i % 256));
    }
    const std::tuple<const char*, QByteArray, quint64> rows[] = {
        {"empty", QByteArray(), 0xEF46DB3751D8E999ULL},
        {"short tail", QByteArrayLiteral("abc"), 0x44BC2CF5AD770999ULL},
        {"one word", QByteArrayLiteral("Quirella"), 0xF646966669F30556ULL},
        {"stripes and a byte", pattern + 'x', 0xF2CD34F433354CC5ULL},
        {"stripes, half a word and a byte", pattern + "xyzwq", 0xE83CAB87B3BADD6AULL},
        {"a stripe, two words and a byte",
         QByteArrayLiteral("abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLM"), 0x6DED3800D69AF8E9ULL},
    };
    for (const auto& [name, bytes, hash] : rows) {
        EXPECT_EQ(coverHash(bytes), hash) << name;
    }
}

TEST(CoverStore, SameBytesWriteOnceAndReuseThePath) {
    const QByteArray bytes = QByteArrayLiteral("\xff\xd8\xff picture bytes");
    const auto first = saveCoverToTemp(bytes, QStringLiteral("Cover"));
    ASSERT_TRUE(first);
    EXPECT_TRUE(QFileInfo(*first).fileName().startsWith(QStringLiteral("Cover_")));
    EXPECT_TRUE(first->endsWith(QStringLiteral(".jpg")));
    const QDateTime written = QFileInfo(*first).lastModified();
    EXPECT_EQ(saveCoverToTemp(bytes, QStringLiteral("Cover")), first);
    EXPECT_EQ(QFileInfo(*first).lastModified(), written);
    const auto other = saveCoverToTemp(bytes + 'x', QStringLiteral("Cover"));
    EXPECT_TRUE(other && *other != *first);
}
