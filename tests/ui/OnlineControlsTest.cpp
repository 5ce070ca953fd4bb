// The network switch in the header bar and the auto-search entries of the header menus, in a real window
// against a real HTTP server on 127.0.0.1.
#include "UiFixtures.h"
#include "model/Columns.h"
#include "online/NetworkModeManager.h"
#include "support/LocalHttpServer.h"
#include "ui/HeaderBar.h"
#include "ui/NetworkModeButton.h"

using namespace Qt::StringLiterals;
using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;

namespace {

using OnlineWindowTest = WindowTest;

TEST_F(OnlineWindowTest, SwitchShowsAndFlipsTheModeAndOfflineEntriesOnlyWarn) {
    NetworkModeManager::instance().setOnlineMode(true);
    auto* button = window->headerBar()->findChild<NetworkModeButton*>();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->symbolName(), u"wifi"_s);
    EXPECT_EQ(button->toolTip(), u"Online Mode - Click to disable"_s);

    button->click();
    EXPECT_FALSE(NetworkModeManager::instance().isOnlineMode());
    EXPECT_EQ(button->symbolName(), u"wifi.slash"_s);
    EXPECT_EQ(button->toolTip(), u"Offline Mode - Click to enable"_s);
    EXPECT_EQ(toasts.message(), u"📵 Offline Mode Enabled"_s);
    // The look-up entries head the menus, above the editing entries.
    EXPECT_EQ(
        menuTexts(*table().headerMenu(u"year")),
        (QStringList{u"Auto-Search All Years"_s, u"---"_s, u"Replace All Years"_s, u"Clear All Years"_s}));
    for (const auto& [columnId, title] : {std::pair{u"cover"_s, u"Auto-Search All Covers"_s},
                                          std::pair{u"genre"_s, u"Auto-Search All Genres"_s},
                                          std::pair{u"year"_s, u"Auto-Search All Years"_s}}) {
        SCOPED_TRACE(columnId.toStdString());
        toasts.show(u"-"_s, ToastManager::ToastType::info);
        menuEntry(*table().headerMenu(columnId), title)->trigger();
        EXPECT_EQ(toasts.message(), u"⚠️ Online Mode is disabled. Enable it from the top-left button."_s);
    }

    button->click();
    EXPECT_TRUE(NetworkModeManager::instance().isOnlineMode());
    EXPECT_EQ(toasts.message(), u"🌐 Online Mode Enabled"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::success);
}

TEST_F(OnlineWindowTest, YearSearchFromTheHeaderMenuFillsTheTable) {
    LocalHttpServer server([](const ServedRequest& request) {
        if (request.target.contains("Known")) {
            return ServedReply::json(R"({"results":[{"trackName":"Known","releaseDate":"1987-05-01"}]})");
        }
        return ServedReply::json(request.target.startsWith("/itunes/") ? R"({"results":[]})"
                                                                       : R"({"recordings":[]})");
    });
    // The window's look-up manager is created on the first search, from the environment.
    qputenv("QUIRELLA_ITUNES_URL", server.url().toEncoded() + "/itunes");
    qputenv("QUIRELLA_MUSICBRAINZ_URL", server.url().toEncoded() + "/mb");
    NetworkModeManager::instance().setOnlineMode(true);
    load({makeSong(u"Known"_s, u"Band"_s), makeSong(u"Unknown"_s, u"Band"_s),
          makeSong(u"Dated"_s, u"Band"_s, 2004)});

    menuEntry(*table().headerMenu(u"year"), u"Auto-Search All Years"_s)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(toasts.message().startsWith(u"✅"_s), 30000);
    EXPECT_EQ(toasts.message(), u"✅ Found 1 years, 1 failed"_s);
    EXPECT_EQ(column(column::year), (QStringList{u"1987"_s, {}, u"2004"_s}));
    EXPECT_EQ(server.requests("/itunes/").size(), 2);
    qunsetenv("QUIRELLA_ITUNES_URL");
    qunsetenv("QUIRELLA_MUSICBRAINZ_URL");
}

} // namespace
