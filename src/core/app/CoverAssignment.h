// SPDX-License-Identifier: GPL-3.0-or-later
// Setting and clearing the cover references of the loaded folder's songs: one picture for every song
// (the picker), a picture dropped on a row's cover cell (that row, or the selected rows), and clearing
// one, the selected or all covers. Every change is one undo step and ends with a toast.
//
// Only the reference changes here; the picture reaches the audio files when tags are written. A
// supplied picture is converted (300-pixel fit, within 200,000 bytes) and saved as a
// "Quirella_Cover_<hash>.jpg" file in the private temporary folder off the UI thread; the songs change
// on the UI thread when that work is done, applied by song id to the folder that is current then, so
// edits made in the meantime are kept. When another folder has been loaded by then, nothing changes.
#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace quirella {

class ContentViewModel;

// A picture handed to a cover operation: a file to read, encoded bytes (a file's contents), or a
// decoded picture. The first that is set is used.
struct CoverImage {
    QString filePath;
    QByteArray encoded;
    QImage decoded;

    static CoverImage fromFile(const QString& path) { return {path, {}, {}}; }
    static CoverImage fromBytes(const QByteArray& bytes) { return {{}, bytes, {}}; }
    static CoverImage fromImage(const QImage& image) { return {{}, {}, image}; }
};

// The outcome of preparing a cover file.
enum class CoverFileError {
    none,
    noBitmap,     // the picture could not be read or decoded
    notOptimized, // the conversion gave nothing
    notSaved,     // the file could not be written
};

struct CoverFile {
    std::optional<QString> path;
    CoverFileError error = CoverFileError::none;
};

// Bytes of the picture, conversion, then the cover file: file and image work for a worker thread.
CoverFile prepareCoverFile(const CoverImage& image);

// The alert texts of the apply-all command for a failed preparation (empty for `none`).
QString coverFileErrorMessage(CoverFileError error);

// Which of these cover paths name files that are missing: a song whose cover file was deleted counts
// as having no cover. File work.
QStringList missingCoverFiles(const QStringList& paths);

// The confirmed picker picture for every song of the folder; songs whose cover file exists keep it.
// Failures show the alert; success shows "✅ Cover applied to N songs", or "✅ Cover added to N songs, M
// already had covers". The future ends when the songs have changed or the command has given up.
QFuture<void> applyCoverToAllSongs(ContentViewModel& model, const CoverImage& image);
// A picture dropped on a selected row while two or more songs are selected: every selected song gets
// it, cover or not. Failures are silent.
QFuture<void> applyCoverToSelectedSongs(ContentViewModel& model, const CoverImage& image);
// A picture dropped on one row. Failures are silent.
QFuture<void> applyCoverToSong(ContentViewModel& model, const CoverImage& image, const QUuid& songId);

void clearCover(ContentViewModel& model, const QUuid& songId);
void clearCoversOfSelectedSongs(ContentViewModel& model);
void clearAllCovers(ContentViewModel& model);

} // namespace quirella
