// SPDX-License-Identifier: GPL-3.0-or-later
// Header clicks and undo on a full folder: sorting 1000 songs by every column in both directions, and
// twenty undo snapshots with undo and redo, as the view model does them on the UI thread.
#include "app/ContentViewModel.h"
#include "model/Columns.h"
#include "model/Sorting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

constexpr int songCount = 1000;
constexpr int rounds = 20;

// Names and genres as a real library has them: mixed case, accents, punctuation, shared prefixes.
QList<Song> library() {
    const QStringList first = {u"Émilie"_s, u"The"_s,    u"DJ"_s,      u"Los"_s, u"Ólafur"_s, u"Zoë"_s,
                               u"Sigur"_s,  u"Mötley"_s, u"Beyoncé"_s, u"the"_s, u"Café"_s,   u"Ångström"_s};
    const QStringList second = {u"Keys"_s,  u"Arnalds"_s,   u"Rós"_s,      u"Crüe"_s,    u"Tanaka"_s,
                                u"Lobos"_s, u"Orchestra"_s, u"Brothers"_s, u"del Mar"_s, u"Quartet"_s};
    const QStringList words = {u"Love"_s,  u"night"_s, u"Señorita"_s, u"(Remix)"_s, u"Été"_s,   u"Blue"_s,
                               u"über"_s,  u"River"_s, u"feat."_s,    u"Öresund"_s, u"dance"_s, u"Ça"_s,
                               u"Heart"_s, u"2000"_s,  u"Live"_s,     u"Naïve"_s};
    const QStringList genres = {u"Rock"_s, u"rock"_s,        u"Électro"_s, u"Jazz"_s, u"Hip-Hop"_s,
                                u""_s,     u"Drum & Bass"_s, u"Pop"_s,     u"Soul"_s, u"Musique concrète"_s};
    const QStringList extensions = {u"mp3"_s, u"m4a"_s, u"wav"_s, u"aiff"_s, u"aif"_s, u"flac"_s};
    QRandomGenerator random(42);
    QList<Song> songs;
    songs.reserve(songCount);
    for (int i = 0; i < songCount; ++i) {
        Song song;
        song.id = QUuid::createUuid();
        song.artist =
            first[random.bounded(int(first.size()))] + u' ' + second[random.bounded(int(second.size()))];
        const int wordCount = 1 + random.bounded(5);
        for (int w = 0; w < wordCount; ++w) {
            song.name += (w ? u" "_s : QString()) + words[random.bounded(int(words.size()))];
        }
        song.genre = genres[random.bounded(int(genres.size()))];
        song.fileExtension = extensions[random.bounded(int(extensions.size()))];
        song.url = QUrl::fromLocalFile(u"/home/user/Music/Library/"_s + song.artist + u" - "_s + song.name +
                                       u'.' + song.fileExtension);
        song.bookmarkData = song.url.toLocalFile().toUtf8();
        song.coverImagePath = u"/tmp/quirella-1000/Cover_%1.jpg"_s.arg(random.generate64());
        song.year = random.bounded(5) == 0 ? 0 : 1950 + random.bounded(75);
        song.rating = random.bounded(6);
        song.bpm = random.bounded(3) == 0 ? 0 : 60 + random.bounded(120);
        song.duration = 60 + random.bounded(480.0);
        song.isMetadataLoaded = true;
        songs.append(song);
    }
    return songs;
}

struct Figures {
    double median;
    double worst;
};

template <typename Work>
Figures measure(int repetitions, Work work) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

} // namespace

int main(int argc, char** argv) {
    // The view model stores the sort choice in the settings: keep the bench away from the user's own.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"Quirella"_s);
    QCoreApplication::setApplicationName(u"Quirella Bench"_s);

    const QList<Song> songs = library();
    std::printf("%d songs, collation locale %s, milliseconds (median / worst of %d)\n", songCount,
                qPrintable(collationLocale().name()), rounds);

    std::printf("\nsortSongs on a fresh copy of the folder\n");
    const QStringList sortable = {u"title"_s,  u"artist"_s, u"genre"_s,    u"year"_s,
                                  u"rating"_s, u"bpm"_s,    u"duration"_s, u"extension"_s};
    for (const QString& column : sortable) {
        for (const bool ascending : {true, false}) {
            const Figures figures = measure(rounds, [&] {
                QList<Song> copy = songs;
                sortSongs(copy, column, ascending);
            });
            std::printf("  %-10s %-10s %7.3f / %7.3f\n", qPrintable(column),
                        ascending ? "ascending" : "descending", figures.median, figures.worst);
        }
    }

    std::printf("\nContentViewModel::sortBy (sort, folder copy, visible list; preference store queued to its "
                "thread)\n");
    ContentViewModel model;
    model.setFolder(QUrl::fromLocalFile(u"/home/user/Music/Library"_s), songs);
    model.refreshAfterChange();
    for (const QString& column : sortable) {
        // Two clicks on the same header: ascending, then descending.
        std::vector<double> clicks[2];
        for (int i = 0; i < rounds; ++i) {
            model.sortBy(u"bpm"_s == column ? u"year"_s : u"bpm"_s);
            for (int direction = 0; direction < 2; ++direction) {
                QElapsedTimer clock;
                clock.start();
                model.sortBy(column);
                clicks[direction].push_back(double(clock.nsecsElapsed()) / 1e6);
            }
        }
        for (int direction = 0; direction < 2; ++direction) {
            std::sort(clicks[direction].begin(), clicks[direction].end());
            std::printf("  %-10s %-10s %7.3f / %7.3f\n", qPrintable(column),
                        direction == 0 ? "ascending" : "descending",
                        clicks[direction][clicks[direction].size() / 2], clicks[direction].back());
        }
    }

    std::printf("\nhistory: 20 inline edits (snapshot + row update), then 20 undos and 20 redos\n");
    const Figures edits = measure(rounds, [&] {
        for (int i = 0; i < 20; ++i) {
            model.commitEdit(model.visibleSongs().at(i).id, column::title, u"Edited title %1"_s.arg(i));
        }
    });
    const Figures undos = measure(rounds, [&] {
        for (int i = 0; i < 20; ++i) {
            model.undo();
        }
        for (int i = 0; i < 20; ++i) {
            model.redo();
        }
    });
    const Figures snapshots = measure(rounds, [&] {
        HistoryManager history;
        for (int i = 0; i < 20; ++i) {
            history.saveState(*model.currentFolder());
        }
    });
    std::printf("  20 commits          %7.3f / %7.3f\n", edits.median, edits.worst);
    std::printf("  20 undos + 20 redos %7.3f / %7.3f\n", undos.median, undos.worst);
    std::printf("  20 bare snapshots   %7.3f / %7.3f\n", snapshots.median, snapshots.worst);
    return 0;
}
