// SPDX-License-Identifier: GPL-3.0-or-later
// The toasts and the overlay of a batch's own feedback objects, recorded; and a folder of real files on
// disk, loaded into a view model as a drop loads it.
#pragma once

#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "support/AudioFiles.h"
#include "support/TestSupport.h"

#include <QDir>

#include <functional>
#include <gtest/gtest.h>

namespace quirella::test {

struct Feedback {
    Feedback() {
        QObject::connect(&toasts, &ToastManager::messageChanged, &toasts,
                         [this] { toastTexts.append(toasts.message()); });
        QObject::connect(&progress, &ProgressManager::isVisibleChanged, &progress, [this] {
            if (progress.isVisible()) {
                overlayMessages.append(progress.message());
            }
        });
        QObject::connect(&progress, &ProgressManager::detailedMessageChanged, &progress, [this] {
            if (!progress.detailedMessage().isEmpty()) {
                details.append(progress.detailedMessage());
            }
        });
    }

    ProgressManager progress;
    ToastManager toasts;
    QStringList toastTexts;
    QStringList overlayMessages;
    QStringList details;
};

class LoadedFolder : public Feedback {
public:
    LoadedFolder() { viewModel.setFeedback(&progress, &toasts); }

    QString add(const QString& fileName, const QByteArray& bytes) { return dir.write(fileName, bytes); }

    void load() {
        ASSERT_TRUE(waitFor(viewModel.loadFolder(QUrl::fromLocalFile(dir.path())), 120000));
        ASSERT_TRUE(viewModel.currentFolder().has_value());
        QCoreApplication::processEvents(); // the overlay of a large load is hidden through the event loop
        toastTexts.clear();
        overlayMessages.clear();
        details.clear();
    }

    // Changes the loaded song of this file (no undo step).
    void edit(const QString& fileName, const std::function<void(Song&)>& change) {
        viewModel.applyChange(false, [&](MusicFolder& folder) {
            for (Song& song : folder.songs) {
                if (song.url.fileName() == fileName) {
                    change(song);
                }
            }
        });
    }

    QStringList fileNames() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    const Song& song(const QString& fileName) const {
        static const Song none;
        const QList<Song>& songs = viewModel.currentFolder()->songs;
        const auto found = std::find_if(songs.begin(), songs.end(),
                                        [&](const Song& each) { return each.url.fileName() == fileName; });
        return found == songs.end() ? none : *found;
    }

    ScratchDir dir;
    ContentViewModel viewModel;
};

} // namespace quirella::test
