#pragma once
// The effect dialog's window: the before picture (scrolling, a click picks a
// colour), the after picture, up to three slider rows with edit boxes, the
// colour panel, Test, Reset, Apply and Cancel, over an EffectDialogSession.
// Every slider move or typed value previews at once, on a worker thread;
// previews asked for while one renders collapse into the newest. The curve
// button previews the mask or opens the histogram window, and "Show scroll
// bars" hides the before picture's bars.

#include <functional>

class QPixmap;
class QWidget;

namespace zv {

class EffectDialogSession;
struct PixelRows;

// A before or after picture's rows as a pixmap (a copy); null for none.
QPixmap PixmapOfRows(const PixelRows& rows);

// Runs the window modally until Apply or Cancel closes the session.
void RunQtEffectDialog(EffectDialogSession& session, QWidget* parent);

// The histogram window the curve button opens once the session has made
// its curve (CurveTitle). It lives above this layer, so the application
// hands it in; without one the button only makes the curve.
using EffectCurveWindow = std::function<void(EffectDialogSession& session, QWidget* parent)>;
void SetEffectCurveWindow(EffectCurveWindow window);

} // namespace zv
