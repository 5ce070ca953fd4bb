// Equal look-ups (the same artist and title once case and accents are folded) ask the catalogues once:
// the cache answers those that come after one has ended, and those that come while one is under way wait
// for its answer.
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "online/AutoSearch.h"
#include "online/HttpClient.h"
#include "online/MetadataCache.h"
#include "online/MusicMetadataManager.h"
#include "online/OnlineEndpoints.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

bool asksForJoga(const ServedRequest& request) {
    const QString target = QString::fromUtf8(QByteArray::fromPercentEncoding(request.target)).toLower();
    return target.contains(u"joga"_s) || target.contains(u"jóga"_s);
}

// iTunes answers every search with a match; searches for anything but "joga" take `slowMs`.
struct Catalogue {
    explicit Catalogue(int slowMs) {
        server.setHandler([slowMs](const ServedRequest& request) {
            const bool joga = asksForJoga(request);
            ServedReply reply = ServedReply::json(
                R"({"resultCount":1,"results":[{"trackName":"T","artistName":"A","primaryGenreName":"Art Pop"}]})");
            reply.delayMs = joga ? 0 : slowMs;
            return reply;
        });
    }
    std::unique_ptr<MusicMetadataManager> manager() {
        OnlineSettings settings;
        settings.endpoints.iTunes = QUrl(server.url().toString() + u"/itunes"_s);
        settings.endpoints.musicBrainz = QUrl(server.url().toString() + u"/mb"_s);
        settings.endpoints.coverArt = QUrl(server.url().toString() + u"/caa"_s);
        settings.minimumDelay = std::chrono::milliseconds(10);
        return std::make_unique<MusicMetadataManager>(settings, &cache);
    }
    qsizetype jogaRequests() const {
        qsizetype count = 0;
        for (const ServedRequest& request : server.requests()) {
            count += asksForJoga(request) ? 1 : 0;
        }
        return count;
    }
    LocalHttpServer server;
    MetadataCache cache;
};

Song song(const QString& artist, const QString& title) {
    Song made;
    made.id = QUuid::createUuid();
    made.artist = artist;
    made.name = title;
    return made;
}

// "Jóga" first, ten slow look-ups, "joga" last: eight go at once, so the first waits behind the slow
// ones for a connection while the last one starts.
TEST(SharedLookups, ADuplicateSpellingInAFolderIsAskedForOnce) {
    Catalogue catalogue(100);
    MusicFolder folder;
    folder.songs.append(song(u"Björk"_s, u"Jóga"_s));
    for (int i = 0; i < 10; ++i) {
        folder.songs.append(song(u"Artist %1"_s.arg(i), u"Song %1"_s.arg(i)));
    }
    folder.songs.append(song(u"bjork"_s, u"joga"_s));
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        catalogue.cache.clear();
        catalogue.server.clearRequests();
        const auto manager = catalogue.manager();
        ProgressManager progress;
        ToastManager toasts;
        AutoSearchHooks hooks;
        hooks.manager = manager.get();
        hooks.progress = &progress;
        hooks.toasts = &toasts;
        const QFuture<AutoSearchOutcome> search = startAutoSearch(AutoSearchField::genres, folder, hooks);
        ASSERT_TRUE(waitFor(search, 60000));
        EXPECT_EQ(search.result().found, 12); // every song has its answer
        EXPECT_EQ(catalogue.jogaRequests(), 1);
    }
}

// Qt opens six connections to a host and holds more requests back while their time runs; ours wait
// for a connection first, so a request's time limit counts its transfer only.
TEST(SharedLookups, RequestsBeyondTheConnectionsOfAHostWaitBeforeTheirTimeStarts) {
    LocalHttpServer server([](const ServedRequest&) {
        ServedReply reply = ServedReply::json("{}");
        reply.delayMs = 300;
        return reply;
    });
    HttpClient client(userAgent());
    HttpRequest request;
    request.url = QUrl(server.url().toString() + u"/slow"_s);
    request.timeoutMs = 500;
    QList<QFuture<HttpReply>> replies;
    for (int i = 0; i < 8; ++i) {
        replies.append(client.get(request));
    }
    for (QFuture<HttpReply>& reply : replies) {
        reply.waitForFinished();
        EXPECT_TRUE(reply.result().ok()) << reply.result().errorString.toStdString();
    }
    EXPECT_LE(server.maxConcurrent(), 6);
}

TEST(SharedLookups, TwoEqualLookUpsStartedTogetherShareOneRequest) {
    Catalogue catalogue(0);
    catalogue.server.setHandler([](const ServedRequest&) {
        ServedReply reply = ServedReply::json(
            R"({"resultCount":1,"results":[{"trackName":"Jóga","artistName":"Björk","primaryGenreName":"Art Pop"}]})");
        reply.delayMs = 200;
        return reply;
    });
    const auto manager = catalogue.manager();
    const QFuture<LookupResult> first = manager->fetchMetadata(u"Björk"_s, u"Jóga"_s);
    const QFuture<LookupResult> second = manager->fetchMetadata(u"BJORK"_s, u"joga"_s);
    ASSERT_TRUE(waitFor(first) && waitFor(second));
    for (const LookupResult& result : {first.result(), second.result()}) {
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result.metadata->genre, u"Art Pop"_s);
    }
    EXPECT_EQ(catalogue.server.requests().size(), 1);
}

} // namespace
