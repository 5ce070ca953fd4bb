// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/BPMBatch.h"

#include "operations/LoadedFolder.h"
#include "support/ClickTracks.h"

#include <QThread>

#include <atomic>
#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

class BPMBatch : public ::testing::Test {
protected:
    void SetUp() override { BPMAnalyzer::clearBPMCache(); }
    void TearDown() override { BPMAnalyzer::clearBPMCache(); }

    BPMBatchResult run(BPMBatchOptions options = {}, PlaybackHooks playback = {}) {
        QFuture<BPMBatchResult> batch = analyzeBPMForAllSongs(&folder.viewModel, playback, options);
        EXPECT_TRUE(waitFor(batch, 300000));
        return batch.result();
    }

    // The tempi by file name, in name order.
    QList<qint64> tempi() const {
        QList<qint64> values;
        for (const QString& name : folder.fileNames()) {
            values.append(folder.song(name).bpm);
        }
        return values;
    }

    LoadedFolder folder;
};

// Three click tracks, two files that are not audio, and a "mix" of 20 minutes.
TEST_F(BPMBatch, SmallFolderStoresTempiAndCountsFailures) {
    folder.add(u"a-90.wav"_s, clickTrackWav(90, 20));
    folder.add(u"b-120.wav"_s, clickTrackWav(120, 20));
    folder.add(u"c-128.wav"_s, clickTrackWav(128, 20));
    folder.add(u"d-broken.mp3"_s, QByteArray("this is not audio at all, ").repeated(40));
    folder.add(u"e-broken.wav"_s, QByteArray("RIFF....WAVEjunk"));
    folder.add(u"f-mix.wav"_s, clickTrackWav(120, 2));
    folder.load();
    folder.edit(u"f-mix.wav"_s, [](Song& song) {
        song.duration = 20 * 60;
        song.bpm = 77;
    });
    folder.edit(u"a-90.wav"_s, [](Song& song) { song.bpm = 55; });
    bool stopped = false;
    const BPMBatchResult result = run({}, {[] { return true; }, [&] { stopped = true; }});
    EXPECT_TRUE(stopped);
    EXPECT_EQ(result.analyzedCount, 3);
    EXPECT_EQ(result.failureCount, 2);
    EXPECT_EQ(tempi(), (QList<qint64>{90, 120, 128, 0, 0, 0}));
    // The mix is not among the songs counted at the start.
    EXPECT_EQ(folder.toastTexts,
              (QStringList{u"🎵 Analyzing BPM for 5 songs..."_s, u"⚠️ BPM: 3 analyzed, 2 failed"_s}));
    EXPECT_TRUE(folder.overlayMessages.isEmpty());
    EXPECT_EQ(folder.viewModel.historyManager().canUndo(), false);
}

TEST_F(BPMBatch, CancellingALargeBatchKeepsTheTempiFoundSoFarAndTheEditsMadeMeanwhile) {
    for (int i = 0; i < 22; ++i) {
        folder.add(u"click %1.wav"_s.arg(i, 2, 10, QLatin1Char('0')), clickTrackWav(120, 4));
    }
    folder.load();
    // The user retitles the first song while it is analysed and presses stop in the overlay during the
    // third analysis; each time the analysis waits until the window has taken it.
    const QUuid first = folder.song(u"click 00.wav"_s).id;
    std::atomic<int> calls{0};
    BPMBatchOptions options;
    options.concurrency = 1;
    options.analyzer = [&](const QString& path) {
        const int call = ++calls;
        if (call == 1 || call == 3) {
            QMetaObject::invokeMethod(
                &folder.progress,
                [&, call] {
                    call == 1 ? folder.viewModel.commitEdit(first, u"title", u"Retitled"_s)
                              : folder.progress.cancel();
                },
                Qt::BlockingQueuedConnection);
        }
        return BPMAnalyzer::analyzeBPM(path);
    };
    const BPMBatchResult result = run(options);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.analyzedCount, 3);
    EXPECT_EQ(calls.load(), 3);
    // The first three songs in name order.
    EXPECT_EQ(tempi().mid(0, 4), (QList<qint64>{120, 120, 120, 0}));
    EXPECT_EQ(tempi().count(0), 19);
    EXPECT_EQ(folder.overlayMessages, QStringList{u"Analyzing BPM..."_s});
    EXPECT_EQ(folder.details.value(0), u"Song 1 of 22 - BPM: 120"_s);
    EXPECT_FALSE(folder.progress.isVisible());
    EXPECT_TRUE(folder.toastTexts.isEmpty());
    EXPECT_EQ(folder.song(u"click 00.wav"_s).name, u"Retitled"_s) << "an edit made meanwhile is kept";
}

} // namespace
