// SPDX-License-Identifier: GPL-3.0-or-later
// What `rename` and `clean-bpm` share: the folder loaded as a drop loads it, with feedback objects of its
// own, and the printing of a file batch's outcome.
#pragma once

#include "FileCommands.h"
#include "app/ContentViewModel.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "operations/FileRenaming.h"

#include <QFileInfo>

#include <memory>

namespace quirella::cli {

struct LoadedFolder {
    ProgressManager progress;
    ToastManager toasts;
    ContentViewModel model;
    TerminalProgress progressLine{progress};

    LoadedFolder() { model.setFeedback(&progress, &toasts); }
};

// Loads the folder; on failure prints the window's alert on standard error and returns nothing.
inline std::unique_ptr<LoadedFolder> loadFolderForCommand(const QString& given) {
    const QString folder = paths::canonicalPath(given); // "." is named as the folder it stands for
    auto loaded = std::make_unique<LoadedFolder>();
    applyMaximumSongs(loaded->model);
    awaitFinished(loaded->model.loadFolder(QUrl::fromLocalFile(QFileInfo(folder).absoluteFilePath())));
    if (loaded->model.showExportAlert() || !loaded->model.currentFolder()) {
        printText(stderr, loaded->model.exportAlertMessage() + u'\n');
        return nullptr;
    }
    loaded->model.setShowExportAlert(false);
    return loaded;
}

// Prints the final toast or alert and gives the status.
inline int reportFileBatch(const FileBatchResult& result) {
    if (!result.message.isEmpty()) {
        printText(stdout, result.message + u'\n');
    }
    return result.failureCount > 0 ? 1 : 0;
}

// The command line's batches reload at once: nobody watches a table.
inline FileBatchOptions commandLineBatchOptions() {
    FileBatchOptions options;
    options.reloadDelay = std::chrono::milliseconds(0);
    return options;
}

} // namespace quirella::cli
