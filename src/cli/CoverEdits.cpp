// SPDX-License-Identifier: GPL-3.0-or-later
#include "CoverEdits.h"

#include "FileCommands.h"
#include "app/ContentViewModel.h"
#include "app/CoverAssignment.h"
#include "covers/CoverPicker.h"

#include <QtConcurrent/QtConcurrentRun>

namespace quirella::cli {

std::optional<QString> checkCoverImages(CoverEditState& state) {
    for (const QString& image : state.images) {
        if (state.accepted.contains(image)) {
            continue;
        }
        // File work: off the thread that runs the event loop, as in the window.
        QFuture<CoverPick> checking = QtConcurrent::run([image] { return checkCoverImageFile(image); });
        awaitFinished(QFuture<void>(checking));
        const CoverPick pick = checking.result();
        if (!pick.accepted()) {
            return pick.errorMessage;
        }
        state.accepted.insert(image, pick.bytes);
    }
    return std::nullopt;
}

void applyCoverImageToAllSongs(ContentViewModel& model, CoverEditState& state, const QString& image) {
    model.setShowExportAlert(false);
    awaitFinished(applyCoverToAllSongs(model, CoverImage::fromBytes(state.accepted.value(image))));
    if (model.showExportAlert()) {
        state.failures.append(model.exportAlertMessage());
        model.setShowExportAlert(false);
    }
}

void clearCoversOfAllSongs(ContentViewModel& model) {
    clearAllCovers(model);
}

} // namespace quirella::cli
