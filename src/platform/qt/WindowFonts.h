#pragma once
// The fonts of the program's main windows: at most 12 points, and a 9-point
// status bar on screens above 96 pixels per inch.

class QMainWindow;

namespace zv {

void LimitWindowFonts(QMainWindow& window);

} // namespace zv
