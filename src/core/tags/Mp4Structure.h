// SPDX-License-Identifier: GPL-3.0-or-later
// A check of the box structure of an MPEG-4 file, made before and after the M4A writer lets TagLib
// rewrite a copy: TagLib accepts files whose last box runs past the end (a download cut short), and
// rewriting those would seal the loss in. The check also finds the audio payload, so the writer can
// prove that the rewritten copy carries the same audio bytes.
#pragma once

#include "tags/ByteView.h"

#include <QString>

#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace quirella::mp4 {

// One box: its type, where its header starts in the bytes it was read from, and its sizes.
struct Box {
    std::array<char, 4> type{};
    std::uint64_t offset = 0;
    std::uint64_t headerSize = 8; // 16 with a 64-bit size
    std::uint64_t size = 0;       // header included
    bool toEnd = false;           // its size field is 0: it runs to the end of its parent

    bool is(const char (&name)[5]) const { return std::memcmp(type.data(), name, 4) == 0; }
    std::uint64_t end() const { return offset + size; }
    std::uint64_t payloadOffset() const { return offset + headerSize; }
};

// The box starting at `offset` of `level`, or nothing when its header or its declared size does not fit.
std::optional<Box> readBox(ByteView level, std::uint64_t offset);

struct Structure {
    // Empty when the file is whole; otherwise what is wrong, in words for a person.
    QString problem;
    // Payloads of the top-level "mdat" boxes, in file order (views into the checked bytes).
    std::vector<ByteView> mediaData;

    bool ok() const { return problem.isEmpty(); }
};

// Walks the top-level boxes (each must lie inside the file, at most one "moov" and at least one "mdat")
// and the container boxes below "moov" (each child inside its parent). Box counts and nesting depth
// are capped, so hostile input costs little.
Structure checkStructure(ByteView file);

// Whether two files carry the same audio payload bytes, wherever their "mdat" boxes sit.
bool sameMediaData(const Structure& a, const Structure& b);

} // namespace quirella::mp4
