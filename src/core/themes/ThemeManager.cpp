// SPDX-License-Identifier: GPL-3.0-or-later
#include "themes/ThemeManager.h"

#include "themes/Wallpaper.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QSettings>
#include <QThread>

namespace quirella {

std::optional<QColor> ThemeManager::desktopWindowColor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr ||
        QCoreApplication::testAttribute(Qt::AA_SetPalette)) {
        return std::nullopt; // no GUI, or the palette is the one the window forced for a theme
    }
    return QGuiApplication::palette().color(QPalette::Window);
}

ThemeManager::ThemeManager(SystemColorProbe probe, QObject* parent)
    : QObject(parent)
    , m_probe(std::move(probe))
    , m_themes(builtInThemes()) {
    if (m_probe) {
        if (const std::optional<QColor> window = m_probe()) {
            m_themes.first().mainGradient = {*window, *window};
        }
    }
    const QSettings settings;
    const QString chosen = settings.value(selectedThemeKey).toString();
    m_current = themeNamed(chosen).value_or(themeNamed(defaultThemeName).value_or(m_themes.first()));
    const QVariant stored = settings.value(customWallpaperKey);
    if (stored.isValid() && !stored.toByteArray().isEmpty()) {
        m_wallpaper = stored.toByteArray(); // not checked here: the window shows none if it fails to decode
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
}

ThemeManager::~ThemeManager() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

ThemeManager& ThemeManager::instance() {
    // Never destroyed: views may still ask it while the process winds down.
    static ThemeManager* const shared = [] {
        auto* manager = new ThemeManager;
        if (const QCoreApplication* app = QCoreApplication::instance();
            app && manager->thread() != app->thread()) {
            manager->moveToThread(app->thread());
        }
        return manager;
    }();
    return *shared;
}

std::optional<Theme> ThemeManager::themeNamed(QStringView name) const {
    for (const Theme& theme : m_themes) {
        if (theme.name == name) {
            return theme;
        }
    }
    return std::nullopt;
}

void ThemeManager::setCurrentTheme(const Theme& theme) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (theme.name == m_current.name) {
        return;
    }
    m_current = themeNamed(theme.name).value_or(theme);
    QSettings settings;
    settings.setValue(selectedThemeKey, m_current.name);
    emit currentThemeChanged();
    emit themeChanged();
}

bool ThemeManager::setCustomWallpaper(const QByteArray& bytes) {
    const std::optional<QImage> image = wallpaper::decode(bytes);
    return image && setCustomWallpaper(bytes, *image);
}

bool ThemeManager::setCustomWallpaper(const QByteArray& bytes, const QImage& decoded) {
    Q_ASSERT(QThread::currentThread() == thread());
    if (decoded.isNull() || bytes.isEmpty() || bytes.size() > wallpaper::maximumBytes) {
        return false;
    }
    storeWallpaper(bytes);
    return true;
}

void ThemeManager::storeWallpaper(const QByteArray& bytes) {
    m_wallpaper = bytes;
    QSettings settings;
    settings.setValue(customWallpaperKey, bytes);
    settings.sync();
    emit customWallpaperDataChanged();
    emit themeChanged();
}

void ThemeManager::removeCustomWallpaper() {
    Q_ASSERT(QThread::currentThread() == thread());
    const bool had = m_wallpaper.has_value();
    m_wallpaper.reset();
    QSettings settings;
    settings.remove(customWallpaperKey);
    settings.sync();
    if (had) {
        emit customWallpaperDataChanged();
    }
    emit themeChanged();
}

void ThemeManager::setShowingDropZone(bool showing) {
    if (m_showingDropZone != showing) {
        m_showingDropZone = showing;
        emit showingDropZoneChanged();
    }
}

void ThemeManager::refreshSystemAppearance() {
    const std::optional<QColor> window = m_probe ? m_probe() : std::nullopt;
    Theme& system = m_themes.first();
    if (!window || (!system.mainGradient.isEmpty() && system.mainGradient.first() == *window)) {
        return;
    }
    system.mainGradient = {*window, *window};
    if (m_current.isSystemDefault()) {
        m_current = system;
        emit currentThemeChanged();
        emit themeChanged();
    }
}

bool ThemeManager::eventFilter(QObject* watched, QEvent* event) {
    // The palette change reaches every widget too; the application's own copy is enough.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) {
        refreshSystemAppearance();
    }
    return QObject::eventFilter(watched, event);
}

bool isLightTheme(const ThemeManager& themes) {
    return isLightTheme(themes.currentTheme());
}

} // namespace quirella
