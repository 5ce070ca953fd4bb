// The network switch in the header bar and the auto-search entries of the header menus, in a real window.
#include "UiFixtures.h"
#include "online/NetworkModeManager.h"
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
        QTest::qWait(100);
        window.grab().save(qEnvironmentVariable("QUIRELLA_SCREENSHOT"));
    }
}
