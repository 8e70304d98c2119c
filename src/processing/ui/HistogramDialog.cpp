#include "processing/ui/HistogramDialog.h"

#include <QButtonGroup>
#include <QCursor>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

namespace zv {

// The plot area: bars of the five histograms and the level marker.
class HistogramPlotView : public QWidget {
public:
    HistogramPlotView(const ImageHistogram& histogram, QWidget* parent)
        : QWidget(parent), histogram_(histogram) {
        setFixedSize(256, 256);
        setCursor(Qt::CrossCursor);
    }

    int zoom = 1;
    HistogramChannel channel = HistogramChannel::Gray;
    int marker = -1; // no marker
    std::function<void(int)> levelClicked;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const std::pair<HistogramChannel, QColor> layers[] = {
            {HistogramChannel::Saturation, QColor(128, 0, 128)},
            {HistogramChannel::Red, Qt::red},
            {HistogramChannel::Green, QColor(0, 128, 0)},
            {HistogramChannel::Blue, Qt::blue},
            {HistogramChannel::Gray, Qt::black},
        };
        for (const auto& [which, colour] : layers) DrawBars(painter, which, colour);
        for (const auto& [which, colour] : layers)
            if (which == channel) DrawBars(painter, which, colour);
        if (marker >= 0) {
            painter.setPen(QPen(Qt::darkGray, 1, Qt::DotLine));
            painter.drawLine(marker, 0, marker, 255);
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (levelClicked) levelClicked(std::clamp(event->position().toPoint().x(), 0, 255));
    }

private:
    void DrawBars(QPainter& painter, HistogramChannel which, const QColor& colour) {
        const ImageHistogram::Counts& counts = CountsOf(histogram_, which);
        painter.setPen(colour);
        for (int level = 0; level < 256; ++level) {
            const int height = HistogramBarHeight(counts[static_cast<std::size_t>(level)],
                                                  histogram_.highest, zoom);
            if (height > 0) painter.drawLine(level, 255, level, 255 - height);
        }
    }

    const ImageHistogram& histogram_;
};

THistogramDlg::THistogramDlg(const ImageHistogram& histogram, const QString& caption,
                             QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    plot_ = new HistogramPlotView(histogram, this);
    auto* under = new QLabel(QStringLiteral("shadows <---   intensities  ---> highlights"), this);

    auto* channels = new QGroupBox(QStringLiteral("Channel"), this);
    auto* channelRows = new QVBoxLayout(channels);
    auto* group = new QButtonGroup(this);
    const std::pair<HistogramChannel, const char*> buttons[] = {
        {HistogramChannel::Red, "&Red"},        {HistogramChannel::Green, "&Green"},
        {HistogramChannel::Blue, "&Blue"},      {HistogramChannel::Gray, "Gr&ay"},
        {HistogramChannel::Saturation, "&Sat"},
    };
    for (const auto& [which, text] : buttons) {
        auto* button = new QRadioButton(QString::fromLatin1(text), channels);
        button->setChecked(which == HistogramChannel::Gray);
        group->addButton(button, static_cast<int>(which));
        channelRows->addWidget(button);
    }
    connect(group, &QButtonGroup::idClicked, this,
            [this](int id) { SetChannel(static_cast<HistogramChannel>(id)); });

    zoom_ = new QPushButton(QStringLiteral("&Zoom x1"), this);
    connect(zoom_, &QPushButton::clicked, this, &THistogramDlg::ZoomStep);
    level_ = new QSlider(Qt::Horizontal, this);
    level_->setRange(0, 255);
    level_->setFixedWidth(256);
    levelText_ = new QLabel(this);
    levelText_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Max: 0000000000")));
    connect(level_, &QSlider::valueChanged, this, [this, &histogram](int level) {
        plot_->marker = level;
        plot_->update();
        levelText_->setText(QString::fromStdString(HistogramLevelText(histogram, level)));
    });
    plot_->levelClicked = [this](int level) { SetLevel(level); };

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setEnabled(false); // the help topics come with the help system

    auto* left = new QVBoxLayout;
    left->addWidget(plot_);
    left->addWidget(under);
    left->addWidget(level_);
    auto* right = new QVBoxLayout;
    right->addWidget(channels);
    right->addWidget(zoom_);
    right->addWidget(levelText_);
    right->addStretch(1);
    right->addWidget(close);
    right->addWidget(help);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
}

void THistogramDlg::ShowNearPointer() {
    plot_->marker = -1;
    levelText_->clear();
    adjustSize();
    const QPoint pointer = QCursor::pos();
    QRect frame(QPoint(0, 0), sizeHint());
    frame.moveCenter(pointer);
    if (const QScreen* screen = QGuiApplication::screenAt(pointer)) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(),
                                  std::max(area.left(), area.right() - frame.width())));
        frame.moveTop(std::clamp(frame.top(), area.top(),
                                 std::max(area.top(), area.bottom() - frame.height())));
    }
    move(frame.topLeft());
    show();
    raise();
}

int THistogramDlg::Zoom() const {
    return plot_->zoom;
}
HistogramChannel THistogramDlg::Channel() const {
    return plot_->channel;
}
int THistogramDlg::Level() const {
    return level_->value();
}
QString THistogramDlg::LevelText() const {
    return levelText_->text();
}

void THistogramDlg::SetLevel(int level) {
    if (level_->value() == level) emit level_->valueChanged(level);
    level_->setValue(level);
}

void THistogramDlg::SetChannel(HistogramChannel channel) {
    plot_->channel = channel;
    plot_->update();
}

void THistogramDlg::ZoomStep() {
    plot_->zoom = NextHistogramZoom(plot_->zoom);
    zoom_->setText(QStringLiteral("&Zoom x%1").arg(plot_->zoom));
    plot_->update();
}

} // namespace zv
