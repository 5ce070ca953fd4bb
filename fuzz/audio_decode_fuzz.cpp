// SPDX-License-Identifier: GPL-3.0-or-later
// The decoder and the tempo estimate over arbitrary bytes: whatever a file claims (sample rate, channel
// count, length, container), the slices handed on stay within the accepted shapes and the frame limit,
// and the estimate is 0 or a tempo the scans and their halves can give.
#include "FuzzSupport.h"
#include "audio/AudioDecoder.h"
#include "audio/TempoEstimation.h"

#include <QByteArrayView>
#include <QStringView>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quirella;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    constexpr int seconds = 60;
    tempo::EnvelopeBuilder envelope;
    qint64 frames = 0;
    const audio::DecodeResult result = audio::decodeLeadingAudio(
        bytes, seconds, [&](const float* const* planes, int channels, std::size_t count) {
            fuzz::check(channels >= 1 && channels <= audio::maximumChannels);
            fuzz::check(count >= 1 && count <= std::size_t(audio::sliceFrames));
            fuzz::check(planes != nullptr);
            frames += qint64(count);
            tempo::addMixed(envelope, planes, channels, count);
        });
    fuzz::check(result.frames == frames);
    if (!result.ok()) {
        fuzz::check(frames == 0 || result.status != audio::DecodeResult::Status::failed);
        return 0;
    }
    fuzz::check(result.format.sampleRate >= 1 && result.format.sampleRate <= audio::maximumSampleRate);
    fuzz::check(frames <= qint64(result.format.sampleRate) * seconds);
    const double bpm =
        tempo::estimateTempo(envelope.finish(), result.format.sampleRate, QStringView(u"chill.mp3"));
    fuzz::check(bpm == 0 || (bpm >= 35 && bpm <= 170));
    return 0;
}
