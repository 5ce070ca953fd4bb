// SPDX-License-Identifier: GPL-3.0-or-later
// FLAC, Ogg Vorbis and Opus files for the tests: a fixture tagged through TagLib (not through our
// writers), and a walk of our own that takes a file apart again: its comments as stored and in order,
// its pictures, and its audio (the FLAC frames, the Ogg audio packets).
#pragma once

#include "support/TestSupport.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

#include <utility>

namespace quirella::test::xiph {

struct TestPicture {
    int type = 3;
    QByteArray mimeType;
    QByteArray data;
    bool operator==(const TestPicture&) const = default;
};

// The fixture "xiph-tone.<extension>" ("flac", "ogg", "opus") copied into `dir` as `name`, with the
// comments added (several values of one name allowed) and the pictures, by TagLib.
QString taggedFile(const ScratchDir& dir, const QString& name,
                   const QList<std::pair<QByteArray, QByteArray>>& comments,
                   const QList<TestPicture>& pictures);

// `file` with every `from` replaced by `to` of the same length, page checksums of an Ogg file renewed:
// comments as no TagLib call writes them (other encodings, zero bytes).
QByteArray patched(QByteArray file, QByteArrayView from, QByteArrayView to);
// An Ogg file whose stream begins with a page of no packet in front of the identification packet's.
QByteArray withEmptyFirstPage(const QByteArray& file);
// A FLAC file with a metadata block of `type` and `body` inserted right behind STREAMINFO.
QByteArray withFlacBlock(const QByteArray& file, int type, const QByteArray& body);

struct Parts {
    QByteArray vendor;
    QList<QByteArray> comments; // "NAME=value" as stored, without the picture comments of Ogg files
    QList<TestPicture> pictures;
    QList<QSize> pictureSizes; // the width and height a picture record declares
    QByteArray audio;
    bool ok = false;
};
Parts partsOf(const QString& path);

} // namespace quirella::test::xiph
