#include "UiFixtures.h"
#include "model/Columns.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;

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
        clearPreferences();
        g_modelFailures.clear();
        viewModel = std::make_unique<ContentViewModel>();
        model = std::make_unique<SongTableModel>(*viewModel, column::allIds());
        previousHandler = qInstallMessageHandler(recordModelFailures);
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    void TearDown() override {
        tester.reset();
        qInstallMessageHandler(previousHandler);
        EXPECT_TRUE(g_modelFailures.isEmpty()) << g_modelFailures.join(u'\n').toStdString();
    }

    std::unique_ptr<ContentViewModel> viewModel;
    std::unique_ptr<SongTableModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
    QtMessageHandler previousHandler = nullptr;
};

} // namespace

TEST_F(SongTableModelContract, FollowsEveryKindOfChangeExactly) {
    ScratchDir dir;
    QList<Song> songs =
        songsOnDisk(dir, {QStringLiteral("Delta"), QStringLiteral("Alpha"), QStringLiteral("Charlie"),
                          QStringLiteral("Bravo"), QStringLiteral("Echo")});
    songs[2].year = 1999;
    viewModel->setFolder(QUrl::fromLocalFile(dir.path()), songs);
    viewModel->refreshAfterChange();
    ASSERT_EQ(model->rowCount(), 5);

    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);

    // A sort replaces the rows in one reset.
    viewModel->sortBy(column::title);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model->songAt(0).name, QStringLiteral("Alpha"));

    // An edit and a star click change one row.
    const int charlie = 2;
    ASSERT_EQ(model->songAt(charlie).name, QStringLiteral("Charlie"));
    EXPECT_TRUE(
        model->setData(model->index(charlie, model->sectionOf(column::year)), QStringLiteral("2001")));
    viewModel->setRating(model->songAt(charlie).id, 4);
    ASSERT_EQ(changed.count(), 2);
    for (const QList<QVariant>& signal : std::as_const(changed)) {
        const QModelIndex first = signal.at(0).toModelIndex();
        const QModelIndex last = signal.at(1).toModelIndex();
        EXPECT_EQ(first.row(), charlie);
        EXPECT_EQ(last.row(), charlie);
        EXPECT_EQ(first.column(), 0);
        EXPECT_EQ(last.column(), model->columnCount() - 1);
    }
    EXPECT_EQ(model->data(model->index(charlie, model->sectionOf(column::year))).toString(),
              QStringLiteral("2001"));
    EXPECT_EQ(model->data(model->index(charlie, 0), SongTableModel::RatingRole).toInt(), 4);

    // Writing back the text the cell already shows records no undo step.
    const qsizetype undoSteps = viewModel->historyManager().historyStack().size();
    EXPECT_FALSE(
        model->setData(model->index(charlie, model->sectionOf(column::title)), QStringLiteral("Charlie")));
    EXPECT_EQ(viewModel->historyManager().historyStack().size(), undoSteps);

    // The trash takes out exactly its row.
    const QUuid bravo = model->songAt(1).id;
    ASSERT_TRUE(waitFor(viewModel->moveToTrash(bravo)));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(indexOfSong(model->songs(), bravo), -1);

    // Undo brings back the whole list as it was before the edit, in one reset.
    const int resetsBefore = int(reset.count());
    viewModel->undo();
    EXPECT_EQ(reset.count(), resetsBefore + 1);
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(model->data(model->index(charlie, model->sectionOf(column::year))).toString(),
              QStringLiteral("1999"));
}

TEST_F(SongTableModelContract, ColumnChangesAreRemovalsAndAppends) {
    viewModel->setFolder(QUrl::fromLocalFile(QStringLiteral("/music")),
                         {makeSong(QStringLiteral("One")), makeSong(QStringLiteral("Two"))});
    QSignalSpy removed(model.get(), &QAbstractItemModel::columnsRemoved);
    QSignalSpy inserted(model.get(), &QAbstractItemModel::columnsInserted);
    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);

    QStringList ids = column::allIds();
    ids.removeAll(QStringLiteral("genre"));
    model->setColumnIds(ids);
    ids.append(QStringLiteral("genre"));
    model->setColumnIds(ids);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(model->columnId(model->columnCount() - 1), QStringLiteral("genre"));
    EXPECT_EQ(model->headerData(model->columnCount() - 1, Qt::Horizontal).toString(),
              QStringLiteral("Genre"));

    // A reordering that is not a removal plus an append resets.
    std::reverse(ids.begin(), ids.end());
    model->setColumnIds(ids);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model->columnIds(), ids);
}

TEST(SongTableCells, ShowTheValuesAsTheTableWrites) {
    struct Row {
        const char* name;
        double duration;
        qint64 bpm;
        qint64 year;
        QString bpmText;
        QString durationText;
        QString yearText;
    };
    const Row rows[] = {
        {"long song is a mix whatever its tempo", 900, 128, 2024, QStringLiteral("MIX"),
         QStringLiteral("15:00"), QStringLiteral("2024")},
        {"just under fifteen minutes without tempo", 899.9, 0, 0, QStringLiteral("-"),
         QStringLiteral("14:59"), QString()},
        {"hours are not wrapped", 3725, 97, 1999, QStringLiteral("MIX"), QStringLiteral("62:05"),
         QStringLiteral("1999")},
        {"fractions of a second are dropped", 59.99, 97, 0, QStringLiteral("97"), QStringLiteral("0:59"),
         QString()},
        {"broken duration shows zero", -3, 0, -5, QStringLiteral("-"), QStringLiteral("0:00"), QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Song song = makeSong(QStringLiteral("Song"));
        song.duration = row.duration;
        song.bpm = row.bpm;
        song.year = row.year;
        EXPECT_EQ(SongTableModel::cellText(song, column::bpm), row.bpmText);
        EXPECT_EQ(SongTableModel::cellText(song, column::duration), row.durationText);
        EXPECT_EQ(SongTableModel::cellText(song, column::year), row.yearText);
    }
}
