#include "UiFixtures.h"
#include "model/Columns.h"
#include "ui/ColumnSelectorDialog.h"
#include "ui/EnhancedProgressView.h"
#include "ui/FolderDropQueue.h"
#include "ui/HeaderBar.h"
#include "ui/SidebarView.h"
#include "ui/ThumbnailCache.h"
#include "ui/ToastView.h"
#include "ui/WelcomeView.h"

#include <QDragEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPromise>
#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;

namespace {

class Window : public WindowTest {
protected:
    void press(SidebarView::Action action) {
        QTest::mouseClick(window->sidebar()->button(action), Qt::LeftButton);
    }
    QString firstTitle() { return model().visibleSongs().at(0).name; }

    // Drags the locations over the welcome view's drop area and drops them there, as a file manager does.
    bool drop(const QList<QUrl>& locations) {
        DragDropArea* area = window->welcomeView()->dropArea();
        QMimeData data;
        data.setUrls(locations);
        const QPoint center = area->rect().center();
        QDragEnterEvent enter(center, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area, &enter);
        if (!enter.isAccepted() || !area->isDragging()) {
            return false;
        }
        QDropEvent dropEvent(QPointF(center), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area, &dropEvent);
        return dropEvent.isAccepted() && !area->isDragging();
    }
    bool waitForLoads() {
        return QTest::qWaitFor([this] { return !window->dropQueue().isBusy() && !model().isLoading(); },
                               60000);
    }
    static QString screenshotFolder() {
        const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/ui-screenshots");
        QDir().mkpath(folder);
        return folder;
    }
};

} // namespace

TEST_F(Window, ShowsTheWelcomeViewUntilAFolderWithSongsIsLoaded) {
    EXPECT_FALSE(window->isShowingTable());
    EXPECT_FALSE(window->headerBar()->isSongCountShown());
    // A first load in progress leaves the welcome view alone: the indicator lives in the song list.
    model().setIsLoading(true);
    EXPECT_FALSE(window->isLoadingIndicatorShown());
    model().setIsLoading(false);
    load({});
    EXPECT_FALSE(window->isShowingTable()); // a folder without songs keeps the welcome view
    load({makeSong(QStringLiteral("One")), makeSong(QStringLiteral("Two")),
          makeSong(QStringLiteral("Three"))});
    EXPECT_TRUE(window->isShowingTable());
    EXPECT_TRUE(window->headerBar()->isSongCountShown());
    EXPECT_EQ(window->headerBar()->songCountText(), QStringLiteral("3 songs"));
    EXPECT_FALSE(window->isLoadingIndicatorShown());
    model().setIsLoading(true);
    EXPECT_TRUE(window->isLoadingIndicatorShown());
}

TEST_F(Window, UndoAndRedoButtonsAndShortcutsRestoreValues) {
    load({makeSong(QStringLiteral("Before"))});
    const QUuid id = model().visibleSongs().at(0).id;
    model().commitEdit(id, column::title, QStringLiteral("After"));
    struct Step {
        const char* name;
        std::function<void()> undo;
        std::function<void()> redo;
    };
    const Step steps[] = {
        {"sidebar buttons", [this] { press(SidebarView::Action::undo); },
         [this] { press(SidebarView::Action::redo); }},
        {"Ctrl+Z and Ctrl+Shift+Z", [this] { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier); },
         [this] { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.undo();
        EXPECT_EQ(firstTitle(), QStringLiteral("Before"));
        step.redo();
        EXPECT_EQ(firstTitle(), QStringLiteral("After"));
    }
    // Nothing is undone while the progress overlay covers the window.
    ProgressManager::Operation working;
    working.message = QStringLiteral("Working...");
    working.total = 3;
    progress.startOperation(working);
    press(SidebarView::Action::undo);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(firstTitle(), QStringLiteral("After"));
}

TEST_F(Window, ColumnChooserMovesAReenabledColumnToTheEndAcrossARestart) {
    load({makeSong(QStringLiteral("One"))});
    press(SidebarView::Action::columns);
    ASSERT_TRUE(model().activeSheet());
    EXPECT_EQ(model().activeSheet()->kind, ActiveSheet::Kind::columnSelector);
    auto* dialog = qobject_cast<ColumnSelectorDialog*>(window->openSheet());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select Visible Columns"));
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    QStringList cardTitles;
    for (const CardToggle* card : dialog->toggles()) {
        cardTitles.append(card->text());
        EXPECT_TRUE(card->isChecked());
    }
    EXPECT_EQ(cardTitles,
              (QStringList{QStringLiteral("Cover"), QStringLiteral("BPM"), QStringLiteral("Artist"),
                           QStringLiteral("Title"), QStringLiteral("Genre"), QStringLiteral("Rating"),
                           QStringLiteral("Year"), QStringLiteral("Duration"), QStringLiteral("Type")}));

    QTest::mouseClick(dialog->toggle(QStringLiteral("genre")), Qt::LeftButton);
    EXPECT_FALSE(dialog->toggle(QStringLiteral("genre"))->isChecked());
    EXPECT_EQ(table().songModel().sectionOf(column::genre), -1);
    QTest::mouseClick(dialog->toggle(QStringLiteral("genre")), Qt::LeftButton);
    QStringList expected = column::allIds();
    expected.removeAll(QStringLiteral("genre"));
    expected.append(QStringLiteral("genre"));
    EXPECT_EQ(table().songModel().columnIds(), expected);
    EXPECT_EQ(table().songModel().headerData(11, Qt::Horizontal).toString(), QStringLiteral("Genre"));

    QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton); // "Done"
    EXPECT_FALSE(model().activeSheet());
    EXPECT_FALSE(window->openSheet());

    // A new window reads the stored order.
    window.reset();
    openWindow();
    EXPECT_EQ(window->songTable()->songModel().columnIds(), expected);
}

TEST_F(Window, SheetsWithoutAViewCloseAgainAtOnce) {
    window->setSheetFactory(ActiveSheet::Kind::themeSettings, {});
    press(SidebarView::Action::theme);
    EXPECT_FALSE(model().activeSheet());
    EXPECT_FALSE(window->openSheet());
    bool called = false;
    window->setActionHandler(SidebarView::Action::searchBpm, [&called] { called = true; });
    press(SidebarView::Action::searchBpm);
    EXPECT_TRUE(called);
}

TEST_F(Window, DroppedFoldersLoadInOrderAndOtherItemsAreIgnored) {
    ScratchDir dir;
    dir.write(QStringLiteral("First/a.wav"), wavBytes());
    dir.write(QStringLiteral("First/b.wav"), wavBytes());
    dir.write(QStringLiteral("Second/c.wav"), wavBytes());
    dir.write(QStringLiteral("Second/d.wav"), wavBytes());
    dir.write(QStringLiteral("Second/e.wav"), wavBytes());
    const QString looseFile = dir.write(QStringLiteral("notes.txt"), QByteArray("not a folder"));
    QStringList loaded;
    QObject::connect(&model(), &ContentViewModel::currentFolderChanged, window.get(), [&] {
        if (model().currentFolder() && (loaded.isEmpty() || loaded.last() != model().currentFolder()->name)) {
            loaded.append(model().currentFolder()->name);
        }
    });

    {
        SCOPED_TRACE("a file alone is ignored without a message");
        ASSERT_TRUE(drop({QUrl::fromLocalFile(looseFile)}));
        ASSERT_TRUE(waitForLoads());
        EXPECT_FALSE(model().currentFolder());
        EXPECT_FALSE(model().showExportAlert());
        EXPECT_FALSE(window->isShowingTable());
    }
    {
        SCOPED_TRACE("two folders and a file");
        ASSERT_TRUE(
            drop({QUrl::fromLocalFile(dir.filePath(QStringLiteral("First"))), QUrl::fromLocalFile(looseFile),
                  QUrl::fromLocalFile(dir.filePath(QStringLiteral("Second")))}));
        ASSERT_TRUE(waitForLoads());
        EXPECT_EQ(loaded, (QStringList{QStringLiteral("First"), QStringLiteral("Second")}));
        EXPECT_EQ(model().visibleSongs().size(), 3);
        EXPECT_TRUE(window->isShowingTable());
        EXPECT_FALSE(model().showExportAlert());
    }
}

TEST(FolderDropQueueTest, EachLoadFinishesBeforeTheNextBegins) {
    ScratchDir dir;
    dir.write(QStringLiteral("A/x"), QByteArray("x"));
    dir.write(QStringLiteral("B/x"), QByteArray("x"));
    QStringList started;
    QList<std::shared_ptr<QPromise<void>>> running;
    FolderDropQueue queue([&](const QUrl& location) {
        started.append(QFileInfo(location.toLocalFile()).fileName());
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        running.append(promise);
        return promise->future();
    });
    queue.enqueue({QUrl::fromLocalFile(dir.filePath(QStringLiteral("A"))),
                   QUrl(QStringLiteral("https://example.org/music")),
                   QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing")))});
    queue.enqueue({QUrl::fromLocalFile(dir.filePath(QStringLiteral("B")))}); // dropped while A loads
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 1; }));
    // A check of B started by mistake would have finished and been delivered by now.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(started, QStringList{QStringLiteral("A")});
    running.at(0)->finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 2; }));
    EXPECT_EQ(started, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_TRUE(queue.isBusy());
    running.at(1)->finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !queue.isBusy(); }));
}

TEST_F(Window, ToastSitsAboveTheBottomOfTheContentArea) {
    toasts.show(QStringLiteral("✅ Saved"), ToastManager::ToastType::success);
    QApplication::processEvents();
    ToastView* toast = window->toastView();
    ASSERT_TRUE(toast->isVisible());
    EXPECT_EQ(toast->text(), QStringLiteral("✅ Saved"));
    auto contentBottom = [this] {
        QWidget* content = window->welcomeView()->parentWidget();
        return content->mapTo(window->centralWidget(), QPoint(0, content->height())).y();
    };
    EXPECT_EQ(contentBottom() - toast->panelGeometry().bottom() - 1, MainWindow::toastOffsetOverWelcome);
    load({makeSong(QStringLiteral("One"))});
    EXPECT_EQ(contentBottom() - toast->panelGeometry().bottom() - 1, MainWindow::toastOffsetOverTable);
    EXPECT_LE(toast->panelGeometry().width(), ToastView::maximumWidth);
    // Long texts wrap inside the maximum width.
    toasts.show(QString(300, QLatin1Char('x')).replace(QStringLiteral("xxxxxxxx"), QStringLiteral("word ")),
                ToastManager::ToastType::info);
    QApplication::processEvents();
    EXPECT_LE(toast->panelGeometry().width(), ToastView::maximumWidth);
    EXPECT_GT(toast->panelGeometry().height(), 3 * QFontMetrics(toast->font()).height());
    EXPECT_EQ(contentBottom() - toast->panelGeometry().bottom() - 1, MainWindow::toastOffsetOverTable);
}

TEST_F(Window, ProgressOverlayShowsTheOperationAndItsStopButton) {
    struct Case {
        const char* name;
        QString message;
        bool cancellable;
        QString icon;
    };
    const Case cases[] = {
        {"online work shows the globe", QStringLiteral("Searching for missing covers..."), true,
         QStringLiteral("globlogo")},
        {"other work shows the logo", QStringLiteral("Writing tags to files..."), false,
         QStringLiteral("logo")},
    };
    EnhancedProgressView* overlay = window->progressView();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int handled = 0;
        progress.startOperation(
            {ProgressManager::OperationType::customOperation, c.message, {}, 12, c.cancellable, [&handled] {
                 ++handled;
             }});
        progress.updateProgress(3, 12, QStringLiteral("Processing One"));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return overlay->countText() == QStringLiteral("3 / 12 Processed"); }));
        EXPECT_TRUE(overlay->isVisible());
        EXPECT_EQ(overlay->geometry(), window->centralWidget()->rect());
        EXPECT_EQ(overlay->iconName(), c.icon);
        EXPECT_EQ(overlay->messageText(), c.message);
        EXPECT_EQ(overlay->detailText(), QStringLiteral("Processing One"));
        EXPECT_TRUE(overlay->remainingText().endsWith(QStringLiteral("remaining")));
        EXPECT_EQ(overlay->stopButton()->isVisible(), c.cancellable);
        if (c.cancellable) {
            QTest::mouseClick(overlay->stopButton(), Qt::LeftButton);
            EXPECT_TRUE(progress.isCancelled());
            EXPECT_EQ(handled, 1);
        } else {
            progress.finishOperation();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !overlay->isVisible(); }));
    }
    EXPECT_TRUE(EnhancedProgressView::usesGlobeLogo(QStringLiteral("Fetching METADATA")));
    EXPECT_FALSE(EnhancedProgressView::usesGlobeLogo(QStringLiteral("Analyzing BPM...")));
}

TEST_F(Window, InformationAlertFollowsTheViewModel) {
    model().showAlert(QStringLiteral("Error: The selected path is not a valid folder"));
    QMessageBox* box = window->alertBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Information"));
    EXPECT_EQ(box->text(), QStringLiteral("Error: The selected path is not a valid folder"));
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(model().showExportAlert());
    EXPECT_FALSE(window->alertBox());
}

TEST_F(Window, WriteTagsRunsTheBatchOverTheLoadedFolder) {
    ScratchDir dir;
    load(songsOnDisk(dir, {QStringLiteral("One"), QStringLiteral("Two")}));
    const QByteArray before = readAll(dir.filePath(QStringLiteral("One.wav")));
    model().commitEdit(model().visibleSongs().at(0).id, column::title, QStringLiteral("First Song"));
    QSignalSpy finished(window.get(), &MainWindow::tagWritingFinished);
    press(SidebarView::Action::writeTags);
    EXPECT_TRUE(window->isWritingTags());
    press(SidebarView::Action::writeTags); // ignored while the batch runs
    ASSERT_TRUE(finished.wait(60000));
    // A second batch started by mistake would have reported by now.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(window->isWritingTags());
    EXPECT_EQ(toasts.message(), QStringLiteral("✅ Tags written to 2 songs successfully!"));
    EXPECT_NE(readAll(dir.filePath(QStringLiteral("One.wav"))), before);
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("One.wav"))).contains("First Song"));
}

// The window in its main states, each checked on the widgets and saved as a picture for the docs.
TEST_F(Window, MainStatesShowOnTheWidgets) {
    const QString folder = screenshotFolder();
    EXPECT_TRUE(window->welcomeView()->isVisible());
    EXPECT_FALSE(window->isShowingTable());
    window->grab().save(folder + QStringLiteral("/welcome.png"));

    ScratchDir dir;
    QList<Song> songs;
    const QStringList titles{QStringLiteral("Midnight City"),    QStringLiteral("Blue Monday"),
                             QStringLiteral("Teardrop"),         QStringLiteral("Windowlicker"),
                             QStringLiteral("Around the World"), QStringLiteral("Strobe"),
                             QStringLiteral("Genesis"),          QStringLiteral("Xtal"),
                             QStringLiteral("Roygbiv"),          QStringLiteral("Innerbloom")};
    const QStringList artists{QStringLiteral("M83"),
                              QStringLiteral("New Order"),
                              QStringLiteral("Massive Attack"),
                              QStringLiteral("Aphex Twin"),
                              QStringLiteral("Daft Punk"),
                              QStringLiteral("deadmau5"),
                              QStringLiteral("Justice"),
                              QString(),
                              QStringLiteral("Boards of Canada"),
                              QStringLiteral("RÜFÜS DU SOL")};
    for (int i = 0; i < titles.size(); ++i) {
        Song song = makeSong(titles.at(i), artists.at(i), i % 3 == 0 ? 0 : 1983 + 4 * i,
                             i % 4 == 0 ? QStringLiteral("wav") : QStringLiteral("mp3"));
        song.genre = i % 2 ? QStringLiteral("Electronic") : QString();
        song.rating = i % 6;
        song.bpm = i % 3 ? 100 + 7 * i : 0;
        song.duration = i == 4 ? 960 : 180 + 13 * i;
        if (i % 3 != 2) {
            QImage cover(200, 200, QImage::Format_RGB32);
            cover.fill(QColor::fromHsv((i * 37) % 360, 160, 220));
            const QString path = dir.filePath(QStringLiteral("cover%1.png").arg(i));
            cover.save(path);
            song.coverImagePath = path;
        }
        songs.append(song);
    }
    QSignalSpy decoded(&table().thumbnails(), &ThumbnailCache::thumbnailReady);
    load(songs);
    ASSERT_TRUE(window->isShowingTable());
    EXPECT_EQ(table().model()->rowCount(), titles.size());
    model().selectSong(model().visibleSongs().at(1).id, false, false);
    model().selectSong(model().visibleSongs().at(2).id, false, true);
    EXPECT_EQ(model().selectedSongIds().size(), 2);
    // Painting asks for the covers of the rows in view; they decode in the background.
    window->grab();
    QSet<QString> coversInView;
    for (int row = 0; row < model().visibleSongs().size(); ++row) {
        const QString path = model().visibleSongs().at(row).coverImagePath.value_or(QString());
        if (!path.isEmpty() &&
            table().visualRect(cell(row, column::cover)).intersects(table().viewport()->rect())) {
            coversInView.insert(path);
        }
    }
    const auto decodedPaths = [&] {
        QSet<QString> paths;
        for (const QList<QVariant>& signal : decoded) {
            paths.insert(signal.at(0).toString());
        }
        return paths;
    };
    EXPECT_FALSE(coversInView.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return decodedPaths().contains(coversInView); }, 30000));
    toasts.show(QStringLiteral("✅ Tags written to 10 songs successfully!"), ToastManager::ToastType::success);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->toastView()->isVisible() && window->toastView()->opacity() == 1.0; }));
    EXPECT_EQ(window->toastView()->text(), QStringLiteral("✅ Tags written to 10 songs successfully!"));
    window->grab().save(folder + QStringLiteral("/table.png"));
    click(3, column::artist);
    auto* editor = qobject_cast<QLineEdit*>(table().indexWidget(cell(3, column::artist)));
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), model().visibleSongs().at(3).artist);
    editor->setSelection(0, 5);
    table().grab().save(folder + QStringLiteral("/editing.png"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(table().indexWidget(cell(3, column::artist)));

    progress.startOperation(
        {ProgressManager::OperationType::analyzingBPM, QStringLiteral("Analyzing BPM..."), {}, 10, true, {}});
    progress.updateProgress(4, 10, QStringLiteral("Processing Teardrop"));
    EnhancedProgressView* bar = window->progressView();
    // The update is posted to the UI thread; the bar then glides to it.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return bar->isShown() && bar->detailText() == QStringLiteral("Processing Teardrop") &&
               qFuzzyCompare(bar->smoothProgress(), progress.progress());
    }));
    EXPECT_EQ(bar->messageText(), QStringLiteral("Analyzing BPM..."));
    EXPECT_EQ(bar->countText(), QStringLiteral("4 / 10 Processed"));
    window->grab().save(folder + QStringLiteral("/progress.png"));
    progress.finishOperation();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !progress.isVisible(); }));

    press(SidebarView::Action::columns);
    ASSERT_TRUE(qobject_cast<ColumnSelectorDialog*>(window->openSheet()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->openSheet()));
    window->openSheet()->grab().save(folder + QStringLiteral("/columns.png"));
}
