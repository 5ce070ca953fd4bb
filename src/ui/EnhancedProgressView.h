// SPDX-License-Identifier: GPL-3.0-or-later
// The progress overlay of long operations, drawn above everything in the window. It follows
// ProgressManager: a dimmed backdrop that takes every click, and a card with the operation's icon,
// message, detail line, progress bar, counts, an estimate of the time left (refreshed about once a
// second) and, for a cancellable operation, the stop button.
#pragma once

#include "ui/Theme.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QGraphicsOpacityEffect;

namespace quirella {
class ProgressManager;
}

namespace quirella::ui {

class EnhancedProgressView : public QWidget {
    Q_OBJECT

public:
    EnhancedProgressView(ProgressManager& progress, QWidget* parent = nullptr);

    // Online work shows the globe: the message mentions searching, covers, genres, years, online or
    // metadata (in any letter case).
    static bool usesGlobeLogo(const QString& message);

    bool isShown() const { return m_shown; }
    QString iconName() const { return m_iconName; }
    QString messageText() const;
    QString detailText() const;
    QString countText() const;
    QString remainingText() const;
    QPushButton* stopButton() const { return m_stop; }
    void setTheme(const Theme& theme);

signals:
    // It had the keyboard when it went away and the widget that had it before is gone too.
    void keyboardReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void syncVisibility();
    void syncFields();
    void syncProgress();
    void syncBar();
    void refreshRemaining();
    void layoutCard();

    ProgressManager& m_progress;
    bool m_shown = false;
    QPointer<QWidget> m_focusBefore;
    QString m_iconName;
    QElapsedTimer m_shownSince;
    QTimer m_clock;
    QVariantAnimation m_fade;
    QGraphicsOpacityEffect* m_opacity = nullptr;
    QWidget* m_card = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_detail = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_clockIcon = nullptr;
    QLabel* m_remaining = nullptr;
    QPushButton* m_stop = nullptr;
    ThemeColors m_colors;
};

} // namespace quirella::ui
