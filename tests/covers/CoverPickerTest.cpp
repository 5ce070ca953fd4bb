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

struct PickCase {
    const char* name;
    QString fileName;
    std::function<QByteArray()> bytes;
    QString expectedError; // empty: accepted
    QSize expectedSize;
};

void PrintTo(const PickCase& row, std::ostream* out) {
    *out << row.name;
}

class CoverPickerChecks : public ::testing::TestWithParam<PickCase> {};

TEST_P(CoverPickerChecks, AcceptsOrNamesTheFirstFailingCheck) {
    const PickCase& row = GetParam();
    ScratchDir dir;
    const QString path = dir.write(row.fileName, row.bytes());
    const CoverPick pick = checkCoverImageFile(path);
    EXPECT_EQ(pick.errorMessage, row.expectedError);
    EXPECT_EQ(pick.accepted(), row.expectedError.isEmpty());
    if (pick.accepted()) {
        EXPECT_EQ(pick.image->size(), row.expectedSize);
        EXPECT_EQ(pick.bytes, readAll(path));
    }
}

const QString kTooLarge = u"Image too large! Please use an image under 1MB"_s;
const QString kType = u"Please use PNG or JPEG images only"_s;
const QString kResolution = u"Image resolution too large! Max 2000x2000."_s;

INSTANTIATE_TEST_SUITE_P(
    Limits, CoverPickerChecks,
    ::testing::Values(
        PickCase{"ExactlyOneMillionBytes",
                 u"a.png"_s,
                 [] { return paddedTo(pngOf(40, 30), 1000000); },
                 {},
                 {40, 30}},
        PickCase{"OneByteOverTheLimit",
                 u"a.png"_s,
                 [] { return paddedTo(pngOf(40, 30), 1000001); },
                 kTooLarge,
                 {}},
        PickCase{"TwoThousandSquare",
                 u"big.jpg"_s,
                 [] { return imageBytes(Qt::red, 2000, 2000); },
                 {},
                 {2000, 2000}},
        PickCase{"OnePixelTooWide", u"wide.png"_s, [] { return pngOf(2001, 10); }, kResolution, {}},
        PickCase{
            "OnePixelTooTall", u"tall.jpeg"_s, [] { return imageBytes(Qt::red, 10, 2001); }, kResolution, {}},
        PickCase{"ExtensionInCapitals", u"cover.PNG"_s, [] { return pngOf(20, 20); }, {}, {20, 20}},
        PickCase{"Gif", u"cover.gif"_s, [] { return pngOf(20, 20); }, kType, {}},
        PickCase{"TypeBeforeSize", u"huge.gif"_s, [] { return QByteArray(1000001, 'x'); }, kType, {}},
        PickCase{"NotAPicture",
                 u"fake.jpg"_s,
                 [] { return QByteArray("just some text"); },
                 u"Could not load image"_s,
                 {}}),
    [](const ::testing::TestParamInfo<PickCase>& row) { return std::string(row.param.name); });

TEST(CoverPicker, AMissingFileCannotBeLoaded) {
    ScratchDir dir;
    EXPECT_EQ(checkCoverImageFile(dir.filePath(u"gone.png"_s)).errorMessage, u"Could not load image"_s);
}

} // namespace
