// SPDX-License-Identifier: GPL-3.0-or-later
// The file work that precedes playback of a song: resolving its bookmark, checking the file, beginning
// access and making sure it decodes as audio. It may touch a slow disk, so it runs off the UI thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace quirella {

struct PlayableFile {
    QUrl location;      // a local file URL the player can open
    QString accessPath; // access to it has begun; whoever holds this ends it
};

// The song's file, ready for a player, or nothing when it cannot be played: the bookmark does not
// resolve, the file is gone, access is refused, its path has no URL form, or its contents do not decode
// as audio. Access begun for a file that is then refused is ended again.
std::optional<PlayableFile> preparePlayback(const QByteArray& bookmarkData);

// Whether FFmpeg finds an audio stream with a decoder in the file.
bool isDecodableAudio(const QString& path);

// Ends the access begun by preparePlayback.
void endPlayback(const PlayableFile& file);

} // namespace quirella
