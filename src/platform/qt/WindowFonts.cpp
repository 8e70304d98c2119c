#include "platform/qt/WindowFonts.h"

#include <QMainWindow>
#include <QStatusBar>

namespace zv {

void LimitWindowFonts(QMainWindow& window) {
    QFont windowFont = window.font();
    if (windowFont.pointSize() > 12) {
        windowFont.setPointSize(12);
        window.setFont(windowFont);
    }
    if (window.logicalDpiY() > 96) {
        QFont statusFont = window.statusBar()->font();
        statusFont.setPointSize(9);
        window.statusBar()->setFont(statusFont);
    }
}

} // namespace zv
