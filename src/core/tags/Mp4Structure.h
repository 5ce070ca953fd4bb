// SPDX-License-Identifier: GPL-3.0-or-later
// A check of the box structure of an MPEG-4 file, made before and after the M4A writer lets TagLib
// rewrite a copy: TagLib accepts files whose last box runs past the end (a download cut short), and
// rewriting those would seal the loss in. The check also finds the audio payload, so the writer can
// prove that the rewritten copy carries the same audio bytes.
#pragma once

#include "tags/ByteView.h"

#include <QString>

#include <vector>

namespace quirella::mp4 {

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
