// SPDX-License-Identifier: GPL-3.0-or-later
// Equal look-ups (the same artist and title once case and accents are folded) ask the catalogues once:
// the cache answers those that come after one has ended, and those that come while one is under way wait
// for its answer.
#include "OnlineFixture.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "online/AutoSearch.h"
#include "online/HttpClient.h"
#include "online/OnlineEndpoints.h"

#include <algorithm>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

bool asksForJoga(const ServedRequest& request) {
    const QString target = QString::fromUtf8(QByteArray::fromPercentEncoding(request.target)).toLower();
    return target.contains(u"joga"_s) || target.contains(u"jóga"_s);
}

// iTunes answers every search with a match; searches for anything but "joga" take `slowMs`.
class SharedLookups : public OnlineTest {
protected:
    void serve(int slowMs, int jogaMs = 0) {
        server.setHandler([=](const ServedRequest& request) {
            ServedReply reply = ServedReply::json(iTunesReply(u"T"_s, u"A"_s, u"Art Pop"_s, u"2007"_s, {}));
            reply.delayMs = asksForJoga(request) ? jogaMs : slowMs;
            return reply;
        });
    }
    qsizetype jogaRequests() const { return std::ranges::count_if(server.requests(), asksForJoga); }
};

// "Jóga" first, ten slow look-ups, "joga" last: eight go at once, so the first waits behind the slow
// ones for a connection while the last one starts.
TEST_F(SharedLookups, ADuplicateSpellingInAFolderIsAskedForOnce) {
    serve(100);
    MusicFolder folder;
    folder.songs.append(makeSong(u"Jóga"_s, u"Björk"_s));
    for (int i = 0; i < 10; ++i) {
        folder.songs.append(makeSong(u"Song %1"_s.arg(i), u"Artist %1"_s.arg(i)));
    }
    folder.songs.append(makeSong(u"joga"_s, u"bjork"_s));
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        cache.clear();
        server.clearRequests();
        const auto manager = makeManager(std::chrono::milliseconds(10));
        ProgressManager progress;
        ToastManager toasts;
        AutoSearchHooks hooks;
        hooks.manager = manager.get();
        hooks.progress = &progress;
        hooks.toasts = &toasts;
        EXPECT_EQ(await(startAutoSearch(AutoSearchField::genres, folder, hooks)).found, 12);
        EXPECT_EQ(jogaRequests(), 1);
    }
}

TEST_F(SharedLookups, TwoEqualLookUpsStartedTogetherShareOneRequest) {
    serve(0, 200);
    const auto manager = makeManager(std::chrono::milliseconds(10));
    const QFuture<LookupResult> first = manager->fetchMetadata(u"Björk"_s, u"Jóga"_s);
    const QFuture<LookupResult> second = manager->fetchMetadata(u"BJORK"_s, u"joga"_s);
    for (const LookupResult& result : {await(first), await(second)}) {
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result.metadata->genre, u"Art Pop"_s);
    }
    EXPECT_EQ(server.requests().size(), 1);
}

// Qt opens six connections to a host and holds more requests back while their time runs; ours wait
// for a connection first, so a request's time limit counts its transfer only.
TEST_F(SharedLookups, RequestsBeyondTheConnectionsOfAHostWaitBeforeTheirTimeStarts) {
    server.setHandler([](const ServedRequest&) {
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

} // namespace
