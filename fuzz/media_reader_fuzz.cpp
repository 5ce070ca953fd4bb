// SPDX-License-Identifier: GPL-3.0-or-later
// TagLib's parsing of every format we list, driven through our reader: the bytes are written to a file
// and read as each kind of file in turn. Nothing is checked but that the reader survives and that what it
// hands over is consistent.
#include "FuzzSupport.h"
#include "tags/MediaReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace quirella;
using quirella::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != qint64(size)) {
        return 0;
    }
    file.close();
    for (const char* extension : {"flac", "ogg", "opus", "mp3", "m4a", "wav", "aiff"}) {
        const MediaMetadata media = readMediaMetadata(path, QString::fromLatin1(extension));
        check(!media.duration || *media.duration >= 0);
        if (media.vorbisComments) {
            check(media.common.has_value());
        }
    }
    return 0;
}
