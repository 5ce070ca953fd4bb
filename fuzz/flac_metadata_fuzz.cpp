// SPDX-License-Identifier: GPL-3.0-or-later
// The FLAC rewrite over arbitrary bytes: the metadata walk, the check of the last frame and the rebuilt
// head. A rebuilt head must parse again, keep every block it does not manage byte for byte and in order,
// and change nothing when the same values are written a second time.
#include "FuzzSupport.h"
#include "tags/FLACTagEditor.h"

#include <cstddef>
#include <cstdint>

using namespace quirella;
using quirella::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    FLACTagEditor::moreBytesNeeded(ByteView(bytes));
    FLACTagEditor::endsWithWholeFrame(ByteView(bytes));
    const TagResult<FLACTagEditor::Metadata> metadata =
        FLACTagEditor::parseMetadata(ByteView(bytes), bytes.size());
    if (!metadata.ok()) {
        check(!metadata.status.message.isEmpty());
        return 0;
    }
    TagValues values = fuzz::sampleValues();
    const TagResult<QByteArray> head = FLACTagEditor::rebuildHead(*metadata.value, values);
    if (!head.ok() || head.value->isEmpty()) {
        return 0;
    }
    const QByteArray rebuilt = *head.value + bytes.mid(metadata.value->framesOffset);
    const TagResult<FLACTagEditor::Metadata> again =
        FLACTagEditor::parseMetadata(ByteView(rebuilt), rebuilt.size());
    check(again.ok());
    QList<FLACTagEditor::Block> kept;
    QList<FLACTagEditor::Block> keptAgain;
    for (const auto& [blocks, into] :
         {std::pair{&metadata.value->blocks, &kept}, std::pair{&again.value->blocks, &keptAgain}}) {
        for (const FLACTagEditor::Block& block : *blocks) {
            if (block.type != FLACTagEditor::vorbisComment && block.type != FLACTagEditor::picture) {
                into->append(block);
            }
        }
    }
    check(kept.size() == keptAgain.size());
    for (qsizetype i = 0; i < kept.size(); ++i) {
        check(kept.at(i).type == keptAgain.at(i).type && kept.at(i).body == keptAgain.at(i).body);
    }
    const TagResult<QByteArray> twice = FLACTagEditor::rebuildHead(*again.value, values);
    check(twice.ok() && twice.value->isEmpty());
    return 0;
}
