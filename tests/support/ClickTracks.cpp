// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ClickTracks.h"

#include "support/AudioFiles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quirella::test {

namespace {

QByteArray le16(int value) {
    QByteArray out(2, '\0');
    out[0] = static_cast<char>(value & 0xFF);
    out[1] = static_cast<char>((value >> 8) & 0xFF);
    return out;
}

} // namespace

QByteArray pcmWav(int sampleRate, int channels, qint64 frames,
                  const std::function<double(int channel, qint64 frame)>& sample) {
    QByteArray data;
    data.reserve(frames * channels * 2);
    for (qint64 frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < channels; ++channel) {
            const double value = std::clamp(sample(channel, frame), -1.0, 1.0);
            data.append(le16(static_cast<int>(std::lround(value * 32767.0))));
        }
    }
    const auto rate = static_cast<quint32>(sampleRate);
    const auto blockAlign = static_cast<quint32>(channels * 2);
    const QByteArray format = le16(1) + le16(channels) + le32(rate) + le32(rate * blockAlign) +
                              le16(static_cast<int>(blockAlign)) + le16(16);
    return riffFile(wavChunk("fmt ", format) + wavChunk("data", data));
}

double click(double bpm, int sampleRate, qint64 frame) {
    const double time = double(frame) / sampleRate;
    const double beat = 60.0 / bpm;
    const double sinceBeat = std::fmod(time, beat);
    if (sinceBeat >= 0.05) {
        return 0.0;
    }
    return 0.8 * std::sin(2.0 * std::numbers::pi * 1000.0 * sinceBeat);
}

QByteArray clickTrackWav(double bpm, double seconds, int sampleRate) {
    return pcmWav(sampleRate, 1, static_cast<qint64>(seconds * sampleRate),
                  [&](int, qint64 frame) { return click(bpm, sampleRate, frame); });
}

} // namespace quirella::test
