// SPDX-License-Identifier: GPL-3.0-or-later
// The song table: its model under QAbstractItemModelTester, the texts of its cells, and the view driven by
// real clicks (sorting, editing, stars, selection, menus, the trash, the artist column's limits).
#include "UiFixtures.h"
#include "model/Columns.h"
#include "ui/HeaderBar.h"
#include "ui/KeyboardCommands.h"
#include "ui/SongDelegates.h"
#include "ui/ThumbnailCache.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QMessageBox>
#include <QSignalSpy>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

namespace {

// QAbstractItemModelTester reports contract violations as warnings starting with "FAIL!".
QStringList g_modelFailures;
void recordModelFailures(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && message.contains(QLatin1StringView("FAIL!"))) {
        g_modelFailures.append(message);
    }
}

class SongTableModelContract : public ::testing::Test {
protected:
    void SetUp() override {
        g_modelFailures.clear();
        previousHandler = qInstallMessageHandler(recordModelFailures);
        tester = std::make_unique<QAbstractItemModelTester>(
            &model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    void TearDown() override {
        tester.reset();
        qInstallMessageHandler(previousHandler);
        EXPECT_TRUE(g_modelFailures.isEmpty()) << g_modelFailures.join(u'\n').toStdString();
    }
    QString text(int row, QStringView columnId) {
        return model.index(row, model.sectionOf(columnId)).data().toString();
    }

    bool cleared = (clearPreferences(), true); // first: the view model reads the stored sort order
    ContentViewModel viewModel;
    SongTableModel model{viewModel, column::allIds()};
    std::unique_ptr<QAbstractItemModelTester> tester;
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(SongTableModelContract, FollowsEveryKindOfChangeExactly) {
    ScratchDir dir;
    QList<Song> songs = songsOnDisk(dir, {u"Delta"_s, u"Alpha"_s, u"Charlie"_s, u"Bravo"_s, u"Echo"_s});
    songs[2].year = 1999;
    songs[0].duration = 900; // a song of fifteen minutes or more is a mix whatever its tempo
    songs[0].bpm = 128;
    viewModel.setFolder(QUrl::fromLocalFile(dir.path()), songs);
    viewModel.refreshAfterChange();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    const int mix = int(indexOfSong(model.songs(), songs[0].id));
    EXPECT_EQ((QStringList{text(mix, column::bpm), text(mix, column::duration), text(mix == 0, column::bpm)}),
              (QStringList{u"MIX"_s, u"15:00"_s, u"-"_s}));
    viewModel.sortBy(column::title); // a sort replaces the rows in one reset
    EXPECT_EQ(reset.count(), 1);

    // An edit and a star click change one row, all of its columns.
    const int charlie = 2;
    ASSERT_EQ(text(charlie, column::title), u"Charlie"_s);
    EXPECT_TRUE(model.setData(model.index(charlie, model.sectionOf(column::year)), u"2001"_s));
    viewModel.setRating(model.songAt(charlie).id, 4);
    ASSERT_EQ(changed.count(), 2);
    for (const QList<QVariant>& signal : std::as_const(changed)) {
        EXPECT_EQ(signal.at(0).toModelIndex(), model.index(charlie, 0));
        EXPECT_EQ(signal.at(1).toModelIndex(), model.index(charlie, model.columnCount() - 1));
    }
    EXPECT_EQ(text(charlie, column::year), u"2001"_s);
    // Writing back the text the cell already shows records no undo step.
    const qsizetype undoSteps = viewModel.historyManager().historyStack().size();
    EXPECT_FALSE(model.setData(model.index(charlie, model.sectionOf(column::title)), u"Charlie"_s));
    EXPECT_EQ(viewModel.historyManager().historyStack().size(), undoSteps);

    const QUuid bravo = model.songAt(1).id; // the trash takes out exactly its row
    ASSERT_TRUE(waitFor(viewModel.moveToTrash(bravo)));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    // Undo brings back the whole list as it was before the edit, in one reset.
    viewModel.undo();
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(text(charlie, column::year), u"1999"_s);

    // A column turned off is a removal, turned on again an append; another order resets.
    QSignalSpy columnsRemoved(&model, &QAbstractItemModel::columnsRemoved);
    QSignalSpy columnsInserted(&model, &QAbstractItemModel::columnsInserted);
    QStringList ids = column::allIds();
    ids.removeAll(u"genre"_s);
    model.setColumnIds(ids);
    ids.append(u"genre"_s);
    model.setColumnIds(ids);
    EXPECT_EQ(columnsRemoved.count(), 1);
    EXPECT_EQ(columnsInserted.count(), 1);
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(model.headerData(model.columnCount() - 1, Qt::Horizontal).toString(), u"Genre"_s);
    std::reverse(ids.begin(), ids.end());
    model.setColumnIds(ids);
    EXPECT_EQ(reset.count(), 3);
}

class SongTable : public WindowTest {
protected:
    void clickHeader(QStringView columnId) {
        QHeaderView* header = table().horizontalHeader();
        const int section = table().songModel().sectionOf(columnId);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                                 header->height() / 2));
    }
    QSet<QUuid> idsOfRows(std::initializer_list<int> rows) {
        QSet<QUuid> ids;
        for (const int row : rows) {
            ids.insert(model().visibleSongs().at(row).id);
        }
        return ids;
    }
};

// The order of a click (ascending, a second click reverses) is the view model's (tests/app).
TEST_F(SongTable, HeaderSortsOnClickAndKeepsTheArtistColumnWithin100And400) {
    load({makeSong(u"b"_s, u"Someone"_s, 2024), makeSong(u"a"_s, {}, 0), makeSong(u"c"_s, {}, 1999)});
    QHeaderView* header = table().horizontalHeader();
    EXPECT_FALSE(header->isSortIndicatorShown());
    clickHeader(column::year);
    EXPECT_EQ(column(column::year), (QStringList{{}, u"1999"_s, u"2024"_s}));
    clickHeader(column::play); // a column without sorting leaves the order alone
    EXPECT_EQ(model().sortColumn(), u"year"_s);
    EXPECT_TRUE(model().sortAscending());

    const int artist = table().songModel().sectionOf(column::artist);
    EXPECT_EQ(header->sectionSize(artist), 230);
    for (const auto& [requested, expected] : {std::pair{20, 100}, std::pair{900, 400}, std::pair{260, 260}}) {
        SCOPED_TRACE(requested);
        header->resizeSection(artist, requested);
        EXPECT_EQ(header->sectionSize(artist), expected);
        EXPECT_EQ(table().artistColumnWidth(), expected);
    }
    // The width survives a change of the visible columns, not a restart.
    window->visibleColumns().toggle(column::genre);
    EXPECT_EQ(header->sectionSize(table().songModel().sectionOf(column::artist)), 260);
}

TEST_F(SongTable, CellsCommitOnFocusLossCancelOnEscapeAndRefuseWhatIsNoNumber) {
    load({makeSong(u"One"_s, {}, 1990), makeSong(u"Two"_s, {}, 1991)});
    window->visibleColumns().toggle(column::track); // the album's columns are hidden until chosen
    const HistoryManager& history = model().historyManager();
    // Opens the editor of the first row's cell, types, and ends with `key` (none: a click on another row).
    auto edit = [this](QStringView id, const QString& text, std::optional<Qt::Key> key) {
        click(0, id);
        auto* editor = qobject_cast<QLineEdit*>(table().indexWidget(cell(0, id)));
        EXPECT_EQ(editor->text(), column(id).at(0));
        EXPECT_EQ(model().editingField(), id.toString());
        editor->selectAll();
        QTest::keyClicks(editor, text);
        if (key) {
            QTest::keyClick(editor, *key); // the delegate commits from the event loop
        } else {
            click(1, column::duration);
        }
        ASSERT_TRUE(QTest::qWaitFor([this] { return !model().editingField(); }));
    };
    edit(column::year, u"1999"_s, Qt::Key_Escape);
    EXPECT_EQ(column(column::year).at(0), u"1990"_s);
    EXPECT_EQ(history.undoCount(), 0);
    edit(column::year, u"1987"_s, std::nullopt);
    EXPECT_EQ(column(column::year).at(0), u"1987"_s);
    EXPECT_EQ(history.undoCount(), 1);
    // A total below its number changes nothing and says why.
    edit(column::track, u"3/2"_s, Qt::Key_Return);
    EXPECT_EQ(column(column::track).at(0), QString());
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_TRUE(toasts.message().contains(u"“3/2”"_s)) << toasts.message().toStdString();
    edit(column::track, u" 7 / 9 "_s, Qt::Key_Return);
    EXPECT_EQ(column(column::track).at(0), u"7/9"_s);
    // "Number Tracks" in the menu numbers the songs in the table's order (all of them when none is
    // selected), as one undo step.
    model().setSelectedSongIds({});
    menuEntry(*window->keyboardCommands()->menu(), u"Number Tracks"_s)->trigger();
    EXPECT_EQ(column(column::track), (QStringList{u"1/2"_s, u"2/2"_s}));
    window->undo();
    EXPECT_EQ(column(column::track), (QStringList{u"7/9"_s, QString()}));
}

TEST_F(SongTable, StarSwapAndModifierClicksActAsTheCellSays) {
    QList<Song> songs{makeSong(u"Title"_s, u"Artist"_s, 0, {}, 3)};
    for (int i = 1; i < 6; ++i) {
        songs.append(makeSong(QString::number(i)));
    }
    load(songs);
    auto clickStar = [this](int star) {
        QTest::mouseClick(
            table().viewport(), Qt::LeftButton, {},
            RatingDelegate::starRect(table().visualRect(cell(0, column::rating)), star).center());
        return model().visibleSongs().at(0).rating;
    };
    EXPECT_EQ(clickStar(3), 0); // the current value clears
    EXPECT_EQ(clickStar(5), 5);
    EXPECT_EQ(clickStar(1), 1);
    EXPECT_FALSE(model().historyManager().canUndo());
    click(0, column::swap);
    EXPECT_EQ((QStringList{column(column::title).at(0), column(column::artist).at(0)}),
              (QStringList{u"Artist"_s, u"Title"_s}));
    EXPECT_TRUE(model().selectedSongIds().isEmpty()) << "stars and swap are buttons, not row clicks";
    model().undo(); // the swap is one undo step
    EXPECT_EQ(column(column::title).at(0), u"Title"_s);

    click(1, column::duration);
    click(3, column::duration, Qt::ControlModifier);
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({1, 3}));
    click(5, column::duration, Qt::ShiftModifier); // from the anchor (3) to 5, keeping 1
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({1, 3, 4, 5}));
    EXPECT_TRUE(table().isRowSelected(4));
    click(2, column::title); // a plain click selects only this row (and edits its title)
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({2}));
}

TEST_F(SongTable, RowMenuOffersSingleOrMultipleDeletionAndAFailedMoveAlerts) {
    ScratchDir dir;
    load(songsOnDisk(dir, {u"Alpha"_s, u"Bravo"_s, u"Charlie"_s, u"Delta"_s}));
    const QStringList single{u"Play"_s, u"Swap Artist ↔ Title"_s, u"Delete Song"_s};
    model().setSelectedSongIds(idsOfRows({0}));
    EXPECT_EQ(menuTexts(*table().rowMenu(0)), single);
    model().setSelectedSongIds(idsOfRows({0, 1}));
    EXPECT_EQ(menuTexts(*table().rowMenu(2)), single);                       // not among the selected
    menuEntry(*table().rowMenu(1), u"Delete 2 Selected Songs"_s)->trigger(); // the selected songs go together
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model().visibleSongs().size() == 2 && !toasts.message().isEmpty(); }));
    EXPECT_EQ(window->headerBar()->songCountText(), u"2 songs"_s);
    const QString deleted = toasts.message();

    QFile::remove(dir.filePath(u"Charlie.wav"_s)); // a failed move shows the alert and no toast
    menuEntry(*table().rowMenu(0), u"Delete Song"_s)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().showExportAlert(); }));
    QMessageBox* alert = window->alertBox();
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    EXPECT_EQ(toasts.message(), deleted);
    QTest::mouseClick(alert->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(model().showExportAlert());
    EXPECT_FALSE(window->alertBox());
}

TEST(ThumbnailCacheTest, DecodesOffTheUiThreadAndRemembersFailures) {
    ScratchDir dir;
    const QString image = dir.write(u"cover.png"_s, imageBytes(Qt::red, 120, 80, "PNG"));
    const QString broken = dir.write(u"broken.jpg"_s, QByteArray("not a picture"));
    ThumbnailCache cache;
    QSignalSpy ready(&cache, &ThumbnailCache::thumbnailReady);
    const QSize size(35, 24);
    EXPECT_TRUE(cache.thumbnail(image, size).isNull()); // not decoded on the calling thread
    EXPECT_TRUE(cache.thumbnail(broken, size).isNull());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() == 2; }));
    EXPECT_EQ(cache.thumbnail(image, size).size(), size); // stretched whatever the picture's shape
    EXPECT_TRUE(cache.thumbnail(broken, size).isNull());
    EXPECT_FALSE(cache.isPending(broken, size));
    // Nothing was queued for the broken file: the next report is the one of a new request.
    EXPECT_TRUE(cache.thumbnail(image, QSize(20, 20)).isNull());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() >= 3; }));
    EXPECT_EQ(ready.count(), 3); // the broken file is not read again
    EXPECT_EQ(ready.last().at(0).toString(), image);
}

} // namespace
