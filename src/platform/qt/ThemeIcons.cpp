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

} // namespace

void UseDesktopIconTheme() {
    if (QIcon::hasThemeIcon(QStringLiteral("document-open"))) return;
    const QString standIn = QString::fromLatin1(kStandInTheme);
    if (ThemeInstalled(standIn)) QIcon::setThemeName(standIn);
}

QIcon ThemeIcon(const char* name, const QIcon& fallback) {
    const QString themeName = QString::fromLatin1(name);
    return QIcon::hasThemeIcon(themeName) ? QIcon::fromTheme(themeName) : fallback;
}

} // namespace zv
