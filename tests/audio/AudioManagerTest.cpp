// SPDX-License-Identifier: GPL-3.0-or-later
// The preview player's logic through a stand-in sound output (FakeAudioPlayer) on real files, and two
// runs through Qt Multimedia itself that accept whatever the machine's sound setup allows.
#include "audio/AudioManager.h"

#include "audio/MediaAudioPlayer.h"
#include "support/AudioFiles.h"
#include "support/FakeAudioPlayer.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTest>
#include <QThreadPool>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quirella::test {
namespace {

using namespace Qt::StringLiterals;

// Lets every file check already started finish and delivers what it posted back, so that a test can
// look for something that must not have happened.
void settle() {
    for (int round = 0; round < 3; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

Song songAt(const QByteArray& path) {
    Song song;
    song.id = QUuid::createUuid();
    song.url = QUrl::fromLocalFile(QFile::decodeName(path));
    song.name = song.url.fileName().chopped(4);
    song.bookmarkData = path;
    return song;
}

// Songs on disk: short WAVs, except "missing*" (no file), "junk*" (bytes that are no audio) and "odd*"
// (a WAV whose file name is not UTF-8).
struct Folder {
    ScratchDir dir;
    QList<Song> songs;

    explicit Folder(const QStringList& names) {
        for (const QString& name : names) {
            QByteArray path = QFile::encodeName(dir.filePath(name + u".wav"_s));
            if (name.startsWith(u"odd")) {
                path.replace(".wav", "\xe9.wav");
            }
            const QByteArray bytes = name.startsWith(u"junk") ? randomBytes(7, 4000) : wavFile();
            if (!name.startsWith(u"missing")) {
                const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0600);
                EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
                ::close(fd);
            }
            songs.append(songAt(path));
        }
    }
    const Song& operator[](qsizetype index) const { return songs.at(index); }
};

class Player : public ::testing::Test {
protected:
    void SetUp() override { QSettings().remove(AudioManager::playerVolumeKey); }
    std::unique_ptr<AudioManager> makeManager() { return std::make_unique<AudioManager>(fakes.factory()); }
    bool waitForCurrent(AudioManager& manager, const QString& name) {
        return QTest::qWaitFor([&] {
            return manager.isPlaying() && manager.currentSong() && manager.currentSong()->name == name;
        });
    }

    FakePlayers fakes;
};

TEST_F(Player, PlayTogglesTheCurrentSongAndAnotherSongReplacesThePlaylist) {
    Folder first({u"a"_s, u"b"_s, u"c"_s});
    Folder second({u"x"_s, u"y"_s});
    auto manager = makeManager();
    manager->play(first[1], first.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"b"_s));
    EXPECT_EQ(manager->currentIndex(), 1);
    manager->play(first[1], first.songs);
    EXPECT_FALSE(manager->isPlaying());
    EXPECT_TRUE(fakes.last()->paused);
    manager->play(first[1], first.songs);
    EXPECT_TRUE(manager->isPlaying());
    EXPECT_FALSE(fakes.last()->paused);
    EXPECT_EQ(fakes.made.size(), 1) << "pausing and resuming keep the same player";

    manager->play(second[1], second.songs);
    EXPECT_FALSE(manager->currentSong()) << "the old song stops at once";
    ASSERT_TRUE(waitForCurrent(*manager, u"y"_s));
    EXPECT_EQ(manager->playlist().size(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fakes.made.first(); })) << "the first player is released";
}

TEST_F(Player, UnplayableSongsAreSkippedAndABrokenOrTheLastPlayableSongStops) {
    Folder folder({u"a"_s, u"missing"_s, u"junk"_s, u"odd"_s, u"refused"_s, u"d"_s, u"missing2"_s});
    fakes.refusedFiles.insert(u"refused.wav"_s);
    auto manager = makeManager();
    int songChanges = 0;
    QObject::connect(manager.get(), &AudioManager::currentSongChanged, [&songChanges] { ++songChanges; });
    manager->play(folder[0], folder.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
    fakes.last()->reachEnd();
    ASSERT_TRUE(waitForCurrent(*manager, u"d"_s));
    EXPECT_EQ(fakes.startedFiles, (QStringList{u"a.wav"_s, u"refused.wav"_s, u"d.wav"_s}))
        << "missing files, files that are no audio and names without a URL form never reach a player";
    EXPECT_EQ(songChanges, 2) << "skipped songs never become current";
    fakes.last()->reachEnd();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager->currentSong(); }));
    EXPECT_FALSE(manager->isPlaying());
    EXPECT_FALSE(manager->hasPlayer());

    // A song that breaks off stops the player instead of moving on.
    for (const bool decodeError : {true, false}) {
        SCOPED_TRACE(decodeError ? "decode error" : "unsuccessful end");
        manager->play(folder[0], folder.songs);
        ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
        decodeError ? fakes.last()->breakDecoding() : fakes.last()->reachEnd(false);
        EXPECT_FALSE(manager->currentSong());
        settle();
        EXPECT_FALSE(manager->currentSong()) << "the next song must not start";
    }
}

TEST_F(Player, AStartOvertakenByAnotherPlayOrAStopIsForgotten) {
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

    manager->stop();
    manager->play(folder[0], folder.songs);
    manager->stop();
    settle();
    EXPECT_EQ(fakes.made.size(), 2) << "a start stopped while its file was checked makes no player";
    EXPECT_FALSE(manager->currentSong());
}

TEST_F(Player, VolumeIsRestoredAtStartStoredOnRequestAndFadedWhilePlaying) {
    const QList<std::pair<QVariant, float>> stored{
        {QVariant(u"0.45"_s), 0.45f}, {QVariant(u"loud"_s), 1.0f}, {QVariant(7.5), 1.0f}};
    for (const auto& [value, expected] : stored) {
        SCOPED_TRACE(value.toString().toStdString());
        QSettings().setValue(AudioManager::playerVolumeKey, value);
        EXPECT_FLOAT_EQ(makeManager()->volume(), expected);
    }
    auto manager = makeManager();
    manager->setVolume(0.8f);
    EXPECT_FLOAT_EQ(QSettings().value(AudioManager::playerVolumeKey).toFloat(), 7.5f) << "not stored yet";
    manager->storeVolume();
    EXPECT_FLOAT_EQ(makeManager()->volume(), 0.8f);

    Folder folder({u"a"_s, u"b"_s});
    manager->play(folder[0], folder.songs);
    ASSERT_TRUE(waitForCurrent(*manager, u"a"_s));
    FakeAudioPlayer* player = fakes.last();
    EXPECT_FLOAT_EQ(player->volumes.first(), 0.8f);
    manager->setVolume(0.2f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->volumes.last() == 0.2f; }));
    for (qsizetype i = 1; i < player->volumes.size(); ++i) {
        EXPECT_GE(player->volumes.at(i), 0.2f);
        EXPECT_LE(player->volumes.at(i), player->volumes.at(i - 1)) << "a fade only goes one way";
    }
    player->reachEnd();
    ASSERT_TRUE(waitForCurrent(*manager, u"b"_s));
    EXPECT_FLOAT_EQ(fakes.last()->volumes.first(), 0.2f);
}

// Qt Multimedia itself. Whether sound comes out depends on the machine; each song is either played to
// its end (and the next follows) or refused, and the player ends stopped either way.
TEST(MediaPlayer, PlaysThroughTheFolderOrRefusesOnAMachineWithoutSound) {
    Folder folder({u"one"_s, u"two"_s});
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
    manager.play(folder[0], folder.songs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.size() == 2 && !manager.currentSong(); }, 60000))
        << answers.join(u", ").toStdString();
    const QStringList played{u"one"_s, u"two"_s, u"none"_s};
    EXPECT_EQ(current, answers.first() == u"started" ? played : QStringList());
}

} // namespace
} // namespace quirella::test
