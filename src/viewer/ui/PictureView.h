#pragma once
// The viewer's display of its picture: paints the exposed part of the Bitmap
// at 100 %, never while the picture's surface is held by a pixel loop.

#include "imaging/Bitmap.h"

#include <QWidget>

namespace zv {

class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    // The picture shown; it must outlive the view or be replaced first.
    void Show(const Bitmap* picture);
    void SetBackground(const QColor& colour);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Bitmap* picture_ = nullptr;
};

} // namespace zv
