#include "processing/ui/EffectCurveWindow.h"

#include "processing/EffectDialogModel.h"
#include "processing/ui/HistogramDialog.h"

namespace zv {

void ShowEffectCurve(EffectDialogSession& session, QWidget* parent) {
    const auto* model = dynamic_cast<const EffectDialogModel*>(&session);
    if (!model || model->CurveTitle().empty()) return;
    THistogramDlg window(model->CurveHistogram(), QString::fromStdString(model->CurveTitle()),
                         parent);
    window.ShowNearPointer();
    window.exec();
}

} // namespace zv
