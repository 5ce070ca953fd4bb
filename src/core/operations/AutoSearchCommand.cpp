// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/AutoSearchCommand.h"

#include "app/ContentViewModel.h"
#include "online/MusicMetadataManager.h"

#include <QPointer>

namespace quirella {

QFuture<AutoSearchOutcome> autoSearchAll(ContentViewModel& viewModel, AutoSearchField field,
                                         bool isOnlineMode, MusicMetadataManager& manager) {
    AutoSearchHooks hooks;
    hooks.manager = &manager;
    hooks.progress = &viewModel.progressManager();
    hooks.toasts = &viewModel.toastManager();
    hooks.isOnlineMode = isOnlineMode;
    QPointer<ContentViewModel> model(&viewModel);
    hooks.apply = [model, field](const QList<AutoSearchValue>& values) {
        if (!model || values.isEmpty()) {
            return;
        }
        // Written into the folder that is current now, song by song: edits made while the run went on
        // and the results of another run are kept, and songs that have gone are skipped.
        (void)model->applyChange(false,
                                 [&](MusicFolder& folder) { applyAutoSearchValues(folder, field, values); });
    };
    return startAutoSearch(field, viewModel.currentFolder(), std::move(hooks));
}

} // namespace quirella
