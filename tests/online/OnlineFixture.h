// SPDX-License-Identifier: GPL-3.0-or-later
// One local server playing both catalogues and the cover archive (under /itunes, /mb and /caa), and a
// look-up manager with its own cache pointed at it.
#pragma once

#include "model/Song.h"
#include "online/MetadataCache.h"
#include "online/MusicMetadataManager.h"
#include "support/AudioFiles.h"
#include "support/LocalHttpServer.h"
#include "support/Songs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace quirella::test {

inline QByteArray pngBytes() {
    return imageBytes(QColor(0x33, 0x66, 0xcc), 8, 8, "PNG");
}

inline QByteArray iTunesReply(const QString& title, const QString& artist, const QString& genre,
                              const QString& date, const QString& artwork) {
    const QString artworkField =
        artwork.isEmpty() ? QString() : QStringLiteral(R"(,"artworkUrl100":"%1")").arg(artwork);
    return QStringLiteral(R"({"resultCount":1,"results":[{"trackName":"%1","artistName":"%2",)"
                          R"("primaryGenreName":"%3","releaseDate":"%4"%5}]})")
        .arg(title, artist, genre, date, artworkField)
        .toUtf8();
}

inline QByteArray musicBrainzReply(const QString& title, const QString& artist, const QString& date,
                                   const QString& releaseId) {
    return QStringLiteral(R"({"count":1,"recordings":[{"title":"%1","artist-credit":[{"name":"%2"}],)"
                          R"("releases":[{"id":"%4","date":"%3"}]}]})")
        .arg(title, artist, date, releaseId)
        .toUtf8();
}

inline const QByteArray noITunesResults = R"({"resultCount":0,"results":[]})";
inline const QByteArray noRecordings = R"({"count":0,"recordings":[]})";

class OnlineTest : public ::testing::Test {
protected:
    // A manager on the server; quick back-off so that busy replies do not slow the suite. It waits on
    // the machine's clock unless given another.
    std::unique_ptr<MusicMetadataManager>
    makeManager(std::chrono::milliseconds minimumDelay = std::chrono::milliseconds(300),
                std::shared_ptr<WaitClock> clock = nullptr) {
        OnlineSettings settings;
        settings.endpoints.iTunes = QUrl(server.url().toString() + QStringLiteral("/itunes"));
        settings.endpoints.musicBrainz = QUrl(server.url().toString() + QStringLiteral("/mb"));
        settings.endpoints.coverArt = QUrl(server.url().toString() + QStringLiteral("/caa"));
        settings.minimumDelay = minimumDelay;
        settings.manners.backoff = std::chrono::milliseconds(50);
        if (clock) {
            settings.clock = std::move(clock);
        }
        return std::make_unique<MusicMetadataManager>(settings, &cache);
    }

    // A future that does not finish fails the test with an empty result instead of blocking it; the
    // manager's shutdown then ends the work still waiting.
    template <typename T>
    T await(QFuture<T> future) {
        if (!waitFor(future, 60000)) {
            ADD_FAILURE() << "unfinished after a minute";
            return T{};
        }
        return future.result();
    }

    LocalHttpServer server;
    MetadataCache cache;
};

} // namespace quirella::test
