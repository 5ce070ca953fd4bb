// SPDX-License-Identifier: GPL-3.0-or-later
// The pure half of the catalogue clients: addresses, reply parsing, the cache key, Retry-After.
#include "online/CatalogueReplies.h"

#include "OnlineFixture.h"
#include "online/OnlineEndpoints.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace quirella;
using namespace quirella::catalogue;

// Rows name only the values they give; GCC 12 still warns about the fields left out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const QUrl base(u"https://catalogue.example"_s);

QByteArray pathAndQuery(const QUrl& url) {
    return url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
}

} // namespace

// Plain words and letters outside ASCII are checked against the server in LookupTest.
TEST(CatalogueRequests, SearchTextsAreWholeQueryValues) {
    EXPECT_EQ(pathAndQuery(iTunesSearchUrl(base, u"Simon & Garfunkel"_s, u"1+1=2 #5 100%"_s)),
              "/search?term=Simon%20%26%20Garfunkel%201%2B1%3D2%20%235%20100%25&entity=song&limit=1");
    EXPECT_EQ(pathAndQuery(musicBrainzSearchUrl(base, u"AC/DC & Co"_s, u"Title: \"1+1\""_s)),
              "/ws/2/recording/?query=artist:%22AC%5C/DC%20%5C%26%20Co%22%20AND%20recording:"
              "%22Title%5C:%20%5C%221%5C%2B1%5C%22%22&fmt=json&limit=1");
    // A base with a path (a mirror) keeps it; a trailing slash is not doubled.
    EXPECT_EQ(iTunesSearchUrl(QUrl(u"http://127.0.0.1:8080/mirror/"_s), u"A"_s, u"B"_s).toEncoded(),
              "http://127.0.0.1:8080/mirror/search?term=A%20B&entity=song&limit=1");
    EXPECT_FALSE(iTunesSearchUrl(QUrl(), u"A"_s, u"B"_s).isValid());
}

// Only the well-typed fields of the first result or recording are read, and MusicBrainz never gives a
// genre; a body that is no JSON is an error, unlike one without results.
TEST(CatalogueReplies, ReadOnlyWellTypedFieldsOfTheFirstEntry) {
    const QUrl coverBase(u"https://covers.example/"_s);
    const struct {
        const char* name; // starts with the catalogue
        QByteArray body;
        std::optional<MusicMetadata> expected;
        bool jsonError = false;
    } rows[] = {
        {"iTunes: full entry, only the first read",
         R"({"results":[{"trackName":"One More Time","artistName":"Daft Punk","releaseDate":"2000-11-30T08:00:00Z",
             "artworkUrl100":"https://art.example/a/100x100bb.jpg","primaryGenreName":"Electronic"},
             {"trackName":"Other"}]})",
         MusicMetadata{u"One More Time"_s, u"Daft Punk"_s, 2000, u"https://art.example/a/600x600bb.jpg"_s,
                       u"Electronic"_s}},
        {"iTunes: wrongly typed fields are absent",
         R"({"results":[{"trackName":"T","artistName":5,"releaseDate":1999,"artworkUrl100":null,"primaryGenreName":[]}]})",
         MusicMetadata{.title = u"T"_s}},
        {"iTunes: empty results", R"({"resultCount":0,"results":[]})", std::nullopt},
        {"iTunes: first result not an object", R"({"results":["T"]})", std::nullopt},
        {"iTunes: error body without results", R"({"errorMessage":"Invalid value for key"})", std::nullopt},
        {"iTunes: not JSON", "<html>Service Unavailable</html>", std::nullopt, true},
        {"iTunes: empty body", "", std::nullopt, true},
        {"MusicBrainz: full recording",
         R"({"recordings":[{"title":"Jóga","artist-credit":[{"name":"Björk"}],
             "releases":[{"id":"abc-1","date":"1999-03-01"},{"id":"zzz","date":"2005"}],"genres":[{"name":"pop"}]}]})",
         MusicMetadata{u"Jóga"_s, u"Björk"_s, 1999, u"https://covers.example/release/abc-1/front-500"_s}},
        {"MusicBrainz: no releases",
         R"({"recordings":[{"title":"Jóga","artist-credit":[{"name":"Björk"}]}]})",
         MusicMetadata{.title = u"Jóga"_s, .artist = u"Björk"_s}},
        {"MusicBrainz: empty releases and credits of the wrong type",
         R"({"recordings":[{"title":"Jóga","artist-credit":{"name":"X"},"releases":[]}]})",
         MusicMetadata{.title = u"Jóga"_s}},
        {"MusicBrainz: empty recordings", R"({"count":0,"recordings":[]})", std::nullopt},
        {"MusicBrainz: cut short", R"({"recordings":)", std::nullopt, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ReplyParse parsed = QByteArrayView(row.name).startsWith("iTunes")
                                      ? parseITunesReply(row.body)
                                      : parseMusicBrainzReply(row.body, coverBase);
        EXPECT_EQ(parsed.jsonError.has_value(), row.jsonError);
        EXPECT_EQ(parsed.metadata, row.expected);
    }
}

TEST(CatalogueReplies, CacheKeyFoldsCaseDiacriticsAndSpaces) {
    EXPECT_EQ(cacheKey(u"Café Tacvba"_s, u"Eres"_s), u"cafe_tacvba_eres"_s);
    EXPECT_EQ(cacheKey(u"cafe tacvba"_s, u"ERES"_s), u"cafe_tacvba_eres"_s);
}

TEST(CatalogueReplies, RetryAfterInSecondsOrAsADate) {
    const QDateTime now = QDateTime::fromString(u"2025-01-01T12:00:00Z"_s, Qt::ISODate);
    EXPECT_EQ(parseRetryAfter("2", now), 2000);
    EXPECT_EQ(parseRetryAfter(" 0 ", now), 0);
    EXPECT_EQ(parseRetryAfter("Wed, 01 Jan 2025 12:00:05 GMT", now), 5000);
    EXPECT_EQ(parseRetryAfter("Wed, 01 Jan 2025 11:00:00 GMT", now), 0);
    EXPECT_EQ(parseRetryAfter("", now), std::nullopt);
    EXPECT_EQ(parseRetryAfter("soon", now), std::nullopt);
    EXPECT_EQ(parseRetryAfter("99999999999999999999", now), std::nullopt);
}

TEST(OnlineEndpoints, PlainHttpOnlyOnLoopback) {
    EXPECT_TRUE(isAllowedUrl(QUrl(u"https://musicbrainz.org"_s)));
    EXPECT_TRUE(isAllowedUrl(QUrl(u"http://127.0.0.1:8080"_s)));
    EXPECT_TRUE(isAllowedUrl(QUrl(u"http://localhost/"_s)));
    EXPECT_FALSE(isAllowedUrl(QUrl(u"http://musicbrainz.org"_s)));
    EXPECT_FALSE(isAllowedUrl(QUrl(u"http://127.0.0.1.evil.example"_s)));
    EXPECT_FALSE(isAllowedUrl(QUrl(u"file:///etc/passwd"_s)));

    qputenv("QUIRELLA_ITUNES_URL", "http://127.0.0.1:9/itunes");
    qputenv("QUIRELLA_MUSICBRAINZ_URL", "http://mirror.example");
    QStringList warnings;
    const OnlineEndpoints endpoints = OnlineEndpoints::fromEnvironment(&warnings);
    qunsetenv("QUIRELLA_ITUNES_URL");
    qunsetenv("QUIRELLA_MUSICBRAINZ_URL");
    EXPECT_EQ(endpoints.iTunes, QUrl(u"http://127.0.0.1:9/itunes"_s));
    EXPECT_EQ(endpoints.musicBrainz, QUrl(u"https://musicbrainz.org"_s));
    EXPECT_EQ(warnings.size(), 1);
}
