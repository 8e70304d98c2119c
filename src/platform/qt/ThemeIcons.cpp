#include "platform/qt/ThemeIcons.h"

#include <QDir>
#include <QFileInfo>

namespace zv {

namespace {

constexpr const char* kStandInTheme = "Adwaita";

bool ThemeInstalled(const QString& theme) {
    for (const QString& folder : QIcon::themeSearchPaths())
        if (QFileInfo::exists(QDir(folder).filePath(theme + QStringLiteral("/index.theme"))))
            return true;
    return false;
}

// The freedesktop places of icon themes: "icons" in each data folder.
QStringList DataFolderIcons() {
    QString folders = qEnvironmentVariable("XDG_DATA_DIRS");
    if (folders.isEmpty()) folders = QStringLiteral("/usr/local/share:/usr/share");
    QStringList icons;
    for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        icons << QDir(folder).filePath(QStringLiteral("icons"));
    return icons;
}

} // namespace

void UseDesktopIconTheme() {
    if (QIcon::hasThemeIcon(QStringLiteral("document-open"))) return;
    const QString standIn = QString::fromLatin1(kStandInTheme);
    // Platforms without a desktop (offscreen, minimal) search no theme folders.
    if (!ThemeInstalled(standIn)) {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& folder : DataFolderIcons())
            if (!paths.contains(folder)) paths << folder;
        QIcon::setThemeSearchPaths(paths);
    }
    if (ThemeInstalled(standIn)) QIcon::setThemeName(standIn);
}

QIcon ThemeIcon(const char* name, const QIcon& fallback) {
    const QString themeName = QString::fromLatin1(name);
    return QIcon::hasThemeIcon(themeName) ? QIcon::fromTheme(themeName) : fallback;
}

} // namespace zv
