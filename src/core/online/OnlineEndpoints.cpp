// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/OnlineEndpoints.h"

#include <QHostAddress>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

void override(QUrl& target, const char* variable, QStringList* warnings) {
    const QString value = qEnvironmentVariable(variable);
    if (value.isEmpty()) {
        return;
    }
    const QUrl url(value, QUrl::StrictMode);
    if (!isAllowedUrl(url)) {
        if (warnings) {
            warnings->append(QString::fromLatin1(variable) + u" is ignored: "_s + value +
                             u" is neither https nor http on a loopback address"_s);
        }
        return;
    }
    target = url;
}

} // namespace

OnlineEndpoints OnlineEndpoints::fromEnvironment(QStringList* warnings) {
    OnlineEndpoints endpoints;
    override(endpoints.iTunes, "QUIRELLA_ITUNES_URL", warnings);
    override(endpoints.musicBrainz, "QUIRELLA_MUSICBRAINZ_URL", warnings);
    override(endpoints.coverArt, "QUIRELLA_COVERART_URL", warnings);
    return endpoints;
}

bool isAllowedUrl(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == "https"_L1) {
        return true;
    }
    if (scheme != "http"_L1) {
        return false;
    }
    const QString host = url.host().toLower();
    if (host == "localhost"_L1) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QByteArray userAgent() {
    // The catalogues' operators ask for a way to reach whoever answers for a client. A build for
    // distribution names its address in QUIRELLA_CONTACT; the default, like the package contact, is a
    // placeholder in a reserved domain that can never reach a stranger.
    return QByteArrayLiteral("QuirellaTagEditor/" QUIRELLA_VERSION " ( " QUIRELLA_CONTACT " )");
}

} // namespace quirella
