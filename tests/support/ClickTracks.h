// SPDX-License-Identifier: GPL-3.0-or-later
// Audio with a known tempo, built sample by sample for the tempo tests: 16-bit PCM WAV files whose
// samples come from a function, and the click of a metronome (a short 1 kHz tone burst on every beat).
#pragma once

#include <QByteArray>

#include <functional>

namespace quirella::test {

// A canonical 16-bit PCM WAV file; `sample(channel, frame)` gives values in -1..1.
QByteArray pcmWav(int sampleRate, int channels, qint64 frames,
                  const std::function<double(int channel, qint64 frame)>& sample);

// The metronome at `bpm`: a 50 ms burst of a 1 kHz tone at 0.8 of full scale at the start of each beat,
// silence between.
double click(double bpm, int sampleRate, qint64 frame);

// A mono click track at 44.1 kHz.
QByteArray clickTrackWav(double bpm, double seconds, int sampleRate = 44100);

} // namespace quirella::test
