// SPDX-License-Identifier: GPL-3.0-or-later
// Which columns the song table shows, in display order. Restored from the "VisibleColumns" preference
// when the window is built and stored whole after every change.
#pragma once

#include "tags/SerialExecutor.h"

#include <QLatin1StringView>
#include <QObject>
#include <QStringList>
#include <QStringView>

namespace quirella::ui {

class VisibleColumns : public QObject {
    Q_OBJECT

public:
    static constexpr QLatin1StringView preferenceKey{"VisibleColumns"};

    // Reads the preference; a stored list of column ids replaces the default of all twelve columns.
    // Unknown ids and repeats in a stored list are dropped.
    explicit VisibleColumns(QObject* parent = nullptr);
    // Waits for the last store to reach the preferences file.
    ~VisibleColumns() override;

    const QStringList& ids() const { return m_ids; }
    bool contains(QStringView id) const;
    // A shown column disappears (every occurrence); a hidden one comes back at the right-hand end. Then
    // the whole list is stored.
    void toggle(QStringView id);

signals:
    void changed();

private:
    void store();

    QStringList m_ids;
    // The settings file is rewritten and flushed on each store, so that happens off the UI thread.
    SerialExecutor m_writer;
};

} // namespace quirella::ui
