// The network switch in the header bar and the auto-search entries of the header menus, in a real window.
#include "UiFixtures.h"
#include "online/NetworkModeManager.h"
#include "support/LocalHttpServer.h"
#include "ui/HeaderBar.h"
#include "ui/NetworkModeButton.h"

#include <QMenu>

using namespace Qt::StringLiterals;
using namespace quirella;
using namespace quirella::ui;

TEST(OnlineControls, SwitchShowsAndFlipsTheMode) {
    NetworkModeManager::instance().setOnlineMode(true);
    ProgressManager progress;
    ToastManager toasts;
    MainWindow window(&progress, &toasts);
    auto* button = window.headerBar()->findChild<NetworkModeButton*>();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->symbolName(), u"wifi"_s);
    EXPECT_EQ(button->toolTip(), u"Online Mode - Click to disable"_s);

    button->click();
    EXPECT_FALSE(NetworkModeManager::instance().isOnlineMode());
    EXPECT_EQ(button->symbolName(), u"wifi.slash"_s);
    EXPECT_EQ(button->toolTip(), u"Offline Mode - Click to enable"_s);
    EXPECT_EQ(toasts.message(), u"📵 Offline Mode Enabled"_s);

    // Offline, each header entry only warns.
    const std::pair<QString, QString> entries[] = {
        {u"cover"_s, u"Auto-Search All Covers"_s},
        {u"genre"_s, u"Auto-Search All Genres"_s},
        {u"year"_s, u"Auto-Search All Years"_s},
    };
    for (const auto& [column, title] : entries) {
        const std::unique_ptr<QMenu> menu = window.songTable()->headerMenu(column);
        ASSERT_FALSE(menu->actions().isEmpty()) << column.toStdString();
        QAction* first = menu->actions().first();
        EXPECT_EQ(first->text(), title);
        toasts.show(u"-"_s, ToastManager::ToastType::info);
        first->trigger();
        EXPECT_EQ(toasts.message(), u"⚠️ Online Mode is disabled. Enable it from the top-left button."_s);
    }

    button->click();
    EXPECT_TRUE(NetworkModeManager::instance().isOnlineMode());
    EXPECT_EQ(toasts.message(), u"🌐 Online Mode Enabled"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::success);

    if (qEnvironmentVariableIsSet("QUIRELLA_SCREENSHOT")) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.grab().save(qEnvironmentVariable("QUIRELLA_SCREENSHOT"));
    }
}

namespace {

class OnlineWindowTest : public test::ui::WindowTest {};

} // namespace

TEST_F(OnlineWindowTest, YearSearchFromTheHeaderMenuFillsTheTable) {
    test::LocalHttpServer server([](const test::ServedRequest& request) {
        if (request.target.contains("Known")) {
            return test::ServedReply::json(
                R"({"results":[{"trackName":"Known","releaseDate":"1987-05-01"}]})");
        }
        return test::ServedReply::json(request.target.startsWith("/itunes/") ? R"({"results":[]})"
                                                                             : R"({"recordings":[]})");
    });
    // The window's look-up manager is created on the first search, from the environment.
    qputenv("QUIRELLA_ITUNES_URL", server.url().toEncoded() + "/itunes");
    qputenv("QUIRELLA_MUSICBRAINZ_URL", server.url().toEncoded() + "/mb");
    NetworkModeManager::instance().setOnlineMode(true);
    load({test::ui::makeSong(u"Known"_s, u"Band"_s), test::ui::makeSong(u"Unknown"_s, u"Band"_s),
          test::ui::makeSong(u"Dated"_s, u"Band"_s, 2004)});

    const std::unique_ptr<QMenu> menu = table().headerMenu(u"year");
    ASSERT_FALSE(menu->actions().isEmpty());
    menu->actions().first()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(toasts.message().startsWith(u"✅"_s), 30000);
    EXPECT_EQ(toasts.message(), u"✅ Found 1 years, 1 failed"_s);
    QList<qint64> years;
    for (const Song& song : model().visibleSongs()) {
        years.append(song.year);
    }
    EXPECT_EQ(years, (QList<qint64>{1987, 0, 2004}));
    EXPECT_EQ(server.requests("/itunes/").size(), 2);
    qunsetenv("QUIRELLA_ITUNES_URL");
    qunsetenv("QUIRELLA_MUSICBRAINZ_URL");

    if (qEnvironmentVariableIsSet("QUIRELLA_SCREENSHOT")) {
        window->grab().save(qEnvironmentVariable("QUIRELLA_SCREENSHOT"));
        const std::unique_ptr<QMenu> coverMenu = table().headerMenu(u"cover");
        coverMenu->popup(QPoint(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(coverMenu.get()));
        coverMenu->grab().save(qEnvironmentVariable("QUIRELLA_SCREENSHOT") + u".menu.png"_s);
    }
}
