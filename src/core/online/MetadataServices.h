// SPDX-License-Identifier: GPL-3.0-or-later
// The two catalogue clients behind one interface. Each asks one catalogue about one recording and gives
// back at most one match. They keep no state of their own: turns, pauses and the transfer budget come
// from the caller (MusicMetadataManager), which is their only user.
#pragma once

#include "online/Manners.h"
#include "online/MusicMetadata.h"

#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace quirella {

struct ServiceAnswer {
    enum class Kind {
        match,   // the catalogue knows the recording
        noMatch, // a valid reply without an entry
        failed,  // the transfer failed, the body was not JSON, or the address could not be formed
        busy,    // the catalogue kept answering "busy"
        stopped, // the caller stopped while waiting for a turn
    };
    Kind kind = Kind::failed;
    std::optional<MusicMetadata> metadata;
    QString detail; // the transfer's or the JSON parser's own error text
};

struct LookupContext {
    HttpClient& http;
    TransferBudget& budget;
    const StopFlag* stop = nullptr;
};

class MusicMetadataService {
public:
    virtual ~MusicMetadataService() = default;
    virtual QString name() const = 0;
    // Artist first, title second.
    virtual ServiceAnswer fetchMetadata(const QString& artist, const QString& title,
                                        LookupContext& context) = 0;
};

class iTunesSearchService : public MusicMetadataService {
public:
    iTunesSearchService(QUrl base, std::shared_ptr<RateGate> gate, Manners manners);
    QString name() const override;
    ServiceAnswer fetchMetadata(const QString& artist, const QString& title, LookupContext& context) override;

private:
    QUrl m_base;
    std::shared_ptr<RateGate> m_gate;
    Manners m_manners;
};

class MusicBrainzService : public MusicMetadataService {
public:
    // The gate spaces every MusicBrainz request of the process (the service allows one a second).
    MusicBrainzService(QUrl base, QUrl coverArtBase, std::shared_ptr<RateGate> gate, Manners manners);
    QString name() const override;
    ServiceAnswer fetchMetadata(const QString& artist, const QString& title, LookupContext& context) override;

private:
    QUrl m_base;
    QUrl m_coverArtBase;
    std::shared_ptr<RateGate> m_gate;
    Manners m_manners;
};

} // namespace quirella
