// SPDX-License-Identifier: GPL-3.0-or-later
// The bulk edits on a folder of 1000 songs in the real window on the offscreen platform: each operation
// as a user reaches it (undo snapshot, the change, the table's model reset and the repaint of the visible
// rows), then the undo that takes it back. Goal: every operation under 20 ms, the character clean-up
// under 50 ms, so the window never stutters.
#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "operations/BulkEditor.h"
#include "ui/BulkEditControls.h"
#include "ui/MainWindow.h"
#include "ui/SongTableView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

constexpr int songCount = 1000;
constexpr int rounds = 15;

// Titles and artists as folders bring them: accents, brackets, years, "feat.", web leftovers.
QList<Song> library() {
    const QStringList words = {u"Love"_s,  u"night"_s,   u"Señorita"_s, u"(Remix)"_s,
                               u"Été"_s,   u"Blue"_s,    u"über"_s,     u"[Official Video]"_s,
                               u"feat."_s, u"Öresund"_s, u"dance"_s,    u"Ça"_s,
                               u"HEART"_s, u"2000"_s,    u"(Live)"_s,   u"Naïve"_s,
                               u"of"_s,    u"the"_s,     u"r.e.m."_s,   u"www.music.com"_s};
    const QStringList artists = {u"Sigur Rós"_s,    u"Mötley Crüe"_s,      u"Ólafur Arnalds"_s,
                                 u"The Keys"_s,     u"Los Lobos"_s,        u"Beyoncé"_s,
                                 u"Café del Mar"_s, u"Zoë Tanaka & ABBA"_s};
    const QStringList genres = {u"Rock"_s, u"Électro"_s, u"Jazz"_s, u"Hip-Hop"_s, u""_s, u"Drum & Bass"_s};
    QRandomGenerator random(42);
    QList<Song> songs;
    for (int i = 0; i < songCount; ++i) {
        Song song;
        song.id = QUuid::createUuid();
        song.artist = artists[random.bounded(int(artists.size()))];
        const int wordCount = 2 + random.bounded(6);
        for (int w = 0; w < wordCount; ++w) {
            song.name += (w ? u" "_s : QString()) + words[random.bounded(int(words.size()))];
        }
        song.genre = genres[random.bounded(int(genres.size()))];
        song.fileExtension = u"mp3"_s;
        song.url = QUrl::fromLocalFile(u"/music/%1.mp3"_s.arg(i));
        song.bookmarkData = song.url.toLocalFile().toUtf8();
        song.year = 1950 + random.bounded(75);
        song.rating = random.bounded(6);
        song.duration = 200;
        song.isMetadataLoaded = true;
        songs.append(song);
    }
    return songs;
}

struct Timing {
    double median = 0;
    double worst = 0;
};

Timing summary(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

double millisecondsSince(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ProgressManager progress;
    ToastManager toasts;
    ui::MainWindow window(&progress, &toasts);
    window.resize(1100, 700);
    window.show();
    ContentViewModel& model = window.viewModel();
    model.setFolder(QUrl::fromLocalFile(u"/music"_s), library());
    model.refreshAfterChange();
    QApplication::processEvents();
    BulkEditor& editor = window.bulkEditing()->editor();
    const MusicFolder original = *model.currentFolder();
    QWidget* rows = window.songTable()->viewport();

    struct Case {
        const char* name;
        std::function<void()> run;
        double goal;
    };
    const QList<Case> cases = {
        {"clearColumn title", [&] { editor.clearColumn(u"title"); }, 20},
        {"clearColumn year", [&] { editor.clearColumn(u"year"); }, 20},
        {"uppercaseColumn artist", [&] { editor.uppercaseColumn(u"artist"); }, 20},
        {"titleCaseColumn title", [&] { editor.titleCaseColumn(u"title"); }, 20},
        {"replaceColumn genre", [&] { editor.replaceColumn(u"genre", u"Disco"_s); }, 20},
        {"replaceColumn year", [&] { editor.replaceColumn(u"year", u"2024"_s); }, 20},
        {"setGenreForAll", [&] { editor.setGenreForAll(u"Pop"_s); }, 20},
        {"setRatingForAll 3", [&] { editor.setRatingForAll(3); }, 20},
        {"clearRatings", [&] { editor.clearRatings(); }, 20},
        {"uppercaseAll", [&] { editor.uppercaseAll(); }, 20},
        {"titleCaseAll", [&] { editor.titleCaseAll(); }, 20},
        {"cleanCharactersInAllSongs", [&] { editor.cleanCharactersInAllSongs(); }, 50},
        {"replaceTextInFields (sheet)", [&] { editor.replaceTextInFields(u"feat."_s, u"ft."_s); }, 20},
        {"removeTerms, 10 terms (window)",
         [&] {
             editor.removeTerms({u"[Official Video]"_s, u"www.music.com"_s, u"feat."_s, u"(Live)"_s, u"Été"_s,
                                 u"über"_s, u"2000"_s, u"r.e.m."_s, u"HEART"_s, u"Ça"_s},
                                {});
         },
         20},
        {"swapArtistAndTitle (one row)", [&] { editor.swapArtistAndTitle(model.visibleSongs().at(500).id); },
         20},
    };

    std::printf("%-34s %10s %10s %10s %6s\n", "operation on 1000 songs", "median ms", "worst ms", "undo ms",
                "goal");
    bool allMet = true;
    for (const Case& c : cases) {
        std::vector<double> changes;
        std::vector<double> undos;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            c.run();
            rows->repaint();
            changes.push_back(millisecondsSince(timer));
            timer.restart();
            model.undo();
            rows->repaint();
            undos.push_back(millisecondsSince(timer));
        }
        const Timing change = summary(changes);
        const Timing undo = summary(undos);
        const bool met = change.median <= c.goal;
        allMet = allMet && met;
        std::printf("%-34s %10.2f %10.2f %10.2f %6.0f%s\n", c.name, change.median, change.worst, undo.median,
                    c.goal, met ? "" : "  (missed)");
        if (toJson(*model.currentFolder()) != toJson(original)) {
            std::printf("undo did not restore the folder after %s\n", c.name);
            return 1;
        }
    }
    return allMet ? 0 : 1;
}
