// SPDX-License-Identifier: GPL-3.0-or-later
// The checks a user-supplied cover file passes before it is accepted: its type by extension, its size on
// disk, whether it decodes, and its resolution. Shared by the window's picker sheet and quirella-cli, so
// both accept and refuse the same files with the same words.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

namespace quirella {

struct CoverPickLimits {
    static constexpr qint64 maxFileSize = 1000000; // one million bytes, not 1 MiB
    static constexpr int maxWidth = 2000;
    static constexpr int maxHeight = 2000;
    static QStringList allowedExtensions() {
        return {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg")};
    }
};

// The result of checking one file: the decoded picture and the file's bytes, or the message that tells
// the user why the file was refused.
struct CoverPick {
    std::optional<QImage> image;
    QByteArray bytes;
    QString errorMessage;

    bool accepted() const { return image.has_value(); }
};

// Reads and decodes the file: file work, so never on the UI thread. The first failing check wins, in
// the order type, size, decoding, resolution. At most maxFileSize + 1 bytes are ever read, so a file
// whose size cannot be told (a pipe, a device) cannot make us read without end.
CoverPick checkCoverImageFile(const QString& path);

} // namespace quirella
