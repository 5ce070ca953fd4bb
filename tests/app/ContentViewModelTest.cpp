// SPDX-License-Identifier: GPL-3.0-or-later
// The view model behind the window: sort preferences, selection, edits and stars with undo, the change
// protocol, the trash, and loading folders of real files with their alerts and overlay.
#include "app/ContentViewModel.h"

#include "model/Columns.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "support/Songs.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

// A song for a file on disk.
Song songOf(const QString& path) {
    Song song = makeSong(QFileInfo(path).completeBaseName());
    song.url = QUrl::fromLocalFile(path);
    song.bookmarkData = path.toUtf8();
    song.fileExtension = QFileInfo(path).suffix();
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
        settings.remove(ContentViewModel::largestFolderKey);
        model = std::make_unique<ContentViewModel>();
        QObject::connect(&ProgressManager::instance(), &ProgressManager::isVisibleChanged, model.get(),
                         [this] {
                             if (ProgressManager::instance().isVisible()) {
                                 overlayMessages.append(ProgressManager::instance().message());
                             }
                         });
    }

    // Sets songs named "0", "1", ... as the current folder.
    void load(int count) {
        QList<Song> songs;
        for (int i = 0; i < count; ++i) {
            songs.append(makeSong(QString::number(i), {}, 1990 + i));
        }
        model->setFolder(QUrl::fromLocalFile(QStringLiteral("/music")), songs);
        model->refreshAfterChange();
    }
    // Loads a real folder as a drop would.
    void load(const QString& path) {
        model->setShowExportAlert(false);
        ASSERT_TRUE(waitFor(model->loadFolder(QUrl::fromLocalFile(path)), 120000));
        // Let the overlay's posted updates arrive.
        QCoreApplication::processEvents();
        EXPECT_FALSE(model->isLoading());
    }
    // Writes `count` files named song-0000.mp3, ... (tiny files load fine: the name is enough).
    static void writeSongs(const ScratchDir& dir, int count, int first = 0) {
        for (int i = first; i < first + count; ++i) {
            ASSERT_TRUE(writeAll(dir.filePath(u"song-%1.mp3"_s.arg(i, 4, 10, QLatin1Char('0'))), "x"));
        }
    }
    int loadedCount() const {
        return model->currentFolder() ? int(model->currentFolder()->songs.size()) : -1;
    }
    QUuid idAt(int row) const { return model->visibleSongs().at(row).id; }
    QString folderTitle(int row) const { return model->currentFolder()->songs.at(row).name; }

    std::unique_ptr<ContentViewModel> model;
    QStringList overlayMessages;
};

TEST_F(ViewModel, HeaderClicksToggleOrSwitchReorderTheFolderAndSurviveARestart) {
    EXPECT_FALSE(model->sortColumn());
    EXPECT_TRUE(model->sortAscending());
    model->setFolder(QUrl::fromLocalFile(u"/music"_s),
                     {songOf(u"/music/b.wav"_s), songOf(u"/music/a.mp3"_s), songOf(u"/music/c.aif"_s)});
    QSignalSpy resets(model.get(), &ContentViewModel::songsReset);
    const std::tuple<QStringView, bool, QStringList> clicks[] = {
        {column::title, true, {u"a"_s, u"b"_s, u"c"_s}},
        {column::title, false, {u"c"_s, u"b"_s, u"a"_s}},
        {column::extension, true, {u"c"_s, u"a"_s, u"b"_s}},
        {column::extension, false, {u"b"_s, u"a"_s, u"c"_s}},
    };
    for (const auto& [key, ascending, order] : clicks) {
        model->sortBy(key);
        EXPECT_EQ(model->sortAscending(), ascending);
        EXPECT_EQ(names(model->currentFolder()->songs), order);
        EXPECT_EQ(names(model->visibleSongs()), order);
    }
    ASSERT_EQ(resets.size(), 4);
    EXPECT_FALSE(resets.at(0).at(0).toBool()) << "sorting does not animate";

    model.reset();
    {
        const ContentViewModel restarted; // stores what it read again, done when it ends
        EXPECT_EQ(restarted.sortColumn(), u"extension"_s);
        EXPECT_FALSE(restarted.sortAscending());
    }
    QSettings().remove(ContentViewModel::preferredSortAscendingKey); // a column stored without a direction
    EXPECT_TRUE(ContentViewModel().sortAscending());
}

TEST_F(ViewModel, ShiftRangeFollowsTheVisibleOrderAndSurvivesSorting) {
    load(10);
    model->selectSong(idAt(3), false, false);
    model->selectSong(idAt(7), true, false);
    const QSet<QUuid> range = model->selectedSongIds();
    model->sortBy(column::year);
    model->sortBy(column::year);
    EXPECT_EQ(model->selectedSongIds(), range);
    // After the reversal the anchor (old row 7) is row 2: shift on row 0 adds rows 0 and 1.
    model->selectSong(idAt(0), true, false);
    EXPECT_EQ(model->selectedSongIds().size(), 7);
}

TEST_F(ViewModel, CommitAppliesTheFieldRuleInPlaceAndRecordsUndo) {
    load(3);
    model->sortBy(column::title);
    QSignalSpy rows(model.get(), &ContentViewModel::songChanged);
    QSignalSpy resets(model.get(), &ContentViewModel::songsReset);
    const QUuid id = idAt(2);

    // A title that now sorts first stays in its row until the next sort; a field that takes no text
    // still records a snapshot.
    const std::pair<const char16_t*, QString> cases[] = {{u"title", u"  aaa"_s}, {u"bpm", u"140"_s}};
    int snapshots = 0;
    for (const auto& [field, typed] : cases) {
        SCOPED_TRACE(typed.toStdString());
        model->commitEdit(id, field, typed);
        EXPECT_EQ(model->visibleSongs().at(2).name, u"  aaa"_s);
        EXPECT_EQ(folderTitle(2), u"  aaa"_s);
        EXPECT_EQ(model->historyManager().historyStack().size(), ++snapshots);
    }
    EXPECT_EQ(rows.size(), std::size(cases));
    EXPECT_EQ(rows.at(0).at(0).toInt(), 2);
    EXPECT_TRUE(resets.isEmpty()) << "an inline edit changes one row, not the list";
}

TEST_F(ViewModel, StarClicksToggleAndAreNotUndoable) {
    load(2);
    const QUuid id = idAt(0);
    model->setRating(id, 3);
    EXPECT_EQ(model->visibleSongs().at(0).rating, 3);
    model->setRating(id, 3);
    EXPECT_EQ(model->visibleSongs().at(0).rating, 0);
    model->setRating(id, 9);
    EXPECT_EQ(model->currentFolder()->songs.at(0).rating, 5) << "ratings are clamped";
    EXPECT_TRUE(model->historyManager().historyStack().isEmpty());

    // Undo after a star click goes back to the snapshot of the last undoable change.
    model->commitEdit(idAt(1), column::title, u"edited"_s);
    model->setRating(idAt(1), 2);
    model->undo();
    EXPECT_EQ(model->visibleSongs().at(1).name, u"1"_s);
    EXPECT_EQ(model->visibleSongs().at(1).rating, 0);
}

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

    // Without a folder the list empties and the count stays.
    const QUuid firstFolder = model->currentFolder()->id;
    model->setCurrentFolder(std::nullopt);
    model->refreshAfterChange();
    EXPECT_TRUE(model->visibleSongs().isEmpty());
    EXPECT_EQ(model->totalSongs(), 3);
    // Undo brings back the earlier folder wholesale, even after another folder was set.
    model->setFolder(QUrl::fromLocalFile(u"/other"_s), {makeSong(u"x"_s)});
    model->undo();
    EXPECT_EQ(model->currentFolder()->id, firstFolder);
    EXPECT_EQ(model->visibleSongs().at(2).genre, QString());
}

// Points HOME, XDG_DATA_HOME and the working folder into `dir` for one test. QFile::moveToTrash uses the
// data folder's trash only for files on the home's file system; a trash that cannot be set up would leak
// into the working folder.
class TrashEnvironment {
public:
    TrashEnvironment(const ScratchDir& dir, const QString& dataFolder)
        : m_saved{qgetenv("HOME"), qgetenv("XDG_DATA_HOME")}
        , m_savedWorkingFolder(QDir::currentPath())
        , m_workingFolder(dir.filePath(u"cwd"_s)) {
        QDir().mkpath(m_workingFolder);
        qputenv("HOME", QFile::encodeName(dir.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataFolder));
        QDir::setCurrent(m_workingFolder);
    }
    ~TrashEnvironment() {
        QDir::setCurrent(m_savedWorkingFolder);
        qputenv("HOME", m_saved[0]);
        qputenv("XDG_DATA_HOME", m_saved[1]);
    }
    bool workingFolderIsEmpty() const { return QDir(m_workingFolder).isEmpty(); }

private:
    QByteArray m_saved[2];
    QString m_savedWorkingFolder;
    QString m_workingFolder;
};

// Qt's trash cannot take a name that is not UTF-8; such a file still goes to the trash byte for byte,
// beside an earlier one of the same name, with the info file that lets a file manager put it back.
TEST_F(ViewModel, TrashMovesFilesOfAnyNameAndDropsTheirSongsButNotTheSelection) {
    const ScratchDir dir;
    const TrashEnvironment environment(dir, dir.filePath(u"data"_s));
    const QByteArray root = QFile::encodeName(dir.path());
    const auto bytesAt = [](const QByteArray& path) {
        QFile file;
        return paths::openForReading(file, paths::fromNativePath(path)) ? file.readAll() : QByteArray("none");
    };
    QList<Song> songs = {songOf(dir.write(u"keep.mp3"_s, "ID3 audio bytes")),
                         songOf(dir.write(u"gone.mp3"_s, "ID3 audio bytes"))};
    for (const QByteArray folder : {"/a", "/b"}) {
        ASSERT_EQ(::mkdir((root + folder).constData(), 0700), 0);
        const QByteArray path = root + folder + "/caf\xe9 song.mp3";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_EQ(::write(fd, folder.constData(), 2), 2);
        ::close(fd);
        songs.append(songOf(paths::fromNativePath(path)));
        songs.last().bookmarkData = path;
    }
    model->setFolder(QUrl::fromLocalFile(dir.path()), songs);
    model->refreshAfterChange();
    model->selectSong(songs[0].id, false, false);
    model->selectSong(songs[1].id, false, true);
    const QSet<QUuid> selection = model->selectedSongIds();
    QSignalSpy removed(model.get(), &ContentViewModel::songRemoved);

    for (const Song& song : songs.mid(1)) {
        ASSERT_TRUE(waitFor(model->moveToTrash(song.id)));
        EXPECT_FALSE(model->showExportAlert()) << model->exportAlertMessage().toStdString();
        EXPECT_EQ(bytesAt(song.bookmarkData), QByteArray("none"));
    }
    EXPECT_EQ(names(model->currentFolder()->songs), QStringList{u"keep"_s});
    EXPECT_EQ(names(model->visibleSongs()), QStringList{u"keep"_s});
    EXPECT_EQ(model->totalSongs(), 1);
    EXPECT_EQ(model->selectedSongIds(), selection);
    EXPECT_TRUE(model->historyManager().historyStack().isEmpty());
    ASSERT_EQ(removed.size(), 3);
    EXPECT_EQ(removed.at(0).at(0).toInt(), 1);
    const QByteArray trash = root + "/data/Trash";
    EXPECT_EQ(bytesAt(trash + "/files/gone.mp3"), QByteArray("ID3 audio bytes"));
    EXPECT_EQ(bytesAt(trash + "/files/caf\xe9 song.mp3"), QByteArray("/a"));
    EXPECT_EQ(bytesAt(trash + "/files/caf\xe9 song 2.mp3"), QByteArray("/b"));
    const QList<QByteArray> info = bytesAt(trash + "/info/caf\xe9 song 2.mp3.trashinfo").split('\n');
    EXPECT_EQ(info[0], "[Trash Info]");
    EXPECT_EQ(info[1], "Path=" + (root + "/b/").toPercentEncoding("/") + "caf%E9%20song.mp3");
    EXPECT_TRUE(QRegularExpression(u"^DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"_s)
                    .match(QString::fromLatin1(info[2]))
                    .hasMatch())
        << info[2].toStdString();
    EXPECT_TRUE(environment.workingFolderIsEmpty());
}

TEST_F(ViewModel, TrashFailuresShowTheReasonAndChangeNothing) {
    const ScratchDir dir;
    // A file where the data folder should go: the trash cannot be set up.
    const QString blocker = dir.write(u"blocker"_s, "not a folder");
    const TrashEnvironment environment(dir, blocker + u"/data"_s);
    const Song stays = songOf(dir.write(u"stays.mp3"_s, "audio"));
    const Song missing = songOf(dir.filePath(u"no-such-file.mp3"_s));
    Song unresolvable = makeSong(u"unresolvable"_s);
    unresolvable.bookmarkData.clear();
    model->setFolder(QUrl::fromLocalFile(dir.path()), {stays, missing, unresolvable});
    model->refreshAfterChange();

    const std::pair<QUuid, QString> cases[] = {
        {stays.id,
         u"Error deleting file: The trash folder “%1/data/Trash” cannot be created."_s.arg(blocker)},
        {missing.id, u"Error deleting file: The file “no-such-file.mp3” doesn’t exist."_s},
        {unresolvable.id, u"Error deleting file: The bookmark is empty."_s},
    };
    for (const auto& [id, alert] : cases) {
        SCOPED_TRACE(alert.toStdString());
        model->setShowExportAlert(false);
        ASSERT_TRUE(waitFor(model->moveToTrash(id)));
        EXPECT_TRUE(model->showExportAlert());
        EXPECT_EQ(model->exportAlertMessage(), alert);
        EXPECT_EQ(model->visibleSongs().size(), 3);
        EXPECT_EQ(model->totalSongs(), 3);
    }
    EXPECT_EQ(readAll(dir.filePath(u"stays.mp3"_s)), QByteArray("audio"));
    EXPECT_TRUE(environment.workingFolderIsEmpty());
}

TEST_F(ViewModel, LoadsAThousandFilesAndRefusesOneMoreUnlessTheUserAllowsLargerFolders) {
    const ScratchDir dir;
    writeSongs(dir, 1000);
    load(dir.path());
    EXPECT_EQ(loadedCount(), 1000);
    EXPECT_EQ(model->currentFolder()->name, QFileInfo(dir.path()).fileName());

    writeSongs(dir, 1, 1000);
    load(dir.path());
    EXPECT_TRUE(model->showExportAlert());
    EXPECT_EQ(model->exportAlertMessage(),
              u"⚠️ Too many songs detected!\n\nFound: 1001 songs\nMaximum allowed: 1000 songs\n\nPlease "
              u"select a "
              "smaller folder or organize your music in subfolders with less than 1000 songs each."_s);
    // The previous folder was put away when the load began.
    EXPECT_TRUE(model->visibleSongs().isEmpty());

    // A larger allowance is a stored preference; the command line's override stores nothing, and its
    // alert says how to raise the allowance.
    model->setMaximumSongs(5000);
    model.reset(); // waits for the preference to be stored
    model = std::make_unique<ContentViewModel>();
    EXPECT_EQ(model->maximumSongs(), 5000);
    load(dir.path());
    EXPECT_EQ(loadedCount(), 1001);

    // A load beyond the default size can be stopped from the overlay: the folder shown before comes back.
    const QUuid shown = model->currentFolder()->id;
    QSemaphore go;
    model->setSongFactory([&go](const QString& path) {
        go.acquire();
        return std::optional<Song>(songOf(path));
    });
    const QFuture<void> stopped = model->loadFolder(QUrl::fromLocalFile(dir.path()));
    const bool offered = QTest::qWaitFor([] { return ProgressManager::instance().isCancellable(); });
    if (offered) {
        ProgressManager::instance().cancel();
    }
    go.release(1001);
    ASSERT_TRUE(offered);
    ASSERT_TRUE(waitFor(stopped));
    EXPECT_EQ(model->currentFolder()->id, shown);
    EXPECT_EQ(model->visibleSongs().size(), 1001);
    EXPECT_EQ(ToastManager::instance().message(), u"ℹ️ Loading stopped: nothing was loaded."_s);
    model->setSongFactory({});

    model->overrideMaximumSongs(1000 - 1);
    load(dir.path());
    EXPECT_EQ(model->exportAlertMessage(),
              u"⚠️ Too many songs detected!\n\nFound: 1001 songs\nMaximum allowed: 999 songs\n\nPlease "
              u"select a smaller folder, or raise “Largest folder” under Preferences in the menu (F10); "
              u"quirella-cli takes --max-songs N."_s);
    model.reset(); // waits for the preference to be stored
    model = std::make_unique<ContentViewModel>();
    EXPECT_EQ(model->maximumSongs(), 5000);
    model->setMaximumSongs(1000);
    model.reset(); // waits for the preference to be stored
    model = std::make_unique<ContentViewModel>();
    EXPECT_FALSE(QSettings().contains(ContentViewModel::largestFolderKey));
}

TEST_F(ViewModel, LoadingWhatIsNoMusicFolderShowsTheAlert) {
    const ScratchDir dir;
    const QString noMusic = dir.filePath(u"no music"_s);
    dir.write(u"no music/cover.jpg"_s, "x");
    // A place that is no folder is refused before the current folder is put away.
    const std::tuple<QString, QString, bool> rows[] = {
        {dir.write(u"song.mp3"_s, "x"), u"Error: The selected path is not a valid folder"_s, true},
        {noMusic,
         u"No music files found!\n\nPlease make sure the folder contains music files with supported "
         "extensions:\nMP3, WAV, M4A, FLAC, AIFF, AIF, OGG, OGA, OPUS"_s,
         false},
    };
    for (const auto& [path, alert, keepsFolder] : rows) {
        SCOPED_TRACE(path.toStdString());
        load(2);
        load(path);
        EXPECT_TRUE(model->showExportAlert());
        EXPECT_EQ(model->exportAlertMessage(), alert);
        EXPECT_EQ(model->visibleSongs().size(), keepsFolder ? 2 : 0);
        EXPECT_EQ(model->currentFolder().has_value(), keepsFolder);
    }
}

// A file that gives no song (unreadable, or gone since the scan) is left out with a warning; when none is
// left the load is refused, and a build that fails ends the load with an alert.
TEST_F(ViewModel, FilesThatGiveNoSongAreLeftOutWithAWarningOrRefusedWhenNoneIsLeft) {
    const ScratchDir dir;
    writeSongs(dir, 2);
    model->setSongFactory([](const QString& path) -> std::optional<Song> {
        return path.endsWith(u"0001.mp3"_s) ? std::nullopt : std::optional<Song>(songOf(path));
    });
    load(dir.path());
    EXPECT_EQ(loadedCount(), 1);
    EXPECT_EQ(ToastManager::instance().message(),
              u"⚠️ Loaded 1 of 2 songs. Some files could not be read."_s);
    EXPECT_EQ(ToastManager::instance().type(), ToastManager::ToastType::warning);

    model->setSongFactory([](const QString&) { return std::optional<Song>(); });
    load(dir.path());
    EXPECT_EQ(
        model->exportAlertMessage(),
        u"Error processing music files!\n\nCould not read metadata from any of the 2 files found.\nThe files "
        "might be corrupted or in an unsupported format."_s);
    EXPECT_FALSE(model->currentFolder());

    // The load queued behind a failed one still runs; a folder given with a trailing slash keeps its name.
    model->setSongFactory(
        [](const QString&) -> std::optional<Song> { throw std::runtime_error("disk gone"); });
    const QUrl withSlash = QUrl::fromLocalFile(dir.path() + u'/');
    const QFuture<void> failing = model->loadFolder(withSlash);
    model->setSongFactory({}); // the next load reads the files again
    const QFuture<void> next = model->loadFolder(withSlash);
    ASSERT_TRUE(waitFor(failing));
    EXPECT_EQ(model->exportAlertMessage(), u"Error loading folder: disk gone"_s);
    ASSERT_TRUE(waitFor(next));
    EXPECT_FALSE(model->isLoading());
    EXPECT_EQ(loadedCount(), 2);
    EXPECT_EQ(model->currentFolder()->name, QFileInfo(dir.path()).fileName());
}

// Only a load of more than twenty files shows the overlay.
TEST_F(ViewModel, SeveralDropsLoadOneAfterTheOtherAndAReloadReadsTheFolderAgainSilentlyInTheStoredSort) {
    ASSERT_TRUE(waitFor(model->reloadFolder())); // without a folder there is nothing to reload
    EXPECT_FALSE(model->currentFolder());
    const ScratchDir first;
    const ScratchDir second;
    writeSongs(first, 21);
    writeSongs(second, 20);
    QStringList loadedNames;
    QObject::connect(model.get(), &ContentViewModel::currentFolderChanged, model.get(), [&] {
        if (model->currentFolder()) {
            loadedNames.append(model->currentFolder()->path.toLocalFile());
        }
    });
    QFuture<void> firstLoad = model->loadFolder(QUrl::fromLocalFile(first.path()));
    QFuture<void> secondLoad = model->loadFolder(QUrl::fromLocalFile(second.path()));
    bool secondEndedFirst = false;
    secondLoad.then(QtFuture::Launch::Sync, [&] { secondEndedFirst = !firstLoad.isFinished(); });
    ASSERT_TRUE(waitFor(secondLoad, 60000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(firstLoad.isFinished());
    EXPECT_FALSE(secondEndedFirst);
    EXPECT_EQ(loadedNames, (QStringList{first.path(), second.path()}));
    EXPECT_EQ(overlayMessages, QStringList{u"Processing 21 songs..."_s});
    EXPECT_FALSE(ProgressManager::instance().isVisible());
    EXPECT_EQ(loadedCount(), 20);
    EXPECT_EQ(model->totalSongs(), 20);
    EXPECT_FALSE(model->isLoading());

    model->sortBy(column::title);
    model->sortBy(column::title); // descending, which the reload keeps
    const QUuid loadedId = model->currentFolder()->id;
    ASSERT_TRUE(QFile::rename(second.filePath(u"song-0000.mp3"_s), second.filePath(u"Artist - New.mp3"_s)));
    model->setShowExportAlert(false);
    ASSERT_TRUE(waitFor(model->reloadFolder()));
    EXPECT_NE(model->currentFolder()->id, loadedId);
    // "song-0019" reads as artist "song" and title "0019".
    EXPECT_EQ(names(model->visibleSongs()).mid(0, 2), (QStringList{u"New"_s, u"0019"_s}));
    EXPECT_EQ(model->visibleSongs().first().artist, u"Artist"_s);
    EXPECT_FALSE(model->showExportAlert());
}

} // namespace
