// SPDX-License-Identifier: GPL-3.0-or-later
// The window's theme and wallpaper: which of the sixteen themes is current, the user's wallpaper image,
// and whether the wallpaper drop zone is open. One instance serves the application (`instance()`); tests
// build their own. The choice survives restarts through the preferences "selectedTheme" (the theme's
// name) and "customWallpaper" (the image bytes as dropped).
//
// "System Default" follows the desktop: its colours are the desktop palette's window colour, sampled
// again whenever the application palette changes while it is the desktop's own (not one the window
// forced for a dark theme), so switching the desktop between light and dark restyles an open window.
//
// Threads: lives on the UI thread; everything here is called there. Decoding a dropped wallpaper is
// done off that thread with the functions of Wallpaper.h before `setCustomWallpaper` sees the bytes.
#pragma once

#include "themes/Theme.h"

#include <QByteArray>
#include <QImage>
#include <QLatin1StringView>
#include <QList>
#include <QObject>

#include <functional>
#include <optional>

namespace quirella {

class ThemeManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString currentThemeName READ currentThemeName NOTIFY currentThemeChanged)
    Q_PROPERTY(bool hasCustomWallpaper READ hasCustomWallpaper NOTIFY customWallpaperDataChanged)
    Q_PROPERTY(
        bool showingDropZone READ showingDropZone WRITE setShowingDropZone NOTIFY showingDropZoneChanged)

public:
    static constexpr QLatin1StringView selectedThemeKey{"selectedTheme"};
    static constexpr QLatin1StringView customWallpaperKey{"customWallpaper"};

    // Where the desktop's window colour comes from; none while it cannot be told (the application
    // palette is one the window set). Tests pass their own to play the desktop.
    using SystemColorProbe = std::function<std::optional<QColor>()>;
    static std::optional<QColor> desktopWindowColor();

    explicit ThemeManager(SystemColorProbe probe = desktopWindowColor, QObject* parent = nullptr);
    ~ThemeManager() override;

    // The process-wide instance, created on first use on the application's thread.
    static ThemeManager& instance();

    const QList<Theme>& availableThemes() const { return m_themes; }
    const Theme& currentTheme() const { return m_current; }
    QString currentThemeName() const { return m_current.name; }
    // A theme whose name differs from the current one's becomes current, is stored under "selectedTheme"
    // and announced; the current theme again changes nothing. A built-in theme is matched by name, so a
    // copy made earlier in the run selects the list's own entry.
    void setCurrentTheme(const Theme& theme);
    // The built-in theme of that name, if there is one.
    std::optional<Theme> themeNamed(QStringView name) const;

    const std::optional<QByteArray>& customWallpaperData() const { return m_wallpaper; }
    bool hasCustomWallpaper() const { return m_wallpaper.has_value(); }
    // Keeps the bytes as the wallpaper when they decode as an image within the limits of Wallpaper.h and
    // answers whether they did; refused bytes change nothing. Decodes on the calling thread: the window
    // decodes off the UI thread first and hands over the result with the overload below.
    bool setCustomWallpaper(const QByteArray& bytes);
    // Bytes already decoded by wallpaper::decode (the image is the proof); a null image is refused.
    bool setCustomWallpaper(const QByteArray& bytes, const QImage& decoded);
    void removeCustomWallpaper();

    bool showingDropZone() const { return m_showingDropZone; }
    void setShowingDropZone(bool showing);

    // Samples the desktop colour again; "System Default" takes it, and when it is current the change is
    // announced like a theme change. Called on every application palette change.
    void refreshSystemAppearance();

signals:
    void currentThemeChanged();
    void customWallpaperDataChanged();
    void showingDropZoneChanged();
    // The theme, its colours or the wallpaper changed: every themed view restyles.
    void themeChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void storeWallpaper(const QByteArray& bytes);

    SystemColorProbe m_probe;
    QList<Theme> m_themes;
    Theme m_current;
    std::optional<QByteArray> m_wallpaper;
    bool m_showingDropZone = false;
};

// The question every themed view asks of the current theme.
bool isLightTheme(const ThemeManager& themes);

} // namespace quirella
