// SPDX-License-Identifier: GPL-3.0-or-later
// What TagLib reads back from the files our writers wrote, for the suites that link the tag writers
// (header-only: the support library itself links neither TagLib nor the writers).
#pragma once

#include "support/TestSupport.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/popularimeterframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/wavfile.h>
#include <tuple>
#include <unistd.h>

namespace quirella::test {

inline QString qs(const TagLib::String& text) {
    return QString::fromStdString(text.to8Bit(true));
}

inline QByteArray qb(const TagLib::ByteVector& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The values the writer tests put into files: texts beyond ASCII but within Latin-1 (the character set
// of the WAV INFO list), a year inside the ID3 range, four stars.
inline TagValues sampleValues() {
    TagValues values;
    values.title = QStringLiteral("Évening Song");
    values.artist = QStringLiteral("Ünïcode Band");
    values.year = 2005;
    values.genre = QStringLiteral("Rock");
    values.rating = 4;
    return values;
}

// A refused write: it says why, and the file at `path` still holds `before` byte for byte.
inline void expectRefused(const TagStatus& status, TagError error, const QString& path,
                          const QByteArray& before) {
    EXPECT_EQ(status.error, error) << status.message.toStdString();
    EXPECT_FALSE(status.message.isEmpty());
    EXPECT_EQ(readAll(path), before);
}

// Gives a file the permission bits `mode` and the owner and group given (-1: unchanged).
inline bool giveAway(const QString& path, uid_t owner, gid_t group, mode_t mode) {
    return ::chown(QFile::encodeName(path).constData(), owner, group) == 0 &&
           ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// The user nobody where this process may give files away (root, as in CI), else -1 (unchanged): a save
// by root that lost the owner would turn a root-owned file into root's again, without a trace.
inline uid_t strangerIfRoot() {
    return ::geteuid() == 0 ? 65534 : uid_t(-1);
}

// Permission bits, owner and group as numbers: an owner without a name (nobody in a user namespace)
// shows as well as any.
inline std::tuple<unsigned, unsigned, unsigned> ownership(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return {info.st_mode & 07777, info.st_uid, info.st_gid};
}

// An MP3, AIFF or WAV file (by its extension) opened through TagLib, with its ID3v2 tag if it has one.
struct Id3File {
    std::unique_ptr<TagLib::File> file;
    TagLib::ID3v2::Tag* tag = nullptr;

    TagLib::ID3v2::FrameList frames(const char* id) const {
        return tag ? tag->frameListMap()[id] : TagLib::ID3v2::FrameList();
    }
    QString userText(const char* description) const {
        const auto* frame =
            tag ? TagLib::ID3v2::UserTextIdentificationFrame::find(tag, description) : nullptr;
        return frame ? qs(frame->fieldList().back()) : QString();
    }
};

inline Id3File openId3(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const QString extension = QFileInfo(path).suffix().toLower();
    Id3File opened;
    if (extension == QLatin1String("mp3")) {
        auto* file = new TagLib::MPEG::File(name.constData());
        opened.file.reset(file);
        opened.tag = file->ID3v2Tag();
    } else if (extension == QLatin1String("wav")) {
        auto* file = new TagLib::RIFF::WAV::File(name.constData());
        opened.file.reset(file);
        opened.tag = file->hasID3v2Tag() ? file->ID3v2Tag() : nullptr;
    } else {
        auto* file = new TagLib::RIFF::AIFF::File(name.constData());
        opened.file.reset(file);
        opened.tag = file->hasID3v2Tag() ? file->tag() : nullptr;
    }
    return opened;
}

// Expects the frames our writers make of `values` in a version 2.3 tag: the texts, three POPM frames of
// ours (another program's keeps its place with the same rating) and RATING_NUMERIC for the rating, one
// front cover of `coverSize` in `coverMime` (an empty size: none).
inline void expectManagedFrames(const Id3File& read, const TagValues& values, QSize coverSize,
                                const char* coverMime = "image/jpeg") {
    ASSERT_TRUE(read.file->isValid() && read.tag);
    EXPECT_EQ(read.tag->header()->majorVersion(), 3u);
    EXPECT_EQ(qs(read.tag->title()), values.title.value_or(QString()));
    EXPECT_EQ(qs(read.tag->artist()), values.artist.value_or(QString()));
    EXPECT_EQ(read.tag->year(), static_cast<unsigned>(values.year.value_or(0)));
    EXPECT_EQ(qs(read.tag->genre()), values.genre.value_or(QString()));
    const int rating = static_cast<int>(values.rating.value_or(0));
    int ours = 0;
    for (auto* frame : read.frames("POPM")) {
        const auto& popm = dynamic_cast<TagLib::ID3v2::PopularimeterFrame&>(*frame);
        EXPECT_EQ(popm.rating(), rating * 51);
        ours += QStringList{QStringLiteral("no@email"), QStringLiteral("iTunes"),
                            QStringLiteral("rating@quirella.tags")}
                    .contains(qs(popm.email()));
    }
    EXPECT_EQ(ours, rating > 0 ? 3 : 0);
    EXPECT_EQ(read.userText("RATING_NUMERIC"), rating > 0 ? QString::number(rating) : QString());
    int fronts = 0;
    for (auto* frame : read.frames("APIC")) {
        const auto& picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame&>(*frame);
        if (picture.type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
            ++fronts;
            EXPECT_EQ(qs(picture.mimeType()), QString::fromLatin1(coverMime));
            EXPECT_EQ(QImage::fromData(qb(picture.picture()), coverMime + 6).size(), coverSize);
        }
    }
    EXPECT_EQ(fronts, coverSize.isEmpty() ? 0 : 1);
}

} // namespace quirella::test
