// SPDX-License-Identifier: GPL-3.0-or-later
// The box walk the M4A writer runs over every file before and after TagLib rewrites it.
#include "tags/Mp4Structure.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const quirella::ByteView file(data, size);
    const quirella::mp4::Structure structure = quirella::mp4::checkStructure(file);
    for (const quirella::ByteView& payload : structure.mediaData) {
        // Every payload must lie inside the input.
        if (payload.data() < data || payload.size() > size ||
            static_cast<std::size_t>(payload.data() - data) > size - payload.size()) {
            std::abort();
        }
    }
    if (!quirella::mp4::sameMediaData(structure, structure)) {
        std::abort();
    }
    return 0;
}
