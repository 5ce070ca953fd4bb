#include "app/AppLifecycle.h"

#include "model/Paths.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

TEST(AppLifecycle, StartupSweepsOnlyOurPrivateTemporaryFolder) {
    const QString privateDir = paths::privateTempDir();
    ASSERT_FALSE(privateDir.isEmpty());
    // The test process has its own system temporary folder, so the shared one is simulated safely.
    ASSERT_TRUE(privateDir.startsWith(QDir::tempPath()));
    const QStringList ours = {u"Cover_1.jpg"_s, u"WAV_Cover_2.jpg"_s, u"AutoCover_3.jpg"_s,
                              u"Quirella_Cover_4.jpg"_s, u"Quirella_M4A_5.m4a"_s};
    // Names close to ours that are not ours stay.
    const QStringList kept = {u"notes.txt"_s,
                              u"Cover_6.png"_s,
                              u"cover_1.jpg"_s,
                              u"MyCover_1.jpg"_s,
                              u"Quirella_M4A_x.m4a.part"_s,
                              u"Quirella_M4A_x.mp3"_s,
                              u"album_cover_1.jpg"_s};
    for (const QString& name : ours + kept) {
        ASSERT_TRUE(test::writeAll(privateDir + u'/' + name, "bytes"));
    }
    ASSERT_TRUE(QDir(privateDir).mkpath(u"Cover_7.jpg"_s));
    const QString outside = QDir::tempPath() + u"/Cover_8.jpg"_s;
    ASSERT_TRUE(test::writeAll(outside, "someone else's"));
    // A link named like ours goes, but never what it points at.
    const QString target = QDir::tempPath() + u"/target.jpg"_s;
    ASSERT_TRUE(test::writeAll(target, "target"));
    ASSERT_TRUE(QFile::link(target, privateDir + u"/Cover_9.jpg"_s));

    QStringList names;
    for (const lifecycle::Step& step : lifecycle::startupSteps()) {
        names.append(step.name);
    }
    EXPECT_TRUE(names.contains(u"remove stale temporary files"_s));
    lifecycle::runStartup();

    for (const QString& name : ours) {
        EXPECT_FALSE(QFileInfo::exists(privateDir + u'/' + name)) << name.toStdString();
    }
    EXPECT_FALSE(QFileInfo(privateDir + u"/Cover_9.jpg"_s).isSymLink());
    for (const QString& name : kept) {
        EXPECT_TRUE(QFileInfo::exists(privateDir + u'/' + name)) << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo(privateDir + u"/Cover_7.jpg"_s).isDir());
    EXPECT_EQ(test::readAll(outside), QByteArray("someone else's"));
    EXPECT_EQ(test::readAll(target), QByteArray("target"));

    lifecycle::runExit();
    EXPECT_EQ(lifecycle::removeStaleTemporaryFiles(QDir::tempPath() + u"/no-such-folder"_s), 0);
}

} // namespace
