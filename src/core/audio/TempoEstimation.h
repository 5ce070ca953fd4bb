// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic of tempo estimation, free of files and threads: a loudness envelope of 4410-sample
// frames, a periodicity scan of that envelope at four assumed frame rates, and a vote among the tempi the
// scans propose (with octave corrections and hints from the file name).
//
// Every step is single precision where the estimate has always been single precision, in a fixed order,
// so that the same audio gives the same tempo on every machine and in every release: the values end up
// in file names, and a tempo that changes between runs would rename files back and forth.
#pragma once

#include <QList>
#include <QStringView>

#include <array>
#include <cstddef>
#include <vector>

namespace quirella::tempo {

// Samples per envelope frame, whatever the sample rate.
inline constexpr int envelopeFrameLength = 4410;
// The tempi a scan considers, inclusive.
inline constexpr int slowestTempo = 70;
inline constexpr int fastestTempo = 170;
// The frame lengths each scan assumes, and the weight of its vote.
inline constexpr std::array<int, 4> scanFrameLengths{4410, 2205, 8820, 13230};
inline constexpr std::array<float, 4> scanWeights{1.0f, 0.8f, 0.8f, 0.7f};
// Candidates this close (in BPM) vote together.
inline constexpr double clusterTolerance = 3.0;

// Builds the envelope from mono samples that arrive in pieces of any size. Only whole frames count: a
// trailing partial frame is dropped. Memory: one float per frame.
class EnvelopeBuilder {
public:
    void add(const float* samples, std::size_t count);
    // Frames of root-mean-square loudness (with the extra constant factor 1/4410 inside the root),
    // normalised so that the loudest is 1 unless all are 0.
    std::vector<float> finish();

    // The energy of a frame is summed in this many interleaved partial sums (sample k of a frame goes to
    // sum k % lanes), added pairwise at the frame's end: the same order on every machine, and one that
    // vector units run at full speed.
    static constexpr int lanes = 8;

private:
    void closeFrame();

    std::vector<float> m_frames;
    float m_partialSums[lanes] = {};
    int m_filled = 0;
};

// Mixes `channels` planes of `count` samples each to mono, adding the planes in order and scaling by
// 1 / channels when there is more than one, and feeds the result to `envelope`.
void addMixed(EnvelopeBuilder& envelope, const float* const* planes, int channels, std::size_t count);

// The tempo among 70..170 BPM whose sine at the scan's assumed frame rate (sampleRate / frameLength
// frames a second) correlates most strongly with the envelope; 0 when nothing beats zero.
double scanTempo(const std::vector<float>& envelope, double frameLength, double sampleRate);

struct TempoCandidate {
    double bpm = 0;
    float weight = 0;
};

// The candidates for the four scan results (in the order of scanFrameLengths): the scans themselves, half
// of a first scan between 90 and 115, and, for a file name that hints at slow music, halves of the first
// two scans that land between 70 and 90. `slow` tells whether the name gave that hint.
QList<TempoCandidate> tempoCandidates(const std::array<double, 4>& scans, QStringView fileName, bool* slow);

// The clustering vote: candidates join the first earlier group whose key is within the tolerance; the
// heaviest group (slow music favouring 70..90 and disfavouring above 100) gives its weighted mean,
// rounded half away from zero. 0 without candidates.
double voteTempo(const QList<TempoCandidate>& candidates, bool slow);

// The whole estimate from the envelope: the four scans, the candidates and the vote.
double estimateTempo(const std::vector<float>& envelope, double sampleRate, QStringView fileName);

} // namespace quirella::tempo
