// SPDX-License-Identifier: GPL-3.0-or-later
// The cover operations of `quirella-cli edit`: --cover-all IMAGE (the picker's checks, then the picture
// for every song without a cover file, as the window's confirmed picker does) and --clear-covers.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace quirella {
class ContentViewModel;
}

namespace quirella::cli {

// Shared by the parsed operations of one run.
struct CoverEditState {
    QStringList images;                  // the --cover-all files, in order
    QHash<QString, QByteArray> accepted; // their bytes, once checked
    QStringList failures;                // alerts of cover operations that failed
};

// The picker's checks on every --cover-all file, before any song is built: the picker's message for
// the first file refused.
std::optional<QString> checkCoverImages(CoverEditState& state);

// --cover-all: applies the checked picture to the songs without a cover file and waits for it. A
// failure's alert text is kept in `state.failures`.
void applyCoverImageToAllSongs(ContentViewModel& model, CoverEditState& state, const QString& image);

// --clear-covers.
void clearCoversOfAllSongs(ContentViewModel& model);

} // namespace quirella::cli
