// `quirella-cli lookup` and `auto-search` against a local catalogue named by the environment.
#include "app/AudioFixtures.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

using namespace quirella::test;
using namespace quirella::test::audio;
using namespace Qt::StringLiterals;

namespace {

struct CliResult {
    int status = -1;
    QString out;
    QString err;
};

class OnlineCli : public ::testing::Test {
protected:
    OnlineCli() {
        server.setHandler([](const ServedRequest& request) {
            if (request.target.startsWith("/itunes/") && request.target.contains("Daft%20Punk")) {
                return ServedReply::json(R"({"results":[{"trackName":"One More Time","artistName":"Daft Punk",
                    "releaseDate":"2000-11-30T08:00:00Z","primaryGenreName":"Dance"}]})");
            }
            return ServedReply::json(request.target.startsWith("/itunes/") ? R"({"results":[]})"
                                                                           : R"({"recordings":[]})");
        });
        setOnline(true);
    }
    ~OnlineCli() override { setOnline(true); }

    // The command line keeps the window's preferences.
    static void setOnline(bool online) {
        QSettings settings(u"Quirella"_s, u"Quirella Tag-Editor"_s);
        settings.setValue(u"NetworkModeEnabled"_s, online);
        settings.sync();
    }

    CliResult cli(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString base = server.url().toString();
        environment.insert(u"QUIRELLA_ITUNES_URL"_s, base + u"/itunes"_s);
        environment.insert(u"QUIRELLA_MUSICBRAINZ_URL"_s, base + u"/mb"_s);
        environment.insert(u"QUIRELLA_COVERART_URL"_s, base + u"/caa"_s);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUIRELLA_CLI_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    LocalHttpServer server;
};

} // namespace

TEST_F(OnlineCli, LookupPrintsTheRecordOrNoResults) {
    const CliResult found = cli({u"lookup"_s, u"Daft Punk"_s, u"One More Time"_s});
    ASSERT_EQ(found.status, 0) << found.err.toStdString();
    const QJsonObject record = QJsonDocument::fromJson(found.out.toUtf8()).object();
    EXPECT_EQ(record.value(u"title"_s).toString(), u"One More Time"_s);
    EXPECT_EQ(record.value(u"year"_s).toInt(), 2000);
    EXPECT_EQ(record.value(u"genre"_s).toString(), u"Dance"_s);
    EXPECT_FALSE(record.contains(u"coverURL"_s));

    const CliResult missing = cli({u"lookup"_s, u"Nobody"_s, u"Nothing"_s});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, u"No results\n"_s);
    EXPECT_TRUE(missing.out.isEmpty());

    EXPECT_EQ(cli({u"lookup"_s, u"Only artist"_s}).status, 2);
    EXPECT_EQ(cli({u"auto-search"_s, u"/tmp"_s}).status, 2);
    EXPECT_EQ(cli({u"auto-search"_s, u"/tmp"_s, u"--years"_s, u"--genres"_s}).status, 2);
}

TEST_F(OnlineCli, AutoSearchFillsTheFolderAndWritesWhenAsked) {
    const ScratchDir dir;
    dir.write(u"Daft Punk - One More Time.mp3"_s, mp3Audio());
    dir.write(u"Nobody - Nothing.mp3"_s, mp3Audio());

    const CliResult search = cli({u"auto-search"_s, dir.path(), u"--years"_s});
    ASSERT_EQ(search.status, 0) << search.err.toStdString();
    EXPECT_EQ(search.err, u"✅ Found 1 years, 1 failed\n"_s);
    QList<qint64> years;
    for (const QJsonValue& song : QJsonDocument::fromJson(search.out.toUtf8())[u"songs"_s].toArray()) {
        years.append(song[u"year"_s].toInteger());
    }
    std::sort(years.begin(), years.end());
    EXPECT_EQ(years, (QList<qint64>{0, 2000}));

    const CliResult written = cli({u"auto-search"_s, dir.path(), u"--genres"_s, u"--write"_s});
    ASSERT_EQ(written.status, 0) << written.err.toStdString();
    const CliResult scan = cli({u"scan"_s, dir.path()});
    EXPECT_TRUE(scan.out.contains(u"\"Dance\""_s)) << scan.out.toStdString();

    setOnline(false);
    const CliResult offline = cli({u"auto-search"_s, dir.path(), u"--covers"_s});
    EXPECT_EQ(offline.status, 1);
    EXPECT_EQ(offline.err, u"⚠️ Online Mode is disabled. Enable it from the top-left button.\n"_s);
}
