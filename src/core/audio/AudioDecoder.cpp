// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioDecoder.h"

#include "audio/FfmpegLibrary.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quirella::audio {

namespace {

// The containers the application lists. Others are refused before their demuxer sees a byte: each
// demuxer is more code reading untrusted input.
constexpr const char* acceptedContainers = "mp3,wav,aiff,mov,flac,ogg";
constexpr int ioBufferSize = 64 * 1024;
// A stream that keeps yielding packets without audio ends here rather than at the end of a huge file.
constexpr int maximumPackets = 1 << 21;

// FFmpeg's functions; only called once `unavailable()` has said they are there.
const FfmpegFunctions& av() {
    return *ffmpeg();
}

QString describeError(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av().av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

// ---- Where the bytes come from ----

class Source {
public:
    virtual ~Source() = default;
    virtual int read(std::uint8_t* buffer, int size) = 0;
    // `whence` as for AVIOContext: SEEK_SET, SEEK_CUR, SEEK_END or AVSEEK_SIZE.
    virtual std::int64_t seek(std::int64_t offset, int whence) = 0;

    static int readPacket(void* opaque, std::uint8_t* buffer, int size) {
        return static_cast<Source*>(opaque)->read(buffer, size);
    }
    static std::int64_t seekTo(void* opaque, std::int64_t offset, int whence) {
        return static_cast<Source*>(opaque)->seek(offset, whence & ~AVSEEK_FORCE);
    }
};

class FileSource final : public Source {
public:
    // Only a regular file is read, checked on the descriptor, which is opened without blocking: an
    // ordinary open of a pipe waits for a writer, and a device (/dev/zero under a song's name) never ends.
    explicit FileSource(const QByteArray& nativePath)
        : m_fd(::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
        struct stat info {};
        m_openError = m_fd < 0 || ::fstat(m_fd, &info) != 0 ? errno : 0;
        m_regular = m_openError == 0 && S_ISREG(info.st_mode);
        if (m_regular) {
            ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        }
    }
    ~FileSource() override {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int openError() const { return m_openError; }
    bool isRegular() const { return m_regular; }

    int read(std::uint8_t* buffer, int size) override {
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, static_cast<size_t>(size));
            if (got > 0) {
                return static_cast<int>(got);
            }
            if (got == 0) {
                return AVERROR_EOF;
            }
            if (errno != EINTR) {
                return AVERROR(errno);
            }
        }
    }
    std::int64_t seek(std::int64_t offset, int whence) override {
        if (whence == AVSEEK_SIZE) {
            struct stat info {};
            return ::fstat(m_fd, &info) == 0 ? std::int64_t(info.st_size) : AVERROR(errno);
        }
        const off_t position = ::lseek(m_fd, static_cast<off_t>(offset), whence);
        return position < 0 ? AVERROR(errno) : std::int64_t(position);
    }

private:
    int m_fd;
    int m_openError = 0;
    bool m_regular = false;
};

class MemorySource final : public Source {
public:
    explicit MemorySource(QByteArrayView bytes)
        : m_bytes(bytes) {}

    int read(std::uint8_t* buffer, int size) override {
        const qint64 left = m_bytes.size() - m_position;
        if (left <= 0) {
            return AVERROR_EOF;
        }
        const auto count = static_cast<int>(std::min<qint64>(left, size));
        std::copy_n(m_bytes.data() + m_position, count, reinterpret_cast<char*>(buffer));
        m_position += count;
        return count;
    }
    std::int64_t seek(std::int64_t offset, int whence) override {
        const qint64 size = m_bytes.size();
        qint64 base = 0;
        switch (whence) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = m_position;
            break;
        case SEEK_END:
            base = size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        // By subtraction, so that a hostile offset cannot overflow the sum.
        if (offset < -base || offset > size - base) {
            return AVERROR(EINVAL);
        }
        m_position = base + offset;
        return m_position;
    }

private:
    QByteArrayView m_bytes;
    qint64 m_position = 0;
};

// ---- FFmpeg objects with their owners ----

struct IoDeleter {
    void operator()(AVIOContext* io) const {
        av().av_freep(&io->buffer);
        av().avio_context_free(&io);
    }
};
struct FormatDeleter {
    void operator()(AVFormatContext* format) const { av().avformat_close_input(&format); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* codec) const { av().avcodec_free_context(&codec); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av().av_packet_free(&packet); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av().av_frame_free(&frame); }
};
struct ResamplerDeleter {
    void operator()(SwrContext* resampler) const { av().swr_free(&resampler); }
};

// Demuxers that would open further files or addresses named inside the file (playlists, references)
// are refused that: only the one file given is ever read.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

bool acceptable(int sampleRate, int channels) {
    return sampleRate >= 1 && sampleRate <= maximumSampleRate && channels >= 1 && channels <= maximumChannels;
}

// Turns decoded frames into float slices and hands them on, up to the frame limit.
class SliceWriter {
public:
    SliceWriter(int seconds, const PcmConsumer& consume)
        : m_seconds(seconds)
        , m_consume(consume) {}

    enum class Outcome { more, done, badFormat };

    Outcome take(const AVFrame* frame) {
        const int sampleRate = frame->sample_rate;
        const int channels = frame->ch_layout.nb_channels;
        if (!m_format) {
            if (!acceptable(sampleRate, channels)) {
                return Outcome::badFormat;
            }
            m_format = PcmFormat{sampleRate, channels};
            m_limit = qint64(sampleRate) * m_seconds;
        } else if (sampleRate != m_format->sampleRate || channels != m_format->channels) {
            // The rest of the stream is in another shape; what came before is the audio.
            return Outcome::done;
        }
        const qint64 wanted = std::min<qint64>(frame->nb_samples, m_limit - m_frames);
        const auto format = static_cast<AVSampleFormat>(frame->format);
        const bool directlyUsable =
            format == AV_SAMPLE_FMT_FLTP || (format == AV_SAMPLE_FMT_FLT && channels == 1);
        if (!directlyUsable && !prepareConversion(frame)) {
            return m_frames > 0 ? Outcome::done : Outcome::badFormat;
        }
        const int bytesPerSample = av().av_get_bytes_per_sample(format);
        const bool planar = av().av_sample_fmt_is_planar(format) != 0;
        for (qint64 start = 0; start < wanted; start += sliceFrames) {
            const int count = static_cast<int>(std::min<qint64>(sliceFrames, wanted - start));
            std::array<const float*, maximumChannels> planes{};
            int delivered = count;
            if (directlyUsable) {
                for (int c = 0; c < channels; ++c) {
                    planes[c] = reinterpret_cast<const float*>(frame->extended_data[c]) + start;
                }
            } else {
                std::array<const std::uint8_t*, maximumChannels> input{};
                std::array<std::uint8_t*, maximumChannels> output{};
                const int inputPlanes = planar ? channels : 1;
                const qint64 offset = start * bytesPerSample * (planar ? 1 : channels);
                for (int c = 0; c < inputPlanes; ++c) {
                    input[c] = frame->extended_data[c] + offset;
                }
                for (int c = 0; c < channels; ++c) {
                    output[c] = reinterpret_cast<std::uint8_t*>(m_converted.data() + c * sliceFrames);
                    planes[c] = m_converted.data() + c * sliceFrames;
                }
                delivered =
                    av().swr_convert(m_resampler.get(), output.data(), sliceFrames, input.data(), count);
                if (delivered < 0) {
                    return Outcome::done;
                }
            }
            if (delivered > 0) {
                m_consume(planes.data(), channels, static_cast<std::size_t>(delivered));
                m_frames += delivered;
            }
        }
        return m_frames >= m_limit ? Outcome::done : Outcome::more;
    }

    const std::optional<PcmFormat>& format() const { return m_format; }
    qint64 frames() const { return m_frames; }

private:
    // A sample-format conversion only (same rate, same channels), so it keeps no samples back.
    bool prepareConversion(const AVFrame* frame) {
        if (m_resampler && frame->format == m_resamplerInput) {
            return true;
        }
        SwrContext* resampler = nullptr;
        // This FFmpeg takes the layouts by non-const pointer; it reads them only.
        AVChannelLayout layout{};
        if (av().av_channel_layout_copy(&layout, &frame->ch_layout) < 0) {
            return false;
        }
        const int allocated = av().swr_alloc_set_opts2(
            &resampler, &layout, AV_SAMPLE_FMT_FLTP, frame->sample_rate, &layout,
            static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        av().av_channel_layout_uninit(&layout);
        if (allocated < 0) {
            av().swr_free(&resampler);
            return false;
        }
        m_resampler.reset(resampler);
        if (av().swr_init(resampler) < 0) {
            m_resampler.reset();
            return false;
        }
        m_resamplerInput = frame->format;
        m_converted.assign(std::size_t(frame->ch_layout.nb_channels) * sliceFrames, 0.0f);
        return true;
    }

    int m_seconds;
    const PcmConsumer& m_consume;
    std::optional<PcmFormat> m_format;
    qint64 m_limit = 0;
    qint64 m_frames = 0;
    std::unique_ptr<SwrContext, ResamplerDeleter> m_resampler;
    int m_resamplerInput = -1;
    std::vector<float> m_converted;
};

DecodeResult failure(int error) {
    DecodeResult result;
    result.status = DecodeResult::Status::failed;
    result.ffmpegError = error;
    result.message = describeError(error);
    return result;
}

// Null when FFmpeg is there; otherwise the failure to report.
std::optional<DecodeResult> unavailable() {
    QString why;
    if (ffmpeg(&why)) {
        return std::nullopt;
    }
    DecodeResult result;
    result.status = DecodeResult::Status::failed;
    result.ffmpegError = AVERROR(ENOSYS);
    result.message = QCoreApplication::translate("AudioDecoder", "FFmpeg could not be loaded: %1").arg(why);
    return result;
}

// A container opened from a source, with its first audio stream that has a decoder. The I/O context is
// declared first so that it outlives the format context reading through it.
struct OpenedAudio {
    std::unique_ptr<AVIOContext, IoDeleter> io;
    std::unique_ptr<AVFormatContext, FormatDeleter> format;
    const AVCodec* codec = nullptr;
    int streamIndex = -1;
};

// Opens `source` as one of the accepted containers; the failure to report when it cannot.
std::optional<DecodeResult> openAudio(Source& source, OpenedAudio& opened) {
    auto* buffer = static_cast<std::uint8_t*>(av().av_malloc(ioBufferSize));
    if (!buffer) {
        return failure(AVERROR(ENOMEM));
    }
    opened.io.reset(av().avio_alloc_context(buffer, ioBufferSize, 0, &source, &Source::readPacket, nullptr,
                                            &Source::seekTo));
    if (!opened.io) {
        av().av_free(buffer);
        return failure(AVERROR(ENOMEM));
    }
    AVFormatContext* opening = av().avformat_alloc_context();
    if (!opening) {
        return failure(AVERROR(ENOMEM));
    }
    opening->pb = opened.io.get();
    opening->flags |= AVFMT_FLAG_CUSTOM_IO;
    opening->io_open = refuseNestedOpen;
    AVDictionary* options = nullptr;
    av().av_dict_set(&options, "format_whitelist", acceptedContainers, 0);
    const int result = av().avformat_open_input(&opening, nullptr, nullptr, &options);
    av().av_dict_free(&options);
    if (result < 0) {
        return failure(result); // the context has been freed by FFmpeg
    }
    opened.format.reset(opening);
    AVFormatContext& format = *opened.format;

    // The first audio stream with a decoder. Its rate and channels may still be unknown (an MP3 tells
    // them in its first frame); the frames are checked as they come.
    int missing = AVERROR_STREAM_NOT_FOUND;
    for (unsigned i = 0; i < format.nb_streams && opened.streamIndex < 0; ++i) {
        const AVCodecParameters* candidate = format.streams[i]->codecpar;
        if (candidate->codec_type != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        opened.codec = av().avcodec_find_decoder(candidate->codec_id);
        if (opened.codec) {
            opened.streamIndex = int(i);
        } else {
            missing = AVERROR_DECODER_NOT_FOUND;
        }
    }
    if (opened.streamIndex < 0) {
        return failure(missing);
    }
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (int(i) != opened.streamIndex) {
            format.streams[i]->discard = AVDISCARD_ALL;
        }
    }
    return std::nullopt;
}

DecodeResult decode(Source& source, int seconds, const PcmConsumer& consume) {
    if (std::optional<DecodeResult> failed = unavailable()) {
        return *failed;
    }
    OpenedAudio opened;
    if (std::optional<DecodeResult> failed = openAudio(source, opened)) {
        return *failed;
    }
    AVFormatContext* const format = opened.format.get();
    const AVCodec* const codec = opened.codec;
    const int streamIndex = opened.streamIndex;
    const AVCodecParameters* parameters = format->streams[streamIndex]->codecpar;
    // Zero means "not known yet" for some containers; the decoded frames are checked again.
    if (parameters->ch_layout.nb_channels < 0 || parameters->ch_layout.nb_channels > maximumChannels ||
        parameters->sample_rate < 0 || parameters->sample_rate > maximumSampleRate) {
        DecodeResult result;
        result.status = DecodeResult::Status::badFormat;
        return result;
    }
    const std::unique_ptr<AVCodecContext, CodecDeleter> decoder(av().avcodec_alloc_context3(codec));
    if (!decoder) {
        return failure(AVERROR(ENOMEM));
    }
    if (const int copied = av().avcodec_parameters_to_context(decoder.get(), parameters); copied < 0) {
        return failure(copied);
    }
    // Files are analysed side by side already; one thread per decoder.
    decoder->thread_count = 1;
    decoder->request_sample_fmt = AV_SAMPLE_FMT_FLTP;
    if (const int ready = av().avcodec_open2(decoder.get(), codec, nullptr); ready < 0) {
        return failure(ready);
    }

    const std::unique_ptr<AVPacket, PacketDeleter> packet(av().av_packet_alloc());
    const std::unique_ptr<AVFrame, FrameDeleter> frame(av().av_frame_alloc());
    if (!packet || !frame) {
        return failure(AVERROR(ENOMEM));
    }
    SliceWriter writer(seconds, consume);
    SliceWriter::Outcome outcome = SliceWriter::Outcome::more;
    int readError = 0;

    const auto drain = [&] {
        while (outcome == SliceWriter::Outcome::more) {
            if (av().avcodec_receive_frame(decoder.get(), frame.get()) < 0) {
                return; // wants more input, is drained, or met damaged data: all end this round
            }
            outcome = writer.take(frame.get());
            av().av_frame_unref(frame.get());
        }
    };

    for (int packets = 0; outcome == SliceWriter::Outcome::more && packets < maximumPackets; ++packets) {
        const int read = av().av_read_frame(format, packet.get());
        if (read < 0) {
            if (read != AVERROR_EOF) {
                readError = read;
            }
            break;
        }
        if (packet->stream_index == streamIndex) {
            // A damaged packet is skipped; the decoder resynchronises on the next one.
            (void)av().avcodec_send_packet(decoder.get(), packet.get());
        }
        av().av_packet_unref(packet.get());
        drain();
    }
    if (outcome == SliceWriter::Outcome::more && av().avcodec_send_packet(decoder.get(), nullptr) >= 0) {
        drain();
    }

    DecodeResult result;
    if (outcome == SliceWriter::Outcome::badFormat) {
        result.status = DecodeResult::Status::badFormat;
        return result;
    }
    if (writer.frames() == 0 && readError != 0) {
        return failure(readError);
    }
    if (writer.format()) {
        result.format = *writer.format();
    } else if (acceptable(decoder->sample_rate, decoder->ch_layout.nb_channels)) {
        // A valid stream without a single sample: no audio to analyse, which is not an error.
        result.format = PcmFormat{decoder->sample_rate, decoder->ch_layout.nb_channels};
    } else {
        result.status = DecodeResult::Status::noChannelData;
        return result;
    }
    result.frames = writer.frames();
    return result;
}

} // namespace

DecodeResult decodeLeadingAudio(const QByteArray& nativePath, int seconds, const PcmConsumer& consume) {
    FileSource source(nativePath);
    if (source.openError() != 0) {
        return failure(AVERROR(source.openError()));
    }
    if (!source.isRegular()) {
        DecodeResult result = failure(AVERROR(EINVAL));
        result.message = QCoreApplication::translate(
            "AudioDecoder",
            "This is not a regular file (but a folder, a pipe or a device), so it is not read.");
        return result;
    }
    return decode(source, seconds, consume);
}

bool hasDecodableAudio(const QByteArray& nativePath) {
    FileSource source(nativePath);
    OpenedAudio opened;
    return source.isRegular() && !unavailable() && !openAudio(source, opened);
}

DecodeResult decodeLeadingAudio(QByteArrayView bytes, int seconds, const PcmConsumer& consume) {
    MemorySource source(bytes);
    return decode(source, seconds, consume);
}

} // namespace quirella::audio
