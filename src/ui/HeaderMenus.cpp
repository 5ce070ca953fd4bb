// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HeaderMenus.h"

#include <QMenu>

namespace quirella::ui {

void HeaderMenus::addHeaderMenuProvider(QStringView columnId, Provider provider, Slot slot) {
    m_providers[columnId.toString()].append({slot, std::move(provider)});
}

std::unique_ptr<QMenu> HeaderMenus::build(QStringView columnId, QWidget* parent) const {
    auto menu = std::make_unique<QMenu>(parent);
    const QList<Entry> entries = m_providers.value(columnId.toString());
    for (const Slot slot : {Slot::top, Slot::editing}) {
        const qsizetype before = menu->actions().size();
        if (slot == Slot::editing && before > 0) {
            menu->addSeparator();
        }
        for (const Entry& entry : entries) {
            if (entry.slot == slot && entry.provider) {
                entry.provider(*menu);
            }
        }
        // A separator with nothing under it would end the menu with a stray line.
        if (slot == Slot::editing && before > 0 && menu->actions().size() == before + 1) {
            menu->removeAction(menu->actions().constLast());
        }
    }
    return menu;
}

} // namespace quirella::ui
