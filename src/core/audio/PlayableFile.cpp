#include "audio/PlayableFile.h"

#include "model/Bookmark.h"
#include "model/Paths.h"

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace quirella {

bool isDecodableAudio(const QString& path) {
    const QByteArray name = paths::nativePath(path);
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, name.constData(), nullptr, nullptr) < 0) {
        return false;
    }
    bool decodable = false;
    if (avformat_find_stream_info(context, nullptr) >= 0) {
        const int stream = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        decodable =
            stream >= 0 && avcodec_find_decoder(context->streams[stream]->codecpar->codec_id) != nullptr;
    }
    avformat_close_input(&context);
    return decodable;
}

std::optional<PlayableFile> preparePlayback(const QByteArray& bookmarkData) {
    const bookmark::Resolution resolved = bookmark::resolve(bookmarkData);
    if (!resolved.path || !QFileInfo::exists(*resolved.path)) {
        return std::nullopt;
    }
    const QString path = *resolved.path;
    // A name that does not survive the trip through a URL would make the player open another file.
    const QUrl location = QUrl::fromLocalFile(path);
    if (!location.isValid() || location.toLocalFile() != path) {
        return std::nullopt;
    }
    if (!bookmark::beginAccess(path)) {
        return std::nullopt;
    }
    PlayableFile file{location, path};
    if (!isDecodableAudio(path)) {
        endPlayback(file);
        return std::nullopt;
    }
    return file;
}

void endPlayback(const PlayableFile& file) {
    bookmark::endAccess(file.accessPath);
}

} // namespace quirella
