// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AudioLength.h"

#include "tags/Mp4Structure.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace quirella::audiolength {

namespace {

// TagLib gives whole milliseconds, rounded to nearest; the songs show what it shows. Less than half a
// millisecond is no length: it would round to zero.
std::optional<double> fromMilliseconds(double milliseconds) {
    if (!(milliseconds >= 0.5) || milliseconds > 1e12) {
        return std::nullopt;
    }
    return static_cast<double>(static_cast<qint64>(milliseconds + 0.5)) / 1000.0;
}

bool isFrameSync(ByteView bytes, std::uint64_t offset) {
    const std::optional<std::uint8_t> first = bytes.u8(offset);
    const std::optional<std::uint8_t> second = bytes.u8(offset + 1);
    return first == 0xFF && second && *second != 0xFF && (*second & 0xE0) == 0xE0;
}

// Where `needle` first occurs in `bytes`, or nothing.
std::optional<std::uint64_t> findText(ByteView bytes, std::string_view needle) {
    const std::string_view haystack(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t at = haystack.find(needle);
    return at == std::string_view::npos ? std::nullopt : std::optional<std::uint64_t>(at);
}

std::optional<std::uint64_t> findLastText(ByteView bytes, std::string_view needle) {
    const std::string_view haystack(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t at = haystack.rfind(needle);
    return at == std::string_view::npos ? std::nullopt : std::optional<std::uint64_t>(at);
}

std::optional<std::uint16_t> u16LE(ByteView bytes, std::uint64_t offset) {
    const std::optional<std::uint16_t> be = bytes.u16BE(offset);
    return be ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*be >> 8 | *be << 8)) : std::nullopt;
}

std::optional<std::int64_t> i64LE(ByteView bytes, std::uint64_t offset) {
    const std::optional<std::uint32_t> low = bytes.u32LE(offset);
    const std::optional<std::uint32_t> high = bytes.u32LE(offset + 4);
    if (!low || !high) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::uint64_t{*high} << 32 | *low);
}

// The header bits of two frames that must agree: sync, version, layer and sample rate.
constexpr std::uint32_t kConsistentBits = 0xFFFE0C00u;

} // namespace

std::optional<MpegHeader> mpegHeader(ByteView bytes, std::uint64_t offset, bool checkNext) {
    const std::optional<std::uint32_t> word = bytes.u32BE(offset);
    if (!word || !isFrameSync(bytes, offset)) {
        return std::nullopt;
    }
    // Version: 0 is MPEG 2.5, 2 is MPEG 2, 3 is MPEG 1. Layer: 1 is III, 2 is II, 3 is I.
    const unsigned versionBits = (*word >> 19) & 3u;
    const unsigned layerBits = (*word >> 17) & 3u;
    if (versionBits == 1 || layerBits == 0) {
        return std::nullopt;
    }
    const int layer = 4 - static_cast<int>(layerBits); // 1, 2 or 3
    const bool mpeg1 = versionBits == 3;
    static constexpr int bitrates[2][3][16] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
    static constexpr int sampleRates[3][4] = {
        {44100, 48000, 32000, 0}, {22050, 24000, 16000, 0}, {11025, 12000, 8000, 0}};
    MpegHeader header;
    header.bitrate = bitrates[mpeg1 ? 0 : 1][layer - 1][(*word >> 12) & 15u];
    header.sampleRate = sampleRates[mpeg1 ? 0 : (versionBits == 2 ? 1 : 2)][(*word >> 10) & 3u];
    if (header.bitrate == 0 || header.sampleRate == 0) {
        return std::nullopt;
    }
    header.samplesPerFrame = layer == 1 ? 384 : (layer == 3 && !mpeg1 ? 576 : 1152);
    header.frameLength = header.samplesPerFrame * header.bitrate * 125 / header.sampleRate;
    if ((*word >> 9) & 1u) {
        header.frameLength += layer == 1 ? 4 : 1;
    }
    if (checkNext) {
        const std::optional<std::uint32_t> next = bytes.u32BE(offset + std::uint64_t(header.frameLength));
        if (!next || (*next & kConsistentBits) != (*word & kConsistentBits)) {
            return std::nullopt;
        }
    }
    return header;
}

std::optional<double> mpegSeconds(ByteView start, qint64 startOffset, ByteView tail, qint64 tailOffset,
                                  qint64 fileSize, bool hasId3v1) {
    // The first frame: the first sync in `start` whose header holds and is followed by another.
    std::optional<std::uint64_t> first;
    std::optional<MpegHeader> firstHeader;
    for (std::uint64_t at = 0; start.size() >= 4 && at < start.size() - 3; ++at) {
        if (start.data()[at] != 0xFF) {
            continue;
        }
        if ((firstHeader = mpegHeader(start, at, true))) {
            first = at;
            break;
        }
    }
    if (!first) {
        return std::nullopt; // beyond what was read: TagLib may still find one
    }
    const std::optional<ByteView> frame = start.slice(*first, std::uint64_t(firstHeader->frameLength));
    if (!frame) {
        return std::nullopt;
    }
    // A Xing/Info header counts only with both the frame count and the byte count; a VBRI header has both.
    std::uint32_t frames = 0;
    std::uint32_t bytes = 0;
    if (std::optional<std::uint64_t> at = findText(*frame, "Xing"); at || (at = findText(*frame, "Info"))) {
        if (frame->has(*at, 16) && (*frame->u8(*at + 7) & 3u) == 3u) {
            frames = *frame->u32BE(*at + 8);
            bytes = *frame->u32BE(*at + 12);
        }
    } else if (const std::optional<std::uint64_t> vbri = findText(*frame, "VBRI");
               vbri && frame->has(*vbri, 32)) {
        bytes = *frame->u32BE(*vbri + 10);
        frames = *frame->u32BE(*vbri + 14);
    }
    if (frames > 0 && bytes > 0) {
        return fromMilliseconds(firstHeader->samplesPerFrame * 1000.0 / firstHeader->sampleRate * frames);
    }

    // A constant bit rate: the stream runs to the end of the last frame, found by searching back from the
    // end (before an ID3v1 tag) for a frame followed by another, whose follower is the last.
    const qint64 scanEnd = hasId3v1 ? fileSize - 128 - 1 : fileSize;
    const qint64 firstOffset = startOffset + qint64(*first);
    if (tailOffset < 0 || scanEnd - tailOffset < 2 || tail.size() != std::uint64_t(fileSize - tailOffset)) {
        return std::nullopt;
    }
    for (qint64 at = scanEnd - 2; at >= tailOffset; --at) {
        const auto local = std::uint64_t(at - tailOffset);
        if (tail.data()[local] != 0xFF) {
            continue;
        }
        if (const std::optional<MpegHeader> penultimate = mpegHeader(tail, local, true)) {
            const std::uint64_t lastLocal = local + std::uint64_t(penultimate->frameLength);
            const std::optional<MpegHeader> last = mpegHeader(tail, lastLocal, false);
            if (!last) {
                return std::nullopt;
            }
            const qint64 streamLength = tailOffset + qint64(lastLocal) - firstOffset + last->frameLength;
            return streamLength > 0 ? fromMilliseconds(streamLength * 8.0 / firstHeader->bitrate)
                                    : std::nullopt;
        }
        if (at <= firstOffset) {
            break;
        }
    }
    return std::nullopt;
}

std::optional<double> wavSeconds(ByteView format, qint64 dataSize, std::optional<quint32> factSamples) {
    constexpr std::uint16_t pcm = 1;
    constexpr std::uint16_t ieeeFloat = 3;
    const std::optional<std::uint16_t> tag = u16LE(format, 0);
    if (format.size() < 16 || dataSize <= 0 || !tag) {
        return std::nullopt;
    }
    const quint32 totalSamples = factSamples.value_or(0);
    if (*tag != pcm && *tag != ieeeFloat && totalSamples == 0) {
        return std::nullopt;
    }
    const std::uint16_t channels = *u16LE(format, 2);
    const std::uint32_t sampleRate = *format.u32LE(4);
    const std::uint32_t byteRate = *format.u32LE(8);
    const std::uint16_t bitsPerSample = *u16LE(format, 14);
    std::uint64_t sampleFrames = 0;
    if (*tag != pcm && !(*tag == ieeeFloat && totalSamples == 0)) {
        sampleFrames = totalSamples;
    } else if (channels > 0 && bitsPerSample > 0) {
        sampleFrames = std::uint64_t(dataSize) / (channels * ((bitsPerSample + 7u) / 8u));
    }
    if (sampleFrames > 0 && sampleRate > 0) {
        return fromMilliseconds(double(sampleFrames) * 1000.0 / sampleRate);
    }
    return byteRate > 0 ? fromMilliseconds(double(dataSize) * 1000.0 / byteRate) : std::nullopt;
}

std::optional<double> aiffSeconds(ByteView common, qint64 soundSize) {
    if (common.size() < 18 || soundSize <= 0) {
        return std::nullopt;
    }
    const std::uint32_t sampleFrames = *common.u32BE(2);
    // The sample rate is an 80-bit IEEE 754 extended number: sign and exponent, then a 64-bit mantissa
    // with its integer bit.
    const std::uint16_t signAndExponent = *common.u16BE(8);
    const std::uint64_t mantissa = std::uint64_t{*common.u32BE(10)} << 32 | *common.u32BE(14);
    if (signAndExponent & 0x8000u || (signAndExponent & 0x7FFFu) == 0x7FFFu) {
        return std::nullopt;
    }
    const long double sampleRate =
        std::ldexp(static_cast<long double>(mantissa), int(signAndExponent & 0x7FFFu) - 16383 - 63);
    if (sampleRate < 1.0L || static_cast<int>(sampleRate + 0.5L) <= 0 || sampleFrames == 0) {
        return std::nullopt;
    }
    return fromMilliseconds(static_cast<double>(sampleFrames * 1000.0 / sampleRate));
}

std::optional<double> flacSeconds(ByteView streamInfo) {
    if (streamInfo.size() < 18) {
        return std::nullopt;
    }
    const std::uint32_t flags = *streamInfo.u32BE(10);
    const std::uint32_t sampleRate = flags >> 12;
    const std::uint64_t sampleFrames = std::uint64_t{flags & 0xFu} << 32 | *streamInfo.u32BE(14);
    if (sampleFrames == 0 || sampleRate == 0) {
        return std::nullopt;
    }
    return fromMilliseconds(double(sampleFrames) * 1000.0 / sampleRate);
}

std::optional<double> mp4Seconds(ByteView movie) {
    // The children of `parent` (a payload) named `type`, in order.
    const auto child = [](ByteView parent, const char(&type)[5],
                          std::uint64_t from = 0) -> std::optional<mp4::Box> {
        for (std::uint64_t offset = from; offset < parent.size();) {
            const std::optional<mp4::Box> box = mp4::readBox(parent, offset);
            if (!box || box->size == 0) {
                return std::nullopt;
            }
            if (box->is(type)) {
                return box;
            }
            offset = box->end();
        }
        return std::nullopt;
    };
    const auto payload = [](ByteView parent, const mp4::Box& box) {
        return *parent.slice(box.payloadOffset(), box.size - box.headerSize);
    };
    // The first track whose handler is "soun", as TagLib picks it.
    for (std::optional<mp4::Box> track = child(movie, "trak"); track;
         track = child(movie, "trak", track->end())) {
        const ByteView trak = payload(movie, *track);
        const std::optional<mp4::Box> media = child(trak, "mdia");
        if (!media) {
            continue;
        }
        const ByteView mdia = payload(trak, *media);
        const std::optional<mp4::Box> handler = child(mdia, "hdlr");
        if (!handler || !mdia.slice(handler->offset, handler->size)->matches(16, "soun")) {
            continue;
        }
        const std::optional<mp4::Box> header = child(mdia, "mdhd");
        if (!header) {
            return std::nullopt;
        }
        const ByteView mdhd = *mdia.slice(header->offset, header->size);
        // Version 0 only: TagLib reads the 64-bit fields of version 1 from other places.
        if (mdhd.u8(8) != 0 || !mdhd.has(0, 32)) {
            return std::nullopt;
        }
        const std::uint32_t unit = *mdhd.u32BE(20);
        const std::uint32_t length = *mdhd.u32BE(24);
        return unit > 0 && length > 0 ? fromMilliseconds(double(length) * 1000.0 / unit) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<double> oggSeconds(ByteView head, ByteView tail) {
    // The first page and the first packet on it: Vorbis identification or Opus head.
    const std::optional<std::uint8_t> segments = head.u8(26);
    if (!head.matches(0, "OggS") || !segments) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> start = i64LE(head, 6);
    const ByteView packet = head.from(27u + *segments);
    const std::optional<std::uint64_t> lastPage = findLastText(tail, "OggS");
    if (!start || !lastPage || !tail.has(*lastPage, 27)) {
        return std::nullopt;
    }
    const std::int64_t end = *i64LE(tail, *lastPage + 6);
    if (*start < 0 || end < 0) {
        return std::nullopt;
    }
    if (packet.matches(0, "\x01vorbis") && packet.has(0, 16)) {
        const std::uint32_t sampleRate = *packet.u32LE(12);
        return sampleRate > 0 ? fromMilliseconds(double(end - *start) * 1000.0 / sampleRate) : std::nullopt;
    }
    if (packet.matches(0, "OpusHead") && packet.has(0, 12)) {
        const std::uint16_t preSkip = *u16LE(packet, 10);
        return fromMilliseconds(double(end - *start - preSkip) * 1000.0 / 48000.0);
    }
    return std::nullopt;
}

} // namespace quirella::audiolength
