// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue reply parsers over arbitrary bytes: the iTunes search reply and the MusicBrainz
// recording reply. Whatever the body, a year is within 1900..2099 and a cover address is built on the
// cover archive's base.
#include "FuzzSupport.h"
#include "online/CatalogueReplies.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkMetadata(const std::optional<quirella::MusicMetadata>& metadata) {
    if (metadata && metadata->year) {
        quirella::fuzz::check(*metadata->year >= 1900 && *metadata->year <= 2099);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const quirella::catalogue::ReplyParse iTunes = quirella::catalogue::parseITunesReply(body);
    quirella::fuzz::check(!(iTunes.metadata && iTunes.jsonError));
    checkMetadata(iTunes.metadata);

    const QUrl coverBase(QStringLiteral("https://covers.example"));
    const quirella::catalogue::ReplyParse musicBrainz =
        quirella::catalogue::parseMusicBrainzReply(body, coverBase);
    quirella::fuzz::check(!(musicBrainz.metadata && musicBrainz.jsonError));
    checkMetadata(musicBrainz.metadata);
    if (musicBrainz.metadata) {
        quirella::fuzz::check(!musicBrainz.metadata->genre.has_value());
        if (musicBrainz.metadata->coverURL) {
            quirella::fuzz::check(musicBrainz.metadata->coverURL->startsWith(
                QStringLiteral("https://covers.example/release/")));
        }
    }
    return 0;
}
