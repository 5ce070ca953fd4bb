// SPDX-License-Identifier: GPL-3.0-or-later
// The AIFF rewrite over arbitrary bytes, in memory. A rebuilt file must be a FORM/AIFF file whose size
// field is right, whose chunks all fit, that keeps the source's other chunks in their order and ends
// with the one new "ID3 " chunk, and that comes out the same when rebuilt a second time.
#include "FuzzSupport.h"
#include "tags/AIFFTagEditor.h"
#include "tags/ByteView.h"

#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace quirella;
using quirella::fuzz::check;

namespace {

// Chunk ids and payloads in order; nothing when a chunk does not fit.
std::optional<QList<QByteArray>> chunks(const QByteArray& file) {
    const ByteView view(file);
    QList<QByteArray> out;
    std::uint64_t p = 12;
    while (view.has(p, 8)) {
        const std::uint32_t size = *view.u32BE(p + 4);
        const auto payload = view.slice(p + 8, size);
        if (!payload) {
            return std::nullopt;
        }
        out.append(file.mid(static_cast<qsizetype>(p), 4) + payload->toByteArray());
        p += 8 + std::uint64_t{size} + (size & 1);
    }
    if (p != view.size()) {
        return std::nullopt;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TagValues values;
    values.title = QStringLiteral("Title");
    values.album = QStringLiteral("Album");
    values.rating = 5;
    const QByteArray source = bytes.toByteArray();
    const TagResult<QByteArray> result = AIFFTagEditor::rebuild(bytes, values);
    if (!result.ok()) {
        check(result.status.error == TagError::notValidFormat ||
              result.status.error == TagError::writeFailure);
        return 0;
    }
    // The source's other chunks in their order, then the new tag, then any further ID3 chunk as it was.
    const QByteArray& rebuilt = *result.value;
    check(rebuilt.startsWith("FORM") && rebuilt.mid(8, 4) == "AIFF");
    check(ByteView(rebuilt).u32BE(4) == static_cast<std::uint32_t>(rebuilt.size() - 8));
    const std::optional<QList<QByteArray>> list = chunks(rebuilt);
    check(list.has_value() && !list->isEmpty());
    qsizetype ours = -1;
    for (qsizetype i = 0; i < list->size(); ++i) {
        const bool id3 = (*list)[i].startsWith("ID3 ") || (*list)[i].startsWith("id3 ");
        if (id3 && ours < 0) {
            ours = i;
            check((*list)[i].startsWith("ID3 ID3\x03"));
        } else {
            check(id3 == (ours >= 0));
            check(source.contains((*list)[i].mid(4)));
        }
    }
    check(ours >= 0);
    const TagResult<QByteArray> again = AIFFTagEditor::rebuild(rebuilt, values);
    check(again.ok() && *again.value == rebuilt);
    return 0;
}
