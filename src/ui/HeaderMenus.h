// SPDX-License-Identifier: GPL-3.0-or-later
// The right-click menus of the song table's column headers. A column's menu is built afresh each time it
// opens, from entries that the owners of the commands register per column in two slots:
// - `Slot::top`, at the top of the menu: the look-up and cover commands ("Auto-Search All Covers",
//   "Clear All Covers", "Auto-Search All Genres", "Auto-Search All Years");
// - `Slot::editing`, below it: the column's bulk edits ("Replace All Titles", "UPPERCASE", ...).
// Providers of one slot add their entries in the order they were registered; a separator parts the two
// slots when both gave entries. A column whose providers add nothing opens no menu.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace quirella::ui {

class HeaderMenus {
public:
    enum class Slot { top, editing };
    // Adds this column's entries to the menu being built. Called every time the menu opens, so the
    // entries may depend on the current state (enabled flags, counts).
    using Provider = std::function<void(QMenu& menu)>;

    void addHeaderMenuProvider(QStringView columnId, Provider provider, Slot slot = Slot::top);
    // The menu of this column, or an empty menu when no provider adds an entry.
    std::unique_ptr<QMenu> build(QStringView columnId, QWidget* parent) const;

private:
    struct Entry {
        Slot slot;
        Provider provider;
    };
    QHash<QString, QList<Entry>> m_providers;
};

} // namespace quirella::ui
