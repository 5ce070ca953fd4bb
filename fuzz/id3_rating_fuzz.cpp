// SPDX-License-Identifier: GPL-3.0-or-later
// The direct rating read of MP3 files, the genre read and the frame checks of the ID3 toolkit over
// arbitrary bytes: the input is read as a file head, as a TXXX/POPM body, as a tag whose genre is read,
// and as an old tag whose frames are carried.
#include "FuzzSupport.h"
#include "tags/Id3.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace quirella;
using quirella::fuzz::check;

namespace {

bool isFrameId(const QByteArray& id) {
    if (id.size() != 4) {
        return false;
    }
    for (char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    if (const std::optional<int> rating = id3::readRating(bytes)) {
        check(*rating >= 0 && *rating <= 5);
    }

    // Every frame the parse hands out is a frame of a version 2.3 tag, none larger than the input.
    const std::optional<id3::Tag> tag = id3::parseTag(bytes);
    (void)id3::genreOfTag(bytes);
    const QByteArray body = bytes.toByteArray();
    check(id3::isRatingFrame(id3::ID3Frame{"POPM", body.size(), 0, body}));
    const bool rating = id3::isRatingFrame(id3::ID3Frame{"TXXX", body.size(), 0, body});
    check(!rating || body.toUpper().contains("RATING") || body.startsWith('\1') || body.startsWith('\2'));
    check(!id3::isRatingFrame(id3::ID3Frame{"TIT2", body.size(), 0, body}));
    if (!tag) {
        return 0;
    }
    for (const id3::Frame& frame : tag->frames) {
        check(isFrameId(frame.stored.id));
        check(frame.stored.size == frame.stored.data.size() && frame.stored.size > 0);
    }
    const id3::Shown shown = id3::shownValues(*tag);
    check(shown.values.rating >= 0 && shown.values.rating <= 5);
    check(shown.picture < tag->frames.size());
    // A rating write keeps every frame but the rating frames, and a write of nothing keeps them all.
    const TagResult<id3::FrameList> none = id3::rewrittenFrames(tag, {}, std::nullopt);
    check(none.ok() == tag->problem.isEmpty());
    if (!none.ok()) {
        return 0;
    }
    check(none.value->size() == tag->frames.size());
    TagValues rated;
    rated.rating = 2;
    const TagResult<id3::FrameList> frames = id3::rewrittenFrames(tag, rated, std::nullopt);
    check(frames.ok());
    const std::optional<id3::Tag> again = id3::parseTag(id3::buildTag(*frames.value, 0));
    check(again && again->problem.isEmpty());
    id3::Shown after = id3::shownValues(*again);
    check(after.values.rating == 2);
    after.values.rating = shown.values.rating;
    check(after.values == shown.values);
    return 0;
}
