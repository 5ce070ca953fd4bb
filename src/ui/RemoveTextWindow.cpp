// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RemoveTextWindow.h"

#include "ui/KeyboardNavigation.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quirella::ui {

RemoveTextWindow::RemoveTextWindow(Apply apply, QWidget* parent)
    : QWidget(parent, Qt::Tool)
    , m_onApply(std::move(apply)) {
    setWindowTitle(tr("Remove Text from All Songs"));
    setFixedWidth(440);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(8);

    auto* header = new QLabel(tr("Remove Text from All Songs"), this);
    header->setObjectName(QStringLiteral("headline"));
    QFont font = header->font();
    font.setPixelSize(16);
    font.setWeight(QFont::DemiBold);
    header->setFont(font);
    layout->addWidget(header);
    auto* subtitle = new QLabel(tr("Enter terms to search for or copy/paste from songs"), this);
    subtitle->setObjectName(QStringLiteral("subtitle"));
    layout->addWidget(subtitle);

    auto* form = new QFormLayout;
    form->setSpacing(6);
    for (int i = 0; i < RemoveTextValues::termCount; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("term%1").arg(i + 1));
        connect(field, &QLineEdit::textChanged, this, &RemoveTextWindow::updateApply);
        form->addRow(tr("Term %1").arg(i + 1), field);
        m_terms.append(field);
    }
    layout->addLayout(form);

    auto* replacementLabel = new QLabel(tr("Replace with (optional - applies to all terms):"), this);
    layout->addWidget(replacementLabel);
    m_replacement = new QLineEdit(this);
    replacementLabel->setBuddy(m_replacement); // which names the field for screen readers
    m_replacement->setObjectName(QStringLiteral("replacementField"));
    m_replacement->setPlaceholderText(tr("Replacement text"));
    layout->addWidget(m_replacement);

    auto* buttons = new QHBoxLayout;
    m_close = new QPushButton(tr("Close"), this);
    m_clear = new QPushButton(tr("Clear All Fields"), this);
    m_apply = new QPushButton(tr("Apply"), this);
    m_apply->setDefault(true); // drawn as the button Return presses
    keyboard::tabOnly({m_close, m_clear, m_apply});
    buttons->addWidget(m_close);
    buttons->addStretch(1);
    buttons->addWidget(m_clear);
    buttons->addWidget(m_apply);
    layout->addLayout(buttons);

    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_clear, &QPushButton::clicked, this, &RemoveTextWindow::clearAll);
    connect(m_apply, &QPushButton::clicked, this, &RemoveTextWindow::applyTerms);
    updateApply();
}

RemoveTextWindow::~RemoveTextWindow() = default; // the writer finishes the last store first

void RemoveTextWindow::open() {
    m_lastStore.waitForFinished(); // a store still under way holds the newest values
    setValues(RemoveTextValues::load());
    show();
    raise();
    activateWindow();
    m_terms.first()->setFocus(Qt::OtherFocusReason);
}

void RemoveTextWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        applyTerms(); // does nothing while every term is empty
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

RemoveTextValues RemoveTextWindow::values() const {
    RemoveTextValues values;
    for (int i = 0; i < RemoveTextValues::termCount; ++i) {
        values.terms[i] = m_terms.at(i)->text();
    }
    values.replacement = m_replacement->text();
    return values;
}

void RemoveTextWindow::setValues(const RemoveTextValues& values) {
    for (int i = 0; i < RemoveTextValues::termCount; ++i) {
        m_terms.at(i)->setText(values.terms.value(i));
    }
    m_replacement->setText(values.replacement);
}

void RemoveTextWindow::store() {
    // Off the UI thread: the preference file is rewritten on every store.
    m_lastStore = m_writer.run([values = values()] { values.store(); });
}

void RemoveTextWindow::updateApply() {
    bool anyTerm = false;
    for (const QLineEdit* field : std::as_const(m_terms)) {
        anyTerm = anyTerm || !field->text().isEmpty();
    }
    m_apply->setEnabled(anyTerm);
}

void RemoveTextWindow::applyTerms() {
    if (!m_apply->isEnabled()) {
        return;
    }
    store();
    const RemoveTextValues current = values();
    if (m_onApply) {
        m_onApply(current.usedTerms(), current.replacement);
    }
    close();
}

void RemoveTextWindow::clearAll() {
    setValues({});
    store();
}

} // namespace quirella::ui
