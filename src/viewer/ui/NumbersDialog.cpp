#include "viewer/ui/NumbersDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSpinBox>

namespace zv {

namespace {

// A spin box, with a list of presets beside it that set its value.
QWidget* FieldWidget(const NumberField& field, QSpinBox*& box) {
    box = new QSpinBox;
    box->setRange(field.minimum, field.maximum);
    box->setValue(field.value);
    if (field.presets.empty()) return box;
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* presets = new QComboBox;
    for (int preset : field.presets) presets->addItem(QString::number(preset), preset);
    QSpinBox* target = box;
    QObject::connect(presets, &QComboBox::activated, target, [presets, target](int index) {
        target->setValue(presets->itemData(index).toInt());
    });
    layout->addWidget(box);
    layout->addWidget(presets);
    return row;
}

} // namespace

std::optional<std::vector<int>> AskNumbers(QWidget* parent, const QString& title,
                                           std::vector<NumberField> fields) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* layout = new QFormLayout(&dialog);
    std::vector<QSpinBox*> boxes;
    for (const NumberField& field : fields) {
        QSpinBox* box = nullptr;
        layout->addRow(field.label, FieldWidget(field, box));
        boxes.push_back(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    std::vector<int> values;
    for (QSpinBox* box : boxes) values.push_back(box->value());
    return values;
}

} // namespace zv
