// SPDX-License-Identifier: GPL-3.0-or-later
// Star ratings as the tag formats store them. Loading, the WAV reader and the writers all go through
// these rules, so a rating written by one reads back the same through every other.
#pragma once

#include "tags/ByteView.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace quirella::rating {

inline constexpr int kMaxStars = 5;

// The POPM rating byte for 1 to 5 stars: stars / 5 * 255, truncated (51, 102, 153, 204, 255). Values
// outside 0..5 are clamped first, so they cannot wrap the one-byte field.
std::uint8_t popmByte(qint64 stars);

// The stars a POPM rating byte stands for: byte / 255 * 5 + 0.5, truncated. 0-25 give 0, 26-76 give 1,
// 77-127 give 2, 128-178 give 3, 179-229 give 4, 230-255 give 5.
int starsFromPopmByte(std::uint8_t byte);

// The stars of a POPM frame body (e-mail text, 0x00, the rating byte, an optional play counter), or
// nothing when the body has no rating byte.
std::optional<int> starsFromPopmBody(ByteView body);

// The description and value of a TXXX frame body (encoding byte, description, 0x00, value), both in
// UTF-8 (plain ASCII included; other encodings give nothing). Both parts must be there and the
// description not empty; terminating zeros after the value are dropped.
struct UserText {
    QString description;
    QString value;
};
std::optional<UserText> userTextOf(ByteView body);

// Whether a TXXX description names a rating: upper-cased, it contains "RATING". The writers replace
// every such frame.
bool isRatingDescription(const QString& description);

// The stars of a rating TXXX: "RATING_NUMERIC" holds the number in decimal (clamped to 0..5; a value
// that does not parse gives nothing), "RATING" one "★" per star (at most 5 counted). Descriptions are
// compared in upper case; any other description gives nothing.
std::optional<qint64> starsFromUserText(const UserText& text);

// The M4A rating comment: "Rating: " followed by one "★" per star.
QString ratingComment(int stars);
// Whether a comment text is a rating comment: it contains "Rating:" and at least one "★".
bool isRatingComment(const QString& text);
// The stars of a rating comment (at most 5 counted), or nothing for any other text.
std::optional<qint64> starsOfRatingComment(const QString& text);

// Vorbis comments (FLAC, Ogg Vorbis, Opus). FMPS_RATING holds a fraction from 0.0 to 1.0: stars =
// round(value × 5). RATING holds 1 to 5 stars, or a percentage from 6 to 100: stars = round(value / 20).
// Anything else gives nothing.
std::optional<int> starsFromFmpsRating(const QString& text);
enum class RatingScale { stars, percent };
struct ScaledRating {
    int stars = 0;
    RatingScale scale = RatingScale::stars;
};
std::optional<ScaledRating> starsFromVorbisRating(const QString& text);
// The texts written for 1 to 5 stars: FMPS_RATING as stars / 5 with one decimal ("0.8", "1.0"), RATING
// in the scale it was found in ("4" or "80").
QString fmpsRating(int stars);
QString vorbisRating(int stars, RatingScale scale);

} // namespace quirella::rating
