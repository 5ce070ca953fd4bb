// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding the first seconds of an audio file to single-precision samples, one plane per channel, at the
// file's own sample rate, through FFmpeg (loaded on first use, see FfmpegLibrary.h).
//
// The bytes are untrusted: a file may claim any sample rate, channel count or length, or hold no audio
// at all. Nothing here allocates after what a file claims: samples are handed on in slices of at most
// `sliceFrames` frames and never collected, so memory stays small whatever the file says, and decoding
// stops after the requested seconds however long the file claims to be.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <functional>

namespace quirella::audio {

// What is accepted as audio; anything else is refused before a sample is handed on.
inline constexpr int maximumChannels = 32;
inline constexpr int maximumSampleRate = 768000;
// The largest slice handed to a consumer at once.
inline constexpr int sliceFrames = 4096;

struct PcmFormat {
    int sampleRate = 0;
    int channels = 0;
};

// Receives consecutive slices: `planes[c][i]` is sample i of channel c, for i below `frames`.
using PcmConsumer = std::function<void(const float* const* planes, int channels, std::size_t frames)>;

struct [[nodiscard]] DecodeResult {
    enum class Status {
        ok,
        failed,        // FFmpeg could not open or read the file; `ffmpegError` and `message` say why
        badFormat,     // a sample rate or channel count out of range
        noChannelData, // an audio stream that gave no samples and no usable format
    };
    Status status = Status::ok;
    int ffmpegError = 0;
    QString message;
    PcmFormat format;  // valid when ok
    qint64 frames = 0; // frames handed on

    bool ok() const { return status == Status::ok; }
};

// Decodes the first audio stream of the file at `nativePath` (the path's bytes as the file system
// knows them), handing on at most `seconds` × sample rate frames. Blocking; safe on several threads at
// once, each call with its own decoder running on the calling thread only.
DecodeResult decodeLeadingAudio(const QByteArray& nativePath, int seconds, const PcmConsumer& consume);

// The same over bytes in memory (the fuzz target and tests of hostile input).
DecodeResult decodeLeadingAudio(QByteArrayView bytes, int seconds, const PcmConsumer& consume);

// Whether the file opens as one of the accepted containers with an audio stream FFmpeg has a decoder
// for, read with the same care as decoding. False too when FFmpeg cannot be loaded.
bool hasDecodableAudio(const QByteArray& nativePath);

} // namespace quirella::audio
