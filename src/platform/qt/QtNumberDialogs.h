#pragma once
// The parameter, grid and size dialogs' windows over their models. Each
// opens centred on the mouse pointer, kept inside the screen, and runs
// modally until OK or Cancel closes the model.

class QWidget;

namespace zv {

class ParameterDialogModel;
class GridDialogModel;
class SizeDialogModel;

void RunQtParameterDialog(ParameterDialogModel& model, QWidget* parent);
void RunQtGridDialog(GridDialogModel& model, QWidget* parent);
void RunQtSizeDialog(SizeDialogModel& model, QWidget* parent);

} // namespace zv
