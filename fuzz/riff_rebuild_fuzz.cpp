// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV rewrite over arbitrary bytes, with a full, a sparse and an empty set of values. Besides not
// crashing, a rebuilt file must be a well-formed RIFF file whose size field is right and whose first
// "data" chunk holds exactly the audio of the source.
#include "FuzzSupport.h"
#include "tags/Riff.h"
#include "tags/WAVTagEditor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace quirella;
using quirella::fuzz::check;

namespace {

QByteArray firstDataPayload(QByteArrayView bytes) {
    const ByteView file(bytes);
    for (const riff::RIFFChunk& chunk : riff::parseChunks(bytes)) {
        if (chunk.id == "data") {
            const std::optional<ByteView> body = riff::payload(file, chunk);
            return body ? body->toByteArray() : QByteArray();
        }
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TagValues full = fuzz::sampleValues();
    full.album = QStringLiteral("Album");
    TagValues sparse;
    sparse.title = QString();
    sparse.year = 1850;
    sparse.rating = 0;
    const TagValues none;
    const QByteArray cover = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");

    const std::pair<const TagValues*, std::optional<QByteArray>> runs[] = {
        {&full, cover}, {&sparse, std::nullopt}, {&none, std::nullopt}};
    for (const auto& [values, coverBytes] : runs) {
        const TagResult<QByteArray> result = wav::rebuildWAV(bytes, *values, coverBytes);
        if (!result.ok()) {
            continue;
        }
        const QByteArray& out = *result.value;
        const ByteView view(out);
        check(out.size() % 2 == 0);
        check(view.u32LE(4) == static_cast<std::uint32_t>(out.size() - 8));
        const QList<riff::RIFFChunk> chunks = riff::parseChunks(out);
        check(!chunks.isEmpty());
        const riff::RIFFChunk& last = chunks.last();
        check(last.offset + 8 + last.size + (last.size & 1u) == out.size());
        check(firstDataPayload(out) == firstDataPayload(bytes));
        check(wav::readTags(out).ok());
    }
    return 0;
}
