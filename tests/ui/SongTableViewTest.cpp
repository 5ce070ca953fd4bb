#include "UiFixtures.h"
#include "model/Columns.h"
#include "ui/HeaderBar.h"
#include "ui/SongDelegates.h"
#include "ui/ThumbnailCache.h"
#include "ui/ToastView.h"

#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;

namespace {

class SongTable : public WindowTest {
protected:
    void clickHeader(QStringView columnId) {
        QHeaderView* header = table().horizontalHeader();
        const int section = table().songModel().sectionOf(columnId);
        const QPoint center(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, center);
    }
    QList<qint64> years() {
        QList<qint64> list;
        for (const Song& song : model().visibleSongs()) {
            list.append(song.year);
        }
        return list;
    }
    QLineEdit* editorAt(int row, QStringView columnId) {
        return qobject_cast<QLineEdit*>(table().indexWidget(cell(row, columnId)));
    }
    QSet<QUuid> idsOfRows(std::initializer_list<int> rows) {
        QSet<QUuid> ids;
        for (const int row : rows) {
            ids.insert(model().visibleSongs().at(row).id);
        }
        return ids;
    }
    QStringList menuTexts(int row) {
        QStringList texts;
        const std::unique_ptr<QMenu> menu = table().rowMenu(row);
        for (const QAction* action : menu->actions()) {
            texts.append(action->text());
        }
        return texts;
    }
    void triggerMenuEntry(int row, const QString& text) {
        const std::unique_ptr<QMenu> menu = table().rowMenu(row);
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry " << text.toStdString();
    }
};

} // namespace

TEST_F(SongTable, HeaderClickSortsAndASecondClickReverses) {
    load({makeSong(QStringLiteral("b"), {}, 2024), makeSong(QStringLiteral("a"), {}, 0),
          makeSong(QStringLiteral("c"), {}, 1999)});
    EXPECT_FALSE(table().horizontalHeader()->isSortIndicatorShown());

    clickHeader(column::year);
    EXPECT_EQ(model().sortColumn(), QStringLiteral("year"));
    EXPECT_EQ(years(), (QList<qint64>{0, 1999, 2024}));
    clickHeader(column::year);
    EXPECT_EQ(years(), (QList<qint64>{2024, 1999, 0}));
    EXPECT_FALSE(model().sortAscending());

    // Another column sorts ascending; a column without sorting leaves the order alone.
    clickHeader(column::title);
    EXPECT_EQ(visibleTitles(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    clickHeader(column::play);
    EXPECT_EQ(model().sortColumn(), QStringLiteral("title"));
    EXPECT_TRUE(model().sortAscending());
}

TEST_F(SongTable, YearCellCommitsOnReturnAndFocusLossAndCancelsOnEscape) {
    load({makeSong(QStringLiteral("One"), {}, 1990), makeSong(QStringLiteral("Two"), {}, 1991)});
    const HistoryManager& history = model().historyManager();
    auto typeInYear = [this](const QString& text) -> QLineEdit* {
        click(0, column::year);
        QLineEdit* editor = editorAt(0, column::year);
        if (!editor) {
            ADD_FAILURE() << "the year cell did not open an editor";
            return nullptr;
        }
        EXPECT_EQ(editor->text(), SongTableModel::yearText(model().visibleSongs().at(0).year));
        editor->selectAll();
        QTest::keyClicks(editor, text);
        return editor;
    };
    {
        SCOPED_TRACE("Escape restores the year and records nothing");
        QLineEdit* editor = typeInYear(QStringLiteral("1999"));
        ASSERT_TRUE(editor);
        QTest::keyClick(editor, Qt::Key_Escape);
        EXPECT_EQ(model().visibleSongs().at(0).year, 1990);
        EXPECT_EQ(history.historyStack().size(), 0);
        EXPECT_FALSE(model().editingField());
    }
    {
        SCOPED_TRACE("Return on an unchanged year records nothing");
        click(0, column::year);
        QLineEdit* editor = editorAt(0, column::year);
        ASSERT_TRUE(editor);
        EXPECT_EQ(model().editingField(), QStringLiteral("year"));
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !model().editingField(); }));
        EXPECT_EQ(history.historyStack().size(), 0);
    }
    {
        SCOPED_TRACE("2100 is out of range and shows an empty cell");
        QLineEdit* editor = typeInYear(QStringLiteral("2100"));
        ASSERT_TRUE(editor);
        QTest::keyClick(editor, Qt::Key_Return); // the delegate commits from the event loop
        ASSERT_TRUE(QTest::qWaitFor([this] { return !model().editingField(); }));
        EXPECT_EQ(model().visibleSongs().at(0).year, 0);
        EXPECT_EQ(cell(0, column::year).data().toString(), QString());
        EXPECT_EQ(cell(0, column::year).data(SongTableModel::PlaceholderRole).toString(),
                  QStringLiteral("Year"));
        EXPECT_EQ(history.historyStack().size(), 1);
    }
    {
        SCOPED_TRACE("clicking elsewhere commits");
        ASSERT_TRUE(typeInYear(QStringLiteral("1987")));
        click(1, column::duration);
        EXPECT_EQ(model().visibleSongs().at(0).year, 1987);
        EXPECT_EQ(history.historyStack().size(), 2);
    }
}

TEST_F(SongTable, StarClicksSetAndClearTheRating) {
    Song rated = makeSong(QStringLiteral("Rated"));
    rated.rating = 3;
    load({rated});
    auto clickStar = [this](int star) {
        const QRect cellRect = table().visualRect(cell(0, column::rating));
        QTest::mouseClick(table().viewport(), Qt::LeftButton, {},
                          RatingDelegate::starRect(cellRect, star).center());
        return model().visibleSongs().at(0).rating;
    };
    EXPECT_EQ(clickStar(3), 0); // the current value clears
    EXPECT_EQ(clickStar(3), 3);
    EXPECT_EQ(clickStar(5), 5);
    EXPECT_EQ(clickStar(1), 1);
    EXPECT_EQ(model().historyManager().historyStack().size(), 0);
    EXPECT_TRUE(model().selectedSongIds().isEmpty()); // a star is a button, not a row click
}

TEST_F(SongTable, ShiftAndCtrlClicksSelectAsTheRulesSay) {
    QList<Song> songs;
    for (int i = 0; i < 8; ++i) {
        songs.append(makeSong(QString::number(i)));
    }
    load(songs);
    click(1, column::duration);
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({1}));
    click(3, column::duration, Qt::ControlModifier);
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({1, 3}));
    click(5, column::duration, Qt::ShiftModifier); // from the anchor (3) to 5, keeping 1
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({1, 3, 4, 5}));
    click(4, column::duration, Qt::ControlModifier); // deselects and keeps the anchor at 5
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({1, 3, 5}));
    click(7, column::duration, Qt::ShiftModifier);
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({1, 3, 5, 6, 7}));
    EXPECT_TRUE(table().isRowSelected(6));
    click(2, column::title); // a plain click selects only this row (and edits its title)
    EXPECT_EQ(model().selectedSongIds(), idsOfRows({2}));
}

TEST_F(SongTable, ArtistColumnResizesWithin100And400) {
    load({makeSong(QStringLiteral("One"), QStringLiteral("Someone"))});
    QHeaderView* header = table().horizontalHeader();
    const int artist = table().songModel().sectionOf(column::artist);
    EXPECT_EQ(header->sectionSize(artist), 230);
    struct Case {
        const char* name;
        int requested;
        int expected;
    };
    for (const Case& c : {Case{"far left stops at 100", 20, 100}, Case{"far right stops at 400", 900, 400},
                          Case{"in between is taken", 260, 260}}) {
        SCOPED_TRACE(c.name);
        header->resizeSection(artist, c.requested);
        EXPECT_EQ(header->sectionSize(artist), c.expected);
        EXPECT_EQ(table().artistColumnWidth(), c.expected);
    }
    // A drag on the divider far to the left.
    const int edge = header->sectionViewportPosition(artist) + header->sectionSize(artist) - 1;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, 10));
    QTest::mouseMove(header->viewport(), QPoint(edge - 300, 10));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge - 300, 10));
    EXPECT_EQ(header->sectionSize(artist), 100);

    // The width survives a change of the visible columns, not a restart.
    window->visibleColumns().toggle(column::genre);
    EXPECT_EQ(header->sectionSize(table().songModel().sectionOf(column::artist)), 100);
}

TEST_F(SongTable, RowMenuOffersSingleOrMultipleDeletionAndTrashes) {
    ScratchDir dir;
    load(songsOnDisk(dir, {QStringLiteral("Alpha"), QStringLiteral("Bravo"), QStringLiteral("Charlie"),
                           QStringLiteral("Delta")}));
    const QStringList single{QStringLiteral("Play"), QStringLiteral("Swap Artist ↔ Title"),
                             QStringLiteral("Delete Song")};
    EXPECT_EQ(menuTexts(0), single);
    model().setSelectedSongIds(idsOfRows({0}));
    EXPECT_EQ(menuTexts(0), single);
    model().setSelectedSongIds(idsOfRows({0, 1}));
    EXPECT_EQ(menuTexts(0).last(), QStringLiteral("Delete 2 Selected Songs"));
    EXPECT_EQ(menuTexts(2), single); // not among the selected

    {
        SCOPED_TRACE("the selected songs go together");
        triggerMenuEntry(1, QStringLiteral("Delete 2 Selected Songs"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return model().visibleSongs().size() == 2; }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return toasts.isShowing(); }));
        EXPECT_EQ(toasts.message(), QStringLiteral("🗑️ 2 songs moved to Trash"));
        EXPECT_TRUE(model().selectedSongIds().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Alpha.wav"))));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Bravo.wav"))));
        EXPECT_EQ(window->headerBar()->songCountText(), QStringLiteral("2 songs"));
    }
    {
        SCOPED_TRACE("the trash cell takes one song");
        click(1, column::actions);
        ASSERT_TRUE(QTest::qWaitFor([&] { return model().visibleSongs().size() == 1; }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return toasts.message().contains(QStringLiteral("Delta")); }));
        EXPECT_EQ(toasts.message(), QStringLiteral("🗑 Delta moved to Trash"));
        EXPECT_EQ(visibleTitles(), QStringList{QStringLiteral("Charlie")});
    }
    {
        SCOPED_TRACE("a failed move shows the alert and no toast");
        QFile::remove(dir.filePath(QStringLiteral("Charlie.wav")));
        triggerMenuEntry(0, QStringLiteral("Delete Song"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return model().showExportAlert(); }));
        EXPECT_TRUE(model().exportAlertMessage().startsWith(QStringLiteral("Error deleting file: ")));
        EXPECT_EQ(toasts.message(), QStringLiteral("🗑 Delta moved to Trash"));
        EXPECT_EQ(model().visibleSongs().size(), 1);
    }
}

TEST_F(SongTable, SwapCellExchangesArtistAndTitleAsOneUndoStep) {
    load({makeSong(QStringLiteral("Title"), QStringLiteral("Artist"))});
    click(0, column::swap);
    EXPECT_EQ(model().visibleSongs().at(0).name, QStringLiteral("Artist"));
    EXPECT_EQ(model().visibleSongs().at(0).artist, QStringLiteral("Title"));
    model().undo();
    EXPECT_EQ(model().visibleSongs().at(0).name, QStringLiteral("Title"));
}

TEST(ThumbnailCacheTest, DecodesOffTheUiThreadAndRemembersFailures) {
    ScratchDir dir;
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString image = dir.filePath(QStringLiteral("cover.png"));
    ASSERT_TRUE(picture.save(image));
    const QString broken = dir.write(QStringLiteral("broken.jpg"), QByteArray("not a picture"));

    ThumbnailCache cache;
    QSignalSpy ready(&cache, &ThumbnailCache::thumbnailReady);
    const QSize size(35, 24);
    EXPECT_TRUE(cache.thumbnail(image, size).isNull()); // not decoded on the calling thread
    EXPECT_TRUE(cache.thumbnail(broken, size).isNull());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() == 2; }));
    const QPixmap thumbnail = cache.thumbnail(image, size);
    ASSERT_FALSE(thumbnail.isNull());
    // Stretched to the thumbnail whatever the picture's shape.
    EXPECT_EQ(thumbnail.size(), size);
    EXPECT_TRUE(cache.thumbnail(broken, size).isNull());
    EXPECT_FALSE(cache.isPending(broken, size));
    // Nothing was queued for the broken file: the next report is the one of a new request.
    EXPECT_TRUE(cache.thumbnail(image, QSize(20, 20)).isNull());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready.count() >= 3; }));
    EXPECT_EQ(ready.count(), 3); // the broken file is not read again
    EXPECT_EQ(ready.last().at(0).toString(), image);
}

TEST_F(SongTable, HeaderMenusPutTheTopSlotAboveTheEditingEntries) {
    load({makeSong(QStringLiteral("Title"), QStringLiteral("Artist"))});
    const auto texts = [this](QStringView columnId) {
        QStringList list;
        const std::unique_ptr<QMenu> menu = table().headerMenu(columnId);
        for (const QAction* action : menu->actions()) {
            list.append(action->isSeparator() ? QStringLiteral("---") : action->text());
        }
        return list;
    };
    EXPECT_TRUE(texts(u"bpm").isEmpty());
    table().addHeaderMenuProvider(
        u"bpm", [](QMenu& menu) { menu.addAction(QStringLiteral("Edit")); }, HeaderMenus::Slot::editing);
    EXPECT_EQ(texts(u"bpm"), QStringList{QStringLiteral("Edit")});
    // Registered later, shown first: the look-up slot sits at the top.
    table().addHeaderMenuProvider(u"bpm", [](QMenu& menu) { menu.addAction(QStringLiteral("Search")); });
    table().addHeaderMenuProvider(u"bpm", [](QMenu& menu) { menu.addAction(QStringLiteral("Clear")); });
    EXPECT_EQ(texts(u"bpm"), (QStringList{QStringLiteral("Search"), QStringLiteral("Clear"),
                                          QStringLiteral("---"), QStringLiteral("Edit")}));
    // A top slot alone ends without a stray separator.
    table().addHeaderMenuProvider(u"duration", [](QMenu& menu) { menu.addAction(QStringLiteral("Only")); });
    table().addHeaderMenuProvider(
        u"duration", [](QMenu&) {}, HeaderMenus::Slot::editing);
    EXPECT_EQ(texts(u"duration"), QStringList{QStringLiteral("Only")});
}
