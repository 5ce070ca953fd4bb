// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/VisibleColumns.h"

#include "model/Columns.h"

#include <QSettings>

namespace quirella::ui {

VisibleColumns::VisibleColumns(QObject* parent)
    : QObject(parent)
    , m_ids(column::defaultIds()) {
    const QVariant stored = QSettings().value(preferenceKey);
    if (stored.isValid() && stored.canConvert<QStringList>()) {
        const QStringList known = column::allIds();
        QStringList ids;
        for (const QString& id : stored.toStringList()) {
            if (known.contains(id) && !ids.contains(id)) {
                ids.append(id);
            }
        }
        m_ids = ids;
    }
}

VisibleColumns::~VisibleColumns() = default;

bool VisibleColumns::contains(QStringView id) const {
    return m_ids.contains(id);
}

void VisibleColumns::toggle(QStringView id) {
    if (m_ids.contains(id)) {
        m_ids.removeAll(id.toString());
    } else {
        m_ids.append(id.toString());
    }
    store();
    emit changed();
}

void VisibleColumns::store() {
    (void)m_writer.run([ids = m_ids] { QSettings().setValue(QString(preferenceKey), ids); });
}

} // namespace quirella::ui
