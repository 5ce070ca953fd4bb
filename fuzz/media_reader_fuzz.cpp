// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file of every format we list, our tags, our length and TagLib's: the bytes are written to a file
// and read as each kind of file in turn. Nothing is checked but that the readers survive and that what
// they hand over is consistent.
#include "FuzzSupport.h"
#include "tags/MediaReader.h"
#include "tags/TagReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
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
        const std::optional<double> duration = readDuration(path, QString::fromLatin1(extension));
        check(!duration || *duration >= 0);
        const TagResult<StoredTags> tags = readStoredTags(path, QString::fromLatin1(extension));
        check(!tags.ok() || (tags.value->rating >= 0 && tags.value->rating <= 5));
        // The length loading reads from the audio's own description: none, or a positive finite one.
        const FileReading reading = readTagsAndLength(path, QString::fromLatin1(extension));
        check(!reading.seconds || (*reading.seconds > 0 && std::isfinite(*reading.seconds)));
        check(reading.tags.ok() == tags.ok());
    }
    return 0;
}
