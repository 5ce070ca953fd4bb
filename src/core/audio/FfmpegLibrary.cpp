// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/FfmpegLibrary.h"

#include <cstddef>
#include <dlfcn.h>

namespace quirella::audio {

namespace {

// The libraries by the names the linker would have recorded: the major versions of the headers we were
// built against, so that a library with another ABI is never picked up.
#define QUIRELLA_FFMPEG_SONAME(name, major) "lib" #name ".so." AV_STRINGIFY(major)
constexpr const char* avutilName = QUIRELLA_FFMPEG_SONAME(avutil, LIBAVUTIL_VERSION_MAJOR);
constexpr const char* swresampleName = QUIRELLA_FFMPEG_SONAME(swresample, LIBSWRESAMPLE_VERSION_MAJOR);
constexpr const char* avcodecName = QUIRELLA_FFMPEG_SONAME(avcodec, LIBAVCODEC_VERSION_MAJOR);
constexpr const char* avformatName = QUIRELLA_FFMPEG_SONAME(avformat, LIBAVFORMAT_VERSION_MAJOR);
#undef QUIRELLA_FFMPEG_SONAME

// The largest single block FFmpeg may allocate.
constexpr std::size_t largestAllocation = std::size_t(64) << 20;

struct Loaded {
    FfmpegFunctions functions;
    bool complete = false;
    QString error;
};

Loaded load() {
    Loaded loaded;
    // Never closed: the functions stay valid for the life of the process.
    struct Library {
        const char* name;
        void* handle;
    };
    Library avutil{avutilName, nullptr};
    Library swresample{swresampleName, nullptr};
    Library avcodec{avcodecName, nullptr};
    Library avformat{avformatName, nullptr};
    for (Library* library : {&avutil, &swresample, &avcodec, &avformat}) {
        library->handle = ::dlopen(library->name, RTLD_NOW | RTLD_LOCAL);
        if (!library->handle) {
            loaded.error = QString::fromLocal8Bit(::dlerror());
            return loaded;
        }
    }
    const auto find = [&loaded](const Library& library, const char* name) -> void* {
        ::dlerror();
        void* symbol = ::dlsym(library.handle, name);
        if (!symbol && loaded.error.isEmpty()) {
            loaded.error = QString::fromLatin1(library.name) + QStringLiteral(": no function ") +
                           QString::fromLatin1(name);
        }
        return symbol;
    };
#define QUIRELLA_FFMPEG_RESOLVE(library, function)                                                           \
    loaded.functions.function = reinterpret_cast<decltype(&::function)>(find(library, #function));
    QUIRELLA_FFMPEG_FUNCTIONS(QUIRELLA_FFMPEG_RESOLVE)
#undef QUIRELLA_FFMPEG_RESOLVE
    loaded.complete = loaded.error.isEmpty();
    if (loaded.complete) {
        // FFmpeg would write its own notes about damaged or unusual files to standard error; every
        // outcome that matters reaches the caller as a result instead.
        loaded.functions.av_log_set_level(AV_LOG_QUIET);
        // A header may claim gigabytes (a WAV list chunk of 3 GB, say), which FFmpeg would allocate and
        // clear in one piece before finding the file short. Nothing in a song's audio or its tags needs a
        // single block anywhere near this size.
        loaded.functions.av_max_alloc(largestAllocation);
    }
    return loaded;
}

} // namespace

const FfmpegFunctions* ffmpeg(QString* error) {
    static const Loaded loaded = load();
    if (!loaded.complete && error) {
        *error = loaded.error;
    }
    return loaded.complete ? &loaded.functions : nullptr;
}

} // namespace quirella::audio
