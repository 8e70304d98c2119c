#include "viewer/ui/NewImageDialog.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

namespace zv {

namespace {

constexpr int kLargestSide = 32000;

QSpinBox* SideBox(int value) {
    auto* box = new QSpinBox;
    box->setRange(1, kLargestSide);
    box->setValue(std::clamp(value, 1, kLargestSide));
    return box;
}

void PaintSwatch(QPushButton* button, const QColor& colour) {
    button->setStyleSheet(QStringLiteral("background-color: %1").arg(colour.name()));
}

} // namespace

std::optional<NewPictureRequest> AskNewImage(QWidget* parent, QSize initial) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("New Image"));
    auto* layout = new QFormLayout(&dialog);
    QSpinBox* width = SideBox(initial.width());
    QSpinBox* height = SideBox(initial.height());
    auto* colourButton = new QPushButton(QStringLiteral("&Color..."));
    QColor colour = Qt::white;
    PaintSwatch(colourButton, colour);
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        const QColor chosen = QColorDialog::getColor(colour, &dialog);
        if (!chosen.isValid()) return;
        colour = chosen;
        PaintSwatch(colourButton, colour);
    });
    layout->addRow(QStringLiteral("&Width:"), width);
    layout->addRow(QStringLiteral("&Height:"), height);
    layout->addRow(QStringLiteral("Background:"), colourButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    NewPictureRequest request;
    request.width = width->value();
    request.height = height->value();
    request.colour =
        static_cast<std::uint32_t>(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
    return request;
}

} // namespace zv
