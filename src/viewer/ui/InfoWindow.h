#pragma once
// The viewer's information window: the picture, its file, and for a JPEG the
// EXIF facts in words and the comments, each fact once, under its heading.
// It takes the size of what it shows and opens centred on the viewer, on the
// viewer's screen.

#include "viewer/ExifFacts.h"
#include "viewer/ImageInformation.h"

#include <QDialog>

class QScrollArea;

namespace zv {

class InfoWindow : public QDialog {
public:
    explicit InfoWindow(QWidget* viewer);

    // Fills the window and shows it over the viewer.
    void ShowFacts(const ImageInformation& info, const JpegFacts& jpeg);
    // Every heading and line as shown, one a line: "Name: value".
    QString Text() const { return text_; }

private:
    void Fill(const ImageInformation& info, const JpegFacts& jpeg);
    void FitAndCentre();

    QWidget* viewer_;
    QScrollArea* scroller_ = nullptr;
    QString text_;
};

} // namespace zv
