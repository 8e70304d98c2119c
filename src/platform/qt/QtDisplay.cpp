#include "platform/qt/QtDisplay.h"

#include <QGuiApplication>
#include <QScreen>

namespace zv {

DisplayInfo QtDisplay::Info() const {
    DisplayInfo info;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect full = screen->geometry();
        const QRect available = screen->availableVirtualGeometry();
        info.width = full.width();
        info.height = full.height();
        info.availableLeft = available.left();
        info.availableTop = available.top();
        info.availableWidth = available.width();
        info.availableHeight = available.height();
        info.screenBits = screen->depth();
        info.dotsPerInch = static_cast<int>(screen->logicalDotsPerInch());
    }
    if (screenBits_) info.screenBits = *screenBits_;
    return info;
}

} // namespace zv
