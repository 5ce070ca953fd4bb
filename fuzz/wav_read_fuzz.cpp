// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV reader over arbitrary bytes: the chunk walk, the INFO list and the ID3 chunk with its frames.
// The picture stays in memory here; only the file-level reader writes cover files.
#include "tags/WAVTagEditor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const quirella::TagResult<quirella::StoredTags> result = quirella::wav::readTags(bytes);
    if (result.ok()) {
        // A picture is a slice of the input, never more; a rating is whole stars.
        if ((result.value->cover && result.value->cover->size() > bytes.size()) || result.value->rating < 0 ||
            result.value->rating > 5) {
            std::abort();
        }
    }
    return 0;
}
