// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/MetadataServices.h"

#include "online/CatalogueReplies.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

constexpr qint64 maxJsonBytes = 2 * 1024 * 1024;

ServiceAnswer ask(const QUrl& url, RateGate& gate, const Manners& manners, LookupContext& context,
                  const std::function<catalogue::ReplyParse(const QByteArray&)>& parse) {
    if (!url.isValid()) {
        return {ServiceAnswer::Kind::failed, std::nullopt, describe(MetadataError::invalidResponse)};
    }
    HttpRequest request;
    request.url = url;
    request.headers = {{"Accept", "application/json"}};
    request.maxBodyBytes = maxJsonBytes;
    const PoliteReply polite = politeGet(context.http, gate, request, context.budget, context.stop, manners);
    switch (polite.outcome) {
    case PoliteReply::Outcome::stopped:
        return {ServiceAnswer::Kind::stopped, std::nullopt, {}};
    case PoliteReply::Outcome::busy:
        return {ServiceAnswer::Kind::busy, std::nullopt,
                QCoreApplication::translate("HttpClient", "Busy (HTTP %1)").arg(polite.reply.status)};
    case PoliteReply::Outcome::failed:
        return {ServiceAnswer::Kind::failed, std::nullopt, polite.reply.errorString};
    case PoliteReply::Outcome::answered:
        break;
    }
    // The status is not examined further: an error page in JSON without the expected keys is "no
    // match", and a body that is not JSON is the parser's error.
    const catalogue::ReplyParse parsed = parse(polite.reply.body);
    if (parsed.jsonError) {
        return {ServiceAnswer::Kind::failed, std::nullopt, *parsed.jsonError};
    }
    if (!parsed.metadata) {
        return {ServiceAnswer::Kind::noMatch, std::nullopt, {}};
    }
    return {ServiceAnswer::Kind::match, parsed.metadata, {}};
}

} // namespace

iTunesSearchService::iTunesSearchService(QUrl base, std::shared_ptr<RateGate> gate, Manners manners)
    : m_base(std::move(base))
    , m_gate(std::move(gate))
    , m_manners(manners) {}

QString iTunesSearchService::name() const {
    return u"iTunes"_s;
}

ServiceAnswer iTunesSearchService::fetchMetadata(const QString& artist, const QString& title,
                                                 LookupContext& context) {
    return ask(catalogue::iTunesSearchUrl(m_base, artist, title), *m_gate, m_manners, context,
               catalogue::parseITunesReply);
}

MusicBrainzService::MusicBrainzService(QUrl base, QUrl coverArtBase, std::shared_ptr<RateGate> gate,
                                       Manners manners)
    : m_base(std::move(base))
    , m_coverArtBase(std::move(coverArtBase))
    , m_gate(std::move(gate))
    , m_manners(manners) {}

QString MusicBrainzService::name() const {
    return u"MusicBrainz"_s;
}

ServiceAnswer MusicBrainzService::fetchMetadata(const QString& artist, const QString& title,
                                                LookupContext& context) {
    const QUrl coverBase = m_coverArtBase;
    return ask(
        catalogue::musicBrainzSearchUrl(m_base, artist, title), *m_gate, m_manners, context,
        [coverBase](const QByteArray& body) { return catalogue::parseMusicBrainzReply(body, coverBase); });
}

} // namespace quirella
