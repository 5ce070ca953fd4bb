// The player bar, the volume knob and the preview player in the window, driven by real mouse events
// on the offscreen platform; the sound output is the stand-in of FakeAudioPlayer.h.
#include "ui/PlayerBar.h"

#include "UiFixtures.h"
#include "audio/AudioManager.h"
#include "model/Columns.h"
#include "support/FakeAudioPlayer.h"
#include "ui/PreviewPlayer.h"
#include "ui/SidebarView.h"
#include "ui/SimpleVolumeKnob.h"

#include <QFileInfo>
#include <QSignalSpy>

namespace {

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

class PlayerWidgets : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().remove(AudioManager::playerVolumeKey);
        audio = std::make_unique<AudioManager>(fakes.factory());
        bar = std::make_unique<PlayerBar>(*audio);
        bar->resize(900, PlayerBar::barHeight);
        bar->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    }
    void TearDown() override {
        bar.reset();
        audio.reset();
    }

    // Plays one song of the given length from a real file.
    void playSong(const QString& name, const QString& artist, double duration) {
        QList<Song> songs = songsOnDisk(dir, {name});
        songs.first().artist = artist;
        songs.first().duration = duration;
        audio->play(songs.first(), songs);
        ASSERT_TRUE(QTest::qWaitFor([&] { return audio->isPlaying(); }));
    }
    void drag(QWidget* widget, QPoint from, QPoint to) {
        QTest::mousePress(widget, Qt::LeftButton, {}, from);
        QTest::mouseMove(widget, to);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
    }

    ScratchDir dir;
    FakePlayers fakes;
    std::unique_ptr<AudioManager> audio;
    std::unique_ptr<PlayerBar> bar;
};

TEST_F(PlayerWidgets, KnobTurnsClockwiseFromTwelveOClock) {
    struct Case {
        const char* name;
        QPoint point;
        float volume;
        QString text;
    };
    const QList<Case> cases{
        {"three o'clock", {60, 30}, 0.25f, u"25%"_s},
        {"six o'clock", {30, 60}, 0.5f, u"50%"_s},
        {"nine o'clock", {0, 30}, 0.75f, u"75%"_s},
        {"just right of twelve", {31, 0}, 0.0053f, u"0%"_s},
        {"far outside, at three", {400, 30}, 0.25f, u"25%"_s},
    };
    SimpleVolumeKnob* knob = bar->volumeKnob();
    ASSERT_EQ(knob->size(), QSize(60, 60));
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(45, 5));
        QTest::mouseMove(knob, row.point);
        EXPECT_TRUE(knob->isDragging());
        QTest::mouseRelease(knob, Qt::LeftButton, {}, row.point);
        EXPECT_FALSE(knob->isDragging());
        EXPECT_NEAR(audio->volume(), row.volume, 0.001);
        EXPECT_EQ(knob->percentText(), row.text);
    }
}

TEST_F(PlayerWidgets, ShowsTheSongOrItsAbsence) {
    EXPECT_EQ(bar->titleText(), u"No Song"_s);
    EXPECT_EQ(bar->artistText(), u"Unknown Artist"_s);
    EXPECT_EQ(bar->lengthText(), u"0:00"_s);
    EXPECT_FALSE(bar->playButton()->showsPause());

    playSong(u"Strobe"_s, QString(), 187.9);
    EXPECT_EQ(bar->titleText(), u"Strobe"_s);
    EXPECT_EQ(bar->artistText(), u"Unknown Artist"_s);
    EXPECT_EQ(bar->lengthText(), u"3:07"_s);
    EXPECT_TRUE(bar->playButton()->showsPause());

    QTest::mouseClick(bar->playButton(), Qt::LeftButton);
    EXPECT_FALSE(audio->isPlaying());
    EXPECT_FALSE(bar->playButton()->showsPause());
    EXPECT_TRUE(fakes.last()->paused);
    QTest::mouseClick(bar->playButton(), Qt::LeftButton);
    EXPECT_TRUE(audio->isPlaying());

    audio->stop();
    EXPECT_EQ(bar->titleText(), u"No Song"_s);
    EXPECT_EQ(bar->lengthText(), u"0:00"_s);
    QTest::mouseClick(bar->playButton(), Qt::LeftButton); // without a player: nothing
    EXPECT_FALSE(audio->isPlaying());
}

TEST_F(PlayerWidgets, DraggingThePositionSeeksOnReleaseAndPlaybackMovesItOtherwise) {
    playSong(u"Teardrop"_s, u"Massive Attack"_s, 187.9);
    PositionBar* position = bar->positionBar();
    const int width = position->width();
    const int y = position->height() / 2;
    QPointer<FakeAudioPlayer> player = fakes.last();

    drag(position, {width / 2, y}, {-80, y});
    drag(position, {width / 2, y}, {width + 200, y});
    EXPECT_EQ(player->seeks, (QList<double>{0.0, 187.9}));

    QTest::mousePress(position, Qt::LeftButton, {}, {width / 4, y});
    EXPECT_NEAR(position->sliderValue(), 187.9 / 4, 187.9 / width);
    player->advance(100);
    EXPECT_NEAR(position->sliderValue(), 187.9 / 4, 187.9 / width) << "a drag is not overridden";
    QTest::mouseRelease(position, Qt::LeftButton, {}, {width / 4, y});
    player->advance(120);
    EXPECT_DOUBLE_EQ(position->sliderValue(), 120);

    EXPECT_EQ(player->seeks.size(), 3);

    audio->stop();
    drag(position, {width / 2, y}, {width, y}); // without a player: nothing to seek
    EXPECT_EQ(player ? player->seeks.size() : 3, 3);
    EXPECT_EQ(fakes.made.size(), 1);
    EXPECT_DOUBLE_EQ(position->sliderValue(), 1.0) << "without a song the bar spans one second";
}

class PreviewInWindow : public WindowTest {
protected:
    void SetUp() override {
        QSettings().remove(AudioManager::playerVolumeKey);
        audio = std::make_unique<AudioManager>(fakes.factory());
        WindowTest::SetUp();
        bar = attachPreviewPlayer(*window, *audio);
    }
    void TearDown() override {
        WindowTest::TearDown();
        audio.reset();
    }
    void playRow(int row) {
        click(row, column::play);
        const QUuid id = model().visibleSongs().at(row).id;
        ASSERT_TRUE(QTest::qWaitFor([&] { return table().isPlaying(id); }));
    }

    FakePlayers fakes;
    std::unique_ptr<AudioManager> audio;
    PlayerBar* bar = nullptr;
};

TEST_F(PreviewInWindow, PlayCellsStartAndTogglePlaybackAndTheBarFollows) {
    ScratchDir dir;
    load(songsOnDisk(dir, {u"One"_s, u"Two"_s, u"Three"_s}));
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->height(), 80);
    EXPECT_GE(bar->geometry().top(), table().geometry().bottom()) << "the bar sits below the table";

    playRow(1);
    EXPECT_EQ(bar->titleText(), u"Two"_s);
    EXPECT_EQ(audio->playlist().size(), 3);
    click(1, column::play);
    EXPECT_FALSE(audio->isPlaying());
    EXPECT_FALSE(table().isPlaying(model().visibleSongs().at(1).id)) << "a paused song shows the play face";
    EXPECT_EQ(bar->titleText(), u"Two"_s);
    playRow(2);
    EXPECT_EQ(bar->titleText(), u"Three"_s);
    fakes.last()->reachEnd();
    EXPECT_EQ(bar->titleText(), u"No Song"_s);
    EXPECT_FALSE(table().isPlaying(model().visibleSongs().at(2).id));
}

TEST_F(PreviewInWindow, WritingTagsAndDeletingStopThePlayerBeforeTouchingFiles) {
    ScratchDir dir;
    load(songsOnDisk(dir, {u"Alpha"_s, u"Bravo"_s, u"Charlie"_s, u"Delta"_s}));
    const QString alpha = dir.filePath(u"Alpha.wav"_s);
    const QByteArray before = readAll(alpha);
    bool fileUntouchedAtStop = false;
    QObject::connect(audio.get(), &AudioManager::currentSongChanged, audio.get(), [&] {
        if (!audio->currentSong()) {
            fileUntouchedAtStop = QFileInfo::exists(alpha) && readAll(alpha) == before;
        }
    });
    {
        SCOPED_TRACE("WRITE TAGS");
        playRow(0);
        model().commitEdit(model().visibleSongs().at(0).id, column::title, u"Alpha Song"_s);
        QSignalSpy finished(window.get(), &MainWindow::tagWritingFinished);
        window->writeTags();
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_FALSE(audio->currentSong());
        EXPECT_TRUE(fileUntouchedAtStop);
        EXPECT_TRUE(readAll(alpha).contains("Alpha Song"));
    }
    {
        SCOPED_TRACE("the trash cell of the playing song");
        playRow(1);
        const QString bravo = dir.filePath(u"Bravo.wav"_s);
        bool bravoThereAtStop = false;
        QMetaObject::Connection watch = QObject::connect(audio.get(), &AudioManager::currentSongChanged, [&] {
            bravoThereAtStop = QFileInfo::exists(bravo);
        });
        click(1, column::actions);
        ASSERT_TRUE(QTest::qWaitFor([&] { return model().visibleSongs().size() == 3; }));
        QObject::disconnect(watch);
        EXPECT_TRUE(bravoThereAtStop);
        EXPECT_FALSE(audio->currentSong());
        EXPECT_FALSE(QFileInfo::exists(bravo));
    }
    {
        SCOPED_TRACE("deleting selected songs among which the playing one");
        playRow(2);
        const QString delta = dir.filePath(u"Delta.wav"_s);
        bool deltaThereAtStop = false;
        QObject::connect(audio.get(), &AudioManager::currentSongChanged,
                         [&] { deltaThereAtStop = QFileInfo::exists(delta); });
        model().setSelectedSongIds({model().visibleSongs().at(1).id, model().visibleSongs().at(2).id});
        emit table().deleteSelectedRequested();
        ASSERT_TRUE(QTest::qWaitFor([&] { return model().visibleSongs().size() == 1; }));
        EXPECT_TRUE(deltaThereAtStop);
        EXPECT_FALSE(audio->currentSong());
        EXPECT_FALSE(QFileInfo::exists(delta));
    }
}

TEST_F(PreviewInWindow, Screenshot) {
    ScratchDir dir;
    QList<Song> songs = songsOnDisk(dir, {u"Midnight City"_s, u"Blue Monday"_s, u"Teardrop"_s});
    songs[1].duration = 187.9;
    songs[1].artist = u"New Order"_s;
    load(songs);
    audio->setVolume(0.65f);
    playRow(1);
    fakes.last()->advance(70);
    QTest::qWait(200);
    const QString folder = QCoreApplication::applicationDirPath() + u"/ui-screenshots"_s;
    QDir().mkpath(folder);
    ASSERT_TRUE(window->grab().save(folder + u"/player.png"_s));
}

} // namespace
