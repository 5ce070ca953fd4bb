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

    // Every frame the walk hands out lies inside the input, and the genre read never fails on it.
    id3::forEachFrame(bytes, [&](QByteArrayView id, ByteView content) {
        check(isFrameId(id.toByteArray()) && content.size() <= static_cast<std::uint64_t>(bytes.size()));
        return true;
    });
    (void)id3::genreOfTag(bytes);

    const QByteArray body = bytes.toByteArray();
    check(id3::isRatingFrame(id3::ID3Frame{"POPM", body.size(), 0, body}));
    const bool rating = id3::isRatingFrame(id3::ID3Frame{"TXXX", body.size(), 0, body});
    check(!rating || body.toUpper().contains("RATING"));
    check(!id3::isRatingFrame(id3::ID3Frame{"TIT2", body.size(), 0, body}));

    qint64 carried = 0;
    const id3::FrameList kept = id3::keptFrames(bytes, false);
    for (const id3::ID3Frame& frame : kept) {
        check(isFrameId(frame.id));
        check(frame.size == frame.data.size() && frame.size > 0);
        check(frame.id != "TIT2" && frame.id != "POPM" && frame.id != "TDRC" && !id3::isRatingFrame(frame));
        carried += 10 + frame.size;
    }
    check(carried <= static_cast<qint64>(size));
    // With an album given the old one goes, and nothing else changes.
    const id3::FrameList withAlbum = id3::keptFrames(bytes, true);
    qsizetype albums = 0;
    for (const id3::ID3Frame& frame : kept) {
        albums += frame.id == "TALB";
    }
    check(withAlbum.size() == kept.size() - albums);
    return 0;
}
