// SPDX-License-Identifier: GPL-3.0-or-later
// The picker's checks on real files at their limits: type, size on disk, decoding and resolution.
#include "covers/CoverPicker.h"

#include "support/AudioFiles.h"
#include "support/TestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray pngOf(int width, int height) {
    return imageBytes(Qt::darkCyan, width, height, "PNG");
}

// A decodable picture padded after its end to exactly `size` bytes.
QByteArray paddedTo(QByteArray picture, qsizetype size) {
    picture.append(QByteArray(size - picture.size(), '\0'));
    return picture;
}

TEST(CoverPicker, AcceptsOrNamesTheFirstFailingCheck) {
    const QString tooLarge = u"Image too large! Please use an image under 1MB"_s;
    const QString type = u"Please use PNG or JPEG images only"_s;
    const QString resolution = u"Image resolution too large! Max 2000x2000."_s;
    const QList<std::tuple<QString, QByteArray, QString, QSize>> rows = {
        // file name, bytes, error (empty: accepted), size when accepted
        {u"a.png"_s, paddedTo(pngOf(40, 30), 1000000), {}, {40, 30}},
        {u"b.png"_s, paddedTo(pngOf(40, 30), 1000001), tooLarge, {}},
        {u"big.jpg"_s, imageBytes(Qt::red, 2000, 2000), {}, {2000, 2000}},
        {u"wide.png"_s, pngOf(2001, 10), resolution, {}},
        {u"tall.jpeg"_s, imageBytes(Qt::red, 10, 2001), resolution, {}},
        {u"cover.PNG"_s, pngOf(20, 20), {}, {20, 20}},
        {u"cover.gif"_s, pngOf(20, 20), type, {}},
        {u"huge.gif"_s, QByteArray(1000001, 'x'), type, {}}, // the type is checked before the size
        {u"fake.jpg"_s, "just some text", u"Could not load image"_s, {}},
    };
    ScratchDir dir;
    for (const auto& [fileName, bytes, error, size] : rows) {
        SCOPED_TRACE(fileName.toStdString());
        const QString path = dir.write(fileName, bytes);
        const CoverPick pick = checkCoverImageFile(path);
        EXPECT_EQ(pick.errorMessage, error);
        EXPECT_EQ(pick.accepted(), error.isEmpty());
        if (pick.accepted()) {
            EXPECT_EQ(pick.image->size(), size);
            EXPECT_EQ(pick.bytes, readAll(path));
        }
    }
    EXPECT_EQ(checkCoverImageFile(dir.filePath(u"gone.png"_s)).errorMessage, u"Could not load image"_s);
}

} // namespace
