// SPDX-License-Identifier: GPL-3.0-or-later
// The length of a music file from the few bytes that describe its audio, worked out as TagLib works it out
// (the same sources, the same arithmetic, whole milliseconds rounded to nearest), so that loading need not
// open every file a second time with TagLib for its length. Every function answers nothing where the bytes
// do not tell; the caller then asks TagLib.
#pragma once

#include "tags/ByteView.h"

#include <QtGlobal>

#include <optional>

namespace quirella::audiolength {

// One MPEG audio frame header: the fields the length needs.
struct MpegHeader {
    int bitrate = 0;    // kbit/s
    int sampleRate = 0; // Hz
    int samplesPerFrame = 0;
    int frameLength = 0; // bytes, padding included
};
// The header at `offset` of `bytes` when it is one. With `checkNext`, the bytes after the frame must hold
// the header of a frame of the same version, layer and sample rate (TagLib's test against stray syncs);
// a frame whose follower lies beyond `bytes` then fails.
std::optional<MpegHeader> mpegHeader(ByteView bytes, std::uint64_t offset, bool checkNext);

// MP3. `start` holds the file from `startOffset` on, where the audio begins (after any leading ID3v2 tag);
// the first frame must be found in it. `tail` holds the file's last bytes, from `tailOffset` to the end
// (`fileSize`), and `hasId3v1` tells whether the last 128 of them are an ID3v1 tag. The length comes from
// a Xing/Info or VBRI header in the first frame, else from the bit rate of the first frame and the bytes
// up to the end of the last frame.
std::optional<double> mpegSeconds(ByteView start, qint64 startOffset, ByteView tail, qint64 tailOffset,
                                  qint64 fileSize, bool hasId3v1);

// WAV: the payload of the first "fmt " chunk, the size of the first "data" chunk with its pad byte, and the
// first four bytes of the first "fact" chunk when there is one.
std::optional<double> wavSeconds(ByteView format, qint64 dataSize, std::optional<quint32> factSamples);
// AIFF: the payload of the first "COMM" chunk and the size of the first "SSND" chunk with its pad byte.
std::optional<double> aiffSeconds(ByteView common, qint64 soundSize);
// FLAC: the body of the STREAMINFO block.
std::optional<double> flacSeconds(ByteView streamInfo);
// M4A: the payload of the "moov" box: the media header of the first sound track.
std::optional<double> mp4Seconds(ByteView movie);
// Ogg Vorbis or Opus: the file's first bytes (its first page whole) and its last bytes (its last page
// header in them).
std::optional<double> oggSeconds(ByteView head, ByteView tail);

} // namespace quirella::audiolength
