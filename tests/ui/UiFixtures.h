// Shared set-up of the window tests: songs built in memory, real WAV files in scratch folders, a window
// with its own progress and toast managers, and clicks on table cells.
#pragma once

#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "support/TestSupport.h"
#include "themes/ThemeManager.h"
#include "ui/MainWindow.h"
#include "ui/SongTableModel.h"
#include "ui/SongTableView.h"
#include "ui/VisibleColumns.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace quirella::test::ui {

inline Song makeSong(const QString& name, const QString& artist = {}, qint64 year = 0,
                     const QString& extension = QStringLiteral("mp3")) {
    Song song;
    song.id = QUuid::createUuid();
    song.url = QUrl::fromLocalFile(QStringLiteral("/music/") + name + QLatin1Char('.') + extension);
    song.name = name;
    song.artist = artist;
    song.year = year;
    song.fileExtension = extension;
    song.duration = 200;
    song.bookmarkData = song.url.toLocalFile().toUtf8();
    song.isMetadataLoaded = true;
    return song;
}

// A playable 16-bit mono PCM WAV file of the given length.
inline QByteArray wavBytes(int milliseconds = 200) {
    const quint32 rate = 8000;
    const quint32 dataSize = rate * quint32(milliseconds) / 1000 * 2;
    QByteArray bytes;
    auto le32 = [&bytes](quint32 v) {
        for (int i = 0; i < 4; ++i) {
            bytes.append(char((v >> (8 * i)) & 0xFF));
        }
    };
    auto le16 = [&bytes](quint16 v) {
        bytes.append(char(v & 0xFF));
        bytes.append(char(v >> 8));
    };
    bytes.append("RIFF");
    le32(36 + dataSize);
    bytes.append("WAVEfmt ");
    le32(16);
    le16(1);
    le16(1);
    le32(rate);
    le32(rate * 2);
    le16(2);
    le16(16);
    bytes.append("data");
    le32(dataSize);
    bytes.append(QByteArray(int(dataSize), '\0'));
    return bytes;
}

// Songs whose bookmarks point at real files in `dir`, for the operations that touch files.
inline QList<Song> songsOnDisk(const ScratchDir& dir, const QStringList& names) {
    QList<Song> songs;
    for (const QString& name : names) {
        Song song = makeSong(name, QStringLiteral("Artist ") + name, 0, QStringLiteral("wav"));
        const QString path = dir.write(name + QStringLiteral(".wav"), wavBytes());
        song.url = QUrl::fromLocalFile(path);
        song.bookmarkData = path.toUtf8();
        songs.append(song);
    }
    return songs;
}

inline void clearPreferences() {
    QSettings settings;
    settings.remove(QStringLiteral("VisibleColumns"));
    settings.remove(ContentViewModel::preferredSortColumnKey);
    settings.remove(ContentViewModel::preferredSortAscendingKey);
    settings.sync();
    // Every window test starts in the first-launch theme without a wallpaper.
    ThemeManager& themes = ThemeManager::instance();
    themes.setCurrentTheme(Theme::deepCharcoal());
    if (themes.hasCustomWallpaper()) {
        themes.removeCustomWallpaper();
    }
    themes.setShowingDropZone(false);
}

// A shown, active window with managers of its own.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPreferences();
        openWindow();
    }
    void TearDown() override { window.reset(); }

    void openWindow() {
        window = std::make_unique<quirella::ui::MainWindow>(&progress, &toasts);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    ContentViewModel& model() { return window->viewModel(); }
    quirella::ui::SongTableView& table() { return *window->songTable(); }

    void load(const QList<Song>& songs) {
        model().setFolder(QUrl::fromLocalFile(QDir::tempPath()), songs);
        model().refreshAfterChange();
        QApplication::processEvents();
    }

    QModelIndex cell(int row, QStringView columnId) {
        return table().model()->index(row, table().songModel().sectionOf(columnId));
    }
    QPoint cellCenter(int row, QStringView columnId) {
        return table().visualRect(cell(row, columnId)).center();
    }
    void click(int row, QStringView columnId, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table().viewport(), Qt::LeftButton, modifiers, cellCenter(row, columnId));
    }
    QStringList visibleTitles() {
        QStringList titles;
        for (const Song& song : model().visibleSongs()) {
            titles.append(song.name);
        }
        return titles;
    }

    ProgressManager progress;
    ToastManager toasts;
    std::unique_ptr<quirella::ui::MainWindow> window;
};

} // namespace quirella::test::ui
