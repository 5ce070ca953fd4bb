// SPDX-License-Identifier: GPL-3.0-or-later
// Vorbis comment lists and picture records over arbitrary bytes. A parsed list serialises back to the
// bytes it was read from; a change reads back as written and is made once (a second pass changes
// nothing); a picture record survives its round trip.
#include "FuzzSupport.h"
#include "tags/VorbisComment.h"

#include <cstddef>
#include <cstdint>

using namespace quirella;
using quirella::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<vorbis::Picture> picture = vorbis::parsePicture(ByteView(bytes))) {
        const std::optional<vorbis::Picture> again =
            vorbis::parsePicture(ByteView(vorbis::serialise(*picture)));
        check(again && again->data == picture->data && again->type == picture->type);
    }
    std::uint64_t consumed = 0;
    const std::optional<vorbis::CommentList> list = vorbis::parseComments(ByteView(bytes), &consumed);
    if (!list) {
        return 0;
    }
    check(vorbis::serialise(*list) == bytes.left(static_cast<qsizetype>(consumed)));
    TagValues values = fuzz::sampleValues();
    const QList<QByteArray> written = vorbis::withValues(list->comments, values);
    const vorbis::Shown shown = vorbis::shownValues(written);
    check(shown.title == *values.title && shown.artist == *values.artist && shown.genre == *values.genre);
    check(shown.year == *values.year && shown.rating == *values.rating);
    check(vorbis::withValues(written, values) == written);
    vorbis::shownPicture({});
    for (const QByteArray& comment : list->comments) {
        vorbis::pictureOfComment(comment, list->comments);
    }
    return 0;
}
