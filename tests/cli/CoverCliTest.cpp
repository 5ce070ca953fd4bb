// `quirella-cli edit` with the cover operations, run as a separate process on real MP3 files.
#include "support/AudioFiles.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int status = -1;
    QString err;
};

CliRun edit(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUIRELLA_CLI_PATH), QStringList{u"edit"_s} + arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

// The front cover each file carries, as TagLib reads it (a null image for none).
QImage frontCover(const QString& path) {
    const Id3File read = openId3(path);
    for (auto* frame : read.frames("APIC")) {
        const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (picture && picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
            return QImage::fromData(qb(picture->picture()));
        }
    }
    return {};
}

TEST(CliCovers, ARefusedPictureGivesThePickersMessageAndTouchesNothing) {
    const ScratchDir dir;
    const QString song = dir.write(u"a.mp3"_s, mp3Audio());
    const struct {
        QString file;
        QByteArray bytes;
        QString message;
    } rows[] = {
        {u"wide.png"_s, imageBytes(Qt::red, 2001, 10, "PNG"),
         u"Image resolution too large! Max 2000x2000."_s},
        {u"cover.gif"_s, imageBytes(Qt::red, 10, 10, "PNG"), u"Please use PNG or JPEG images only"_s},
        {u"text.jpg"_s, "not a picture", u"Could not load image"_s},
    };
    for (const auto& row : rows) {
        const CliRun run = edit({song, u"--cover-all"_s, dir.write(row.file, row.bytes), u"--write"_s});
        EXPECT_EQ(run.status, 1) << row.file.toStdString();
        EXPECT_EQ(run.err, row.message + u'\n');
        EXPECT_EQ(readAll(song), mp3Audio());
    }
    EXPECT_EQ(edit({song, u"--cover-all"_s}).status, 2);
}

TEST(CliCovers, CoverAllWritesThePictureAndClearCoversTakesItOut) {
    const ScratchDir dir;
    const QString one = dir.write(u"one.mp3"_s, mp3Audio());
    const QString two = dir.write(u"two.mp3"_s, mp3Audio());
    const QString picture = dir.write(u"Cover.JPG"_s, imageBytes(Qt::blue, 900, 600, "JPEG"));

    CliRun run = edit({dir.path(), u"--cover-all"_s, picture, u"--write"_s});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"✅ Cover applied to 2 songs"_s)) << run.err.toStdString();
    EXPECT_EQ(frontCover(one).size(), QSize(300, 200));
    EXPECT_EQ(frontCover(two).size(), QSize(300, 200));

    run = edit({two, u"--clear-covers"_s, u"--write"_s});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"🗑️ All covers cleared"_s));
    EXPECT_TRUE(frontCover(two).isNull());
    EXPECT_FALSE(frontCover(one).isNull());
}

} // namespace
