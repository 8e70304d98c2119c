#include "viewer/ui/PictureView.h"

#include "viewer/ui/BitmapImage.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

namespace zv {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
}

void PictureView::Show(const Bitmap* picture) {
    picture_ = picture;
    if (picture_) resize(picture_->Width(), picture_->Height());
    updateGeometry();
    update();
}

void PictureView::SetBackground(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
}

QSize PictureView::sizeHint() const {
    if (!picture_ || picture_->Empty()) return {16, 16};
    return {picture_->Width(), picture_->Height()};
}

void PictureView::paintEvent(QPaintEvent* event) {
    if (!picture_ || picture_->Empty()) return;
    std::unique_lock surface(picture_->Surface(), std::try_to_lock);
    if (!surface.owns_lock()) {
        // A pixel loop holds the picture: paint once it is done.
        QTimer::singleShot(50, this, qOverload<>(&QWidget::update));
        return;
    }
    const QImage image = ImageOfBitmap(*picture_);
    QPainter painter(this);
    const QRect exposed = event->rect().intersected(image.rect());
    painter.drawImage(exposed, image, exposed);
}

} // namespace zv
