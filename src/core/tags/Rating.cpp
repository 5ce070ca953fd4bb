// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Rating.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace quirella::rating {

namespace {

constexpr QChar kStar(0x2605); // ★

// Strict UTF-8: bytes that are not UTF-8 give nothing rather than replacement characters.
std::optional<QString> decodeUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::uint8_t popmByte(qint64 stars) {
    return static_cast<std::uint8_t>(std::clamp<qint64>(stars, 0, kMaxStars) * 255 / kMaxStars);
}

int starsFromPopmByte(std::uint8_t byte) {
    // byte / 255 * 5 + 0.5, truncated, in integers: (10 * byte + 255) / 510.
    return std::clamp((10 * int{byte} + 255) / 510, 0, kMaxStars);
}

std::optional<int> starsFromPopmBody(ByteView body) {
    const std::optional<std::uint64_t> emailEnd = body.find(0x00);
    if (!emailEnd) {
        return std::nullopt;
    }
    const std::optional<std::uint8_t> byte = body.u8(*emailEnd + 1);
    if (!byte) {
        return std::nullopt;
    }
    return starsFromPopmByte(*byte);
}

std::optional<UserText> userTextOf(ByteView body) {
    if (body.size() < 2) {
        return std::nullopt;
    }
    const ByteView rest = body.from(1);
    const std::optional<std::uint64_t> split = rest.find(0x00);
    if (!split || *split == 0 || rest.size() - *split < 2) {
        return std::nullopt;
    }
    QByteArrayView value = rest.from(*split + 1).toView();
    while (value.endsWith('\0')) {
        value.chop(1); // a terminator some taggers add
    }
    std::optional<QString> description = decodeUtf8(rest.slice(0, *split)->toView());
    std::optional<QString> text = decodeUtf8(value);
    if (!description || !text) {
        return std::nullopt;
    }
    return UserText{std::move(*description), std::move(*text)};
}

bool isRatingDescription(const QString& description) {
    return description.toUpper().contains(QLatin1String("RATING"));
}

std::optional<qint64> starsFromUserText(const UserText& text) {
    const QString description = text.description.toUpper();
    if (description == QLatin1String("RATING_NUMERIC")) {
        bool ok = false;
        const qint64 number = text.value.trimmed().toLongLong(&ok);
        if (!ok) {
            return std::nullopt;
        }
        return std::clamp<qint64>(number, 0, kMaxStars);
    }
    if (description == QLatin1String("RATING")) {
        return std::min<qint64>(text.value.count(kStar), kMaxStars);
    }
    return std::nullopt;
}

QString ratingComment(int stars) {
    return QStringLiteral("Rating: ") + QString(std::clamp(stars, 0, kMaxStars), kStar);
}

bool isRatingComment(const QString& text) {
    return text.contains(QLatin1String("Rating:")) && text.contains(kStar);
}

std::optional<qint64> starsOfRatingComment(const QString& text) {
    if (!isRatingComment(text)) {
        return std::nullopt;
    }
    return std::min<qint64>(text.count(kStar), kMaxStars);
}

namespace {

std::optional<double> decimalOf(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// Rounds half up; the small margin keeps 0.7 × 5 (3.4999...) at 4.
int roundStars(double value) {
    return static_cast<int>(std::floor(value + 0.5 + 1e-9));
}

} // namespace

std::optional<int> starsFromFmpsRating(const QString& text) {
    const std::optional<double> value = decimalOf(text);
    if (!value || *value < 0.0 || *value > 1.0) {
        return std::nullopt;
    }
    return std::clamp(roundStars(*value * kMaxStars), 0, kMaxStars);
}

std::optional<ScaledRating> starsFromVorbisRating(const QString& text) {
    const std::optional<double> value = decimalOf(text);
    if (!value) {
        return std::nullopt;
    }
    if (*value >= 1.0 && *value <= 5.0) {
        return ScaledRating{roundStars(*value), RatingScale::stars};
    }
    if (*value >= 6.0 && *value <= 100.0) {
        return ScaledRating{std::clamp(roundStars(*value / 20.0), 0, kMaxStars), RatingScale::percent};
    }
    return std::nullopt;
}

QString fmpsRating(int stars) {
    return QString::number(std::clamp(stars, 0, kMaxStars) / double(kMaxStars), 'f', 1);
}

QString vorbisRating(int stars, RatingScale scale) {
    const int clamped = std::clamp(stars, 0, kMaxStars);
    return QString::number(scale == RatingScale::percent ? clamped * 20 : clamped);
}

} // namespace quirella::rating
