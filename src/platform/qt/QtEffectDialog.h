#pragma once
// The effect dialog's window: the before picture (scrolling, a click picks a
// colour), the after picture, up to three slider rows with edit boxes, the
// colour panel, Test, Reset, Apply and Cancel, over an EffectDialogSession.
// Every slider move or typed value previews at once; previews that pile up
// while one is drawn collapse into the newest.

class QWidget;

namespace zv {

class EffectDialogSession;

// Runs the window modally until Apply or Cancel closes the session.
void RunQtEffectDialog(EffectDialogSession& session, QWidget* parent);

} // namespace zv
