// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/RemainingTime.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace quirella {

QString remainingTimeText(double progressPercent, double elapsedSeconds) {
    // The negated test also sends NaN to "Calculating...".
    if (!(progressPercent > 0 && progressPercent < 100)) {
        return QCoreApplication::translate("RemainingTime", "Calculating...");
    }
    double remaining = elapsedSeconds / (progressPercent / 100) - elapsedSeconds;
    if (!std::isfinite(remaining)) {
        return QCoreApplication::translate("RemainingTime", "Calculating...");
    }
    // A tiny completion can give an estimate of centuries; capping it keeps the conversion to an integer
    // defined without changing any text a person could wait for.
    remaining = std::clamp(remaining, 0.0, 1.0e12);
    const auto seconds = static_cast<qint64>(remaining);
    if (remaining < 60) {
        return QCoreApplication::translate("RemainingTime", "%n seconds remaining", nullptr, int(seconds));
    }
    if (remaining < 3600) {
        const qint64 minutes = seconds / 60;
        return minutes == 1 ? QCoreApplication::translate("RemainingTime", "1 minute remaining")
                            : QCoreApplication::translate("RemainingTime", "%n minutes remaining", nullptr,
                                                          int(minutes));
    }
    return QCoreApplication::translate("RemainingTime", "%1h %2m remaining")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60);
}

} // namespace quirella
