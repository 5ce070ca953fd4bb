// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnlineControls.h"

#include "online/MusicMetadataManager.h"
#include "online/NetworkModeManager.h"
#include "operations/AutoSearchCommand.h"
#include "ui/HeaderBar.h"
#include "ui/MainWindow.h"
#include "ui/NetworkModeButton.h"
#include "ui/SongTableView.h"

#include <QMenu>

using namespace Qt::StringLiterals;

namespace quirella::ui {

NetworkModeButton* installOnlineControls(MainWindow& window, NetworkModeManager* mode,
                                         MusicMetadataManager* manager) {
    NetworkModeManager& networkMode = mode ? *mode : NetworkModeManager::instance();
    auto* button = new NetworkModeButton(networkMode, window.toasts(), window.headerBar());
    window.headerBar()->addTrailingWidget(button);

    const std::pair<const char16_t*, AutoSearchField> entries[] = {
        {u"cover", AutoSearchField::covers},
        {u"genre", AutoSearchField::genres},
        {u"year", AutoSearchField::years},
    };
    for (const auto& [column, field] : entries) {
        window.songTable()->addHeaderMenuProvider(
            QStringView(column), [&window, &networkMode, manager, field = field](QMenu& menu) {
                menu.addAction(autoSearchTitle(field), &window, [&window, &networkMode, manager, field] {
                    if (!networkMode.isOnlineMode()) {
                        // Only the warning: the look-up manager is not even created.
                        AutoSearchHooks offline;
                        offline.progress = &window.progress();
                        offline.toasts = &window.toasts();
                        offline.isOnlineMode = false;
                        (void)startAutoSearch(field, window.viewModel().currentFolder(), offline);
                        return;
                    }
                    (void)autoSearchAll(window.viewModel(), field, true,
                                        manager ? *manager : MusicMetadataManager::instance());
                });
            });
    }
    return button;
}

} // namespace quirella::ui
