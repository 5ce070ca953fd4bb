// SPDX-License-Identifier: GPL-3.0-or-later
// The bar above the content: the logo, the application's name and, while a folder is loaded, the number
// of its songs. Controls that come later (the online switch, the wallpaper button) are added at its
// trailing end with addTrailingWidget.
#pragma once

#include "ui/Theme.h"

#include <QWidget>

#include <optional>

class QHBoxLayout;
class QLabel;

namespace quirella::ui {

class HeaderBar : public QWidget {
    Q_OBJECT

public:
    explicit HeaderBar(QWidget* parent = nullptr);

    // Absent hides the count.
    void setSongCount(std::optional<int> count);
    QString songCountText() const;
    bool isSongCountShown() const;
    void addTrailingWidget(QWidget* widget);
    void setTheme(const Theme& theme);

private:
    QHBoxLayout* m_layout = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_countIcon = nullptr;
    QLabel* m_count = nullptr;
    QColor m_text;
};

} // namespace quirella::ui
