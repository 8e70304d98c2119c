#pragma once
// THistogramDlg: the histogram window. A 256 x 256 plot of the five level
// histograms of the last computation (saturation, red, green, blue, grey,
// then the chosen channel again on top), a zoom button, and a level slider
// whose marker shows the counts of every channel at that level.

#include "processing/Histogram.h"
#include "processing/HistogramPlot.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QSlider;

namespace zv {

class HistogramPlotView;

class THistogramDlg : public QDialog {
    Q_OBJECT
public:
    // The histogram is read while the window is open: it must outlive it.
    THistogramDlg(const ImageHistogram& histogram, const QString& caption,
                  QWidget* parent = nullptr);

    // Opens centred on the pointer and kept inside its screen, with the marker cleared.
    void ShowNearPointer();

    int Zoom() const;
    HistogramChannel Channel() const;
    int Level() const;
    QString LevelText() const;
    void SetLevel(int level);
    void SetChannel(HistogramChannel channel);
    void ZoomStep();

private:
    HistogramPlotView* plot_ = nullptr;
    QSlider* level_ = nullptr;
    QLabel* levelText_ = nullptr;
    QPushButton* zoom_ = nullptr;
};

} // namespace zv
