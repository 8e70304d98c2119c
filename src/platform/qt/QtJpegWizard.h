#pragma once
// The JPEG compression wizard's window: the picture and its compressed copy
// side by side (scrolling together), the smoothing amount, the "JPEG
// Compressor" group (quality, progressive, subsample, smoothing filter,
// file size and ratio), Test, Save As (or Apply during a batch) and Close,
// over a JpegWizardSession.

class QWidget;

namespace zv {

class JpegWizardSession;

// Runs the window modally until the session closes.
void RunQtJpegWizard(JpegWizardSession& session, QWidget* parent);

} // namespace zv
