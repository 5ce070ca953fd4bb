// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/TagWriter.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quirella {

bool WriteCancellation::cancel() {
    int expected = running;
    return m_state.compare_exchange_strong(expected, cancelled) || expected == cancelled;
}

bool WriteCancellation::isCancelled() {
    if (m_alsoCancelled && m_alsoCancelled()) {
        cancel();
    }
    return m_state.load() == cancelled;
}

bool WriteCancellation::beginReplacement() {
    if (isCancelled()) {
        return false;
    }
    int expected = running;
    return m_state.compare_exchange_strong(expected, replacing) || expected == replacing;
}

TagStatus cancelledWrite(const QString& path) {
    return TagStatus::failure(
        TagError::writeFailure,
        QCoreApplication::translate("TagWriter", "Writing “%1” was cancelled; the file is unchanged.")
            .arg(QFileInfo(path).fileName()));
}

} // namespace quirella
