#pragma once
// The histogram window of the effect dialog's curve button: the curve or
// histogram the effect model made, under the title it chose. The
// application hands ShowEffectCurve to SetEffectCurveWindow at start.

class QWidget;

namespace zv {

class EffectDialogSession;

// Shows the model's curve modally near the pointer; nothing for sessions
// that are not the toolbox's effect model or have made no curve.
void ShowEffectCurve(EffectDialogSession& session, QWidget* parent);

} // namespace zv
