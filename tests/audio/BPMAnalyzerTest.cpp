// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/BPMAnalyzer.h"

#include "audio/AudioDecoder.h"
#include "audio/PlayableFile.h"
#include "audio/TempoEstimation.h"
#include "support/AudioFiles.h"
#include "support/ClickTracks.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>

#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

using Clock = BPMCache::Clock;

// ---- The vote ----

TEST(TempoVote, PicksTheHeaviestGroup) {
    const QList<std::tuple<std::array<double, 4>, QString, double>> rows = {
        // 160 weighs 3.3 × 0.8 = 2.64, the halves 80 weigh 2.2 × 1.3 = 2.86.
        {{160, 160, 160, 160}, u"Chill Mix.mp3"_s, 80},
        {{160, 160, 160, 160}, u"Mix.mp3"_s, 160},
        {{160, 160, 160, 160}, u"LOFI beats.wav"_s, 80},
        // 100 lies in 90..115, so 50 joins with 0.9; the agreeing scans still outweigh it.
        {{100, 100, 100, 100}, u"a.mp3"_s, 100},
        {{100, 140, 140, 160}, u"a.mp3"_s, 140},
        {{100, 50, 50, 160}, u"a.mp3"_s, 50},
        // 120 and 122 vote together (within 3): (120·1 + 122·0.8) / 1.8 = 120.9 → 121.
        {{120, 122, 80, 170}, u"a.mp3"_s, 121},
        {{0, 0, 0, 0}, u"a.mp3"_s, 0},
        {{140, 70, 70, 140}, u"a.mp3"_s, 140}, // equal weights: the earlier group stays
    };
    for (const auto& [scans, fileName, expected] : rows) {
        bool slow = false;
        const QList<tempo::TempoCandidate> candidates = tempo::tempoCandidates(scans, fileName, &slow);
        EXPECT_EQ(tempo::voteTempo(candidates, slow), expected) << scans[0] << " " << fileName.toStdString();
    }
}

TEST(TempoEnvelope, DropsThePartialFrameAndNormalises) {
    tempo::EnvelopeBuilder envelope;
    const std::vector<float> loud(4410, 0.5f);
    const std::vector<float> quiet(4410, 0.25f);
    envelope.add(loud.data(), 1000); // pieces of any size make up a frame
    envelope.add(loud.data(), 3410);
    envelope.add(quiet.data(), 4410);
    envelope.add(quiet.data(), 4409); // one sample short of a third frame
    const std::vector<float> frames = envelope.finish();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FLOAT_EQ(frames[0], 1.0f);
    EXPECT_FLOAT_EQ(frames[1], 0.5f);

    // Stereo is averaged: opposite channels cancel out to silence.
    const float left[2] = {0.5f, -0.5f};
    const float right[2] = {-0.5f, 0.5f};
    const float* planes[2] = {left, right};
    tempo::EnvelopeBuilder mixed;
    for (int i = 0; i < 2205; ++i) {
        tempo::addMixed(mixed, planes, 2, 2);
    }
    EXPECT_EQ(mixed.finish(), std::vector<float>{0.0f});
}

// ---- Whole files ----

class BPMFiles : public ::testing::Test {
protected:
    void SetUp() override { BPMAnalyzer::clearBPMCache(); }
    void TearDown() override { BPMAnalyzer::clearBPMCache(); }

    QString write(const QString& name, const QByteArray& bytes) { return m_dir.write(name, bytes); }

    ScratchDir m_dir;
};

// Click tracks as WAV files and, through an MP3 encoder, as compressed stereo audio. A tempo found is
// kept, so silence in a file's place still gives it until the cache is cleared; a tempo of 0 is not kept.
TEST_F(BPMFiles, ClickTracksGiveTheirTempoWhichTheCacheKeeps) {
    const QString mp3 = m_dir.filePath(u"click.mp3"_s);
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s, {u"-nostdin"_s, u"-loglevel"_s, u"error"_s, u"-i"_s,
                               write(u"source.wav"_s, clickTrackWav(120, 20)), u"-ac"_s, u"2"_s, u"-b:a"_s,
                               u"128k"_s, mp3});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    const std::pair<QString, int> files[] = {{write(u"click-90.wav"_s, clickTrackWav(90, 30)), 90},
                                             {write(u"click-128.wav"_s, clickTrackWav(128, 30)), 128},
                                             {write(u"click-140.wav"_s, clickTrackWav(140, 30)), 140},
                                             {mp3, 120}};
    for (const auto& [path, bpm] : files) {
        SCOPED_TRACE(path.toStdString());
        const BPMResult result = BPMAnalyzer::analyzeBPM(path);
        ASSERT_TRUE(result.ok()) << result.error.description.toStdString();
        EXPECT_EQ(*result.bpm, bpm);
        EXPECT_TRUE(BPMAnalyzer::cache().contains(QUrl::fromLocalFile(path)));
    }
    const QString path = files[0].first;
    writeAll(path, pcmWav(44100, 2, 44100 * 10, [](int, qint64) { return 0.0; }));
    EXPECT_EQ(BPMAnalyzer::analyzeBPM(path).bpm, 90);
    BPMAnalyzer::clearBPMCache();
    EXPECT_EQ(BPMAnalyzer::analyzeBPM(path).bpm, 0);
    EXPECT_FALSE(BPMAnalyzer::cache().contains(QUrl::fromLocalFile(path)));
}

TEST_F(BPMFiles, LongStereoFileIsReadForSixtySecondsOnly) {
    // Clicks at 120 in the left channel for the first minute, at 90 in both after it.
    const int rate = 44100;
    const QString path =
        write(u"long.wav"_s, pcmWav(rate, 2, qint64(rate) * 75, [&](int channel, qint64 frame) {
                  if (frame < qint64(rate) * 60) {
                      return channel == 0 ? click(120, rate, frame) : 0.0;
                  }
                  return click(90, rate, frame);
              }));
    qint64 frames = 0;
    const audio::DecodeResult decoded = audio::decodeLeadingAudio(
        QFile::encodeName(path), 60, [&](const float* const*, int channels, std::size_t count) {
            EXPECT_EQ(channels, 2);
            frames += qint64(count);
        });
    ASSERT_TRUE(decoded.ok()) << decoded.message.toStdString();
    EXPECT_EQ(frames, qint64(rate) * 60);
    EXPECT_EQ(decoded.frames, frames);
    const BPMResult result = BPMAnalyzer::analyzeBPM(path);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(*result.bpm, 120);
}

// The player's check reads the one file it is given, with the decoder's care: a list that names
// another file is no song of its own.
TEST_F(BPMFiles, PlayerCheckReadsOnlyTheFileItIsGiven) {
    const QString wav = write(u"clicks.wav"_s, clickTrackWav(120, 2));
    EXPECT_TRUE(isDecodableAudio(wav));
    EXPECT_FALSE(isDecodableAudio(write(u"list.mp3"_s, "ffconcat version 1.0\nfile 'clicks.wav'\n")));
    EXPECT_FALSE(isDecodableAudio(write(u"text.mp3"_s, "no audio in here")));
    EXPECT_FALSE(isDecodableAudio(m_dir.filePath(u"gone.wav"_s)));
    // A pipe (an ordinary open waits for a writer) or a device (/dev/zero never ends) is not read.
    const QStringList special = {m_dir.filePath(u"pipe.wav"_s), m_dir.filePath(u"zero.mp3"_s)};
    ASSERT_TRUE(::mkfifo(QFile::encodeName(special[0]).constData(), 0644) == 0 &&
                QFile::link(u"/dev/zero"_s, special[1]));
    for (const QString& path : special) {
        EXPECT_FALSE(isDecodableAudio(path));
        EXPECT_TRUE(BPMAnalyzer::analyzeBPM(path).error.description.contains(u"not a regular file"_s));
    }
    const BPMResult missing = BPMAnalyzer::analyzeBPM(m_dir.filePath(u"gone.wav"_s));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(std::tuple(missing.error.domain, missing.error.code, missing.error.description),
              std::tuple(u"BPMAnalyzer"_s, 1, u"Cannot access file"_s));
}

// ---- Hostile input ----

// A WAV header that claims what it likes, over a little real data.
QByteArray claimingWav(quint16 channels, quint32 rate, quint32 dataSize, quint16 bits = 16) {
    const quint16 blockAlign = static_cast<quint16>(channels * bits / 8);
    auto le16 = [](quint16 value) { return QByteArray(1, char(value & 0xFF)) + char(value >> 8); };
    const QByteArray format =
        le16(1) + le16(channels) + le32(rate) + le32(rate * blockAlign) + le16(blockAlign) + le16(bits);
    return riffFile(wavChunk("fmt ", format) + wavChunkClaiming("data", dataSize, samples(8000)));
}

// The analyser's own error code 2 for channels or rates beyond its limits; otherwise a tempo of 0 or
// FFmpeg's error.
TEST_F(BPMFiles, HostileFilesGiveAnErrorOrZero) {
    const QList<std::tuple<const char*, QByteArray, int>> rows = {
        {"zero_channels", claimingWav(0, 44100, 8000), 0},
        {"thirty_three_channels", claimingWav(33, 44100, 8000), 2},
        {"sample_rate_above_limit", claimingWav(2, 1000000, 8000), 2},
        {"claims_four_gigabytes", claimingWav(2, 44100, 0xFFFFFFF0u), 0},
        {"claims_hours_at_low_rate", claimingWav(1, 1, 0x7FFFFFF0u, 8), 0},
        {"random_bytes", randomBytes(7, 50000), 0},
        {"empty_file", QByteArray(), 0},
        {"not_one_whole_envelope_frame",
         pcmWav(44100, 1, 4409, [](int, qint64 frame) { return click(120, 44100, frame); }), 0},
    };
    for (const auto& [name, bytes, code] : rows) {
        SCOPED_TRACE(name);
        const BPMResult result = BPMAnalyzer::analyzeBPM(write(QString::fromLatin1(name) + u".wav"_s, bytes));
        if (result.ok()) {
            EXPECT_EQ(std::pair(*result.bpm, code), std::pair(qint64(0), 0));
        } else if (code != 0) {
            EXPECT_EQ(std::pair(result.error.domain, result.error.code), std::pair(u"BPMAnalyzer"_s, code));
        }
        // The same bytes from memory take the same road.
        qint64 frames = 0;
        const audio::DecodeResult decoded = audio::decodeLeadingAudio(
            QByteArrayView(bytes), 60, [&](const float* const*, int channels, std::size_t count) {
                EXPECT_TRUE(channels >= 1 && channels <= audio::maximumChannels);
                frames += qint64(count);
            });
        EXPECT_EQ(decoded.frames, frames);
    }
}

// ---- The cache ----

TEST(BPMCacheTest, EntriesLiveOneHourAndStoreTrimsAtOneHundred) {
    const Clock::time_point start = Clock::now();
    BPMCache one;
    const QUrl song = QUrl::fromLocalFile(u"/music/a.mp3"_s);
    one.store(song, 128, start);
    EXPECT_EQ(one.lookup(song, start + std::chrono::seconds(3600)), 128);
    EXPECT_EQ(one.lookup(QUrl::fromLocalFile(u"/music/b.mp3"_s), start), std::nullopt);
    EXPECT_EQ(one.lookup(song, start + std::chrono::seconds(3601)), std::nullopt);
    EXPECT_FALSE(one.contains(song)); // the stale entry went

    const auto fill = [&](BPMCache& cache, int count, int expiredCount) {
        for (int i = 0; i < count; ++i) {
            // The first `expiredCount` are two hours old, the rest one second apart.
            const Clock::time_point when =
                i < expiredCount ? start - std::chrono::hours(2) : start + std::chrono::seconds(i);
            cache.store(QUrl::fromLocalFile(u"/music/%1.mp3"_s.arg(i)), 100 + i, when);
        }
    };
    const QUrl next = QUrl::fromLocalFile(u"/music/new.mp3"_s);
    const Clock::time_point now = start + std::chrono::seconds(200);

    BPMCache full;
    fill(full, 100, 0);
    full.store(next, 90, now);
    EXPECT_EQ(full.size(), 51);
    EXPECT_FALSE(full.contains(QUrl::fromLocalFile(u"/music/49.mp3"_s)));
    EXPECT_TRUE(full.contains(QUrl::fromLocalFile(u"/music/50.mp3"_s)));
    EXPECT_TRUE(full.contains(next));

    // Expired entries go first; when that is enough, nothing fresh is dropped.
    BPMCache stale;
    fill(stale, 100, 60);
    stale.store(next, 90, now);
    EXPECT_EQ(stale.size(), 41);
}

} // namespace
