// SPDX-License-Identifier: GPL-3.0-or-later
// The MP3 rewrite over arbitrary bytes, in memory: locating the old tag, carrying its unmanaged frames
// and building the new tag. A rebuilt file must keep every byte behind the old tag, start with a tag
// that ends where that audio begins, and come out the same when rebuilt a second time.
#include "FuzzSupport.h"
#include "tags/MP3TagEditor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace quirella;
using quirella::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TagValues values = fuzz::sampleValues();
    values.coverImage = QByteArray("\x89PNG\r\n\x1a\nfake", 12);
    TagValues ratingOnly;
    ratingOnly.rating = 3;

    for (const TagValues& given : {values, ratingOnly}) {
        const TagResult<QByteArray> result = MP3TagEditor::rebuild(bytes, given, given.coverImage);
        const id3::TagLocation old = id3::locateTag(bytes);
        if (!result.ok()) {
            check(!result.status.message.isEmpty());
            continue;
        }
        const QByteArray& rebuilt = *result.value;
        const QByteArrayView audio = bytes.sliced(static_cast<qsizetype>(old.end));
        check(rebuilt.startsWith(QByteArrayView("ID3\x03\x00\x00", 6)));
        check(rebuilt.endsWith(audio));
        check(id3::locateTag(rebuilt).end == static_cast<std::uint64_t>(rebuilt.size() - audio.size()));
        // Our rating comes first; every popularimeter that survives says the same.
        check(id3::readRating(rebuilt) == std::optional<int>(3));

        const TagResult<QByteArray> again = MP3TagEditor::rebuild(rebuilt, given, given.coverImage);
        check(again.ok() && *again.value == rebuilt);
    }
    return 0;
}
