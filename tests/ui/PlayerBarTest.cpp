// SPDX-License-Identifier: GPL-3.0-or-later
// The player bar, the volume knob and the preview player in the window, driven by real mouse events
// on the offscreen platform; the sound output is the stand-in of FakeAudioPlayer.h.
#include "ui/PlayerBar.h"

#include "UiFixtures.h"
#include "audio/AudioManager.h"
#include "model/Columns.h"
#include "support/FakeAudioPlayer.h"
#include "ui/PreviewPlayer.h"
#include "ui/SimpleVolumeKnob.h"

#include <QFileInfo>
#include <QSignalSpy>

namespace {

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

// The window with the real player bar below the table, over a folder of three songs in real files.
class Player : public WindowTest {
protected:
    void SetUp() override {
        QSettings().remove(AudioManager::playerVolumeKey);
        audio = std::make_unique<AudioManager>(fakes.factory());
        WindowTest::SetUp();
        bar = attachPreviewPlayer(*window, *audio);
        load(songsOnDisk(dir, {u"Midnight City"_s, u"Blue Monday"_s, u"Teardrop"_s}));
        ASSERT_TRUE(bar->isVisible());
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
    void drag(QWidget* widget, QPoint from, QPoint to) {
        QTest::mousePress(widget, Qt::LeftButton, {}, from);
        QTest::mouseMove(widget, to);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
    }

    ScratchDir dir;
    FakePlayers fakes;
    std::unique_ptr<AudioManager> audio;
    PlayerBar* bar = nullptr;
};

TEST_F(Player, KnobTurnsClockwiseFromTwelveOClock) {
    const struct {
        const char* name;
        QPoint point;
        float volume;
        QString text;
    } cases[] = {
        {"three o'clock", {60, 30}, 0.25f, u"25%"_s},
        {"six o'clock", {30, 60}, 0.5f, u"50%"_s},
        {"just right of twelve", {31, 0}, 0.0053f, u"0%"_s},
        {"far outside, at three", {400, 30}, 0.25f, u"25%"_s},
    };
    SimpleVolumeKnob* knob = bar->volumeKnob(); // 60 by 60 pixels
    for (const auto& row : cases) {
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

TEST_F(Player, ShowsTheSongAndSeeksWhereADragIsReleased) {
    EXPECT_EQ((QStringList{bar->titleText(), bar->artistText(), bar->lengthText()}),
              (QStringList{u"No Song"_s, u"Unknown Artist"_s, u"0:00"_s}));
    EXPECT_FALSE(bar->playButton()->showsPause());
    Song strobe = makeSong(u"Strobe"_s);
    strobe.url = model().visibleSongs().at(0).url;
    strobe.bookmarkData = model().visibleSongs().at(0).bookmarkData;
    strobe.duration = 187.9;
    audio->play(strobe, {strobe});
    ASSERT_TRUE(QTest::qWaitFor([&] { return audio->isPlaying(); }));
    EXPECT_EQ((QStringList{bar->titleText(), bar->artistText(), bar->lengthText()}),
              (QStringList{u"Strobe"_s, u"Unknown Artist"_s, u"3:07"_s}));
    EXPECT_TRUE(bar->playButton()->showsPause());

    PositionBar* position = bar->positionBar();
    const int width = position->width();
    const int y = position->height() / 2;
    QPointer<FakeAudioPlayer> player = fakes.last();
    drag(position, {width / 2, y}, {-80, y});
    drag(position, {width / 2, y}, {width + 200, y});
    EXPECT_EQ(player->seeks, (QList<double>{0.0, 187.9}));
    QTest::mousePress(position, Qt::LeftButton, {}, {width / 4, y});
    player->advance(100);
    EXPECT_NEAR(position->sliderValue(), 187.9 / 4, 187.9 / width) << "a drag is not overridden";
    QTest::mouseRelease(position, Qt::LeftButton, {}, {width / 4, y});
    player->advance(120);
    EXPECT_DOUBLE_EQ(position->sliderValue(), 120);

    QTest::mouseClick(bar->playButton(), Qt::LeftButton);
    EXPECT_TRUE(player->paused);
    EXPECT_FALSE(bar->playButton()->showsPause());
    audio->stop();
    QTest::mouseClick(bar->playButton(), Qt::LeftButton); // without a player: nothing
    EXPECT_FALSE(audio->isPlaying());
    drag(position, {width / 2, y}, {width, y}); // nothing to seek, nothing breaks
    EXPECT_DOUBLE_EQ(position->sliderValue(), 1.0) << "without a song the bar spans one second";
}

TEST_F(Player, PlayCellsStartAndTogglePlaybackAndTheBarFollows) {
    EXPECT_EQ(bar->height(), 80);
    EXPECT_GE(bar->geometry().top(), table().geometry().bottom()) << "the bar sits below the table";

    playRow(1);
    EXPECT_EQ(bar->titleText(), u"Blue Monday"_s);
    EXPECT_EQ(audio->playlist().size(), 3);
    click(1, column::play);
    EXPECT_FALSE(audio->isPlaying());
    EXPECT_FALSE(table().isPlaying(model().visibleSongs().at(1).id)) << "a paused song shows the play face";
    EXPECT_EQ(bar->titleText(), u"Blue Monday"_s);
    playRow(2);
    fakes.last()->reachEnd();
    EXPECT_EQ(bar->titleText(), u"No Song"_s);
    EXPECT_FALSE(table().isPlaying(model().visibleSongs().at(2).id));
}

// WRITE TAGS, the trash cell and the deletion of a selection that holds the playing song: each stops
// the player while the file is still as it was.
TEST_F(Player, WritingTagsAndDeletingStopThePlayerBeforeTouchingFiles) {
    load(songsOnDisk(dir, {u"Alpha"_s, u"Bravo"_s, u"Charlie"_s, u"Delta"_s}));
    QString watched;
    QByteArray before;
    bool untouchedAtStop = false;
    QObject::connect(audio.get(), &AudioManager::currentSongChanged, audio.get(), [&] {
        untouchedAtStop = !audio->currentSong() && QFileInfo::exists(watched) && readAll(watched) == before;
    });
    auto playAndWatch = [&](int row, const QString& name) {
        watched = dir.filePath(name + u".wav"_s);
        before = readAll(watched);
        untouchedAtStop = false;
        playRow(row);
    };

    playAndWatch(0, u"Alpha"_s);
    model().commitEdit(model().visibleSongs().at(0).id, column::title, u"Alpha Song"_s);
    QSignalSpy finished(window.get(), &MainWindow::tagWritingFinished);
    window->writeTags();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(untouchedAtStop) << "WRITE TAGS";

    playAndWatch(1, u"Bravo"_s);
    click(1, column::actions); // the trash cell takes its own song
    ASSERT_TRUE(QTest::qWaitFor([&] { return toasts.message() == u"🗑 Bravo moved to Trash"_s; }));
    EXPECT_TRUE(untouchedAtStop) << "the trash cell";

    playAndWatch(2, u"Delta"_s);
    model().setSelectedSongIds({model().visibleSongs().at(1).id, model().visibleSongs().at(2).id});
    emit table().deleteSelectedRequested();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().visibleSongs().size() == 1; }));
    EXPECT_TRUE(untouchedAtStop) << "a selection with the playing song";
}

} // namespace
