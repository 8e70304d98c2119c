#pragma once
// Button icons from the desktop's icon theme, with the program's own icon
// kept where the theme has none.

#include <QIcon>

namespace zv {

// Without a desktop session Qt names no usable theme; the common freedesktop
// theme installed with the program then stands in. Safe to call more than once.
void UseDesktopIconTheme();

// The theme's icon of that freedesktop name, or the fallback.
QIcon ThemeIcon(const char* name, const QIcon& fallback);

} // namespace zv
