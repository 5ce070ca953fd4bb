// SPDX-License-Identifier: GPL-3.0-or-later
// The Ogg rewrite over arbitrary bytes: the page walk with its checksums and the new header pages. A
// rewritten file must walk cleanly again, keep its audio pages' bodies, and need no change when the same
// values are written a second time.
#include "FuzzSupport.h"
#include "tags/OggTagEditor.h"

#include <cstddef>
#include <cstdint>

using namespace quirella;
using quirella::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TagValues values = fuzz::sampleValues();
    const TagResult<OggTagEditor::Rewrite> rewrite = OggTagEditor::rebuild(ByteView(bytes), values);
    if (!rewrite.ok()) {
        check(!rewrite.status.message.isEmpty());
        return 0;
    }
    if (rewrite.value->head.isEmpty()) {
        return 0;
    }
    const QByteArray rebuilt = rewrite.value->head + bytes.mid(rewrite.value->restOffset);
    check(OggTagEditor::pagesOf(ByteView(rebuilt)).ok());
    const TagResult<OggTagEditor::Rewrite> again = OggTagEditor::rebuild(ByteView(rebuilt), values);
    check(again.ok() && again.value->head.isEmpty());
    return 0;
}
