// A folder of real files on disk, loaded into a view model as a drop loads it, with the toasts and the
// overlay of its own feedback objects recorded.
#pragma once

#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "support/AudioFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <functional>
#include <gtest/gtest.h>

namespace quirella::test {

class LoadedFolder {
public:
    LoadedFolder() {
        viewModel.setFeedback(&progress, &toasts);
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

    QString add(const QString& fileName, const QByteArray& bytes) { return dir.write(fileName, bytes); }

    void load() {
        ASSERT_TRUE(waitFor(viewModel.loadFolder(QUrl::fromLocalFile(dir.path())), 120000));
        ASSERT_TRUE(viewModel.currentFolder().has_value());
        // The overlay of a large load is hidden through the event loop.
        QCoreApplication::processEvents();
        toastTexts.clear();
        overlayMessages.clear();
        details.clear();
    }

    // Changes the loaded song of this file (no undo step).
    void edit(const QString& fileName, const std::function<void(Song&)>& change) {
        bool found = false;
        viewModel.applyChange(false, [&](MusicFolder& folder) {
            for (Song& song : folder.songs) {
                if (song.url.fileName() == fileName) {
                    change(song);
                    found = true;
                }
            }
        });
        EXPECT_TRUE(found) << fileName.toStdString();
    }

    const Song& song(const QString& fileName) const {
        for (const Song& each : viewModel.currentFolder()->songs) {
            if (each.url.fileName() == fileName) {
                return each;
            }
        }
        ADD_FAILURE() << "no song for " << fileName.toStdString();
        static const Song none;
        return none;
    }

    QStringList fileNames() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    ScratchDir dir;
    ProgressManager progress;
    ToastManager toasts;
    ContentViewModel viewModel;
    QStringList toastTexts;
    QStringList overlayMessages;
    QStringList details;
};

} // namespace quirella::test
