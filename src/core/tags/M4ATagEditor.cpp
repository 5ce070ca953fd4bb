// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/M4ATagEditor.h"

#include "covers/ImageProcessor.h"
#include "tags/AtomicFile.h"
#include "tags/Mp4Structure.h"
#include "tags/Mp4Tags.h"

#include <QCoreApplication>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <cstring>

namespace quirella {

namespace {

// The top-level movie box of a whole file, and whether fragments of the movie follow it.
struct MovieBox {
    mp4::Box box;
    bool fragmentsFollow = false;
};

std::optional<MovieBox> movieBoxOf(ByteView file) {
    std::optional<MovieBox> movie;
    std::uint64_t offset = 0;
    while (offset < file.size()) {
        const std::optional<mp4::Box> box = mp4::readBox(file, offset);
        if (!box) {
            break;
        }
        if (box->is("moov") && !movie) {
            movie = MovieBox{*box, false};
        } else if (box->is("moof") && movie) {
            movie->fragmentsFollow = true;
        }
        offset += box->size;
    }
    return movie;
}

// The fields loading would show after the write, where they are certain: the given ones as given, the
// others as they were.
StoredTags expectedAfter(StoredTags before, const TagValues& values,
                         const std::optional<QByteArray>& coverBytes) {
    if (values.title) {
        before.title = *values.title;
    }
    if (values.artist) {
        before.artist = *values.artist;
    }
    if (values.album) {
        before.album = *values.album;
    }
    if (values.year) {
        before.year = *values.year >= 1900 && *values.year <= 2099 ? int(*values.year) : 0;
    }
    if (values.genre) {
        before.genre = *values.genre;
    }
    if (values.rating) {
        before.rating = int(std::clamp<qint64>(*values.rating, 0, 5));
    }
    if (values.coverImage && !values.coverImage->isEmpty() && coverBytes) {
        before.cover = coverBytes;
    }
    if (values.albumArtist) {
        before.albumArtist = *values.albumArtist;
    }
    if (values.track) {
        before.track = *values.track;
    }
    if (values.disc) {
        before.disc = *values.disc;
    }
    if (values.bpm) {
        before.bpm = int(std::clamp<qint64>(*values.bpm, 0, 0xFFFF));
    }
    return before;
}

} // namespace

M4ATagEditor::M4ATagEditor() {
    // Enough that writes never queue behind each other in a batch, which waits for one at a time and
    // gives up on at most a few; the bound only keeps stuck writes from taking every thread.
    m_pool.setMaxThreadCount(16);
}

M4ATagEditor::~M4ATagEditor() {
    m_pool.waitForDone();
}

StoredTags M4ATagEditor::storedTags(ByteView moov) {
    const std::optional<QList<mp4::Item>> items = mp4::itemsOfMovie(moov);
    return items ? mp4::storedTags(*items) : StoredTags();
}

TagResult<QByteArray> M4ATagEditor::rebuild(ByteView file, const TagValues& values,
                                            const std::optional<QByteArray>& coverBytes) {
    using Result = TagResult<QByteArray>;
    const mp4::Structure before = mp4::checkStructure(file);
    if (!before.ok()) {
        return Result::failure(TagStatus::failure(
            TagError::notValidFormat,
            QCoreApplication::translate("M4ATagEditor", "The file is not a valid M4A file. %1")
                .arg(before.problem)));
    }
    const std::optional<MovieBox> movie = movieBoxOf(file);
    if (!movie) {
        return Result::failure(TagStatus::failure(
            TagError::notValidFormat,
            QCoreApplication::translate("M4ATagEditor", "The file is not a valid M4A file.")));
    }
    const ByteView moov = *file.slice(movie->box.offset, movie->box.size);
    const TagResult<mp4::MovieRewrite> rewrite =
        mp4::rewrittenMovie(moov, movie->box.offset, movie->fragmentsFollow, values, coverBytes);
    if (!rewrite.ok()) {
        return Result::failure(rewrite.status);
    }
    QByteArray out;
    out.reserve(qsizetype(file.size()) + rewrite.value->moov.size() - qsizetype(movie->box.size));
    out.append(file.slice(0, movie->box.offset)->toView());
    out.append(rewrite.value->moov);
    out.append(file.from(movie->box.end()).toView());

    // The new file must be whole, carry the very same audio bytes, and read back as written.
    const mp4::Structure after = mp4::checkStructure(ByteView(out));
    StoredTags expected = expectedAfter(storedTags(moov), values, coverBytes);
    StoredTags written = storedTags(ByteView(rewrite.value->moov));
    if (values.coverImage && values.coverImage->isEmpty()) {
        written.cover = expected.cover = std::nullopt; // another picture of the file may show now
    }
    // Every chunk offset must still point at the same audio bytes.
    const std::optional<QList<std::uint64_t>> offsetsBefore = mp4::chunkOffsets(moov);
    const std::optional<QList<std::uint64_t>> offsetsAfter = mp4::chunkOffsets(ByteView(rewrite.value->moov));
    bool samePlaces = offsetsBefore && offsetsAfter && offsetsBefore->size() == offsetsAfter->size();
    for (qsizetype i = 0; samePlaces && i < offsetsBefore->size(); ++i) {
        const ByteView was = file.from(offsetsBefore->at(i));
        const ByteView now = ByteView(out).from(offsetsAfter->at(i));
        const std::uint64_t compared = std::min<std::uint64_t>(was.size(), 16);
        samePlaces =
            now.size() >= compared && (compared == 0 || std::memcmp(was.data(), now.data(), compared) == 0);
    }
    if (!after.ok() || !mp4::sameMediaData(before, after) || written != expected || !samePlaces) {
        return Result::failure(TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("M4ATagEditor", "Rewriting the tags would damage "
                                                        "the file; it was left unchanged.")));
    }
    return Result::success(std::move(out));
}

TagStatus M4ATagEditor::writeTagsNow(const QString& path, const TagValues& values,
                                     WriteCancellation* cancellation) {
    const auto cancelled = [&] { return cancellation && cancellation->isCancelled(); };
    if (cancelled()) {
        return cancelledWrite(path);
    }
    if (!values.any()) {
        return TagStatus::success();
    }
    TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(path);
    if (!file.ok()) {
        return file.status;
    }
    TagResult<QByteArray> original = file.value->readAll();
    if (!original.ok()) {
        return original.status;
    }
    if (cancelled()) {
        return cancelledWrite(path);
    }
    std::optional<QByteArray> cover;
    if (values.coverImage && !values.coverImage->isEmpty()) {
        // 300-pixel fit and JPEG within 500,000 bytes; bytes that do not decode are written unchanged.
        cover = ImageProcessor::coverDataForFormat(*values.coverImage, QStringLiteral("m4a"))
                    .value_or(*values.coverImage);
    }
    TagResult<QByteArray> rebuilt = rebuild(ByteView(*original.value), values, cover);
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    original = {};
    if (cancellation && !cancellation->beginReplacement()) {
        return cancelledWrite(path);
    }
    return file.value->replaceContents(*rebuilt.value);
}

QFuture<TagStatus> M4ATagEditor::writeTags(const QString& path, TagValues values,
                                           std::shared_ptr<WriteCancellation> cancellation) {
    return QtConcurrent::run(&m_pool, [path, values = std::move(values),
                                       cancellation = std::move(cancellation)](QPromise<TagStatus>& promise) {
        // Without a token of the caller's, cancelling the future is what stops the write.
        WriteCancellation own([&promise] { return promise.isCanceled(); });
        promise.addResult(writeTagsNow(path, values, cancellation ? cancellation.get() : &own));
    });
}

} // namespace quirella
