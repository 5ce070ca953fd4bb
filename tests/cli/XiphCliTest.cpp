// FLAC, Ogg Vorbis and Opus files through the command line, as a user with such a folder meets them:
// listed with the fields of their comments, written, and decoded for their tempo.
#include "support/XiphFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace quirella::test;
using namespace quirella::test::xiph;
using namespace Qt::StringLiterals;

namespace {

// The status and the standard output; standard error goes into the test's log.
std::pair<int, QByteArray> runCli(const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(QUIRELLA_CLI_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitCode(), process.readAllStandardOutput()};
}

TEST(XiphCli, ListedWithTheirCommentsWrittenAndDecoded) {
    const ScratchDir dir;
    const QList<std::pair<QByteArray, QByteArray>> comments = {{"TITLE", "Nuit"},
                                                               {"ARTIST", "Zoë"},
                                                               {"DATE", "1999-05-01"},
                                                               {"GENRE", "Ambient"},
                                                               {"FMPS_RATING", "0.8"}};
    for (const QString& name : {u"a.flac"_s, u"b.ogg"_s, u"c.opus"_s}) {
        ASSERT_FALSE(taggedFile(dir, name, comments, {}).isEmpty());
    }
    dir.write(u"d.oga"_s, readAll(dir.filePath(u"b.ogg"_s)));

    const auto [scanned, json] = runCli({u"scan"_s, dir.path()});
    ASSERT_EQ(scanned, 0) << json.constData();
    const QJsonArray songs = QJsonDocument::fromJson(json).object().value(u"songs"_s).toArray();
    ASSERT_EQ(songs.size(), 4);
    for (const QJsonValue& song : songs) {
        SCOPED_TRACE(song[u"fileExtension"_s].toString().toStdString());
        EXPECT_EQ(song[u"name"_s].toString(), u"Nuit"_s);
        EXPECT_EQ(song[u"artist"_s].toString(), u"Zoë"_s);
        EXPECT_EQ(song[u"year"_s].toInt(), 1999);
        EXPECT_EQ(song[u"genre"_s].toString(), u"Ambient"_s);
        EXPECT_EQ(song[u"rating"_s].toInt(), 4);
        EXPECT_GT(song[u"duration"_s].toDouble(), 0.9);
    }

    const auto [written, message] = runCli({u"write"_s, dir.path(), u"--genre"_s, u"Jazz"_s});
    EXPECT_EQ(written, 0);
    EXPECT_EQ(message, "✅ Tags written to 4 songs successfully!\n");
    for (const QString& name : {u"a.flac"_s, u"b.ogg"_s, u"c.opus"_s, u"d.oga"_s}) {
        const Parts parts = partsOf(dir.filePath(name));
        EXPECT_TRUE(parts.comments.contains("GENRE=Jazz")) << name.toStdString();
        EXPECT_TRUE(parts.comments.contains("DATE=1999-05-01")) << name.toStdString();
    }

    const auto [analysed, tempo] = runCli({u"bpm"_s, dir.filePath(u"b.ogg"_s), dir.filePath(u"c.opus"_s)});
    EXPECT_EQ(analysed, 0) << tempo.constData();
    EXPECT_EQ(tempo.count('\n'), 2) << tempo.constData();
}

} // namespace
