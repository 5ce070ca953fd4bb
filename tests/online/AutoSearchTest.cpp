// SPDX-License-Identifier: GPL-3.0-or-later
// The auto-search run over a real local catalogue: filters, the overlay threshold, at most eight items
// in flight, cancellation, covers that do not decode, shared cover files and every toast.
#include "online/AutoSearch.h"

#include "ManualClock.h"
#include "OnlineFixture.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "online/NetworkModeManager.h"

#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace quirella;
using namespace quirella::test;

namespace {

MusicFolder folderOf(int count, const QString& prefix = u"Title "_s) {
    QList<Song> songs;
    for (int i = 0; i < count; ++i) {
        songs.append(makeSong(prefix + QString::number(i), u"Artist"_s));
    }
    return MusicFolder::make(QUrl::fromLocalFile(u"/music"_s), songs);
}

class AutoSearchTest : public OnlineTest {
protected:
    AutoSearchOutcome run(AutoSearchField field, const std::optional<MusicFolder>& folder,
                          bool online = true) {
        AutoSearchHooks hooks;
        hooks.manager = manager.get();
        hooks.progress = &progress;
        hooks.toasts = &toasts;
        hooks.isOnlineMode = online;
        hooks.apply = [this, field](const QList<AutoSearchValue>& values) {
            applied = true;
            if (result) {
                applyAutoSearchValues(*result, field, values);
            }
        };
        result = folder;
        return await(startAutoSearch(field, folder, hooks));
    }

    std::unique_ptr<MusicMetadataManager> manager = makeManager(std::chrono::milliseconds(0));
    ProgressManager progress;
    ToastManager toasts;
    std::optional<MusicFolder> result;
    bool applied = false;
};

} // namespace

TEST_F(AutoSearchTest, OfflineAndNothingToSearchOnlyShowTheirToast) {
    EXPECT_EQ(run(AutoSearchField::covers, folderOf(3), false).ending, AutoSearchOutcome::Ending::offline);
    EXPECT_EQ(toasts.message(), u"⚠️ Online Mode is disabled. Enable it from the top-left button."_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::warning);
    MusicFolder complete = folderOf(2);
    for (Song& s : complete.songs) {
        s.coverImagePath = u"/tmp/c.jpg"_s;
        s.genre = u"Rock"_s;
        s.year = 1999;
    }
    const std::pair<AutoSearchField, QString> rows[] = {
        {AutoSearchField::covers, u"ℹ️ All songs already have covers"_s},
        {AutoSearchField::genres, u"ℹ️ All songs already have genres"_s},
        {AutoSearchField::years, u"ℹ️ All songs already have years"_s},
    };
    for (const auto& [field, text] : rows) {
        EXPECT_EQ(run(field, complete).ending, AutoSearchOutcome::Ending::nothingToSearch);
        EXPECT_EQ(toasts.message(), text);
    }
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::info);
    EXPECT_EQ(run(AutoSearchField::years, std::nullopt).ending, AutoSearchOutcome::Ending::noFolder);
    EXPECT_FALSE(applied);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(AutoSearchTest, YearsAndGenresFillOnlyWhatIsMissing) {
    server.setHandler([](const ServedRequest& request) {
        if (request.target.contains("Title%200")) {
            return ServedReply::json(iTunesReply(u"T"_s, u"A"_s, u"Jazz"_s, u"1975-01-01"_s, {}));
        }
        return ServedReply::json(request.target.startsWith("/itunes/") ? noITunesResults : noRecordings);
    });
    // Only the counts matter here: the MusicBrainz turns need not take real seconds.
    const auto clock = std::make_shared<ManualClock>();
    clock->setSkipping(true);
    manager = makeManager(std::chrono::milliseconds(0), clock);
    MusicFolder folder = folderOf(4);
    folder.songs[1].artist.clear(); // searched, counted as failed, no request
    folder.songs[2].year = 2010;    // not searched

    // The toast gives the outcome's counts.
    run(AutoSearchField::years, folder);
    EXPECT_EQ(toasts.message(), u"✅ Found 1 years, 2 failed"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::success);
    EXPECT_EQ(result->songs[0].year, 1975);
    EXPECT_EQ(result->songs[2].year, 2010);
    EXPECT_EQ(server.requests("/itunes/").size(), 2); // songs 0 and 3
    EXPECT_FALSE(progress.isVisible());

    // A record without a genre is a failure of the genre search.
    server.setHandler([](const ServedRequest& request) {
        return ServedReply::json(request.target.startsWith("/itunes/")
                                     ? noITunesResults
                                     : musicBrainzReply(u"T"_s, u"A"_s, u"1980"_s, u"r"_s));
    });
    cache.clear();
    run(AutoSearchField::genres, folderOf(7, u"Other "_s));
    EXPECT_EQ(toasts.message(), u"✅ Found 0 genres, 7 failed"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::warning);
}

TEST_F(AutoSearchTest, OverlayFromTwentySongsAndAtMostEightInFlight) {
    server.setHandler([](const ServedRequest&) {
        ServedReply reply = ServedReply::json(iTunesReply(u"T"_s, u"A"_s, u"Pop"_s, u"2001"_s, {}));
        reply.delayMs = 100;
        return reply;
    });
    QString detail; // the last one shown while the overlay was up
    QObject::connect(&progress, &ProgressManager::detailedMessageChanged, &progress, [&] {
        if (progress.isVisible()) {
            detail = progress.message() + u": "_s + progress.detailedMessage();
        }
    });
    for (const int count : {19, 20}) {
        SCOPED_TRACE(count);
        cache.clear();
        server.clearRequests();
        QSignalSpy shown(&progress, &ProgressManager::isVisibleChanged);
        run(AutoSearchField::genres, folderOf(count));
        EXPECT_EQ(shown.count() > 0, count == 20);
        EXPECT_FALSE(progress.isVisible());
        EXPECT_EQ(toasts.message(), u"✅ Found "_s + QString::number(count) + u" genres, 0 failed"_s);
        EXPECT_LE(server.maxConcurrent(), 8);
        EXPECT_GE(server.maxConcurrent(), 2);
    }
    EXPECT_EQ(detail, u"Searching for genres...: Found 20, Failed 0"_s);
}

TEST_F(AutoSearchTest, CancellingDiscardsEveryResult) {
    server.setHandler([](const ServedRequest&) {
        ServedReply reply = ServedReply::json(iTunesReply(u"T"_s, u"A"_s, u"Pop"_s, u"2001"_s, {}));
        reply.delayMs = 50;
        return reply;
    });
    const MusicFolder folder = folderOf(40);
    // Stop as soon as the first song has been accounted for.
    QObject::connect(&progress, &ProgressManager::currentChanged, &progress, [this] {
        if (progress.current() >= 1 && progress.isVisible()) {
            progress.cancel();
        }
    });
    const AutoSearchOutcome outcome = run(AutoSearchField::years, folder);
    EXPECT_EQ(outcome.ending, AutoSearchOutcome::Ending::cancelled);
    EXPECT_FALSE(applied);
    EXPECT_TRUE(outcome.values.isEmpty());
    EXPECT_EQ(toasts.message(), u"❌ Operation cancelled"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::warning);
    EXPECT_LT(server.requests().size(), 40);
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(AutoSearchTest, CoversMustDecodeAndIdenticalDownloadsShareAFile) {
    const QByteArray png = pngBytes();
    server.setHandler([&](const ServedRequest& request) {
        const QByteArray& target = request.target;
        if (target.startsWith("/itunes/")) {
            const QString name = target.contains("Title%203")   ? u"html"_s
                                 : target.contains("Title%202") ? u"missing"_s
                                                                : u"good"_s;
            const QString artwork = server.url().toString() + u"/art/"_s + name + u"/100x100bb.png"_s;
            return ServedReply::json(iTunesReply(u"T"_s, u"A"_s, u"G"_s, u"2000"_s, artwork));
        }
        ServedReply reply = ServedReply::json(noRecordings, target.startsWith("/art/missing") ? 404 : 200);
        if (target.startsWith("/art/")) {
            reply.headers.clear();
            reply.body = target.startsWith("/art/good") ? png : "<html>not an image</html>";
        }
        return reply;
    });
    run(AutoSearchField::covers, folderOf(4));
    EXPECT_EQ(toasts.message(), u"✅ Found 2 covers, 2 failed"_s);
    ASSERT_TRUE(result->songs[0].coverImagePath && result->songs[1].coverImagePath);
    EXPECT_EQ(*result->songs[0].coverImagePath, *result->songs[1].coverImagePath);
    EXPECT_TRUE(QFileInfo(*result->songs[0].coverImagePath).fileName().startsWith(u"AutoCover_"_s));
    EXPECT_EQ(readAll(*result->songs[0].coverImagePath), png);
    EXPECT_FALSE(result->songs[2].coverImagePath || result->songs[3].coverImagePath);
    // The artwork address was turned into the 600-pixel one.
    EXPECT_EQ(server.requests("/art/good/600x600bb.png").size(), 2);
}

TEST(NetworkModeManager, FirstStartIsOnlineAndToggleSaysSo) {
    QSettings().remove(NetworkModeManager::preferenceKey.toString());
    ToastManager toasts;
    NetworkModeManager mode;
    EXPECT_TRUE(mode.isOnlineMode());
    mode.toggle(toasts);
    EXPECT_FALSE(mode.isOnlineMode());
    EXPECT_EQ(toasts.message(), u"📵 Offline Mode Enabled"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::warning);
    mode.toggle(toasts);
    EXPECT_TRUE(mode.isOnlineMode());
    EXPECT_EQ(toasts.message(), u"🌐 Online Mode Enabled"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::success);
}
