#include "platform/qt/QtNumberDialogs.h"

#include "platform/GridDialogModel.h"
#include "platform/ParameterDialogModel.h"
#include "platform/SizeDialogModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <memory>

namespace zv {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// Centred on the pointer and kept inside the screen it is on.
void PlaceOnPointer(QDialog& dialog) {
    dialog.adjustSize();
    const QPoint pointer = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(pointer);
    QRect frame(QPoint(0, 0), dialog.sizeHint());
    frame.moveCenter(pointer);
    if (screen) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(),
                                  std::max(area.left(), area.right() - frame.width())));
        frame.moveTop(std::clamp(frame.top(), area.top(),
                                 std::max(area.top(), area.bottom() - frame.height())));
    }
    dialog.move(frame.topLeft());
}

QDialogButtonBox* OkCancel(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

// ---- Parameter dialog ----

void BuildParameter(QDialog& dialog, ParameterDialogModel& model) {
    const ParameterDialogRecord& record = model.Record();
    auto* layout = new QVBoxLayout(&dialog);
    auto* row = new QHBoxLayout;
    auto* slider = new QSlider(Qt::Horizontal, &dialog);
    slider->setObjectName(QStringLiteral("slider"));
    slider->setRange(record.min, record.max);
    slider->setPageStep(record.largeStep);
    slider->setSingleStep(record.smallStep);
    slider->setValue(model.Position());
    if (record.trackBar) slider->setTickPosition(QSlider::TicksBelow);
    row->addWidget(new QLabel(ToQt(model.MinLabel()), &dialog));
    row->addWidget(slider, 1);
    row->addWidget(new QLabel(ToQt(model.MaxLabel()), &dialog));
    layout->addLayout(row);
    QLineEdit* box = nullptr;
    auto* hex = new QLabel(ToQt(model.HexLabel()), &dialog);
    hex->setObjectName(QStringLiteral("hex"));
    hex->setVisible(!model.HexLabel().empty());
    if (!record.trackBar) {
        box = new QLineEdit(ToQt(model.BoxText()), &dialog);
        box->setObjectName(QStringLiteral("edit"));
        auto* boxRow = new QHBoxLayout;
        boxRow->addWidget(box);
        boxRow->addWidget(hex);
        layout->addLayout(boxRow);
    }
    const auto captions = model.PresetCaptions();
    if (!captions[0].empty()) {
        auto* presets = new QGridLayout;
        for (int i = 0; i < 6; ++i) {
            auto* preset = new QPushButton(ToQt(captions[i]), &dialog);
            preset->setAutoDefault(false);
            presets->addWidget(preset, i / 3, i % 3);
            QObject::connect(preset, &QPushButton::clicked, &dialog, [&dialog, &model, i] {
                model.ChoosePreset(i);
                dialog.done(QDialog::Accepted);
            });
        }
        layout->addLayout(presets);
    }
    layout->addWidget(OkCancel(dialog));
    QObject::connect(slider, &QSlider::valueChanged, &dialog, [&dialog, &model, box, hex](int v) {
        model.SetPosition(v);
        dialog.setWindowTitle(ToQt(model.Caption()));
        hex->setText(ToQt(model.HexLabel()));
        if (box && !box->hasFocus()) box->setText(ToQt(model.BoxText()));
    });
    if (box)
        QObject::connect(box, &QLineEdit::textEdited, &dialog,
                         [&model, slider, hex](const QString& text) {
                             model.TypeText(text.toStdString());
                             const QSignalBlocker quiet(slider);
                             slider->setValue(model.Position());
                             hex->setText(ToQt(model.HexLabel()));
                         });
}

// ---- Grid dialog ----

class GridBoxWidget : public QWidget {
public:
    GridBoxWidget(GridDialogModel& model, QDialog& dialog)
        : QWidget(&dialog), model_(model), dialog_(dialog) {
        setObjectName(QStringLiteral("grid"));
        setFixedSize(model.Box().width + 1, model.Box().height + 1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const GridBoxSize cell = model_.BoxCell();
        painter.fillRect(rect(), palette().base());
        painter.fillRect(model_.Column() * cell.width, model_.Row() * cell.height, cell.width,
                         cell.height, palette().highlight());
        painter.setPen(palette().text().color());
        for (int c = 0; c <= model_.Columns(); ++c)
            painter.drawLine(c * cell.width, 0, c * cell.width, model_.Rows() * cell.height);
        for (int r = 0; r <= model_.Rows(); ++r)
            painter.drawLine(0, r * cell.height, model_.Columns() * cell.width, r * cell.height);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        model_.ClickBox(at.x(), at.y());
        dialog_.setWindowTitle(ToQt(model_.Caption()));
        update();
    }

private:
    GridDialogModel& model_;
    QDialog& dialog_;
};

void BuildGrid(QDialog& dialog, GridDialogModel& model) {
    auto* layout = new QVBoxLayout(&dialog);
    auto* counts = new QHBoxLayout;
    auto* grid = new GridBoxWidget(model, dialog);
    const auto combo = [&](const char* caption, int max, int value, bool columns) {
        auto* box = new QComboBox(&dialog);
        box->setObjectName(columns ? QStringLiteral("columns") : QStringLiteral("rows"));
        for (int n = 1; n <= max; ++n) box->addItem(QString::number(n));
        box->setCurrentIndex(value - 1);
        auto* label = new QLabel(QString::fromLatin1(caption), &dialog);
        label->setBuddy(box);
        counts->addWidget(label);
        counts->addWidget(box);
        QObject::connect(box, &QComboBox::currentIndexChanged, &dialog,
                         [&dialog, &model, grid, columns](int index) {
                             columns ? model.SetColumns(index + 1) : model.SetRows(index + 1);
                             dialog.setWindowTitle(ToQt(model.Caption()));
                             grid->update();
                         });
    };
    combo("&Columns", model.MaxColumns(), model.Columns(), true);
    combo("&Rows", model.MaxRows(), model.Rows(), false);
    layout->addLayout(counts);
    layout->addWidget(grid, 0, Qt::AlignHCenter);
    layout->addWidget(OkCancel(dialog));
    dialog.setWindowTitle(ToQt(model.Caption()));
}

// ---- Size dialog ----

using SizeBoxes = std::shared_ptr<std::array<QLineEdit*, 4>>;

// Rewrites every box but `typing` from the model.
void ShowSizes(const SizeDialogModel& model, const SizeBoxes& boxes, QLineEdit* typing) {
    for (int j = 0; j < 4; ++j)
        if ((*boxes)[j] && (*boxes)[j] != typing)
            (*boxes)[j]->setText(ToQt(model.Text(static_cast<SizeBox>(j))));
}

void BuildSize(QDialog& dialog, SizeDialogModel& model) {
    auto* layout = new QVBoxLayout(&dialog);
    auto* rows = new QGridLayout;
    auto shared = std::make_shared<std::array<QLineEdit*, 4>>();

    for (int i = 0; i < 4; ++i) {
        const auto box = static_cast<SizeBox>(i);
        if (i >= 2 && !model.ScaleRowsShown()) continue;
        auto* edit = new QLineEdit(ToQt(model.Text(box)), &dialog);
        edit->setObjectName(QStringLiteral("box%1").arg(i));
        auto* label = new QLabel(ToQt(model.Label(box)), &dialog);
        label->setBuddy(edit);
        auto* up = new QToolButton(&dialog);
        up->setArrowType(Qt::UpArrow);
        up->setObjectName(QStringLiteral("up%1").arg(i));
        auto* down = new QToolButton(&dialog);
        down->setArrowType(Qt::DownArrow);
        rows->addWidget(label, i, 0);
        rows->addWidget(edit, i, 1);
        rows->addWidget(up, i, 2);
        rows->addWidget(down, i, 3);
        (*shared)[i] = edit;
        QObject::connect(edit, &QLineEdit::textEdited, &dialog,
                         [&model, shared, box, edit](const QString& text) {
                             model.Type(box, text.toStdString());
                             ShowSizes(model, shared, edit);
                             if (model.TakeBeep()) {
                                 QApplication::beep();
                                 edit->setText(ToQt(model.Text(box)));
                             }
                         });
        for (const bool upward : {true, false})
            QObject::connect(upward ? up : down, &QToolButton::clicked, &dialog,
                             [&model, shared, box, upward] {
                                 model.Spin(box, upward);
                                 ShowSizes(model, shared, nullptr);
                                 if (model.TakeBeep()) QApplication::beep();
                             });
    }
    layout->addLayout(rows);
    auto* extras = new QHBoxLayout;
    if (model.AspectShown()) {
        auto* aspect = new QCheckBox(QStringLiteral("Keep Aspect Ratio"), &dialog);
        aspect->setChecked(model.AspectLock());
        QObject::connect(aspect, &QCheckBox::toggled, &dialog,
                         [&model](bool on) { model.SetAspectLock(on); });
        extras->addWidget(aspect);
        auto* reset = new QPushButton(QStringLiteral("&Reset"), &dialog);
        reset->setAutoDefault(false);
        QObject::connect(reset, &QPushButton::clicked, &dialog, [&model, shared] {
            model.Reset();
            ShowSizes(model, shared, nullptr);
        });
        extras->addWidget(reset);
        auto* copy = new QComboBox(&dialog);
        copy->addItems({QStringLiteral("Normal"), QStringLiteral("Preserve Black"),
                        QStringLiteral("Preserve White")});
        copy->setCurrentIndex(model.CopyOption());
        copy->setEnabled(model.CopyOptionEnabled());
        QObject::connect(copy, &QComboBox::currentIndexChanged, &dialog,
                         [&model](int index) { model.SetCopyOption(index); });
        extras->addWidget(copy);
    }
    if (model.ColourPanelShown()) {
        auto* colour = new QPushButton(QStringLiteral("Color"), &dialog);
        colour->setAutoDefault(false);
        QObject::connect(colour, &QPushButton::clicked, &dialog, [&dialog, &model] {
            const std::uint32_t c = model.Colour();
            const QColor chosen = QColorDialog::getColor(
                QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)), &dialog);
            if (chosen.isValid())
                model.SetColour(std::uint32_t(chosen.red()) | std::uint32_t(chosen.green()) << 8 |
                                std::uint32_t(chosen.blue()) << 16);
        });
        extras->addWidget(colour);
    }
    layout->addLayout(extras);
    layout->addWidget(OkCancel(dialog));
    dialog.setWindowTitle(ToQt(model.Title()));
}

// Runs `dialog` on the pointer; OK or Cancel goes to the model.
template <typename Model> void RunModal(QDialog& dialog, Model& model) {
    PlaceOnPointer(dialog);
    const int answer = dialog.exec();
    if (model.Closed()) return;
    if (answer == QDialog::Accepted)
        model.Ok();
    else
        model.Cancel();
}

} // namespace

void RunQtParameterDialog(ParameterDialogModel& model, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TXScrlDlg"));
    dialog.setWindowTitle(ToQt(model.Caption()));
    BuildParameter(dialog, model);
    RunModal(dialog, model);
}

void RunQtGridDialog(GridDialogModel& model, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TQuadDlg"));
    BuildGrid(dialog, model);
    RunModal(dialog, model);
}

void RunQtSizeDialog(SizeDialogModel& model, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TResizeForm"));
    BuildSize(dialog, model);
    RunModal(dialog, model);
}

} // namespace zv
