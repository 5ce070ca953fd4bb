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

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

using Clock = BPMCache::Clock;

// ---- The vote ----

struct VoteRow {
    const char* name;
    std::array<double, 4> scans;
    const char* fileName;
    double expected;
};

void PrintTo(const VoteRow& row, std::ostream* out) {
    *out << row.name;
}

class TempoVote : public ::testing::TestWithParam<VoteRow> {};

TEST_P(TempoVote, PicksTheHeaviestGroup) {
    const VoteRow& row = GetParam();
    bool slow = false;
    const QList<tempo::TempoCandidate> candidates =
        tempo::tempoCandidates(row.scans, QString::fromUtf8(row.fileName), &slow);
    EXPECT_EQ(tempo::voteTempo(candidates, slow), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TempoVote,
    ::testing::Values(
        // 160 weighs 3.3 × 0.8 = 2.64, the halves 80 weigh 2.2 × 1.3 = 2.86.
        VoteRow{"chill_name_prefers_half", {160, 160, 160, 160}, "Chill Mix.mp3", 80},
        VoteRow{"plain_name_keeps_scans", {160, 160, 160, 160}, "Mix.mp3", 160},
        VoteRow{"upper_case_hint_counts", {160, 160, 160, 160}, "LOFI beats.wav", 80},
        // 100 lies in 90..115, so 50 joins with 0.9; the agreeing scans still outweigh it.
        VoteRow{"hundred_beats_its_half", {100, 100, 100, 100}, "a.mp3", 100},
        VoteRow{"agreeing_scans_outvote_the_first", {100, 140, 140, 160}, "a.mp3", 140},
        VoteRow{"half_of_first_joins_agreeing_scans", {100, 50, 50, 160}, "a.mp3", 50},
        // 120 and 122 vote together (within 3): (120·1 + 122·0.8) / 1.8 = 120.9 → 121.
        VoteRow{"cluster_mean_is_rounded", {120, 122, 80, 170}, "a.mp3", 121},
        VoteRow{"silence_gives_zero", {0, 0, 0, 0}, "a.mp3", 0},
        // Equal weights: the earlier group stays.
        VoteRow{"tie_keeps_the_first_group", {140, 70, 70, 140}, "a.mp3", 140}),
    [](const ::testing::TestParamInfo<VoteRow>& row) { return std::string(row.param.name); });

TEST(TempoScan, FindsTheEnvelopePeriodAndZeroForSilence) {
    // Ten envelope frames a second with a pulse every fifth: 2 Hz, 120 BPM.
    std::vector<float> pulses(600, 0.0f);
    for (std::size_t i = 0; i < pulses.size(); i += 5) {
        pulses[i] = 1.0f;
    }
    EXPECT_EQ(tempo::scanTempo(pulses, 4410, 44100), 120.0);
    // The same frames assumed twice as long report half the tempo (and find 60 as 120 one octave up).
    EXPECT_EQ(tempo::scanTempo(pulses, 8820, 44100), 120.0);
    EXPECT_EQ(tempo::scanTempo(std::vector<float>(600, 0.0f), 4410, 44100), 0.0);
    EXPECT_EQ(tempo::scanTempo({}, 4410, 44100), 0.0);
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

TEST_F(BPMFiles, ClickTracksGiveTheirTempo) {
    for (const int bpm : {90, 100, 120, 128, 140}) {
        SCOPED_TRACE(bpm);
        const QString path = write(u"click-%1.wav"_s.arg(bpm), clickTrackWav(bpm, 30));
        const BPMResult result = BPMAnalyzer::analyzeBPM(path);
        ASSERT_TRUE(result.ok()) << result.error.description.toStdString();
        EXPECT_EQ(*result.bpm, bpm);
        EXPECT_TRUE(BPMAnalyzer::cache().contains(QUrl::fromLocalFile(path)));
    }
}

TEST_F(BPMFiles, CompressedAudioGoesThroughTheSameEstimate) {
    const QString wav = write(u"source.wav"_s, clickTrackWav(120, 20));
    const QString mp3 = m_dir.filePath(u"click.mp3"_s);
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s, {u"-nostdin"_s, u"-loglevel"_s, u"error"_s, u"-i"_s, wav, u"-ac"_s, u"2"_s,
                               u"-b:a"_s, u"128k"_s, mp3});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    const BPMResult result = BPMAnalyzer::analyzeBPM(mp3);
    ASSERT_TRUE(result.ok()) << result.error.description.toStdString();
    EXPECT_EQ(*result.bpm, 120);
}

TEST_F(BPMFiles, SilenceAndTooShortGiveZeroUncached) {
    const QString silent =
        write(u"silent.wav"_s, pcmWav(44100, 2, 44100 * 10, [](int, qint64) { return 0.0; }));
    // 4409 frames: not one whole envelope frame.
    const QString shortFile = write(
        u"short.wav"_s, pcmWav(44100, 1, 4409, [](int, qint64 frame) { return click(120, 44100, frame); }));
    for (const QString& path : {silent, shortFile}) {
        const BPMResult result = BPMAnalyzer::analyzeBPM(path);
        ASSERT_TRUE(result.ok()) << result.error.description.toStdString();
        EXPECT_EQ(*result.bpm, 0);
        EXPECT_FALSE(BPMAnalyzer::cache().contains(QUrl::fromLocalFile(path)));
    }
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
}

TEST_F(BPMFiles, SecondAnalysisComesFromTheCache) {
    const QString path = write(u"cached.wav"_s, clickTrackWav(120, 20));
    ASSERT_EQ(BPMAnalyzer::analyzeBPM(path).bpm, 120);
    // Decoding the file again would now give 0.
    writeAll(path, pcmWav(44100, 1, 44100 * 20, [](int, qint64) { return 0.0; }));
    EXPECT_EQ(BPMAnalyzer::analyzeBPM(path).bpm, 120);
    BPMAnalyzer::clearBPMCache();
    EXPECT_EQ(BPMAnalyzer::analyzeBPM(path).bpm, 0);
}

TEST_F(BPMFiles, MissingFileIsRefusedAccess) {
    const BPMResult result = BPMAnalyzer::analyzeBPM(m_dir.filePath(u"gone.wav"_s));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error.domain, u"BPMAnalyzer"_s);
    EXPECT_EQ(result.error.code, 1);
    EXPECT_EQ(result.error.description, u"Cannot access file"_s);
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

struct HostileRow {
    const char* name;
    QByteArray bytes;
    // The analyser's own error code, or 0 when a tempo of 0 or FFmpeg's error are both fine.
    int analyserCode;
};

TEST_F(BPMFiles, HostileFilesGiveAnErrorOrZero) {
    const QList<HostileRow> rows = {
        {"zero_channels", claimingWav(0, 44100, 8000), 0},
        {"thirty_three_channels", claimingWav(33, 44100, 8000), 2},
        {"sample_rate_near_four_billion", claimingWav(1, 0xFFFFFFF0u, 8000), 0},
        {"sample_rate_above_limit", claimingWav(2, 1000000, 8000), 2},
        {"claims_four_gigabytes", claimingWav(2, 44100, 0xFFFFFFF0u), 0},
        {"claims_hours_at_low_rate", claimingWav(1, 1, 0x7FFFFFF0u, 8), 0},
        {"not_audio_at_all", imageBytes(Qt::red, 64, 64, "PNG"), 0},
        {"random_bytes", randomBytes(7, 50000), 0},
        {"empty_file", QByteArray(), 0},
    };
    for (const HostileRow& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = write(QString::fromLatin1(row.name) + u".wav"_s, row.bytes);
        const BPMResult result = BPMAnalyzer::analyzeBPM(path);
        if (result.ok()) {
            EXPECT_EQ(*result.bpm, 0);
            EXPECT_EQ(row.analyserCode, 0);
        } else if (row.analyserCode != 0) {
            EXPECT_EQ(result.error.domain, u"BPMAnalyzer"_s);
            EXPECT_EQ(result.error.code, row.analyserCode);
        } else {
            EXPECT_FALSE(result.error.description.isEmpty());
        }
        // The same bytes from memory take the same road.
        qint64 frames = 0;
        const audio::DecodeResult decoded = audio::decodeLeadingAudio(
            QByteArrayView(row.bytes), 60, [&](const float* const*, int channels, std::size_t count) {
                EXPECT_GE(channels, 1);
                EXPECT_LE(channels, audio::maximumChannels);
                frames += qint64(count);
            });
        EXPECT_EQ(decoded.frames, frames);
    }
}

// ---- The cache ----

TEST(BPMCacheTest, EntriesLiveOneHour) {
    BPMCache cache;
    const QUrl song = QUrl::fromLocalFile(u"/music/a.mp3"_s);
    const Clock::time_point stored = Clock::now();
    cache.store(song, 128, stored);
    EXPECT_EQ(cache.lookup(song, stored + std::chrono::seconds(3600)), 128);
    EXPECT_EQ(cache.lookup(QUrl::fromLocalFile(u"/music/b.mp3"_s), stored), std::nullopt);
    EXPECT_EQ(cache.lookup(song, stored + std::chrono::seconds(3601)), std::nullopt);
    EXPECT_FALSE(cache.contains(song)); // the stale entry went
}

TEST(BPMCacheTest, StoreTrimsAtOneHundredEntries) {
    const Clock::time_point start = Clock::now();
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

    BPMCache almost;
    fill(almost, 99, 0);
    almost.store(next, 90, now);
    EXPECT_EQ(almost.size(), 100);

    // Expired entries go first; when that is enough, nothing fresh is dropped.
    BPMCache stale;
    fill(stale, 100, 60);
    stale.store(next, 90, now);
    EXPECT_EQ(stale.size(), 41);
}

} // namespace
