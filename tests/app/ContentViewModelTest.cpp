#include "app/ContentViewModel.h"

#include "model/Columns.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

Song makeSong(const QString& name, qint64 year = 0, const QString& extension = QStringLiteral("mp3")) {
    Song song;
    song.id = QUuid::createUuid();
    song.url = QUrl::fromLocalFile(QStringLiteral("/music/") + name + QLatin1Char('.') + extension);
    song.name = name;
    song.year = year;
    song.fileExtension = extension;
    song.bookmarkData = song.url.toLocalFile().toUtf8();
    song.isMetadataLoaded = true;
    return song;
}

QStringList names(const QList<Song>& songs) {
    QStringList list;
    for (const Song& song : songs) {
        list.append(song.name);
    }
    return list;
}

class ViewModel : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings settings;
        settings.remove(ContentViewModel::preferredSortColumnKey);
        settings.remove(ContentViewModel::preferredSortAscendingKey);
        model = std::make_unique<ContentViewModel>();
    }

    // Loads songs named "0", "1", ... as the current folder.
    void load(int count) {
        QList<Song> songs;
        for (int i = 0; i < count; ++i) {
            songs.append(makeSong(QString::number(i), 1990 + i));
        }
        model->setFolder(QUrl::fromLocalFile(QStringLiteral("/music")), songs);
        model->refreshAfterChange();
    }
    QUuid idAt(int row) const { return model->visibleSongs().at(row).id; }
    QString folderTitle(int row) const { return model->currentFolder()->songs.at(row).name; }

    std::unique_ptr<ContentViewModel> model;
};

// ---- Sort preferences ----

TEST_F(ViewModel, StartsUnsortedAscendingWithoutStoredPreferences) {
    EXPECT_FALSE(model->sortColumn());
    EXPECT_TRUE(model->sortAscending());
    model.reset();
    QSettings settings;
    EXPECT_FALSE(settings.contains(ContentViewModel::preferredSortColumnKey));
    // The restore writes the direction back through its setter.
    EXPECT_EQ(settings.value(ContentViewModel::preferredSortAscendingKey).toBool(), true);
}

TEST_F(ViewModel, StoredDescendingWithoutColumnStaysDescending) {
    model.reset();
    QSettings().setValue(ContentViewModel::preferredSortAscendingKey, false);
    const ContentViewModel restarted;
    EXPECT_FALSE(restarted.sortColumn());
    EXPECT_FALSE(restarted.sortAscending());
}

TEST_F(ViewModel, SortChoiceSurvivesARestartAndSortsTheNextFolder) {
    model->sortBy(column::year);
    model->sortBy(column::year);
    EXPECT_EQ(model->sortColumn(), QStringLiteral("year"));
    EXPECT_FALSE(model->sortAscending());
    model.reset();

    ContentViewModel restarted;
    EXPECT_EQ(restarted.sortColumn(), QStringLiteral("year"));
    EXPECT_FALSE(restarted.sortAscending());
    restarted.setFolder(QUrl::fromLocalFile(QStringLiteral("/music")),
                        {makeSong(QStringLiteral("none"), 0), makeSong(QStringLiteral("old"), 1999),
                         makeSong(QStringLiteral("new"), 2024)});
    EXPECT_EQ(names(restarted.currentFolder()->songs),
              (QStringList{QStringLiteral("new"), QStringLiteral("old"), QStringLiteral("none")}));
    EXPECT_EQ(names(restarted.visibleSongs()), names(restarted.currentFolder()->songs));
}

TEST_F(ViewModel, HeaderClicksToggleOrSwitchAndReorderTheFolderItself) {
    model->setFolder(QUrl::fromLocalFile(QStringLiteral("/music")),
                     {makeSong(QStringLiteral("b"), 2000, QStringLiteral("wav")),
                      makeSong(QStringLiteral("a"), 1990, QStringLiteral("mp3")),
                      makeSong(QStringLiteral("c"), 2010, QStringLiteral("aif"))});
    QSignalSpy resets(model.get(), &ContentViewModel::songsReset);

    model->sortBy(column::title);
    EXPECT_EQ(names(model->currentFolder()->songs), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    model->sortBy(column::title);
    EXPECT_FALSE(model->sortAscending());
    EXPECT_EQ(names(model->currentFolder()->songs), (QStringList{u"c"_s, u"b"_s, u"a"_s}));
    model->sortBy(column::extension);
    EXPECT_TRUE(model->sortAscending());
    EXPECT_EQ(names(model->currentFolder()->songs), (QStringList{u"c"_s, u"a"_s, u"b"_s}));
    EXPECT_EQ(names(model->visibleSongs()), names(model->currentFolder()->songs));
    ASSERT_EQ(resets.size(), 3);
    EXPECT_FALSE(resets.at(0).at(0).toBool()) << "sorting does not animate";

    model.reset();
    EXPECT_EQ(QSettings().value(ContentViewModel::preferredSortColumnKey).toString(), u"extension"_s);
}

// ---- Selection ----

TEST_F(ViewModel, ShiftRangeFollowsTheVisibleOrderAndSurvivesSorting) {
    load(10);
    model->selectSong(idAt(3), false, false);
    model->selectSong(idAt(7), true, false);
    const QSet<QUuid> range = model->selectedSongIds();
    EXPECT_EQ(range.size(), 5);
    EXPECT_EQ(model->lastSelectedId(), idAt(7));

    model->sortBy(column::year);
    model->sortBy(column::year);
    EXPECT_EQ(model->selectedSongIds(), range);
    // After the reversal the anchor (old row 7) is row 2: shift on row 0 adds rows 0 and 1.
    model->selectSong(idAt(0), true, false);
    EXPECT_EQ(model->selectedSongIds().size(), 7);
}

// ---- Inline edits and stars ----

TEST_F(ViewModel, CommitAppliesTheFieldRuleInPlaceAndRecordsUndo) {
    load(3);
    model->sortBy(column::title);
    QSignalSpy rows(model.get(), &ContentViewModel::songChanged);
    QSignalSpy resets(model.get(), &ContentViewModel::songsReset);
    const QUuid id = idAt(2);

    struct Case {
        const char16_t* field;
        QString typed;
        QString title;
        qint64 year;
    };
    const Case cases[] = {
        {u"year", u"19"_s, u"2"_s, 0},
        {u"year", u"2099"_s, u"2"_s, 2099},
        {u"year", u"+1999"_s, u"2"_s, 1999},
        // A title that now sorts first stays in its row until the next sort.
        {u"title", u"  aaa"_s, u"  aaa"_s, 1999},
        {u"bpm", u"140"_s, u"  aaa"_s, 1999},
    };
    int snapshots = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        model->commitEdit(id, c.field, c.typed);
        ++snapshots;
        EXPECT_EQ(model->visibleSongs().at(2).name, c.title);
        EXPECT_EQ(model->visibleSongs().at(2).year, c.year);
        EXPECT_EQ(folderTitle(2), c.title);
        EXPECT_EQ(model->currentFolder()->songs.at(2).year, c.year);
        EXPECT_EQ(model->historyManager().historyStack().size(), snapshots)
            << "every commit records a snapshot";
    }
    EXPECT_EQ(rows.size(), std::size(cases));
    EXPECT_EQ(rows.at(0).at(0).toInt(), 2);
    EXPECT_TRUE(resets.isEmpty()) << "an inline edit changes one row, not the list";

    model->commitEdit(QUuid::createUuid(), column::title, u"x"_s);
    EXPECT_EQ(model->historyManager().historyStack().size(), snapshots) << "unknown song: nothing recorded";

    model->undo();
    model->undo();
    EXPECT_EQ(folderTitle(2), u"2"_s);
    model->redo();
    EXPECT_EQ(folderTitle(2), u"  aaa"_s);
}

TEST_F(ViewModel, StarClicksToggleAndAreNotUndoable) {
    load(2);
    const QUuid id = idAt(0);
    model->setRating(id, 3);
    EXPECT_EQ(model->visibleSongs().at(0).rating, 3);
    model->setRating(id, 3);
    EXPECT_EQ(model->visibleSongs().at(0).rating, 0);
    model->setRating(id, 3);
    model->setRating(id, 4);
    EXPECT_EQ(model->currentFolder()->songs.at(0).rating, 4);
    model->setRating(id, 9);
    EXPECT_EQ(model->currentFolder()->songs.at(0).rating, 5) << "ratings are clamped";
    EXPECT_TRUE(model->historyManager().historyStack().isEmpty());

    model->undo();
    EXPECT_EQ(model->visibleSongs().at(0).rating, 5) << "no undoable change before the stars";

    // Undo after a star click goes back to the snapshot of the last undoable change.
    model->commitEdit(idAt(1), column::title, u"edited"_s);
    model->setRating(idAt(1), 2);
    model->undo();
    EXPECT_EQ(model->visibleSongs().at(1).name, u"1"_s);
    EXPECT_EQ(model->visibleSongs().at(1).rating, 0);
}

// ---- History through the view model ----

TEST_F(ViewModel, UndoAndRedoSwapTheFolderAndANewEditForgetsRedo) {
    load(1);
    const QUuid id = idAt(0);
    for (int i = 1; i <= 25; ++i) {
        model->commitEdit(id, column::title, QString::number(100 + i));
    }
    for (int i = 0; i < 20; ++i) {
        model->undo();
    }
    EXPECT_EQ(folderTitle(0), u"105"_s);
    QSignalSpy changes(model.get(), &ContentViewModel::currentFolderChanged);
    model->undo();
    EXPECT_EQ(folderTitle(0), u"105"_s);
    EXPECT_TRUE(changes.isEmpty()) << "an empty history leaves the folder alone";

    model->redo();
    EXPECT_EQ(model->visibleSongs().at(0).name, u"106"_s);
    model->commitEdit(id, column::genre, u"Jazz"_s);
    model->redo();
    EXPECT_EQ(folderTitle(0), u"106"_s) << "a new change empties the redo stack";
}

TEST_F(ViewModel, UndoBringsBackAnEarlierFolderWholesale) {
    load(2);
    const QUuid firstFolder = model->currentFolder()->id;
    model->applyChange(true, [](MusicFolder& folder) { folder.songs.removeFirst(); });
    model->setFolder(QUrl::fromLocalFile(QStringLiteral("/other")), {makeSong(u"x"_s)});
    model->undo();
    EXPECT_EQ(model->currentFolder()->id, firstFolder);
    EXPECT_EQ(model->visibleSongs().size(), 2);
    EXPECT_EQ(model->totalSongs(), 2);
}

// ---- Change protocol ----

TEST_F(ViewModel, ChangeProtocolSnapshotsOnlyUndoableChangesAndRefreshesAnimated) {
    EXPECT_FALSE(model->applyChange(true, [](MusicFolder&) { ADD_FAILURE() << "no folder to change"; }));
    load(4);
    model->setIsLoading(true);
    QSignalSpy resets(model.get(), &ContentViewModel::songsReset);

    EXPECT_TRUE(model->applyChange(false, [](MusicFolder& folder) { folder.songs.removeLast(); }));
    EXPECT_TRUE(model->historyManager().historyStack().isEmpty());
    EXPECT_TRUE(model->applyChange(true, [](MusicFolder& folder) {
        for (Song& song : folder.songs) {
            song.genre = u"Soul"_s;
        }
    }));
    EXPECT_EQ(model->historyManager().historyStack().size(), 1);
    EXPECT_EQ(model->historyManager().historyStack().at(0).songs.at(0).genre, QString());
    EXPECT_EQ(model->visibleSongs().at(2).genre, u"Soul"_s);
    EXPECT_EQ(model->totalSongs(), 3);
    EXPECT_FALSE(model->isLoading());
    ASSERT_EQ(resets.size(), 2);
    EXPECT_TRUE(resets.at(1).at(0).toBool());
}

TEST_F(ViewModel, RefreshWithoutAFolderEmptiesTheListAndKeepsTheCount) {
    load(3);
    model->setCurrentFolder(std::nullopt);
    model->refreshAfterChange();
    EXPECT_TRUE(model->visibleSongs().isEmpty());
    EXPECT_EQ(model->totalSongs(), 3);
}

// ---- Trash ----

// Points the user's home, data folder and working folder into a scratch folder for one test and restores
// them afterwards. QFile::moveToTrash uses the trash of the data folder only for files on the same file
// system as the home folder, and the working folder is where a trash that cannot be set up would leak.
class TrashEnvironment {
public:
    explicit TrashEnvironment(const QString& dataFolder)
        : m_home(qgetenv("HOME"))
        , m_data(qgetenv("XDG_DATA_HOME"))
        , m_workingFolder(QDir::currentPath()) {
        QDir().mkpath(workingFolder());
        qputenv("HOME", QFile::encodeName(m_root.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataFolder));
        QDir::setCurrent(workingFolder());
    }
    ~TrashEnvironment() {
        QDir::setCurrent(m_workingFolder);
        qputenv("HOME", m_home);
        qputenv("XDG_DATA_HOME", m_data);
    }
    TrashEnvironment(const TrashEnvironment&) = delete;
    TrashEnvironment& operator=(const TrashEnvironment&) = delete;

    QString root() const { return m_root.path(); }
    QString workingFolder() const { return m_root.filePath(u"cwd"_s); }

private:
    test::ScratchDir m_root;
    QByteArray m_home;
    QByteArray m_data;
    QString m_workingFolder;
};

TEST_F(ViewModel, TrashMovesTheFileAndDropsTheSongButNotTheSelection) {
    const test::ScratchDir dir;
    const TrashEnvironment environment(dir.filePath(u"data"_s));
    QList<Song> songs;
    for (const QString& name : {u"keep"_s, u"gone"_s}) {
        Song song = makeSong(name);
        song.url = QUrl::fromLocalFile(dir.write(name + u".mp3"_s, "ID3 audio bytes"));
        song.bookmarkData = song.url.toLocalFile().toUtf8();
        songs.append(song);
    }
    model->setFolder(QUrl::fromLocalFile(dir.path()), songs);
    model->refreshAfterChange();
    const QUuid gone = songs[1].id;
    model->selectSong(songs[0].id, false, false);
    model->selectSong(gone, false, true);
    const QSet<QUuid> selection = model->selectedSongIds();
    QSignalSpy removed(model.get(), &ContentViewModel::songRemoved);

    const QFuture<void> done = model->moveToTrash(gone);
    ASSERT_TRUE(test::waitFor(done));

    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"gone.mp3"_s)));
    const QString trashed = dir.filePath(u"data/Trash/files/gone.mp3"_s);
    EXPECT_EQ(test::readAll(trashed), QByteArray("ID3 audio bytes"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"keep.mp3"_s)));
    EXPECT_EQ(names(model->currentFolder()->songs), QStringList{u"keep"_s});
    EXPECT_EQ(names(model->visibleSongs()), QStringList{u"keep"_s});
    EXPECT_EQ(model->totalSongs(), 1);
    EXPECT_EQ(model->selectedSongIds(), selection);
    EXPECT_FALSE(model->showExportAlert());
    EXPECT_TRUE(model->historyManager().historyStack().isEmpty());
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.at(0).at(0).toInt(), 1);
    EXPECT_TRUE(QDir(environment.workingFolder()).isEmpty());
}

TEST_F(ViewModel, TrashThatCannotBeSetUpLeavesTheFileWhereItIs) {
    const test::ScratchDir dir;
    const QString blocker = dir.write(u"blocker"_s, "a file where the data folder should go");
    const TrashEnvironment environment(blocker + u"/data"_s);
    Song song = makeSong(u"stays"_s);
    song.url = QUrl::fromLocalFile(dir.write(u"stays.mp3"_s, "audio"));
    song.bookmarkData = song.url.toLocalFile().toUtf8();
    model->setFolder(QUrl::fromLocalFile(dir.path()), {song});
    model->refreshAfterChange();

    ASSERT_TRUE(test::waitFor(model->moveToTrash(song.id)));
    EXPECT_TRUE(model->showExportAlert());
    EXPECT_EQ(model->exportAlertMessage(),
              u"Error deleting file: The trash folder “%1/data/Trash” cannot be created."_s.arg(blocker));
    EXPECT_EQ(test::readAll(song.url.toLocalFile()), QByteArray("audio"));
    EXPECT_EQ(model->totalSongs(), 1);
    EXPECT_TRUE(QDir(environment.workingFolder()).isEmpty());
}

TEST_F(ViewModel, TrashFailuresShowTheReasonAndChangeNothing) {
    Song missing = makeSong(u"missing"_s);
    missing.url = QUrl::fromLocalFile(QDir::tempPath() + u"/no-such-file.mp3"_s);
    missing.bookmarkData = missing.url.toLocalFile().toUtf8();
    Song unresolvable = makeSong(u"unresolvable"_s);
    unresolvable.bookmarkData.clear();
    model->setFolder(QUrl::fromLocalFile(QDir::tempPath()), {missing, unresolvable});
    model->refreshAfterChange();

    struct Case {
        QUuid id;
        QString alert;
    };
    for (const Case& c :
         {Case{missing.id, u"Error deleting file: The file “no-such-file.mp3” doesn’t exist."_s},
          Case{unresolvable.id, u"Error deleting file: The bookmark is empty."_s}}) {
        SCOPED_TRACE(c.alert.toStdString());
        model->setShowExportAlert(false);
        ASSERT_TRUE(test::waitFor(model->moveToTrash(c.id)));
        EXPECT_TRUE(model->showExportAlert());
        EXPECT_EQ(model->exportAlertMessage(), c.alert);
        EXPECT_EQ(model->currentFolder()->songs.size(), 2);
        EXPECT_EQ(model->visibleSongs().size(), 2);
        EXPECT_EQ(model->totalSongs(), 2);
    }
    // A song that is not in the folder is ignored.
    model->setShowExportAlert(false);
    EXPECT_TRUE(model->moveToTrash(QUuid::createUuid()).isFinished());
    EXPECT_FALSE(model->showExportAlert());
}

// ---- Loading ----

TEST_F(ViewModel, LoadingSomethingThatIsNotAFolderShowsTheAlertAndKeepsTheFolder) {
    load(2);
    const test::ScratchDir dir;
    const QString file = dir.write(u"song.mp3"_s, "x");
    for (const QUrl& location : {QUrl::fromLocalFile(file), QUrl::fromLocalFile(dir.filePath(u"absent"_s))}) {
        model->setShowExportAlert(false);
        ASSERT_TRUE(test::waitFor(model->loadFolder(location)));
        EXPECT_TRUE(model->showExportAlert());
        EXPECT_EQ(model->exportAlertMessage(), u"Error: The selected path is not a valid folder"_s);
        EXPECT_FALSE(model->isLoading());
        EXPECT_EQ(model->visibleSongs().size(), 2);
    }
}

} // namespace
