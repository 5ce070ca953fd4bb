// SPDX-License-Identifier: GPL-3.0-or-later
// The window around the table: welcome view and drops, undo and redo, the toast and the progress
// overlay, each checked on the real widgets; and the window in German, with the catalogues installed as
// the program installs them for a German desktop.
#include "UiFixtures.h"
#include "app/CoverAssignment.h"
#include "app/Translations.h"
#include "model/Columns.h"
#include "ui/EnhancedProgressView.h"
#include "ui/FolderDropQueue.h"
#include "ui/HeaderBar.h"
#include "ui/KeyboardCommands.h"
#include "ui/ToastView.h"
#include "ui/WelcomeView.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QPromise>
#include <QPushButton>
#include <QThreadPool>
#include <QTranslator>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

namespace {

using Window = WindowTest;

// The welcome view until a folder with songs is loaded; the toast floats above the bottom of either, and
// wraps long texts within its width.
TEST_F(Window, ShowsTheWelcomeViewUntilAFolderWithSongsIsLoadedAndTheToastAboveEither) {
    ToastView* toast = window->toastView();
    auto toastGap = [&] {
        QWidget* content = window->welcomeView()->parentWidget();
        const int bottom = content->mapTo(window->centralWidget(), QPoint(0, content->height())).y();
        return bottom - toast->panelGeometry().bottom() - 1;
    };
    toasts.show(u"✅ Saved"_s, ToastManager::ToastType::success);
    QApplication::processEvents();
    ASSERT_TRUE(toast->isVisible());
    EXPECT_EQ(toastGap(), MainWindow::toastOffsetOverWelcome);
    EXPECT_FALSE(window->headerBar()->isSongCountShown());
    // A first load in progress leaves the welcome view alone: the indicator lives in the song list.
    model().setIsLoading(true);
    EXPECT_FALSE(window->isLoadingIndicatorShown());
    model().setIsLoading(false);
    load({});
    EXPECT_FALSE(window->isShowingTable()); // a folder without songs keeps the welcome view
    load({makeSong(u"One"_s), makeSong(u"Two"_s), makeSong(u"Three"_s)});
    EXPECT_TRUE(window->isShowingTable());
    EXPECT_EQ(window->headerBar()->songCountText(), u"3 songs"_s);
    EXPECT_EQ(toastGap(), MainWindow::toastOffsetOverTable);
    EXPECT_FALSE(window->isLoadingIndicatorShown());
    model().setIsLoading(true);
    EXPECT_TRUE(window->isLoadingIndicatorShown());
    toasts.show(QString(300, u'x').replace(u"xxxxxxxx"_s, u"word "_s), ToastManager::ToastType::info);
    QApplication::processEvents();
    EXPECT_LE(toast->panelGeometry().width(), ToastView::maximumWidth);
    EXPECT_GT(toast->panelGeometry().height(), 3 * QFontMetrics(toast->font()).height());
    EXPECT_EQ(toastGap(), MainWindow::toastOffsetOverTable);
}

TEST_F(Window, UndoAndRedoButtonsAndShortcutsRestoreValues) {
    load({makeSong(u"Before"_s)});
    model().commitEdit(model().visibleSongs().at(0).id, column::title, u"After"_s);
    auto title = [this] { return column(column::title).at(0); };
    auto keys = [this](Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(window.get(), Qt::Key_Z, modifiers);
    };
    press(SidebarView::Action::undo);
    EXPECT_EQ(title(), u"Before"_s);
    press(SidebarView::Action::redo);
    EXPECT_EQ(title(), u"After"_s);
    keys(Qt::ControlModifier);
    EXPECT_EQ(title(), u"Before"_s);
    keys(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(title(), u"After"_s);
    // Nothing is undone while the progress overlay covers the window.
    progress.startOperation(
        {ProgressManager::OperationType::customOperation, u"Working..."_s, {}, 3, false, {}});
    press(SidebarView::Action::undo);
    keys(Qt::ControlModifier);
    EXPECT_EQ(title(), u"After"_s);
}

TEST_F(Window, DroppedFoldersLoadInOrderOtherItemsAreIgnoredAndTheWelcomeButtonOpensTheDialog) {
    ScratchDir dir;
    for (const QString& name : {u"First/a.wav"_s, u"Second/c.wav"_s, u"Second/d.wav"_s}) {
        dir.write(name, wavFile());
    }
    const QString looseFile = dir.write(u"notes.txt"_s, QByteArray("not a folder"));
    QStringList loaded;
    QObject::connect(&model(), &ContentViewModel::currentFolderChanged, window.get(), [&] {
        if (model().currentFolder() && (loaded.isEmpty() || loaded.last() != model().currentFolder()->name)) {
            loaded.append(model().currentFolder()->name);
        }
    });
    DragDropArea* area = window->welcomeView()->dropArea();
    auto drop = [&](const QList<QUrl>& locations) {
        QMimeData data;
        data.setUrls(locations);
        bool lit = false;
        const bool taken = dragAndDrop(area, area->rect().center(), data, [&] { lit = area->isDragging(); });
        EXPECT_TRUE(lit) << "the area lights up while the drag is over it";
        EXPECT_FALSE(area->isDragging());
        return taken && QTest::qWaitFor(
                            [this] { return !window->dropQueue().isBusy() && !model().isLoading(); }, 60000);
    };
    ASSERT_TRUE(drop({QUrl::fromLocalFile(looseFile)})); // a file alone is ignored without a message
    EXPECT_FALSE(model().currentFolder() || model().showExportAlert());
    ASSERT_TRUE(drop({QUrl::fromLocalFile(dir.filePath(u"First"_s)), QUrl::fromLocalFile(looseFile),
                      QUrl::fromLocalFile(dir.filePath(u"Second"_s))}));
    EXPECT_EQ(loaded, (QStringList{u"First"_s, u"Second"_s}));

    load({}); // the welcome view opens the folder dialog through its button (Ctrl+O: KeyboardWindowTest)
    QTest::mouseClick(window->welcomeView()->openFolderButton(), Qt::LeftButton);
    window->folderDialog()->reject();
}

TEST(FolderDropQueueTest, EachLoadFinishesBeforeTheNextBegins) {
    ScratchDir dir;
    dir.write(u"A/x"_s, QByteArray("x"));
    dir.write(u"B/x"_s, QByteArray("x"));
    QStringList started;
    QList<std::shared_ptr<QPromise<void>>> running;
    FolderDropQueue queue([&](const QUrl& location) {
        started.append(QFileInfo(location.toLocalFile()).fileName());
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        running.append(promise);
        return promise->future();
    });
    queue.enqueue({QUrl::fromLocalFile(dir.filePath(u"A"_s)), QUrl(u"https://example.org/music"_s),
                   QUrl::fromLocalFile(dir.filePath(u"missing"_s))});
    queue.enqueue({QUrl::fromLocalFile(dir.filePath(u"B"_s))}); // dropped while A loads
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 1; }));
    // A check of B started by mistake would have finished and been delivered by now.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(started, QStringList{u"A"_s});
    running.at(0)->finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 2; }));
    EXPECT_EQ(started, (QStringList{u"A"_s, u"B"_s}));
    EXPECT_TRUE(queue.isBusy());
    running.at(1)->finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !queue.isBusy(); }));
}

TEST_F(Window, ProgressOverlayShowsTheOperationAndStopsOnlineWork) {
    EnhancedProgressView* overlay = window->progressView();
    for (const bool online : {true, false}) {
        SCOPED_TRACE(online ? "online" : "offline");
        const QString message = online ? u"Searching for missing covers..."_s : u"Writing tags to files..."_s;
        int handled = 0;
        progress.startOperation(
            {ProgressManager::OperationType::customOperation, message, {}, 12, online, [&handled] {
                 ++handled;
             }});
        progress.updateProgress(3, 12, u"Processing One"_s);
        // The update is posted to the UI thread.
        ASSERT_TRUE(QTest::qWaitFor([&] { return overlay->countText() == u"3 / 12 Processed"_s; }));
        EXPECT_EQ(overlay->geometry(), window->centralWidget()->rect());
        EXPECT_EQ((QStringList{overlay->messageText(), overlay->detailText()}),
                  (QStringList{message, u"Processing One"_s}));
        EXPECT_EQ(overlay->iconName(), online ? u"globlogo"_s : u"logo"_s); // the globe for network work
        EXPECT_EQ(overlay->stopButton()->isVisible(), online);
        if (online) {
            QTest::mouseClick(overlay->stopButton(), Qt::LeftButton);
            EXPECT_EQ(handled, 1);
        } else {
            progress.finishOperation();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }));
    }
}

// A fast load posts its updates quicker than an animation's frames: the bar shows what the count says.
TEST(ProgressOverlay, BarAndCountShowTheSameProgressThroughAFastLoad) {
    ProgressManager progress;
    const EnhancedProgressView overlay(progress);
    const auto* bar = overlay.findChild<QProgressBar*>();
    progress.startOperation(
        {ProgressManager::OperationType::loadingFolder, u"Loading"_s, {}, 1000, false, {}});
    for (int done = 0; done <= 1000; done += 40) {
        progress.updateProgress(done, 1000);
        QCoreApplication::processEvents(); // the posted update, without waiting for a frame
        ASSERT_EQ(overlay.countText(), u"%1 / 1000 Processed"_s.arg(done));
        EXPECT_DOUBLE_EQ(double(bar->value()) / bar->maximum(), done / 1000.0);
    }
}

class GermanWindow : public WindowTest {
protected:
    void SetUp() override {
        translators = installTranslations(*QCoreApplication::instance(), QLocale(QLocale::German));
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        qDeleteAll(translators); // a deleted translator removes itself
    }
    QList<QTranslator*> translators;
};

TEST_F(GermanWindow, SheetsToastsAlertsAndCountsSpeakGerman) {
    ASSERT_EQ(translators.size(), 2); // Quirella's catalogue and Qt's
    QList<Song> songs{makeSong(u"One"_s), makeSong(u"Two"_s), makeSong(u"Three"_s)};
    for (Song& song : songs) {
        song.coverImagePath = u"/music/cover.png"_s;
    }
    load(songs);
    EXPECT_EQ(window->headerBar()->songCountText(), u"3 Songs"_s);

    // German has its own singular and plural.
    model().setSelectedSongIds({songs.at(0).id});
    clearCoversOfSelectedSongs(model());
    EXPECT_EQ(toasts.message(), u"🗑️ Cover von 1 Song entfernt"_s);
    model().setSelectedSongIds({songs.at(1).id, songs.at(2).id});
    clearCoversOfSelectedSongs(model());
    EXPECT_EQ(toasts.message(), u"🗑️ Cover von 2 Songs entfernt"_s);

    press(SidebarView::Action::setGenre);
    EXPECT_EQ(window->openSheet()->windowTitle(), u"Genre für alle Songs festlegen"_s);
    window->openSheet()->reject();

    // Qt's own buttons come from Qt's catalogue.
    QDialog* shortcuts = window->keyboardCommands()->showShortcuts();
    EXPECT_EQ(shortcuts->windowTitle(), u"Tastenkürzel"_s);
    EXPECT_EQ(shortcuts->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->text(),
              u"Schließen"_s);
    shortcuts->close();

    (void)model().loadFolder(QUrl::fromLocalFile(u"/no/such/folder"_s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->alertBox() != nullptr; }));
    EXPECT_EQ(window->alertBox()->text(), u"Fehler: Der gewählte Pfad ist kein gültiger Ordner"_s);
}

} // namespace
