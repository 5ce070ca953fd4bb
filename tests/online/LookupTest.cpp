// SPDX-License-Identifier: GPL-3.0-or-later
// The look-up manager against a real HTTP server on 127.0.0.1: requests as sent, service order, the
// cache, spacing, busy replies, time limits, body caps, redirects and downloads.
#include "ManualClock.h"
#include "OnlineFixture.h"

#include <QDir>
#include <QFile>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;
using namespace quirella;
using namespace quirella::test;

TEST_F(OnlineTest, AsksITunesFirstAndStopsAtItsMatch) {
    server.setHandler([this](const ServedRequest& request) {
        if (request.target.startsWith("/itunes/")) {
            return ServedReply::json(
                iTunesReply(u"One More Time"_s, u"Daft Punk"_s, u"Dance"_s, u"2000-11-30T08:00:00Z"_s, {}));
        }
        return ServedReply::json(musicBrainzReply(u"X"_s, u"Y"_s, u"1990"_s, u"r1"_s));
    });
    auto manager = makeManager();
    const LookupResult result = await(manager->fetchMetadata(u"Daft Punk"_s, u"One More Time"_s));
    ASSERT_TRUE(result.ok());
    // The genre only iTunes gives; no artwork, and MusicBrainz, which would give one, was not asked.
    EXPECT_EQ(result.metadata->genre, u"Dance"_s);
    EXPECT_EQ(result.metadata->coverURL, std::nullopt);

    const QList<ServedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].target, "/itunes/search?term=Daft%20Punk%20One%20More%20Time&entity=song&limit=1");
    const QByteArray agent = requests[0].headers.value("user-agent");
    EXPECT_TRUE(agent.startsWith("QuirellaTagEditor/" QUIRELLA_VERSION " (")) << agent.constData();
    EXPECT_TRUE(agent.contains('@')) << "a contact address";
}

TEST_F(OnlineTest, FallsBackToMusicBrainzWhenITunesFailsOrHasNothing) {
    const std::pair<const char*, ServedReply> rows[] = {
        {"no results", ServedReply::json(noITunesResults)},
        {"not JSON", ServedReply::json("<html>oops</html>", 500)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        cache.clear();
        server.clearRequests();
        server.setHandler([&](const ServedRequest& request) {
            if (request.target.startsWith("/itunes/")) {
                return row.second;
            }
            return ServedReply::json(musicBrainzReply(u"Jóga"_s, u"Björk"_s, u"1997-09-22"_s, u"rel-9"_s));
        });
        auto manager = makeManager();
        const LookupResult result = await(manager->fetchMetadata(u"Björk"_s, u"Jóga"_s));
        ASSERT_TRUE(result.ok());
        // How the reply is read belongs to CatalogueReplies; the cover address shows whose reply it was.
        EXPECT_EQ(result.metadata->coverURL, server.url().toString() + u"/caa/release/rel-9/front-500"_s);
        const QList<ServedRequest> mb = server.requests("/mb/");
        ASSERT_EQ(mb.size(), 1);
        EXPECT_EQ(mb[0].target, "/mb/ws/2/recording/?query=artist:%22Bj%C3%B6rk%22%20AND%20recording:"
                                "%22J%C3%B3ga%22&fmt=json&limit=1");
    }
}

TEST_F(OnlineTest, LookUpsAreSpacedAndThoseEnteringTogetherGoTogether) {
    server.setHandler([](const ServedRequest&) {
        return ServedReply::json(iTunesReply(u"T"_s, u"A"_s, u"G"_s, u"2000"_s, {}));
    });
    const auto clock = std::make_shared<ManualClock>();
    auto manager = makeManager(std::chrono::milliseconds(300), clock);
    ASSERT_TRUE(await(manager->fetchMetadata(u"A"_s, u"T 1"_s)).ok()); // nothing before it to wait for
    const QFuture<LookupResult> second = manager->fetchMetadata(u"A"_s, u"T 2"_s);
    const QFuture<LookupResult> third = manager->fetchMetadata(u"A"_s, u"T 3"_s);
    ASSERT_TRUE(clock->waitForSleepers(2)); // both until 300 ms after the first
    clock->advance(std::chrono::milliseconds(299));
    ASSERT_TRUE(clock->waitForSleepers(2));
    EXPECT_EQ(server.requests().size(), 1);
    clock->advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(await(second).ok());
    EXPECT_TRUE(await(third).ok());
    EXPECT_EQ(server.requests().size(), 3);
}

TEST_F(OnlineTest, BusyRepliesAreRetriedAfterRetryAfterAndNeverCachedAsNoMatch) {
    // MusicBrainz is busy once (Retry-After: 2, longer than its own interval), then answers.
    std::atomic<int> mbCalls{0};
    server.setHandler([&](const ServedRequest& request) {
        if (request.target.startsWith("/itunes/")) {
            return ServedReply::json(noITunesResults);
        }
        if (mbCalls.fetch_add(1) == 0) {
            ServedReply busy = ServedReply::json(R"({"error":"rate limited"})", 503);
            busy.headers.append(std::pair<QByteArray, QByteArray>("Retry-After", "2"));
            return busy;
        }
        return ServedReply::json(musicBrainzReply(u"T"_s, u"A"_s, u"2001"_s, u"r"_s));
    });
    const auto clock = std::make_shared<ManualClock>();
    auto manager = makeManager(std::chrono::milliseconds(300), clock);
    const QFuture<LookupResult> lookup = manager->fetchMetadata(u"A"_s, u"T"_s);
    ASSERT_TRUE(clock->waitForSleepers(1)); // sitting out the pause
    EXPECT_EQ(server.requests("/mb/").size(), 1);
    clock->advance(std::chrono::milliseconds(1999));
    ASSERT_TRUE(clock->waitForSleepers(1));
    EXPECT_EQ(server.requests("/mb/").size(), 1);
    clock->advance(std::chrono::milliseconds(1));
    const LookupResult result = await(lookup);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(server.requests("/mb/").size(), 2);

    // Always busy (429 for iTunes, 503 then 403 for MusicBrainz): the look-up says so and caches nothing.
    // Its retries wait for the back-off and for MusicBrainz's turn: beyond a request a second it answers
    // 503 and may block the address. The server stamps arrivals on the test's clock.
    clock->setSkipping(true);
    server.setClock([clock] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock->now().time_since_epoch()).count();
    });
    mbCalls = 0;
    server.setHandler([&](const ServedRequest& request) {
        const bool itunes = request.target.startsWith("/itunes/");
        return ServedReply::json("{}", itunes ? 429 : mbCalls.fetch_add(1) == 0 ? 503 : 403);
    });
    server.clearRequests();
    const LookupResult busy = await(manager->fetchMetadata(u"B"_s, u"U"_s));
    EXPECT_FALSE(busy.ok());
    EXPECT_EQ(busy.error, MetadataError::rateLimitExceeded);
    EXPECT_EQ(server.requests("/itunes/").size(), 4); // the first try and three retries
    EXPECT_EQ(cache.get(u"B"_s, u"U"_s), std::nullopt);
    const QList<ServedRequest> mb = server.requests("/mb/");
    ASSERT_EQ(mb.size(), 4);
    for (qsizetype i = 1; i < mb.size(); ++i) {
        EXPECT_GE(mb[i].arrivalMs - mb[i - 1].arrivalMs, 1000) << "requests " << i - 1 << " and " << i;
    }
}

TEST_F(OnlineTest, TransfersFailAtTheirLimitsAndTheirCaps) {
    ServedReply redirect = ServedReply::json({}, 302);
    redirect.headers.append(
        std::pair<QByteArray, QByteArray>("Location", server.url().toEncoded() + "/elsewhere"));
    ServedReply silent;
    silent.mode = ServedReply::Mode::neverAnswer;
    ServedReply endless;
    endless.mode = ServedReply::Mode::endlessBody;
    const std::pair<const char*, ServedReply> rows[] = {
        {"never answers", silent},
        {"endless body", endless},
        {"redirect to http", redirect},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        server.clearRequests();
        server.setHandler([&](const ServedRequest& request) {
            if (request.target.startsWith("/elsewhere")) {
                return ServedReply::json(iTunesReply(u"T"_s, u"A"_s, u"G"_s, u"2000"_s, {}));
            }
            return row.second;
        });
        auto manager = makeManager();
        // The budget is shared by the look-up's transfers: the first service may spend all of it.
        const LookupResult result = await(manager->fetchMetadata(u"A"_s, u"T"_s, 1500));
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.error, MetadataError::noResults);
        EXPECT_EQ(server.requests("/elsewhere").size(), 0);
    }
}

// A transfer reads only a little ahead of the client, so that giving up on a body that never ends stops
// it: unbounded, Qt's transfer thread kept reading such a body at full speed, missed the abort and the
// shutdown, and outlived its client (its thread and objects then leaked).
TEST_F(OnlineTest, AnEndlessBodyStopsAtItsCapAndLeavesNoThreadBehind) {
    // Threads of Qt's global pool come and go with the load of the machine: they are not counted.
    const auto threads = [] {
        qsizetype count = 0;
        const QDir tasks(u"/proc/self/task"_s);
        for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile name(tasks.filePath(task + u"/comm"_s));
            count += name.open(QIODevice::ReadOnly) && name.readAll().trimmed() != "Thread (pooled)";
        }
        return count;
    };
    ServedReply endless;
    endless.mode = ServedReply::Mode::endlessBody;
    server.setHandler([&](const ServedRequest& request) {
        return request.target == "/endless" ? endless : ServedReply::json("{}");
    });
    HttpRequest request;
    request.url = QUrl(server.url().toString() + u"/ok"_s);
    { // the first request of the process starts threads that live as long as it does
        HttpClient warmUp(userAgent());
        warmUp.get(request).waitForFinished();
    }
    QTest::qWait(300); // the warm-up's own threads take a moment to leave the list
    const qsizetype before = threads();
    request.url = QUrl(server.url().toString() + u"/endless"_s);
    request.maxBodyBytes = 64 * 1024;
    for (int round = 0; round < 3; ++round) {
        const qint64 sentBefore = server.endlessBytesSent();
        {
            HttpClient client(userAgent());
            QFuture<HttpReply> reply = client.get(request);
            reply.waitForFinished();
            EXPECT_EQ(reply.result().failure, HttpReply::Failure::tooLarge);
        }
        // The cap, the read-ahead and what the sockets hold; a transfer left reading takes hundreds.
        EXPECT_LT(server.endlessBytesSent() - sentBefore, 16 << 20);
        // A thread that has ended may take a moment to leave the list; one still reading does not.
        EXPECT_TRUE(QTest::qWaitFor([&] { return threads() <= before; }, 2000));
    }
}

TEST_F(OnlineTest, DownloadsNeedStatus200AndAnAllowedAddress) {
    const QByteArray png = pngBytes();
    server.setHandler([&](const ServedRequest& request) {
        if (request.target == "/cover.png") {
            ServedReply reply;
            reply.body = png;
            return reply;
        }
        return ServedReply::json("not here", 404);
    });
    auto manager = makeManager();
    const DownloadResult ok = await(manager->downloadImageData(server.url().toString() + u"/cover.png"_s));
    ASSERT_TRUE(ok.ok());
    EXPECT_EQ(*ok.bytes, png);

    const DownloadResult missing =
        await(manager->downloadImageData(server.url().toString() + u"/gone.png"_s));
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.error, MetadataError::networkError);

    for (const QString& bad : {u""_s, u"not a url"_s, u"http://"_s}) {
        EXPECT_EQ(await(manager->downloadImageData(bad)).error, MetadataError::invalidResponse)
            << bad.toStdString();
    }
    // Plain http away from the loopback address is refused before any connection.
    const DownloadResult remote = await(manager->downloadImageData(u"http://192.0.2.1/cover.png"_s));
    EXPECT_EQ(remote.error, MetadataError::networkError);
    EXPECT_TRUE(remote.detail.startsWith(u"Refused address"_s));
}

TEST_F(OnlineTest, ShuttingDownEndsTheWaitForABusyCatalogue) {
    server.setHandler([](const ServedRequest&) {
        ServedReply busy = ServedReply::json("{}", 503);
        busy.headers.append(std::pair<QByteArray, QByteArray>("Retry-After", "20"));
        return busy;
    });
    auto manager = makeManager();
    const QFuture<LookupResult> lookup = manager->fetchMetadata(u"A"_s, u"T"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.requests().isEmpty(); }, 30000));
    manager.reset(); // returns once the look-up has given up its 20-second pause
    ASSERT_TRUE(lookup.isFinished());
    EXPECT_TRUE(lookup.result().stopped);
    EXPECT_EQ(server.requests().size(), 1);
}
