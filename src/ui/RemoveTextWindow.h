// SPDX-License-Identifier: GPL-3.0-or-later
// The remove-text tool window: ten terms and one replacement for all of them, applied to title, artist
// and genre of every song. Not modal: it stays open beside the table until applied or closed. Its values
// are remembered between launches ("SearchText1" ... "SearchText10", "GlobalReplaceText"): read back
// every time it opens, stored on "Apply" and "Clear All Fields". Typed values that were neither applied
// nor cleared live only as long as the window is open.
#pragma once

#include "operations/RemoveTextValues.h"
#include "tags/SerialExecutor.h"

#include <QFuture>
#include <QList>
#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;

namespace quirella::ui {

class RemoveTextWindow : public QWidget {
    Q_OBJECT

public:
    using Apply = std::function<void(const QStringList& terms, const QString& replacement)>;
    explicit RemoveTextWindow(Apply apply, QWidget* parent = nullptr);
    ~RemoveTextWindow() override;

    // Reads the stored values into the fields and shows the window (raising it when already open).
    void open();

    QLineEdit* termField(int index) const { return m_terms.value(index); }
    QLineEdit* replacementField() const { return m_replacement; }
    QPushButton* applyButton() const { return m_apply; }
    QPushButton* clearButton() const { return m_clear; }
    QPushButton* closeButton() const { return m_close; }
    RemoveTextValues values() const;
    // The latest store of the values; finished once they are in the preference file.
    QFuture<void> lastStore() const { return m_lastStore; }

protected:
    // Return applies (when a term is there), Escape closes.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setValues(const RemoveTextValues& values);
    void store();
    void updateApply();
    void applyTerms();
    void clearAll();

    Apply m_onApply;
    QList<QLineEdit*> m_terms;
    QLineEdit* m_replacement = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_close = nullptr;
    SerialExecutor m_writer;
    QFuture<void> m_lastStore;
};

} // namespace quirella::ui
