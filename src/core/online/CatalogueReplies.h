// SPDX-License-Identifier: GPL-3.0-or-later
// The pure half of the catalogue clients: request addresses built from the search texts, replies parsed
// into a record, the look-up cache key and the Retry-After header. No transport here: these take and give
// bytes and text, so tests and fuzzers reach them directly.
#pragma once

#include "online/MusicMetadata.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>

namespace quirella::catalogue {

// A search text as one query value: every byte but the unreserved ASCII marks and ":" "/" is
// percent-encoded, so "&", "+", "=", "#", "%" and the space cannot end or change the value
// ("Simon & Garfunkel" stays one artist).
QByteArray encodeQueryValue(const QString& text);

// A phrase for the MusicBrainz (Lucene) query syntax: in double quotes, with the syntax's special
// characters escaped by a backslash, so "AC/DC" or a title with a colon is searched as typed.
QString quoteLuceneTerm(const QString& text);

// `<base>/search?term=<artist title>&entity=song&limit=1`; invalid when it cannot be formed.
QUrl iTunesSearchUrl(const QUrl& base, const QString& artist, const QString& title);
// `<base>/ws/2/recording/?query=artist:"…" AND recording:"…"&fmt=json&limit=1`.
QUrl musicBrainzSearchUrl(const QUrl& base, const QString& artist, const QString& title);
// `<base>/release/<id>/front-500`.
QString coverArtUrl(const QUrl& base, const QString& releaseId);

// A parsed reply: the body was not JSON (`jsonError` set), or it was and held a match or not.
struct ReplyParse {
    std::optional<MusicMetadata> metadata;
    std::optional<QString> jsonError;
};

// Only the first entry is read; each field is taken only when its value has the expected type.
ReplyParse parseITunesReply(const QByteArray& body);
ReplyParse parseMusicBrainzReply(const QByteArray& body, const QUrl& coverArtBase);

// The look-up cache key: lower-cased artist "_" title, diacritics removed, spaces as "_".
// ("Café Tacvba", "Eres") and ("cafe tacvba", "ERES") share "cafe_tacvba_eres".
QString cacheKey(const QString& artist, const QString& title);

// Retry-After as a delay in milliseconds from `now`: delta seconds or an HTTP date. Absent when the
// value is missing or malformed; a date in the past gives 0.
std::optional<qint64> parseRetryAfter(const QByteArray& value, const QDateTime& now);

} // namespace quirella::catalogue
