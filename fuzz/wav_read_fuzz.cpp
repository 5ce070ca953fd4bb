// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV reader over arbitrary bytes: the chunk walk, the INFO list and the ID3 chunk with its frames.
// The picture stays in memory here; only the file-level reader writes cover files.
#include "tags/WAVTagEditor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const quirella::TagResult<quirella::wav::WavTags> result = quirella::wav::readTags(bytes);
    if (result.ok()) {
        // A picture is a slice of the input, never more.
        if (result.value->picture && result.value->picture->size() > bytes.size()) {
            std::abort();
        }
        const QString rating = result.value->fields.value(QStringLiteral("rating"));
        if (!rating.isEmpty() &&
            (rating.size() != 1 || rating.at(0) < QLatin1Char('0') || rating.at(0) > QLatin1Char('5'))) {
            std::abort();
        }
    }
    return 0;
}
