// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Mp4Structure.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace quirella::mp4 {

namespace {

constexpr int kMaxDepth = 16;
// Far more boxes than a real file has (a long recording has a few hundred below "moov").
constexpr int kMaxBoxes = 100000;

bool isContainer(const Box& box) {
    for (const char* name :
         {"moov", "trak", "mdia", "minf", "stbl", "udta", "edts", "dinf", "mvex", "meta"}) {
        if (std::memcmp(box.type.data(), name, 4) == 0) {
            return true;
        }
    }
    return false;
}

// Trailing bytes too short for a box header; QuickTime ends some "udta" boxes with a 32-bit zero.
bool isHarmlessTail(ByteView tail) {
    return tail.size() < 8 &&
           std::all_of(tail.data(), tail.data() + tail.size(), [](std::uint8_t b) { return b == 0; });
}

QString damaged() {
    return QCoreApplication::translate("Mp4Structure",
                                       "The file is cut short or damaged: a part of it runs past its end.");
}

QString checkChildren(ByteView content, int depth, int& budget) {
    if (depth > kMaxDepth) {
        return QCoreApplication::translate("Mp4Structure", "The file's boxes are nested too deeply.");
    }
    std::uint64_t offset = 0;
    while (offset < content.size()) {
        if (isHarmlessTail(content.from(offset))) {
            break;
        }
        if (--budget < 0) {
            return QCoreApplication::translate("Mp4Structure", "The file has too many boxes.");
        }
        const std::optional<Box> box = readBox(content, offset);
        if (!box) {
            return damaged();
        }
        if (isContainer(*box)) {
            ByteView payload = *content.slice(offset + box->headerSize, box->size - box->headerSize);
            // The ISO "meta" box starts with four bytes of version and flags; the QuickTime one does not.
            if (box->is("meta") && payload.u32BE(0) == 0u) {
                payload = payload.from(4);
            }
            if (QString problem = checkChildren(payload, depth + 1, budget); !problem.isEmpty()) {
                return problem;
            }
        }
        offset += box->size;
    }
    return {};
}

} // namespace

std::optional<Box> readBox(ByteView level, std::uint64_t offset) {
    const std::optional<std::uint32_t> size32 = level.u32BE(offset);
    if (!size32 || !level.has(offset, 8)) {
        return std::nullopt;
    }
    Box box;
    box.offset = offset;
    std::memcpy(box.type.data(), level.data() + offset + 4, 4);
    const std::uint64_t remaining = level.size() - offset;
    box.size = *size32;
    if (box.size == 1) {
        // A 64-bit size follows the type.
        const std::optional<std::uint32_t> high = level.u32BE(offset + 8);
        const std::optional<std::uint32_t> low = level.u32BE(offset + 12);
        if (!high || !low) {
            return std::nullopt;
        }
        box.size = std::uint64_t{*high} << 32 | *low;
        box.headerSize = 16;
    } else if (box.size == 0) {
        box.size = remaining; // the box runs to the end of its parent
        box.toEnd = true;
    }
    if (box.size < box.headerSize || box.size > remaining) {
        return std::nullopt;
    }
    return box;
}

Structure checkStructure(ByteView file) {
    Structure result;
    int budget = kMaxBoxes;
    int movies = 0;
    std::uint64_t offset = 0;
    while (offset < file.size()) {
        if (isHarmlessTail(file.from(offset))) {
            break;
        }
        if (--budget < 0) {
            result.problem = QCoreApplication::translate("Mp4Structure", "The file has too many boxes.");
            return result;
        }
        const std::optional<Box> box = readBox(file, offset);
        if (!box) {
            result.problem = damaged();
            return result;
        }
        const ByteView payload = *file.slice(offset + box->headerSize, box->size - box->headerSize);
        if (box->is("moov")) {
            ++movies;
            if (QString problem = checkChildren(payload, 1, budget); !problem.isEmpty()) {
                result.problem = problem;
                return result;
            }
        } else if (box->is("mdat")) {
            result.mediaData.push_back(payload);
        }
        offset += box->size;
    }
    if (movies != 1 || result.mediaData.empty()) {
        result.problem = QCoreApplication::translate("Mp4Structure", "The file is not an MPEG-4 audio file.");
    }
    return result;
}

bool sameMediaData(const Structure& a, const Structure& b) {
    // Compares the two payload sequences as one stream each, wherever the box boundaries fall.
    std::size_t ia = 0;
    std::size_t ib = 0;
    std::uint64_t oa = 0;
    std::uint64_t ob = 0;
    while (true) {
        while (ia < a.mediaData.size() && oa == a.mediaData[ia].size()) {
            ++ia;
            oa = 0;
        }
        while (ib < b.mediaData.size() && ob == b.mediaData[ib].size()) {
            ++ib;
            ob = 0;
        }
        const bool endA = ia == a.mediaData.size();
        const bool endB = ib == b.mediaData.size();
        if (endA || endB) {
            return endA && endB;
        }
        const std::uint64_t count = std::min(a.mediaData[ia].size() - oa, b.mediaData[ib].size() - ob);
        if (std::memcmp(a.mediaData[ia].data() + oa, b.mediaData[ib].data() + ob, count) != 0) {
            return false;
        }
        oa += count;
        ob += count;
    }
}

} // namespace quirella::mp4
