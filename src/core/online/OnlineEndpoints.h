// SPDX-License-Identifier: GPL-3.0-or-later
// Where the catalogues are and how we introduce ourselves to them.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <QUrl>

namespace quirella {

struct OnlineEndpoints {
    QUrl iTunes{QStringLiteral("https://itunes.apple.com")};
    QUrl musicBrainz{QStringLiteral("https://musicbrainz.org")};
    QUrl coverArt{QStringLiteral("https://coverartarchive.org")};

    // The defaults, each replaced by QUIRELLA_ITUNES_URL, QUIRELLA_MUSICBRAINZ_URL or
    // QUIRELLA_COVERART_URL when set (tests, users behind a mirror). An override that is not an allowed
    // address is ignored with a line in `warnings`.
    static OnlineEndpoints fromEnvironment(QStringList* warnings = nullptr);
};

// An address we may talk to: https anywhere, plain http only on a loopback address, nothing else.
bool isAllowedUrl(const QUrl& url);

// "QuirellaTagEditor/<version> (<contact>)": MusicBrainz asks every client to name itself and a contact.
QByteArray userAgent();

} // namespace quirella
