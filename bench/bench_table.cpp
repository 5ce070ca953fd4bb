// SPDX-License-Identifier: GPL-3.0-or-later
// The song table with a full folder: 1000 rows (or as many as the first argument says) in the real window
// on the offscreen platform. Times a header click (sort, model reset) and the repaint after it for every
// sortable column, and scrolling from the top to the bottom page by page, each page painted, first while
// the cover thumbnails are still being decoded in the background and again once they are cached.
#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "ui/MainWindow.h"
#include "ui/SongTableView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

int songCount = 1000; // bench_table [songs]
constexpr int coverCount = 60;
constexpr int rounds = 10;

// Distinct covers of a realistic size; about two songs in three have one.
QStringList writeCovers(const QString& folder) {
    QStringList paths;
    QRandomGenerator random(7);
    for (int i = 0; i < coverCount; ++i) {
        QImage cover(600, 600, QImage::Format_RGB32);
        cover.fill(QColor::fromHsv(random.bounded(360), 120 + random.bounded(120), 200));
        for (int stripe = 0; stripe < 600; stripe += 40) {
            cover.setPixelColor(stripe, stripe, Qt::white);
        }
        const QString path = folder + u"/Cover_%1.jpg"_s.arg(i);
        cover.save(path, "JPG", 85);
        paths.append(path);
    }
    return paths;
}

QList<Song> library(const QStringList& covers) {
    const QStringList words = {u"Love"_s,  u"night"_s, u"Señorita"_s, u"(Remix)"_s, u"Été"_s,   u"Blue"_s,
                               u"über"_s,  u"River"_s, u"feat."_s,    u"Öresund"_s, u"dance"_s, u"Ça"_s,
                               u"Heart"_s, u"2000"_s,  u"Live"_s,     u"Naïve"_s};
    const QStringList artists = {u"Sigur Rós"_s, u"Mötley Crüe"_s, u"Ólafur Arnalds"_s, u"The Keys"_s,
                                 u"Los Lobos"_s, u"Beyoncé"_s,     u"Café del Mar"_s,   u"Zoë Tanaka"_s};
    const QStringList genres = {u"Rock"_s, u"Électro"_s, u"Jazz"_s, u"Hip-Hop"_s, u""_s, u"Drum & Bass"_s};
    const QStringList extensions = {u"mp3"_s, u"m4a"_s, u"wav"_s, u"aiff"_s, u"flac"_s};
    QRandomGenerator random(42);
    QList<Song> songs;
    for (int i = 0; i < songCount; ++i) {
        Song song;
        song.id = QUuid::createUuid();
        song.artist = artists[random.bounded(int(artists.size()))];
        const int wordCount = 1 + random.bounded(5);
        for (int w = 0; w < wordCount; ++w) {
            song.name += (w ? u" "_s : QString()) + words[random.bounded(int(words.size()))];
        }
        song.genre = genres[random.bounded(int(genres.size()))];
        song.fileExtension = extensions[random.bounded(int(extensions.size()))];
        song.url = QUrl::fromLocalFile(u"/music/"_s + song.name + u'.' + song.fileExtension);
        song.bookmarkData = song.url.toLocalFile().toUtf8();
        if (random.bounded(3) != 0) {
            song.coverImagePath = covers[random.bounded(int(covers.size()))];
        }
        song.year = random.bounded(5) == 0 ? 0 : 1950 + random.bounded(75);
        song.rating = random.bounded(6);
        song.bpm = random.bounded(3) == 0 ? 0 : 60 + random.bounded(120);
        song.duration = 60 + random.bounded(1000.0);
        song.isMetadataLoaded = true;
        songs.append(song);
    }
    return songs;
}

// Runs the event loop for a while (the bench links no test library).
void spin(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

struct Figures {
    double median = 0;
    double worst = 0;
    double total = 0;
};

Figures summarise(std::vector<double> times) {
    Figures figures;
    if (times.empty()) {
        return figures;
    }
    for (const double time : times) {
        figures.total += time;
    }
    std::sort(times.begin(), times.end());
    figures.median = times[times.size() / 2];
    figures.worst = times.back();
    return figures;
}

template <typename Work>
double timed(Work work) {
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

// One pass from the top to the bottom, a page at a time, each page painted before the next.
Figures scrollThrough(ui::SongTableView& table, int* pages) {
    QScrollBar* bar = table.verticalScrollBar();
    bar->setValue(0);
    table.viewport()->repaint();
    std::vector<double> times;
    while (bar->value() < bar->maximum()) {
        times.push_back(timed([&] {
            bar->setValue(bar->value() + bar->pageStep());
            table.viewport()->repaint();
        }));
    }
    *pages = int(times.size());
    return summarise(std::move(times));
}

} // namespace

int main(int argc, char** argv) {
    // Keep the bench away from the user's settings, caches and display.
    const QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + u"/config"_s));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + u"/cache"_s));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + u"/data"_s));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path())); // QTemporaryDir makes it 0700
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc > 1) {
        songCount = std::max(1, QByteArray(argv[1]).toInt());
    }
    QApplication::setOrganizationName(u"Quirella"_s);
    QApplication::setApplicationName(u"Quirella Bench"_s);

    const QList<Song> songs = library(writeCovers(home.path()));
    ProgressManager progress;
    ToastManager toasts;
    ui::MainWindow window(&progress, &toasts);
    window.resize(1100, 700);
    window.show();
    spin(300);
    if (!window.windowHandle() || !window.windowHandle()->isExposed()) {
        std::fprintf(stderr, "the window was not exposed\n");
        return 1;
    }
    ui::SongTableView& table = *window.songTable();
    ContentViewModel& model = window.viewModel();

    const double load = timed([&] {
        model.setFolder(QUrl::fromLocalFile(u"/music"_s), songs);
        model.refreshAfterChange();
    });
    const double firstPaint = timed([&] { (void)window.grab(); });
    std::printf("%d songs in a %dx%d window, %d rows visible, platform %s\n", songCount, window.width(),
                window.height(), table.viewport()->height() / ui::SongTableView::rowHeight,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  folder set and model reset     %8.3f ms\n", load);
    std::printf("  first paint of the window      %8.3f ms (thumbnails not yet decoded)\n", firstPaint);

    int pages = 0;
    const Figures cold = scrollThrough(table, &pages);
    std::printf(
        "\nscrolling top to bottom, %d pages, each page set and painted (ms: median / worst / total)\n",
        pages);
    std::printf("  while covers decode      %8.3f / %8.3f / %8.3f\n", cold.median, cold.worst, cold.total);
    spin(1500); // let the background decoding finish
    const Figures warm = scrollThrough(table, &pages);
    std::printf("  with covers cached       %8.3f / %8.3f / %8.3f\n", warm.median, warm.worst, warm.total);

    std::printf("\nheader click (sortBy + model reset) and the repaint after it, %d rounds "
                "(ms: median / worst)\n",
                rounds);
    std::printf("  %-10s %-10s %19s %19s\n", "column", "direction", "sort + reset", "repaint");
    table.verticalScrollBar()->setValue(0);
    const QStringList sortable = {u"title"_s,  u"artist"_s, u"genre"_s,    u"year"_s,
                                  u"rating"_s, u"bpm"_s,    u"duration"_s, u"extension"_s};
    for (const QString& column : sortable) {
        std::vector<double> sorts[2];
        std::vector<double> paints[2];
        for (int i = 0; i < rounds; ++i) {
            model.sortBy(column == u"bpm"_s ? u"year"_s : u"bpm"_s); // the next click starts ascending
            for (int direction = 0; direction < 2; ++direction) {
                sorts[direction].push_back(timed([&] { model.sortBy(column); }));
                paints[direction].push_back(timed([&] { table.viewport()->repaint(); }));
            }
        }
        for (int direction = 0; direction < 2; ++direction) {
            const Figures sort = summarise(sorts[direction]);
            const Figures paint = summarise(paints[direction]);
            std::printf("  %-10s %-10s %8.3f / %8.3f %8.3f / %8.3f\n", qPrintable(column),
                        direction == 0 ? "ascending" : "descending", sort.median, sort.worst, paint.median,
                        paint.worst);
        }
    }

    const Figures grabs = summarise([&] {
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            times.push_back(timed([&] { (void)window.grab(); }));
        }
        return times;
    }());
    std::printf("\nwhole window grab             %8.3f / %8.3f ms\n", grabs.median, grabs.worst);
    return 0;
}
