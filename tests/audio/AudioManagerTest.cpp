// The preview player's logic through a stand-in sound output (FakeAudioPlayer) on real files, and a
// few runs through Qt Multimedia itself that accept whatever the machine's sound setup allows.
#include "audio/AudioManager.h"

#include "audio/MediaAudioPlayer.h"
#include "support/AudioFiles.h"
#include "support/FakeAudioPlayer.h"
#include "support/TestSupport.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quirella::test {
namespace {

using namespace Qt::StringLiterals;

Song songAt(const QString& path) {
    Song song;
    song.id = QUuid::createUuid();
    song.url = QUrl::fromLocalFile(path);
    song.name = QFileInfo(path).completeBaseName();
    song.bookmarkData = path.toUtf8();
    song.fileExtension = u"wav"_s;
    return song;
}

// A folder of songs on disk: "ok" files are short WAVs, "missing" ones are not there, "junk" ones hold
// bytes that are no audio.
struct Folder {
    ScratchDir dir;
    QList<Song> songs;

    explicit Folder(const QStringList& names) {
        for (const QString& name : names) {
            const QString file = name + u".wav"_s;
            if (name.startsWith(u"junk")) {
                dir.write(file, randomBytes(7, 4000));
            } else if (!name.startsWith(u"missing")) {
                dir.write(file, wavFile());
            }
            songs.append(songAt(dir.filePath(file)));
        }
    }
    const Song& operator[](qsizetype index) const { return songs.at(index); }
};

class Player : public ::testing::Test {
protected:
    void SetUp() override { QSettings().remove(AudioManager::playerVolumeKey); }

    std::unique_ptr<AudioManager> makeManager() { return std::make_unique<AudioManager>(fakes.factory()); }
    // Waits until the manager plays the song with this title.
    bool waitForCurrent(AudioManager& manager, const QString& name) {
        return QTest::qWaitFor([&] {
            return manager.isPlaying() && manager.currentSong() && manager.currentSong()->name == name;
        });
    }

    FakePlayers fakes;
};

TEST_F(Player, PlayOnTheCurrentSongPausesAndResumes) {
    Folder folder({u"a"_s, u"b"_s, u"c"_s});
    auto manager = makeManager();
    manager->play(folder[1], folder.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"b"_s));
    EXPECT_EQ(manager->playlist().size(), 3);
    EXPECT_EQ(manager->currentIndex(), 1);
    EXPECT_EQ(fakes.startedFiles, QStringList{u"b.wav"_s});

    manager->play(folder[1], folder.songs);
    EXPECT_FALSE(manager->isPlaying());
    EXPECT_TRUE(fakes.last()->paused);
    ASSERT_TRUE(manager->currentSong());
    manager->play(folder[1], folder.songs);
    EXPECT_TRUE(manager->isPlaying());
    EXPECT_FALSE(fakes.last()->paused);
    EXPECT_EQ(fakes.made.size(), 1) << "pausing and resuming keep the same player";
}

TEST_F(Player, AnotherSongReplacesThePlaylistWithItsFolder) {
    Folder first({u"a"_s, u"b"_s});
    Folder second({u"x"_s, u"y"_s, u"z"_s});
    auto manager = makeManager();
    manager->play(first[0], first.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
    manager->play(second[2], second.songs);
    EXPECT_FALSE(manager->currentSong()) << "the old song stops at once";
    ASSERT_TRUE(waitForCurrent(*manager, u"z"_s));
    EXPECT_EQ(manager->playlist().size(), 3);
    EXPECT_EQ(manager->currentIndex(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fakes.made.first(); })) << "the first player is released";
}

TEST_F(Player, UnplayableSongsAreSkippedAndTheEndOfTheLastSongStops) {
    Folder folder({u"a"_s, u"missing"_s, u"junk"_s, u"refused"_s, u"d"_s});
    fakes.refusedFiles.insert(u"refused.wav"_s);
    auto manager = makeManager();
    QSignalSpy songChanges(manager.get(), &AudioManager::currentSongChanged);
    manager->play(folder[0], folder.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
    fakes.last()->reachEnd();
    ASSERT_TRUE(waitForCurrent(*manager, u"d"_s));
    EXPECT_EQ(fakes.startedFiles, (QStringList{u"a.wav"_s, u"refused.wav"_s, u"d.wav"_s}))
        << "a missing file and one that is no audio never reach a player";
    EXPECT_EQ(songChanges.count(), 2) << "the skipped songs never become current";

    fakes.last()->reachEnd();
    EXPECT_FALSE(manager->currentSong());
    EXPECT_FALSE(manager->isPlaying());
    EXPECT_FALSE(manager->hasPlayer());
}

// A file name that is not UTF-8 has no URL form the player could open: the song is skipped.
TEST_F(Player, ASongWhoseNameIsNotUtf8IsSkipped) {
    Folder folder({u"ok"_s});
    const QByteArray rawPath = QFile::encodeName(folder.dir.path()) + "/caf\xe9.wav";
    const QByteArray bytes = wavFile();
    const int fd = ::open(rawPath.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
    Song odd = songAt(folder.dir.filePath(u"ok.wav"_s));
    odd.id = QUuid::createUuid();
    odd.name = u"odd"_s;
    odd.bookmarkData = rawPath;
    auto manager = makeManager();
    manager->play(odd, {odd, folder[0]});
    ASSERT_TRUE(waitForCurrent(*manager, u"ok"_s));
    EXPECT_EQ(fakes.startedFiles, QStringList{u"ok.wav"_s});
}

TEST_F(Player, NoPlayableSongLeftStopsThePlayer) {
    struct Case {
        const char* name;
        QStringList files;
    };
    const QList<Case> cases{
        {"only unplayable songs after the chosen one", {u"missing"_s, u"junk"_s}},
        {"an unplayable last song", {u"junk"_s}},
        {"an empty folder list", {}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        Folder folder(row.files);
        auto manager = makeManager();
        QSignalSpy songChanges(manager.get(), &AudioManager::currentSongChanged);
        const Song chosen = folder.songs.isEmpty() ? songAt(u"/nowhere.wav"_s) : folder[0];
        manager->play(chosen, folder.songs);
        // Nothing to wait for but the absence of a start: drain the thread pool and the event loop.
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(20);
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(20);
        EXPECT_FALSE(manager->currentSong());
        EXPECT_FALSE(manager->isPlaying());
        EXPECT_EQ(songChanges.count(), 0);
        EXPECT_TRUE(fakes.made.isEmpty());
    }
}

TEST_F(Player, ABrokenSongStopsInsteadOfAdvancing) {
    for (const bool decodeError : {true, false}) {
        SCOPED_TRACE(decodeError ? "decode error" : "unsuccessful end");
        Folder folder({u"a"_s, u"b"_s});
        auto manager = makeManager();
        manager->play(folder[0], folder.songs);
        ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
        if (decodeError) {
            fakes.last()->breakDecoding();
        } else {
            fakes.last()->reachEnd(false);
        }
        EXPECT_FALSE(manager->currentSong());
        EXPECT_FALSE(manager->isPlaying());
        QTest::qWait(20);
        EXPECT_FALSE(manager->currentSong()) << "b must not start";
        fakes.made.clear();
        fakes.startedFiles.clear();
    }
}

TEST_F(Player, AStartOvertakenByAnotherPlayIsForgotten) {
    Folder folder({u"a"_s, u"b"_s});
    fakes.startsBySelf = false;
    auto manager = makeManager();
    manager->play(folder[0], folder.songs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fakes.made.size() == 1; }));
    manager->play(folder[1], folder.songs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fakes.made.size() == 2; }));
    if (fakes.made.first()) {
        fakes.made.first()->beginPlaying(); // too late: released already
    }
    fakes.made.last()->beginPlaying();
    ASSERT_TRUE(waitForCurrent(*manager, u"b"_s));
    EXPECT_EQ(manager->currentIndex(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fakes.made.first(); }));
    // And stop() during a start leaves nothing behind.
    manager->stop();
    manager->play(folder[0], folder.songs);
    manager->stop();
    QThreadPool::globalInstance()->waitForDone();
    QTest::qWait(20);
    EXPECT_EQ(fakes.made.size(), 2) << "a start stopped while its file was checked makes no player";
    EXPECT_FALSE(manager->currentSong());
}

TEST_F(Player, VolumeIsRestoredAtStartAndStoredOnRequest) {
    struct Case {
        const char* name;
        QVariant stored;
        float expected;
    };
    const QList<Case> cases{
        {"nothing stored", QVariant(), 1.0f},
        {"a stored number", QVariant(0.3), 0.3f},
        {"a number stored as text", QVariant(u"0.45"_s), 0.45f},
        {"text that is no number", QVariant(u"loud"_s), 1.0f},
        {"beyond full volume", QVariant(7.5), 1.0f},
        {"below silence", QVariant(-2), 0.0f},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        QSettings().setValue(AudioManager::playerVolumeKey, row.stored);
        if (!row.stored.isValid()) {
            QSettings().remove(AudioManager::playerVolumeKey);
        }
        EXPECT_FLOAT_EQ(makeManager()->volume(), row.expected);
    }
    auto manager = makeManager();
    manager->setVolume(0.3f);
    EXPECT_FLOAT_EQ(QSettings().value(AudioManager::playerVolumeKey).toFloat(), -2.0f)
        << "changing the volume does not store it";
    manager->storeVolume();
    manager.reset();
    EXPECT_FLOAT_EQ(makeManager()->volume(), 0.3f);
}

TEST_F(Player, VolumeChangesFadeAndNewSongsStartAtTheVolume) {
    Folder folder({u"a"_s, u"b"_s});
    auto manager = makeManager();
    manager->setVolume(0.8f);
    manager->play(folder[0], folder.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
    FakeAudioPlayer* player = fakes.last();
    EXPECT_FLOAT_EQ(player->volumes.first(), 0.8f);

    player->volumes.clear();
    manager->setVolume(0.2f);
    EXPECT_FLOAT_EQ(manager->volume(), 0.2f);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !player->volumes.isEmpty() && player->volumes.last() == 0.2f; }));
    for (qsizetype i = 0; i < player->volumes.size(); ++i) {
        EXPECT_LE(player->volumes.at(i), 0.8f);
        EXPECT_GE(player->volumes.at(i), 0.2f);
        if (i > 0) {
            EXPECT_LE(player->volumes.at(i), player->volumes.at(i - 1)) << "a fade only goes one way";
        }
    }

    player->reachEnd();
    ASSERT_TRUE(waitForCurrent(*manager, u"b"_s));
    EXPECT_FLOAT_EQ(fakes.last()->volumes.first(), 0.2f);
}

TEST_F(Player, SeekingNeedsAPlayer) {
    Folder folder({u"a"_s});
    auto manager = makeManager();
    manager->setCurrentTime(12);
    EXPECT_EQ(manager->currentTime(), 0.0);
    manager->play(folder[0], folder.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
    QSignalSpy times(manager.get(), &AudioManager::currentTimeChanged);
    manager->setCurrentTime(12);
    EXPECT_EQ(fakes.last()->seeks, QList<double>{12.0});
    fakes.last()->advance(13);
    EXPECT_EQ(manager->currentTime(), 13.0);
    EXPECT_EQ(times.count(), 1);
}

// The file of a song is checked and opened off the UI thread: a named pipe stands in for a disk that
// takes its time, since opening it waits until someone writes to it.
TEST_F(Player, StartingASongOnASlowDiskDoesNotHoldUpTheUiThread) {
    ScratchDir dir;
    const QString path = dir.filePath(u"slow.wav"_s);
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    auto manager = makeManager();
    std::atomic<bool> playReturned = false;
    std::atomic<bool> returnedFirst = false;
    std::thread disk([&] {
        for (int i = 0; i < 1000 && !playReturned; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        returnedFirst = playReturned.load();
        QFile pipe(path);
        if (pipe.open(QIODevice::WriteOnly)) {
            pipe.write(wavFile());
        }
    });
    const Song song = songAt(path);
    manager->play(song, {song});
    playReturned = true;
    const bool started = waitForCurrent(*manager, u"slow"_s);
    disk.join();
    EXPECT_TRUE(returnedFirst) << "play() waited for the file";
    EXPECT_TRUE(started);
}

// Qt Multimedia itself. Whether sound comes out depends on the machine; each song is either played to
// its end (and the next follows) or refused, and the player ends stopped either way.
TEST(MediaPlayer, PlaysThroughTheFolderOrRefusesOnAMachineWithoutSound) {
    ScratchDir dir;
    const QList<Song> songs{songAt(dir.write(u"one.wav"_s, wavFile())),
                            songAt(dir.write(u"two.wav"_s, wavFile()))};
    QStringList answers;
    AudioPlayerFactory real = mediaPlayerFactory();
    AudioManager manager([&]() -> std::unique_ptr<AudioPlayer> {
        std::unique_ptr<AudioPlayer> player = real();
        QObject::connect(player.get(), &AudioPlayer::started, [&answers] { answers.append(u"started"_s); });
        QObject::connect(player.get(), &AudioPlayer::failed, [&answers] { answers.append(u"failed"_s); });
        return player;
    });
    QStringList current;
    QObject::connect(&manager, &AudioManager::currentSongChanged, [&] {
        current.append(manager.currentSong() ? manager.currentSong()->name : u"none"_s);
    });
    manager.play(songs.first(), songs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.size() == 2 && !manager.currentSong(); }, 60000))
        << answers.join(u", ").toStdString();
    if (answers.first() == u"started") {
        EXPECT_EQ(current, (QStringList{u"one"_s, u"two"_s, u"none"_s}));
    } else {
        EXPECT_TRUE(current.isEmpty());
    }
}

TEST(MediaPlayer, RefusesAFileThatOnlyLooksLikeAudio) {
    ScratchDir dir;
    const QString path = dir.write(u"junk.mp3"_s, randomBytes(3, 5000));
    bool failed = false;
    std::unique_ptr<AudioPlayer> player = mediaPlayerFactory()();
    QObject::connect(player.get(), &AudioPlayer::failed, [&failed] { failed = true; });
    player->start(QUrl::fromLocalFile(path), 1.0f);
    EXPECT_TRUE(QTest::qWaitFor([&] { return failed; }, 30000));
}

} // namespace
} // namespace quirella::test
