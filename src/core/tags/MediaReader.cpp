// SPDX-License-Identifier: GPL-3.0-or-later
// Every format is opened through a read-only file stream: TagLib would otherwise try to open the file
// for writing first.
#include "tags/MediaReader.h"

#include "model/Paths.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

std::optional<double> durationOf(const TagLib::File& file) {
    const TagLib::AudioProperties* properties = file.isValid() ? file.audioProperties() : nullptr;
    // A hostile stream makes TagLib compute a negative length (an Opus pre-skip beyond the last granule
    // position, say): such a length is no length at all.
    if (!properties || properties->lengthInMilliseconds() < 0) {
        return std::nullopt;
    }
    return properties->lengthInMilliseconds() / 1000.0;
}

// Ogg by its content, whatever the extension says: Vorbis, Opus, or FLAC in Ogg.
template <typename OggFile>
std::optional<double> oggDuration(TagLib::IOStream* stream) {
    stream->clear();
    stream->seek(0);
    OggFile file(stream);
    return file.isValid() ? durationOf(file) : std::nullopt;
}

} // namespace

std::optional<double> readDuration(const QString& path, const QString& extension) {
    const QByteArray fileName = paths::nativePath(path);
    TagLib::FileStream stream(fileName.constData(), true);
    if (!stream.isOpen()) {
        return std::nullopt;
    }
    if (extension == "mp3"_L1) {
        return durationOf(TagLib::MPEG::File(&stream, TagLib::ID3v2::FrameFactory::instance()));
    }
    if (extension == "wav"_L1) {
        return durationOf(TagLib::RIFF::WAV::File(&stream));
    }
    if (extension == "aiff"_L1 || extension == "aif"_L1) {
        return durationOf(TagLib::RIFF::AIFF::File(&stream));
    }
    if (extension == "m4a"_L1) {
        return durationOf(TagLib::MP4::File(&stream));
    }
    if (extension == "flac"_L1) {
        return durationOf(TagLib::FLAC::File(&stream, TagLib::ID3v2::FrameFactory::instance()));
    }
    if (extension == "ogg"_L1 || extension == "oga"_L1 || extension == "opus"_L1) {
        if (std::optional<double> seconds = oggDuration<TagLib::Ogg::Vorbis::File>(&stream)) {
            return seconds;
        }
        if (std::optional<double> seconds = oggDuration<TagLib::Ogg::Opus::File>(&stream)) {
            return seconds;
        }
        return oggDuration<TagLib::Ogg::FLAC::File>(&stream);
    }
    return std::nullopt;
}

} // namespace quirella
