// SPDX-License-Identifier: GPL-3.0-or-later
// The preview player's sound through Qt Multimedia (QMediaPlayer with QAudioOutput).
#pragma once

#include "audio/AudioPlayer.h"

namespace quirella {

// Players made by this factory run their QMediaPlayer on one media thread that the factory shares among
// them, so that opening a file (which the media framework does partly synchronously) never holds up the
// UI thread. The thread ends when the factory and every player it made are gone.
AudioPlayerFactory mediaPlayerFactory();

} // namespace quirella
