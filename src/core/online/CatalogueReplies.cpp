// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/CatalogueReplies.h"

#include "model/Year.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace quirella::catalogue {

namespace {

// A base address without a trailing slash, in encoded form, so paths can be appended.
QByteArray baseBytes(const QUrl& base) {
    QByteArray bytes = base.toEncoded(QUrl::RemoveQuery | QUrl::RemoveFragment);
    while (bytes.endsWith('/')) {
        bytes.chop(1);
    }
    return bytes;
}

QUrl strictUrl(const QByteArray& encoded) {
    QUrl url = QUrl::fromEncoded(encoded, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) {
        return {};
    }
    return url;
}

std::optional<QString> stringField(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = object.value(key);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

// The first element of `key` when it is a non-empty array whose first element is an object.
std::optional<QJsonObject> firstObject(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = object.value(key);
    if (!value.isArray()) {
        return std::nullopt;
    }
    const QJsonArray array = value.toArray();
    if (array.isEmpty() || !array.first().isObject()) {
        return std::nullopt;
    }
    return array.first().toObject();
}

// The top-level object of a JSON body, or the parser's error text; absent for JSON of another shape.
struct Document {
    std::optional<QJsonObject> object;
    std::optional<QString> error;
};

Document parseDocument(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        return {std::nullopt, error.errorString()};
    }
    if (!document.isObject()) {
        return {};
    }
    return {document.object(), std::nullopt};
}

std::optional<int> yearOf(const std::optional<QString>& text) {
    return text ? extractYear(*text) : std::nullopt;
}

} // namespace

QByteArray encodeQueryValue(const QString& text) {
    return QUrl::toPercentEncoding(text, ":/");
}

QString quoteLuceneTerm(const QString& text) {
    static const QString special = uR"(+-&|!(){}[]^"~*?:\/)"_s;
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(u'"');
    for (const QChar c : text) {
        if (special.contains(c)) {
            quoted.append(u'\\');
        }
        quoted.append(c);
    }
    quoted.append(u'"');
    return quoted;
}

QUrl iTunesSearchUrl(const QUrl& base, const QString& artist, const QString& title) {
    if (!base.isValid()) {
        return {};
    }
    return strictUrl(baseBytes(base) + "/search?term=" + encodeQueryValue(artist + u' ' + title) +
                     "&entity=song&limit=1");
}

QUrl musicBrainzSearchUrl(const QUrl& base, const QString& artist, const QString& title) {
    if (!base.isValid()) {
        return {};
    }
    const QString query =
        u"artist:"_s + quoteLuceneTerm(artist) + u" AND recording:"_s + quoteLuceneTerm(title);
    return strictUrl(baseBytes(base) + "/ws/2/recording/?query=" + encodeQueryValue(query) +
                     "&fmt=json&limit=1");
}

QString coverArtUrl(const QUrl& base, const QString& releaseId) {
    return QString::fromLatin1(baseBytes(base)) + u"/release/"_s +
           QString::fromLatin1(QUrl::toPercentEncoding(releaseId)) + u"/front-500"_s;
}

ReplyParse parseITunesReply(const QByteArray& body) {
    const Document document = parseDocument(body);
    if (!document.object) {
        return {std::nullopt, document.error};
    }
    const std::optional<QJsonObject> entry = firstObject(*document.object, "results"_L1);
    if (!entry) {
        return {};
    }
    MusicMetadata metadata;
    metadata.title = stringField(*entry, "trackName"_L1);
    metadata.artist = stringField(*entry, "artistName"_L1);
    metadata.year = yearOf(stringField(*entry, "releaseDate"_L1));
    if (std::optional<QString> artwork = stringField(*entry, "artworkUrl100"_L1)) {
        // The catalogue's 100-pixel artwork address turned into the 600-pixel one.
        metadata.coverURL = artwork->replace(u"100x100"_s, u"600x600"_s);
    }
    metadata.genre = stringField(*entry, "primaryGenreName"_L1);
    return {metadata, std::nullopt};
}

ReplyParse parseMusicBrainzReply(const QByteArray& body, const QUrl& coverArtBase) {
    const Document document = parseDocument(body);
    if (!document.object) {
        return {std::nullopt, document.error};
    }
    const std::optional<QJsonObject> recording = firstObject(*document.object, "recordings"_L1);
    if (!recording) {
        return {};
    }
    MusicMetadata metadata;
    metadata.title = stringField(*recording, "title"_L1);
    if (const std::optional<QJsonObject> credit = firstObject(*recording, "artist-credit"_L1)) {
        metadata.artist = stringField(*credit, "name"_L1);
    }
    if (const std::optional<QJsonObject> release = firstObject(*recording, "releases"_L1)) {
        metadata.year = yearOf(stringField(*release, "date"_L1));
        const std::optional<QString> id = stringField(*release, "id"_L1);
        if (id && !id->isEmpty()) {
            metadata.coverURL = coverArtUrl(coverArtBase, *id);
        }
    }
    // MusicBrainz recordings carry no genre here: `genre` stays absent.
    return {metadata, std::nullopt};
}

QString cacheKey(const QString& artist, const QString& title) {
    const QString joined = artist.toLower() + u'_' + title.toLower();
    // Diacritic folding: decompose, then drop the combining marks.
    const QString decomposed = joined.normalized(QString::NormalizationForm_D);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing) {
            continue;
        }
        key.append(c == u' ' ? u'_' : c);
    }
    return key.normalized(QString::NormalizationForm_C);
}

std::optional<qint64> parseRetryAfter(const QByteArray& value, const QDateTime& now) {
    const QByteArray trimmed = value.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 seconds = trimmed.toLongLong(&ok);
    if (ok) {
        // Capped at a day so that the arithmetic cannot overflow; callers cap far lower.
        return seconds < 0 ? std::nullopt : std::optional<qint64>(qMin<qint64>(seconds, 86400) * 1000);
    }
    // HTTP dates end in "GMT", which the RFC 2822 reader wants as a numeric offset.
    QString text = QString::fromLatin1(trimmed);
    if (text.endsWith(" GMT"_L1)) {
        text.chop(4);
        text.append(" +0000"_L1);
    }
    const QDateTime date = QDateTime::fromString(text, Qt::RFC2822Date);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return qBound<qint64>(0, now.msecsTo(date), qint64(86400) * 1000);
}

} // namespace quirella::catalogue
