// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/TempoEstimation.h"

#include <QString>

#include <algorithm>
#include <bit>
#include <cmath>

namespace quirella::tempo {

namespace {

// One unit in the last place below the single-precision π (0x40490FDB). Every tempo ever stored was
// computed with this value; changing it would move some estimates by one BPM.
const float scanPi = std::bit_cast<float>(0x40490FDAu);

constexpr std::size_t mixChunk = 1024;

bool within(double value, double low, double high) {
    return value >= low && value <= high;
}

} // namespace

void EnvelopeBuilder::add(const float* samples, std::size_t count) {
    while (count > 0) {
        const auto run = std::min<std::size_t>(count, std::size_t(envelopeFrameLength - m_filled));
        std::size_t i = 0;
        // Up to the next lane boundary one by one, then whole groups, then the rest.
        for (; i < run && (m_filled + int(i)) % lanes != 0; ++i) {
            m_partialSums[(m_filled + int(i)) % lanes] += samples[i] * samples[i];
        }
        float sums[lanes];
        std::copy_n(m_partialSums, lanes, sums);
        for (; i + lanes <= run; i += lanes) {
            for (int lane = 0; lane < lanes; ++lane) {
                sums[lane] += samples[i + std::size_t(lane)] * samples[i + std::size_t(lane)];
            }
        }
        std::copy_n(sums, lanes, m_partialSums);
        for (; i < run; ++i) {
            m_partialSums[(m_filled + int(i)) % lanes] += samples[i] * samples[i];
        }
        m_filled += int(run);
        samples += run;
        count -= run;
        if (m_filled == envelopeFrameLength) {
            closeFrame();
        }
    }
}

void EnvelopeBuilder::closeFrame() {
    static_assert(lanes == 8, "the pairwise sum below adds eight partial sums");
    const float* p = m_partialSums;
    const float sumOfSquares = ((p[0] + p[1]) + (p[2] + p[3])) + ((p[4] + p[5]) + (p[6] + p[7]));
    const float meanOfSquares = sumOfSquares / float(envelopeFrameLength);
    m_frames.push_back(std::sqrt(meanOfSquares / float(envelopeFrameLength)));
    std::fill_n(m_partialSums, lanes, 0.0f);
    m_filled = 0;
}

std::vector<float> EnvelopeBuilder::finish() {
    std::vector<float> frames = std::move(m_frames);
    m_frames = {};
    std::fill_n(m_partialSums, lanes, 0.0f);
    m_filled = 0;
    const auto loudest = std::max_element(frames.begin(), frames.end());
    if (loudest != frames.end() && *loudest > 0.0f) {
        const float peak = *loudest;
        for (float& value : frames) {
            value /= peak;
        }
    }
    return frames;
}

void addMixed(EnvelopeBuilder& envelope, const float* const* planes, int channels, std::size_t count) {
    if (channels == 1) {
        envelope.add(planes[0], count);
        return;
    }
    const float scale = 1.0f / float(channels);
    float mono[mixChunk];
    for (std::size_t start = 0; start < count; start += mixChunk) {
        const std::size_t length = std::min(mixChunk, count - start);
        // Channel by channel, so that each loop runs over contiguous samples; every sample still gets
        // its channels added in channel order.
        std::copy_n(planes[0] + start, length, mono);
        for (int channel = 1; channel < channels; ++channel) {
            const float* plane = planes[channel] + start;
            for (std::size_t i = 0; i < length; ++i) {
                mono[i] += plane[i];
            }
        }
        for (std::size_t i = 0; i < length; ++i) {
            mono[i] *= scale;
        }
        envelope.add(mono, length);
    }
}

double scanTempo(const std::vector<float>& envelope, double frameLength, double sampleRate) {
    const double framesPerSecond = sampleRate / frameLength;
    const std::size_t frames = envelope.size();
    float strongest = 0.0f;
    double tempo = 0.0;
    for (int bpm = slowestTempo; bpm <= fastestTempo; ++bpm) {
        const auto cyclesPerFrame = static_cast<float>((double(bpm) / 60.0) / framesPerSecond);
        float sineSum = 0.0f;
        float cosineSum = 0.0f;
        for (std::size_t i = 0; i < frames; ++i) {
            const float x = float(i + i) * scanPi * cyclesPerFrame;
            float sine = 0.0f;
            float cosine = 0.0f;
            ::sincosf(x, &sine, &cosine);
            sineSum += envelope[i] * sine;
            cosineSum += envelope[i] * cosine;
        }
        const float magnitude = std::sqrt(sineSum * sineSum + cosineSum * cosineSum);
        // Strictly greater: of equal magnitudes the slower tempo stays.
        if (magnitude > strongest) {
            strongest = magnitude;
            tempo = double(bpm);
        }
    }
    return tempo;
}

QList<TempoCandidate> tempoCandidates(const std::array<double, 4>& scans, QStringView fileName, bool* slow) {
    QList<TempoCandidate> candidates;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        candidates.append({scans[i], scanWeights[i]});
    }
    const double first = scans[0];
    const double second = scans[1];
    if (within(first, 90.0, 115.0)) {
        candidates.append({first * 0.5, 0.9f});
    }
    const QString name = fileName.toString().toLower();
    bool hinted = false;
    for (const char* word : {"lofi", "slow", "chill", "ambient", "relax"}) {
        hinted = hinted || name.contains(QLatin1StringView(word));
    }
    if (hinted) {
        if (within(first * 0.5, 70.0, 90.0)) {
            candidates.append({first * 0.5, 1.2f});
        }
        if (within(second * 0.5, 70.0, 90.0)) {
            candidates.append({second * 0.5, 1.0f});
        }
    }
    if (slow) {
        *slow = hinted;
    }
    return candidates;
}

double voteTempo(const QList<TempoCandidate>& candidates, bool slow) {
    struct Group {
        double key = 0;
        double weightedSum = 0;
        double totalWeight = 0;
    };
    std::vector<Group> groups;
    for (const TempoCandidate& candidate : candidates) {
        // The earliest group within reach takes the candidate, so the outcome never depends on the order
        // of a hash.
        auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& existing) {
            return std::abs(candidate.bpm - existing.key) <= clusterTolerance;
        });
        if (group == groups.end()) {
            groups.push_back({candidate.bpm, 0, 0});
            group = groups.end() - 1;
        }
        group->weightedSum += candidate.bpm * double(candidate.weight);
        group->totalWeight += double(candidate.weight);
    }
    bool found = false;
    double bestWeight = 0;
    double bestMean = 0;
    for (const Group& group : groups) {
        const double mean = group.weightedSum / group.totalWeight;
        double weight = group.totalWeight;
        if (slow) {
            if (within(mean, 70.0, 90.0)) {
                weight *= 1.3;
            } else if (mean > 100.0) {
                weight *= 0.8;
            }
        }
        if (!found || weight > bestWeight) {
            found = true;
            bestWeight = weight;
            bestMean = mean;
        }
    }
    return std::round(bestMean);
}

double estimateTempo(const std::vector<float>& envelope, double sampleRate, QStringView fileName) {
    std::array<double, 4> scans{};
    for (std::size_t i = 0; i < scans.size(); ++i) {
        scans[i] = scanTempo(envelope, double(scanFrameLengths[i]), sampleRate);
    }
    bool slow = false;
    const QList<TempoCandidate> candidates = tempoCandidates(scans, fileName, &slow);
    return voteTempo(candidates, slow);
}

} // namespace quirella::tempo
