// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and saving see a file through the same parse: the first byte picks a format, the rest is the
// file. Whatever loading shows, a write of the rating alone changes the rating and nothing else loading
// shows, and in FLAC and Ogg files a write of what loading showed changes no byte.
#include "FuzzSupport.h"
#include "tags/AIFFTagEditor.h"
#include "tags/FLACTagEditor.h"
#include "tags/M4ATagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/OggTagEditor.h"
#include "tags/TagReader.h"
#include "tags/WAVTagEditor.h"

#include <cstddef>
#include <cstdint>

using namespace quirella;
using quirella::fuzz::check;

namespace {

const char* const kFormats[] = {"mp3", "wav", "aiff", "m4a", "flac", "ogg"};

// The file after writing `values`, or nothing when the writer refuses it.
std::optional<QByteArray> written(const QString& format, QByteArrayView file, const TagValues& values) {
    if (format == QLatin1String("mp3")) {
        return MP3TagEditor::rebuild(file, values).value;
    }
    if (format == QLatin1String("wav")) {
        return wav::rebuildWAV(file, values, std::nullopt).value;
    }
    if (format == QLatin1String("aiff")) {
        return AIFFTagEditor::rebuild(file, values).value;
    }
    if (format == QLatin1String("m4a")) {
        return M4ATagEditor::rebuild(ByteView(file), values).value;
    }
    if (format == QLatin1String("flac")) {
        const TagResult<FLACTagEditor::Metadata> metadata =
            FLACTagEditor::parseMetadata(ByteView(file), file.size());
        if (!metadata.ok()) {
            return std::nullopt;
        }
        const TagResult<QByteArray> head = FLACTagEditor::rebuildHead(*metadata.value, values);
        if (!head.ok()) {
            return std::nullopt;
        }
        return head.value->isEmpty() ? file.toByteArray()
                                     : *head.value + file.sliced(metadata.value->framesOffset).toByteArray();
    }
    const TagResult<OggTagEditor::Rewrite> rewrite = OggTagEditor::rebuild(ByteView(file), values);
    if (!rewrite.ok()) {
        return std::nullopt;
    }
    return rewrite.value->head.isEmpty()
               ? file.toByteArray()
               : rewrite.value->head + file.sliced(rewrite.value->restOffset).toByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const QString format = QString::fromLatin1(kFormats[data[0] % std::size(kFormats)]);
    const QByteArrayView file(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const TagResult<StoredTags> before = storedTagsOf(file, format);
    if (!before.ok()) {
        return 0;
    }
    TagValues rating;
    rating.rating = before.value->rating % 5 + 1;
    if (const std::optional<QByteArray> rated = written(format, file, rating)) {
        const TagResult<StoredTags> after = storedTagsOf(*rated, format);
        check(after.ok());
        StoredTags expected = *before.value;
        expected.rating = int(*rating.rating);
        check(*after.value == expected);
    }
    if (format == QLatin1String("flac") || format == QLatin1String("ogg")) {
        const StoredTags& shown = *before.value;
        TagValues same;
        same.title = shown.title;
        same.artist = shown.artist;
        same.album = shown.album;
        same.genre = shown.genre;
        same.year = shown.year;
        same.rating = shown.rating;
        same.coverImage = shown.cover.value_or(QByteArray());
        if (const std::optional<QByteArray> rewritten = written(format, file, same)) {
            check(*rewritten == file);
        }
    }
    return 0;
}
