// SPDX-License-Identifier: GPL-3.0-or-later
// Cover references of the loaded folder: the picture for all songs with its counts, toasts and alerts,
// drops on the selected or one song, clearing, undo, and what happens to edits made while a picture is
// being converted.
#include "app/CoverAssignment.h"

#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "support/AudioFiles.h"
#include "support/Songs.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>
#include <tuple>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

class Covers : public ::testing::Test {
protected:
    void load(int count) {
        QList<Song> songs;
        for (int i = 0; i < count; ++i) {
            songs.append(makeSong(u"Song %1"_s.arg(i)));
        }
        model.setFeedback(&progress, &toasts);
        model.setFolder(QUrl::fromLocalFile(dir.path()), songs);
    }
    QList<Song> songs() const { return model.currentFolder()->songs; }
    QUuid idAt(int index) const { return songs().at(index).id; }
    void setCover(int index, const std::optional<QString>& path) {
        model.applyChange(false, [&](MusicFolder& folder) { folder.songs[index].coverImagePath = path; });
    }
    QString existingCover(const QString& name) { return dir.write(name, imageBytes(Qt::blue)); }
    static CoverImage picture() { return CoverImage::fromBytes(imageBytes(Qt::green, 600, 400)); }

    ScratchDir dir;
    ProgressManager progress;
    ToastManager toasts;
    ContentViewModel model;
};

TEST_F(Covers, AllSongsWithoutACoverGetThePictureAndExistingCoversStay) {
    load(10);
    QStringList kept;
    for (int index : {1, 4, 8}) {
        kept.append(existingCover(u"own%1.jpg"_s.arg(index)));
        setCover(index, kept.last());
    }
    ASSERT_TRUE(waitFor(applyCoverToAllSongs(model, picture())));
    EXPECT_EQ(toasts.message(), u"✅ Cover added to 7 songs, 3 already had covers"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::success);

    const QString added = *songs().at(0).coverImagePath;
    EXPECT_TRUE(QFileInfo(added).fileName().startsWith(u"Quirella_Cover_"_s));
    EXPECT_EQ(QImage(added, "JPEG").size(), QSize(300, 200)); // converted: a 300-pixel fit
    for (int index = 0; index < 10; ++index) {
        const int keptAt = QList<int>{1, 4, 8}.indexOf(index);
        EXPECT_EQ(*songs().at(index).coverImagePath, keptAt >= 0 ? kept.at(keptAt) : added) << index;
    }
    EXPECT_EQ(model.visibleSongs().at(0).coverImagePath, added); // shown at once

    model.undo(); // one step
    EXPECT_EQ(songs().at(0).coverImagePath, std::nullopt);
    EXPECT_EQ(songs().at(1).coverImagePath, kept.at(0));
}

TEST_F(Covers, AFailedPictureChangesNothing) {
    const std::tuple<const char*, CoverImage, QString> rows[] = {
        {"no picture at all", CoverImage::fromImage(QImage()),
         u"Error: Could not process the image. Please try another image."_s},
        {"bytes that do not decode", CoverImage::fromBytes("not a picture"),
         u"Error: Could not optimize the image. Please try a smaller or different format image."_s},
    };
    load(3);
    for (const auto& [name, image, alert] : rows) {
        model.setShowExportAlert(false);
        ASSERT_TRUE(waitFor(applyCoverToAllSongs(model, image)));
        EXPECT_TRUE(model.showExportAlert()) << name;
        EXPECT_EQ(model.exportAlertMessage(), alert) << name;
        EXPECT_EQ(songs().at(2).coverImagePath, std::nullopt) << name;
    }
    EXPECT_FALSE(model.historyManager().canUndo());
}

// A cover whose file was deleted counts as none.
TEST_F(Covers, EditsMadeWhileThePictureIsConvertedAreKeptAndADeletedCoverCountsAsNone) {
    load(2);
    const QString deleted = existingCover(u"gone.jpg"_s);
    setCover(0, deleted);
    ASSERT_TRUE(QFile::remove(deleted));
    const QFuture<void> applying = applyCoverToAllSongs(model, picture());
    model.commitEdit(idAt(1), u"title", u"Renamed meanwhile"_s);
    ASSERT_TRUE(waitFor(applying));
    EXPECT_EQ(toasts.message(), u"✅ Cover applied to 2 songs"_s);
    EXPECT_EQ(songs().at(1).name, u"Renamed meanwhile"_s);
    EXPECT_TRUE(songs().at(1).coverImagePath.has_value());
    EXPECT_NE(songs().at(0).coverImagePath, deleted);
    EXPECT_EQ(songs().at(0).coverImagePath, songs().at(1).coverImagePath);

    // Another folder loaded meanwhile is left alone.
    const QFuture<void> late = applyCoverToSong(model, picture(), idAt(0));
    load(2);
    ASSERT_TRUE(waitFor(late));
    EXPECT_EQ(songs().at(0).coverImagePath, std::nullopt);
}

TEST_F(Covers, ADropOnTheSelectionReplacesEveryCoverAndADropOnOneRowOnlyThatRow) {
    load(6);
    const QString own = existingCover(u"own.jpg"_s);
    setCover(2, own);
    model.setSelectedSongIds({idAt(0), idAt(1), idAt(2), idAt(3)});
    ASSERT_TRUE(waitFor(applyCoverToSelectedSongs(model, picture())));
    EXPECT_EQ(toasts.message(), u"✅ Cover added to 4 songs"_s);
    const std::optional<QString> dropped = songs().at(0).coverImagePath;
    ASSERT_TRUE(dropped);
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(songs().at(index).coverImagePath, dropped) << index; // the existing one too
    }
    EXPECT_EQ(songs().at(4).coverImagePath, std::nullopt);

    ASSERT_TRUE(waitFor(applyCoverToSong(model, CoverImage::fromFile(own), idAt(5))));
    EXPECT_EQ(toasts.message(), u"✅ Cover added"_s);
    EXPECT_TRUE(songs().at(5).coverImagePath.has_value());
    EXPECT_NE(songs().at(5).coverImagePath, dropped);
    EXPECT_EQ(songs().at(4).coverImagePath, std::nullopt);

    // A file that is not a picture changes nothing and says nothing.
    toasts.show(u"before"_s, ToastManager::ToastType::info);
    ASSERT_TRUE(
        waitFor(applyCoverToSong(model, CoverImage::fromFile(dir.write(u"x.jpg"_s, "text")), idAt(4))));
    EXPECT_EQ(songs().at(4).coverImagePath, std::nullopt);
    EXPECT_EQ(toasts.message(), u"before"_s);
    EXPECT_FALSE(model.showExportAlert());
}

TEST_F(Covers, ClearingCoversIsUndoable) {
    load(4);
    for (int index = 0; index < 4; ++index) {
        setCover(index, existingCover(u"c%1.jpg"_s.arg(index)));
    }
    const QList<Song> before = songs();

    clearCover(model, idAt(0));
    EXPECT_EQ(toasts.message(), u"🗑️ Cover removed"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::warning);
    EXPECT_EQ(songs().at(0).coverImagePath, std::nullopt);
    EXPECT_TRUE(QFileInfo::exists(*before.at(0).coverImagePath)); // only the reference goes

    model.setSelectedSongIds({idAt(1), idAt(2)});
    clearCoversOfSelectedSongs(model);
    EXPECT_EQ(toasts.message(), u"🗑️ Covers removed from 2 songs"_s);
    EXPECT_EQ(songs().at(2).coverImagePath, std::nullopt);
    EXPECT_TRUE(songs().at(3).coverImagePath.has_value());

    clearAllCovers(model);
    EXPECT_EQ(toasts.message(), u"🗑️ All covers cleared"_s);
    EXPECT_EQ(songs().at(3).coverImagePath, std::nullopt);
    for (int step = 0; step < 3; ++step) {
        model.undo();
    }
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(songs().at(index).coverImagePath, before.at(index).coverImagePath) << index;
    }
}

} // namespace
