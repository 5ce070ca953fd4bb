// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/M4ATagEditor.h"

#include "covers/ImageProcessor.h"
#include "model/Paths.h"
#include "tags/AtomicFile.h"
#include "tags/Mp4Structure.h"
#include "tags/Rating.h"

#include <QCoreApplication>
#include <QFile>
#include <QPromise>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4item.h>
#include <taglib/mp4tag.h>

namespace quirella {

namespace {

const TagLib::String kTitleKey("\251nam");
const TagLib::String kArtistKey("\251ART");
const TagLib::String kReleaseDateKey("\251day");
const TagLib::String kGenreKey("\251gen");
const TagLib::String kAlbumKey("\251alb");
const TagLib::String kCommentKey("\251cmt");
const TagLib::String kCoverKey("covr");

TagLib::String toTagLib(const QString& text) {
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

QString fromTagLib(const TagLib::String& text) {
    return QString::fromStdString(text.to8Bit(true));
}

QString displayName(const QString& path) {
    return paths::displayText(QStringView(path).mid(path.lastIndexOf(u'/') + 1));
}

// `text` names the file with %1 and the system's reason with %2.
TagStatus systemFailure(const QString& text, const QString& path, int error) {
    return TagStatus::failure(TagError::platform,
                              text.arg(displayName(path), QString::fromLocal8Bit(std::strerror(error))));
}

// The original must be a regular file we may replace; this is checked before anything is copied.
TagStatus checkOriginal(const QString& path) {
    struct stat info {};
    if (::stat(paths::nativePath(path).constData(), &info) != 0) {
        return systemFailure(QCoreApplication::translate("M4ATagEditor", "Cannot open “%1”: %2"), path,
                             errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return TagStatus::failure(TagError::writeFailure,
                                  QCoreApplication::translate("M4ATagEditor", "“%1” is not a regular file.")
                                      .arg(displayName(path)));
    }
    return atomicfile::checkWritable(path);
}

// Writes the copy into a new file that must not exist yet (the private folder is ours alone).
TagStatus writeTemporary(const QString& original, const QString& destination, const QByteArray& bytes) {
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return TagStatus::failure(
            TagError::platform,
            QCoreApplication::translate("M4ATagEditor", "Cannot create a temporary copy of “%1”: %2")
                .arg(displayName(original), out.errorString()));
    }
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        return TagStatus::failure(
            TagError::platform,
            QCoreApplication::translate("M4ATagEditor", "Cannot write a temporary copy of “%1”: %2")
                .arg(displayName(original), out.errorString()));
    }
    return TagStatus::success();
}

void setOrRemoveText(TagLib::MP4::Tag& tag, const TagLib::String& key, const std::optional<QString>& text) {
    if (text && !text->isEmpty()) {
        tag.setItem(key, TagLib::MP4::Item(TagLib::StringList(toTagLib(*text))));
    } else {
        tag.removeItem(key);
    }
}

bool startsWith(const QByteArray& bytes, const char* signature, qsizetype length) {
    return bytes.size() >= length &&
           std::memcmp(bytes.constData(), signature, static_cast<size_t>(length)) == 0;
}

// The data type of cover bytes written as they came (they could not be decoded): the kind their
// signature names, JPEG when none is recognised.
TagLib::MP4::CoverArt::Format coverFormatOf(const QByteArray& bytes) {
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n", 8)) {
        return TagLib::MP4::CoverArt::PNG;
    }
    if (startsWith(bytes, "GIF8", 4)) {
        return TagLib::MP4::CoverArt::GIF;
    }
    if (startsWith(bytes, "BM", 2)) {
        return TagLib::MP4::CoverArt::BMP;
    }
    return TagLib::MP4::CoverArt::JPEG;
}

void setOrRemoveCover(TagLib::MP4::Tag& tag, const std::optional<QByteArray>& cover) {
    if (!cover || cover->isEmpty()) {
        tag.removeItem(kCoverKey);
        return;
    }
    // 300-pixel fit and JPEG within 500,000 bytes; bytes that do not decode are written unchanged.
    const std::optional<QByteArray> converted =
        ImageProcessor::coverDataForFormat(*cover, QStringLiteral("m4a"));
    const QByteArray& bytes = converted ? *converted : *cover;
    const TagLib::MP4::CoverArt::Format format =
        converted ? TagLib::MP4::CoverArt::JPEG : coverFormatOf(bytes);
    TagLib::MP4::CoverArtList pictures;
    pictures.append(TagLib::MP4::CoverArt(
        format, TagLib::ByteVector(bytes.constData(), static_cast<unsigned int>(bytes.size()))));
    tag.setItem(kCoverKey, TagLib::MP4::Item(pictures));
}

void setRatingComment(TagLib::MP4::Tag& tag, const std::optional<qint64>& rating) {
    TagLib::StringList kept;
    if (tag.contains(kCommentKey)) {
        const TagLib::StringList old = tag.item(kCommentKey).toStringList();
        for (const TagLib::String& text : old) {
            if (!rating::isRatingComment(fromTagLib(text))) {
                kept.append(text);
            }
        }
    }
    TagLib::StringList comments;
    if (rating && *rating >= 1) {
        comments.append(
            toTagLib(rating::ratingComment(static_cast<int>(std::min<qint64>(*rating, rating::kMaxStars)))));
    }
    comments.append(kept);
    if (comments.isEmpty()) {
        tag.removeItem(kCommentKey);
    } else {
        tag.setItem(kCommentKey, TagLib::MP4::Item(comments));
    }
}

void applyValues(TagLib::MP4::Tag& tag, const TagValues& values) {
    setOrRemoveText(tag, kTitleKey, values.title);
    setOrRemoveText(tag, kArtistKey, values.artist);
    if (values.year && *values.year >= 1900 && *values.year <= 2099) {
        tag.setItem(kReleaseDateKey, TagLib::MP4::Item(TagLib::StringList(
                                         TagLib::String::number(static_cast<int>(*values.year)))));
    } else {
        tag.removeItem(kReleaseDateKey);
    }
    setOrRemoveText(tag, kGenreKey, values.genre);
    if (values.album) {
        setOrRemoveText(tag, kAlbumKey, values.album);
    }
    if (!values.keepPictures) {
        setOrRemoveCover(tag, values.coverImage);
    }
    setRatingComment(tag, values.rating);
}

// Sets the items on the temporary copy and saves it.
TagStatus tagCopy(const QString& original, const QString& copy, const TagValues& values) {
    const QByteArray nativeCopy = QFile::encodeName(copy);
    TagLib::MP4::File file(nativeCopy.constData(), false);
    if (!file.isValid() || file.tag() == nullptr) {
        return TagStatus::failure(TagError::notValidFormat,
                                  QCoreApplication::translate("M4ATagEditor", "“%1” is not a valid M4A file.")
                                      .arg(displayName(original)));
    }
    if (file.readOnly()) {
        return TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("M4ATagEditor", "The temporary copy of “%1” cannot be written.")
                .arg(displayName(original)));
    }
    applyValues(*file.tag(), values);
    if (!file.save()) {
        return TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("M4ATagEditor", "The tags of “%1” could not be saved.")
                .arg(displayName(original)));
    }
    return TagStatus::success();
}

// Removes the temporary copy on every way out unless it has become the original.
class TemporaryCopy {
public:
    explicit TemporaryCopy(QString path)
        : m_path(std::move(path)) {}
    ~TemporaryCopy() {
        if (!m_path.isEmpty()) {
            QFile::remove(m_path);
        }
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    const QString& path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    QString m_path;
};

} // namespace

M4ATagEditor::M4ATagEditor() {
    // Enough that writes never queue behind each other in a batch, which waits for one at a time and
    // gives up on at most a few; the bound only keeps stuck writes from taking every thread.
    m_pool.setMaxThreadCount(16);
}

M4ATagEditor::~M4ATagEditor() {
    m_pool.waitForDone();
}

TagStatus M4ATagEditor::writeTagsNow(const QString& path, const TagValues& values,
                                     WriteCancellation* cancellation) {
    const auto cancelled = [&] { return cancellation && cancellation->isCancelled(); };
    const auto cancelledStatus = [&] { return cancelledWrite(path); };
    if (cancelled()) {
        return cancelledStatus();
    }
    if (TagStatus status = checkOriginal(path); !status.ok()) {
        return status;
    }
    const QString folder = paths::privateTempDir();
    if (folder.isEmpty()) {
        return TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("M4ATagEditor", "The private temporary folder cannot be used."));
    }
    TagResult<QByteArray> original = atomicfile::readWholeFile(path);
    if (!original.ok()) {
        return original.status;
    }
    const mp4::Structure before = mp4::checkStructure(*original.value);
    if (!before.ok()) {
        return TagStatus::failure(
            TagError::notValidFormat,
            QCoreApplication::translate("M4ATagEditor", "“%1” is not a valid M4A file. %2")
                .arg(displayName(path), before.problem));
    }
    if (cancelled()) {
        return cancelledStatus();
    }
    TemporaryCopy copy(folder + QLatin1Char('/') + QLatin1String(kTempPrefix) +
                       QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".m4a"));
    if (TagStatus status = writeTemporary(path, copy.path(), *original.value); !status.ok()) {
        return status;
    }
    if (cancelled()) {
        return cancelledStatus();
    }
    if (TagStatus status = tagCopy(path, copy.path(), values); !status.ok()) {
        return status;
    }
    if (cancelled()) {
        return cancelledStatus();
    }
    // The rewritten copy must still be a whole file with the very same audio bytes before it may
    // take the original's place.
    TagResult<QByteArray> rewritten = atomicfile::readWholeFile(copy.path());
    if (!rewritten.ok()) {
        return rewritten.status;
    }
    const mp4::Structure after = mp4::checkStructure(*rewritten.value);
    if (!after.ok() || !mp4::sameMediaData(before, after)) {
        return TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate(
                "M4ATagEditor", "Rewriting the tags of “%1” would damage its audio; the file is unchanged.")
                .arg(displayName(path)));
    }
    if (cancellation && !cancellation->beginReplacement()) {
        return cancelledStatus();
    }
    TagStatus replaced = atomicfile::replaceWithFile(path, copy.path());
    if (replaced.ok()) {
        copy.release();
    }
    return replaced;
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
