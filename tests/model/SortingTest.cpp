// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Sorting.h"

#include "model/Columns.h"

#include <QLocale>

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

using namespace quirella;

namespace {

Song song(const char* label, const char* name, const char* artist, const char* genre, qint64 year,
          qint64 rating, qint64 bpm, double duration, const char* extension) {
    Song s;
    s.id = QUuid::createUuid();
    s.url = QUrl::fromLocalFile(QStringLiteral("/music/") + QString::fromUtf8(label));
    s.name = QString::fromUtf8(name);
    s.artist = QString::fromUtf8(artist);
    s.duration = duration;
    s.year = year;
    s.fileExtension = QString::fromUtf8(extension);
    s.genre = QString::fromUtf8(genre);
    s.rating = rating;
    s.bpm = bpm;
    return s;
}

Song titled(const char* label, const char* name, const char* extension = "") {
    return song(label, name, "", "", 0, 0, 0, 0, extension);
}

// Each song differs from its neighbours in every column, with ties placed so that a stable sort is
// visible: d and e tie on title, b and e on artist, a and d on genre and rating, c and e on year, b and
// e on duration.
QList<Song> library() {
    QList<Song> songs{
        song("a", "zed", "Beta", "rock", 1999, 3, 120, 200.5, "mp3"),
        song("b", "émile", "alpha", "Jazz", 0, 5, 0, 61.0, "wav"),
        song("c", "Emile", "Gamma", "blues", 2024, 0, 95, 300.0, "aif"),
        song("d", "apple", "beta", "Rock", 1985, 3, 174, 12.25, "aiff"),
        song("e", "Apple", "ALPHA", "", 2024, 1, 60, 61.0, "m4a"),
    };
    // Albums "B" on two discs and "a" without a disc; b has no album and no numbers.
    const std::tuple<const char*, const char*, int, int> albums[] = {
        {"B", "x", 1, 2}, {"", "", 0, 0}, {"a", "", 0, 5}, {"B", "y", 1, 1}, {"B", "x", 2, 1}};
    for (qsizetype i = 0; i < songs.size(); ++i) {
        const auto& [album, albumArtist, disc, track] = albums[i];
        songs[i].album = QString::fromUtf8(album);
        songs[i].albumArtist = QString::fromUtf8(albumArtist);
        songs[i].disc = {disc, 0};
        songs[i].track = {track, 9};
    }
    return songs;
}

QString labels(const QList<Song>& songs) {
    QString text;
    for (const Song& s : songs) {
        text += s.url.fileName();
    }
    return text;
}

TEST(SortSongs, EveryColumnOrdersTheLibrary) {
    const std::tuple<const char*, const char*, const char*> rows[] = {
        // Case is ignored (apple = Apple keeps load order); the accent ranks after the plain letter.
        {"title", "decba", "abcde"},
        {"artist", "beadc", "cadbe"},
        {"genre", "ecbad", "adbce"},
        // Descending puts the newest first and songs without a year last.
        {"year", "bdace", "ceadb"},
        {"rating", "ceadb", "badec"},
        {"bpm", "becad", "daceb"},
        {"duration", "dbeac", "cabed"},
        {"extension", "cdeab", "baedc"},
        // By album, then disc, then track; without an album, or without a number, last when ascending.
        {"album", "cdaeb", "beadc"},
        {"albumArtist", "bcaed", "daebc"},
        {"track", "cdaeb", "beadc"},
        {"disc", "daebc", "cbead"},
        // An unknown column sorts by title.
        {"play", "decba", "abcde"},
    };
    for (const auto& [key, inOrder, reversed] : rows) {
        for (const bool ascending : {true, false}) {
            SCOPED_TRACE(::testing::Message() << key << (ascending ? " ascending" : " descending"));
            QList<Song> songs = library();
            sortSongs(songs, QString::fromLatin1(key), ascending,
                      QLocale(QLocale::English, QLocale::UnitedStates));
            EXPECT_EQ(labels(songs), QString::fromLatin1(ascending ? inOrder : reversed));
        }
    }
}

TEST(SortSongs, ExtensionsCompareByCodePointWithCapitalsFirst) {
    QList<Song> songs = {titled("a", "", "aiff"), titled("b", "", "MP3"), titled("c", "", "aif")};
    sortSongs(songs, column::extension, true);
    EXPECT_EQ(labels(songs), QStringLiteral("bca"));
}

TEST(SortSongs, DurationThatIsNotANumberRanksLowestWithoutBreakingTheSort) {
    QList<Song> songs;
    for (int i = 0; i < 40; ++i) {
        const double duration = i % 3 == 0 ? std::numeric_limits<double>::quiet_NaN() : double(100 - i);
        songs.append(song(i % 3 == 0 ? "n" : "x", "", "", "", 0, 0, 0, duration, ""));
    }
    sortSongs(songs, column::duration, true);
    for (qsizetype i = 0; i < songs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(std::isnan(songs[i].duration), i < 14);
        if (i > 14) {
            EXPECT_LE(songs[i - 1].duration, songs[i].duration);
        }
    }
}

// Test machines and minimal sessions often run in the C/POSIX locale, whose collation compares bytes.
TEST(SortSongs, CLocaleStillIgnoresCaseAndRanksAccentsWithTheirLetter) {
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    QList<Song> songs = {titled("z", "zed"), titled("E", "Émile"), titled("a", "apple"), titled("e", "emile"),
                         titled("A", "Apple")};
    sortSongs(songs, column::title, true);
    QLocale::setDefault(previous);
    EXPECT_EQ(labels(songs), QStringLiteral("aAeEz"));
}

} // namespace
