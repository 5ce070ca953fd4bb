// SPDX-License-Identifier: GPL-3.0-or-later
// FFmpeg, loaded when a file is first decoded rather than linked into the programs. FFmpeg pulls in over
// a hundred shared libraries, and loading them is most of the start-up time of a run that never decodes
// a sample (a scan, a rename, writing tags). Everything here goes through the table of functions below;
// nothing in the core calls FFmpeg by its linked name, so the link would fail if something did.
#pragma once

#include <QString>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace quirella::audio {

// X(library, function) for every FFmpeg function the application calls.
#define QUIRELLA_FFMPEG_FUNCTIONS(X)                                                                         \
    X(avutil, av_channel_layout_copy)                                                                        \
    X(avutil, av_channel_layout_uninit)                                                                      \
    X(avutil, av_dict_free)                                                                                  \
    X(avutil, av_dict_set)                                                                                   \
    X(avutil, av_frame_alloc)                                                                                \
    X(avutil, av_frame_free)                                                                                 \
    X(avutil, av_frame_unref)                                                                                \
    X(avutil, av_free)                                                                                       \
    X(avutil, av_freep)                                                                                      \
    X(avutil, av_get_bytes_per_sample)                                                                       \
    X(avutil, av_log_set_level)                                                                              \
    X(avutil, av_malloc)                                                                                     \
    X(avutil, av_max_alloc)                                                                                  \
    X(avutil, av_sample_fmt_is_planar)                                                                       \
    X(avutil, av_strerror)                                                                                   \
    X(swresample, swr_alloc_set_opts2)                                                                       \
    X(swresample, swr_convert)                                                                               \
    X(swresample, swr_free)                                                                                  \
    X(swresample, swr_init)                                                                                  \
    X(avcodec, av_packet_alloc)                                                                              \
    X(avcodec, av_packet_free)                                                                               \
    X(avcodec, av_packet_unref)                                                                              \
    X(avcodec, avcodec_alloc_context3)                                                                       \
    X(avcodec, avcodec_find_decoder)                                                                         \
    X(avcodec, avcodec_free_context)                                                                         \
    X(avcodec, avcodec_open2)                                                                                \
    X(avcodec, avcodec_parameters_to_context)                                                                \
    X(avcodec, avcodec_receive_frame)                                                                        \
    X(avcodec, avcodec_send_packet)                                                                          \
    X(avformat, avformat_alloc_context)                                                                      \
    X(avformat, avformat_close_input)                                                                        \
    X(avformat, avformat_open_input)                                                                         \
    X(avformat, avio_alloc_context)                                                                          \
    X(avformat, avio_context_free)                                                                           \
    X(avformat, av_read_frame)

struct FfmpegFunctions {
#define QUIRELLA_FFMPEG_POINTER(library, function) decltype(&::function) function = nullptr;
    QUIRELLA_FFMPEG_FUNCTIONS(QUIRELLA_FFMPEG_POINTER)
#undef QUIRELLA_FFMPEG_POINTER
};

// The functions, loaded on the first call (from any thread; later calls return the same table at once),
// with FFmpeg's own logging turned off.
// Null when a library or a function could not be found; `error` then says which, in the loader's words.
const FfmpegFunctions* ffmpeg(QString* error = nullptr);

} // namespace quirella::audio
