// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HeaderBar.h"

#include "ui/Icons.h"

#include <QBoxLayout>
#include <QLabel>

namespace quirella::ui {

HeaderBar::HeaderBar(QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(44);
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(14, 8, 14, 8);
    m_layout->setSpacing(8);

    auto* logo = new QLabel(this);
    logo->setPixmap(icons::artwork(u"logo", 24, devicePixelRatioF()));
    logo->setFixedSize(24, 24);
    logo->setAccessibleName(tr("Quirella Tag-Editor logo"));
    m_layout->addWidget(logo);

    m_title = new QLabel(tr("Quirella Tag-Editor"), this);
    m_title->setAccessibleName(tr("Quirella Tag-Editor"));
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(16);
    titleFont.setWeight(QFont::Bold);
    m_title->setFont(titleFont);
    m_layout->addWidget(m_title);
    m_layout->addSpacing(16);

    m_countIcon = new QLabel(this);
    m_countIcon->setFixedSize(16, 16);
    m_countIcon->setAccessibleName(tr("Songs"));
    m_layout->addWidget(m_countIcon);
    m_count = new QLabel(this);
    QFont countFont = m_count->font();
    countFont.setPixelSize(13);
    m_count->setFont(countFont);
    m_layout->addWidget(m_count);
    m_layout->addStretch(1);

    setTheme(Theme::deepCharcoal());
    setSongCount(std::nullopt);
}

void HeaderBar::setSongCount(std::optional<int> count) {
    m_countIcon->setVisible(count.has_value());
    m_count->setVisible(count.has_value());
    if (count) {
        m_count->setText(tr("%n songs", nullptr, *count));
        m_count->setAccessibleName(m_count->text());
    }
}

QString HeaderBar::songCountText() const {
    return m_count->text();
}

bool HeaderBar::isSongCountShown() const {
    return !m_count->isHidden();
}

void HeaderBar::addTrailingWidget(QWidget* widget) {
    m_layout->addWidget(widget);
}

void HeaderBar::setTheme(const Theme& theme) {
    const ThemeColors colors = themeColors(theme);
    m_text = colors.text;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colors.text);
    setPalette(palette);
    QPalette secondary = palette;
    secondary.setColor(QPalette::WindowText, colors.secondaryText);
    m_count->setPalette(secondary);
    m_countIcon->setPixmap(icons::symbol(u"music.note.list", colors.secondaryText, 16, devicePixelRatioF()));
}

} // namespace quirella::ui
