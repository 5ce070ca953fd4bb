// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CoverAssignment.h"

#include "app/ContentViewModel.h"
#include "covers/ImageProcessor.h"
#include "model/Continuation.h"
#include "model/CoverStore.h"
#include "model/ToastManager.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

namespace quirella {

namespace {

// A picture dropped on a cell has no size check of its own; far beyond any cover, a file is not read.
constexpr qint64 kMaxCoverFileBytes = qint64{64} * 1024 * 1024;
const QString kCoverPrefix = QStringLiteral("Quirella_Cover");

std::optional<QByteArray> bitmapBytes(const CoverImage& image) {
    if (!image.filePath.isEmpty()) {
        QFile file(image.filePath);
        if (!file.open(QIODevice::ReadOnly)) {
            return std::nullopt;
        }
        QByteArray bytes = file.read(kMaxCoverFileBytes + 1);
        if (bytes.isEmpty() || bytes.size() > kMaxCoverFileBytes) {
            return std::nullopt;
        }
        return bytes;
    }
    if (!image.encoded.isEmpty()) {
        return image.encoded;
    }
    if (image.decoded.isNull()) {
        return std::nullopt;
    }
    // PNG keeps the alpha channel, which decides between PNG and JPEG in the conversion.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image.decoded)) {
        return std::nullopt;
    }
    return bytes;
}

bool hasCover(const Song& song) {
    return song.coverImagePath && !song.coverImagePath->isEmpty();
}

// True while the folder the command started on is still the loaded one (undo keeps a folder's id).
bool isSameFolder(const ContentViewModel& model, const QUuid& folderId) {
    return model.currentFolder() && model.currentFolder()->id == folderId;
}

// Prepares the cover file on a worker, then hands its path to `apply` on the model's thread, unless
// the folder has been replaced or the preparation failed (`failed` gets the error then).
template <typename Apply, typename Failed>
QFuture<void> withCoverFile(ContentViewModel& model, const CoverImage& image, Apply apply, Failed failed) {
    if (!model.currentFolder()) {
        return QtFuture::makeReadyFuture();
    }
    const QUuid folderId = model.currentFolder()->id;
    return continueOn(QtConcurrent::run([image] { return prepareCoverFile(image); }), &model,
                      [&model, folderId, apply, failed](const CoverFile& file) {
                          if (!file.path) {
                              failed(file.error);
                              return;
                          }
                          if (isSameFolder(model, folderId)) {
                              apply(*file.path);
                          }
                      });
}

void toast(ContentViewModel& model, const QString& text, ToastManager::ToastType type) {
    model.toastManager().show(text, type);
}

} // namespace

CoverFile prepareCoverFile(const CoverImage& image) {
    const std::optional<QByteArray> bytes = bitmapBytes(image);
    if (!bytes) {
        return {std::nullopt, CoverFileError::noBitmap};
    }
    const std::optional<QByteArray> prepared = ImageProcessor::prepareCoverData(*bytes);
    if (!prepared) {
        return {std::nullopt, CoverFileError::notOptimized};
    }
    const std::optional<QString> path = saveCoverToTemp(*prepared, kCoverPrefix);
    if (!path) {
        return {std::nullopt, CoverFileError::notSaved};
    }
    return {path, CoverFileError::none};
}

QString coverFileErrorMessage(CoverFileError error) {
    switch (error) {
    case CoverFileError::none:
        return {};
    case CoverFileError::noBitmap:
        return QCoreApplication::translate("CoverAssignment",
                                           "Error: Could not process the image. Please try another image.");
    case CoverFileError::notOptimized:
        return QCoreApplication::translate(
            "CoverAssignment",
            "Error: Could not optimize the image. Please try a smaller or different format image.");
    case CoverFileError::notSaved:
        return QCoreApplication::translate("CoverAssignment", "Error: Could not save cover image to disk");
    }
    return {};
}

QStringList missingCoverFiles(const QStringList& paths) {
    QStringList missing;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isFile()) {
            missing.append(path);
        }
    }
    return missing;
}

QFuture<void> applyCoverToAllSongs(ContentViewModel& model, const CoverImage& image) {
    if (!model.currentFolder()) {
        return QtFuture::makeReadyFuture();
    }
    const QUuid folderId = model.currentFolder()->id;
    QSet<QString> coverPaths;
    for (const Song& song : model.currentFolder()->songs) {
        if (hasCover(song)) {
            coverPaths.insert(*song.coverImagePath);
        }
    }
    struct Prepared {
        CoverFile file;
        QStringList missing;
    };
    return continueOn(QtConcurrent::run([image, paths = coverPaths.values()] {
                          return Prepared{prepareCoverFile(image), missingCoverFiles(paths)};
                      }),
                      &model, [&model, folderId](const Prepared& prepared) {
                          if (!prepared.file.path) {
                              model.showAlert(coverFileErrorMessage(prepared.file.error));
                              return;
                          }
                          if (!isSameFolder(model, folderId)) {
                              return;
                          }
                          // A cover set while the file was prepared was not looked at; it was just made, so
                          // it counts as existing.
                          const QSet<QString> missing(prepared.missing.cbegin(), prepared.missing.cend());
                          const QString path = *prepared.file.path;
                          int added = 0;
                          int alreadyHad = 0;
                          model.applyChange(true, [&](MusicFolder& folder) {
                              for (Song& song : folder.songs) {
                                  if (hasCover(song) && !missing.contains(*song.coverImagePath)) {
                                      ++alreadyHad;
                                  } else {
                                      song.coverImagePath = path;
                                      ++added;
                                  }
                              }
                          });
                          toast(model,
                                alreadyHad == 0
                                    ? QCoreApplication::translate(
                                          "CoverAssignment", "✅ Cover applied to %n songs", nullptr, added)
                                    : QCoreApplication::translate(
                                          "CoverAssignment",
                                          "✅ Cover added to %n songs, %1 already had covers", nullptr, added)
                                          .arg(alreadyHad),
                                ToastManager::ToastType::success);
                      });
}

QFuture<void> applyCoverToSelectedSongs(ContentViewModel& model, const CoverImage& image) {
    // The songs selected when the picture was dropped are the ones it was dropped on.
    const QSet<QUuid> selected = model.selectedSongIds();
    return withCoverFile(
        model, image,
        [&model, selected](const QString& path) {
            int changed = 0;
            model.applyChange(true, [&](MusicFolder& folder) {
                for (Song& song : folder.songs) {
                    if (selected.contains(song.id)) {
                        song.coverImagePath = path;
                        ++changed;
                    }
                }
            });
            toast(
                model,
                QCoreApplication::translate("CoverAssignment", "✅ Cover added to %n songs", nullptr, changed),
                ToastManager::ToastType::success);
        },
        [](CoverFileError) {});
}

QFuture<void> applyCoverToSong(ContentViewModel& model, const CoverImage& image, const QUuid& songId) {
    if (!model.currentFolder() || !findSong(model.currentFolder()->songs, songId)) {
        return QtFuture::makeReadyFuture();
    }
    return withCoverFile(
        model, image,
        [&model, songId](const QString& path) {
            if (!findSong(model.currentFolder()->songs, songId)) {
                return; // deleted meanwhile
            }
            model.applyChange(
                true, [&](MusicFolder& folder) { findSong(folder.songs, songId)->coverImagePath = path; });
            toast(model, QCoreApplication::translate("CoverAssignment", "✅ Cover added"),
                  ToastManager::ToastType::success);
        },
        [](CoverFileError) {});
}

void clearCover(ContentViewModel& model, const QUuid& songId) {
    if (!model.currentFolder() || !findSong(model.currentFolder()->songs, songId)) {
        return;
    }
    model.applyChange(true,
                      [&](MusicFolder& folder) { findSong(folder.songs, songId)->coverImagePath.reset(); });
    toast(model, QCoreApplication::translate("CoverAssignment", "🗑️ Cover removed"),
          ToastManager::ToastType::warning);
}

void clearCoversOfSelectedSongs(ContentViewModel& model) {
    const QSet<QUuid> selected = model.selectedSongIds();
    int cleared = 0;
    const bool changed = model.applyChange(true, [&](MusicFolder& folder) {
        for (Song& song : folder.songs) {
            if (selected.contains(song.id)) {
                song.coverImagePath.reset();
                ++cleared;
            }
        }
    });
    if (changed) {
        toast(model,
              QCoreApplication::translate("CoverAssignment", "🗑️ Covers removed from %n songs", nullptr,
                                          cleared),
              ToastManager::ToastType::warning);
    }
}

void clearAllCovers(ContentViewModel& model) {
    const bool changed = model.applyChange(true, [](MusicFolder& folder) {
        for (Song& song : folder.songs) {
            song.coverImagePath.reset();
        }
    });
    if (changed) {
        toast(model, QCoreApplication::translate("CoverAssignment", "🗑️ All covers cleared"),
              ToastManager::ToastType::warning);
    }
}

} // namespace quirella
