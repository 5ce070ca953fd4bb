// SPDX-License-Identifier: GPL-3.0-or-later
// Auto-search against a local catalogue that answers every request 50 ms late: the time of a year
// search over 200 songs beside its floor (200 × 50 ms ÷ 8 in flight), with the look-up spacing as
// shipped and without it; then a MusicBrainz-only catalogue, where no two requests may come closer
// than one second.
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "online/AutoSearch.h"
#include "online/MetadataCache.h"
#include "online/MusicMetadataManager.h"
#include "support/LocalHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>

#include <algorithm>
#include <cstdio>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int kDelayMs = 50;

MusicFolder folderOf(int count) {
    QList<Song> songs;
    for (int i = 0; i < count; ++i) {
        Song song;
        song.id = QUuid::createUuid();
        song.artist = u"Artist"_s;
        song.name = u"Title "_s + QString::number(i);
        songs.append(song);
    }
    return MusicFolder::make(QUrl::fromLocalFile(u"/music"_s), songs);
}

struct Timing {
    double seconds = 0;
    AutoSearchOutcome outcome;
};

Timing runYears(LocalHttpServer& server, int songs, std::chrono::milliseconds spacing) {
    OnlineSettings settings;
    settings.endpoints.iTunes = QUrl(server.url().toString() + u"/itunes"_s);
    settings.endpoints.musicBrainz = QUrl(server.url().toString() + u"/mb"_s);
    settings.endpoints.coverArt = QUrl(server.url().toString() + u"/caa"_s);
    settings.minimumDelay = spacing;
    MetadataCache cache;
    MusicMetadataManager manager(settings, &cache);
    ProgressManager progress;
    ToastManager toasts;
    AutoSearchHooks hooks;
    hooks.manager = &manager;
    hooks.progress = &progress;
    hooks.toasts = &toasts;
    QElapsedTimer timer;
    timer.start();
    const QFuture<AutoSearchOutcome> run = startAutoSearch(AutoSearchField::years, folderOf(songs), hooks);
    QEventLoop loop;
    QFutureWatcher<AutoSearchOutcome> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(run);
    if (!run.isFinished()) {
        loop.exec();
    }
    return {static_cast<double>(timer.nsecsElapsed()) / 1e9, run.result()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    LocalHttpServer iTunes([](const ServedRequest&) {
        ServedReply reply = ServedReply::json(
            R"({"results":[{"trackName":"T","artistName":"A","releaseDate":"1999-01-01","primaryGenreName":"Pop"}]})");
        reply.delayMs = kDelayMs;
        return reply;
    });
    constexpr int kSongs = 200;
    const double floor = kSongs * kDelayMs / 1000.0 / 8;
    for (const auto spacing : {std::chrono::milliseconds(300), std::chrono::milliseconds(0)}) {
        const Timing timing = runYears(iTunes, kSongs, spacing);
        std::printf("auto-search of %d songs, %d ms answers, spacing %lld ms: %.2f s (floor %.2f s), "
                    "%d found, at most %d requests at once\n",
                    kSongs, kDelayMs, static_cast<long long>(spacing.count()), timing.seconds, floor,
                    timing.outcome.found, iTunes.maxConcurrent());
        iTunes.clearRequests();
    }

    LocalHttpServer musicBrainzOnly([](const ServedRequest& request) {
        if (request.target.startsWith("/itunes/")) {
            return ServedReply::json(R"({"results":[]})");
        }
        ServedReply reply = ServedReply::json(
            R"({"recordings":[{"title":"T","artist-credit":[{"name":"A"}],"releases":[{"id":"r","date":"2001"}]}]})");
        reply.delayMs = kDelayMs;
        return reply;
    });
    constexpr int kMusicBrainzSongs = 20;
    const Timing timing = runYears(musicBrainzOnly, kMusicBrainzSongs, std::chrono::milliseconds(300));
    QList<qint64> arrivals;
    for (const ServedRequest& request : musicBrainzOnly.requests("/mb/")) {
        arrivals.append(request.arrivalMs);
    }
    std::sort(arrivals.begin(), arrivals.end());
    qint64 closest = std::numeric_limits<qint64>::max();
    for (qsizetype i = 1; i < arrivals.size(); ++i) {
        closest = std::min(closest, arrivals[i] - arrivals[i - 1]);
    }
    std::printf(
        "MusicBrainz only, %d songs: %.2f s, %lld requests, closest two %lld ms apart (must be >= 1000)\n",
        kMusicBrainzSongs, timing.seconds, static_cast<long long>(arrivals.size()),
        static_cast<long long>(closest));
    return closest >= 1000 ? 0 : 1;
}
