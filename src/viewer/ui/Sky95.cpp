#include "viewer/ui/Sky95.h"

#include "imaging/ui/BitmapImage.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace zv {

namespace {

// How long a paint waits when a pixel loop holds the picture.
constexpr int kRetryPaintMs = 50;
// Block sums stay within 32 bits up to this block side (side^2 x 255).
constexpr int kMaxBlockSide = 4000;

QRect RectOf(const ViewRect& r) {
    return {r.left, r.top, r.Width(), r.Height()};
}

ViewRect ViewRectOf(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The one-pixel outline of a half-open rectangle: what a frame covers.
QRegion OutlineOf(const ViewRect& r) {
    if (r.Empty()) return {};
    const QRect box = RectOf(r);
    QRegion outline(box);
    if (box.width() > 2 && box.height() > 2) outline -= box.adjusted(1, 1, -1, -1);
    return outline;
}

// Snapped toward zero, so the remainder of a slow drag keeps its sign and
// adds up until it reaches a whole step.
int SnapTowardZero(int delta, int factor) {
    return delta - delta % factor;
}

// Colour sums of square blocks of the picture, a typed fetch per format.
struct Sums {
    std::uint32_t blue = 0, green = 0, red = 0;
};

struct Colour3 {
    std::uint8_t blue, green, red;
};

std::vector<Colour3> ColoursOf(const QImage& image) {
    std::vector<Colour3> colours;
    for (const QRgb rgb : image.colorTable())
        colours.push_back({static_cast<std::uint8_t>(qBlue(rgb)),
                           static_cast<std::uint8_t>(qGreen(rgb)),
                           static_cast<std::uint8_t>(qRed(rgb))});
    colours.resize(256, Colour3{0, 0, 0});
    return colours;
}

void Add(Sums& sum, const Colour3& colour) {
    sum.blue += colour.blue;
    sum.green += colour.green;
    sum.red += colour.red;
}

// Averages each `side` x `side` block of `source` into one pixel. Columns and
// rows past the last whole block are left out: fewer than `side` of them,
// which is less than one pixel of the control the result is scaled to.
template <typename AddPixel>
QImage AverageBlocks(const QImage& source, int side, AddPixel addPixel) {
    const int width = source.width() / side;
    const int height = source.height() / side;
    QImage result(width, height, QImage::Format_RGB32);
    if (result.isNull()) return result;
    const std::uint32_t area = static_cast<std::uint32_t>(side) * side;
    std::vector<Sums> sums(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), Sums{});
        for (int row = y * side; row < (y + 1) * side; ++row) {
            const uchar* pixels = source.constScanLine(row);
            int x = 0;
            for (Sums& sum : sums)
                for (int i = 0; i < side; ++i) addPixel(pixels, x++, sum);
        }
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (const Sums& sum : sums)
            *line++ = qRgb((sum.red + area / 2) / area, (sum.green + area / 2) / area,
                           (sum.blue + area / 2) / area);
    }
    return result;
}

// A picture shrunk by a whole factor, every format through its own fetch.
QImage ShrunkBy(const QImage& picture, int side) {
    switch (picture.format()) {
    case QImage::Format_BGR888:
        return AverageBlocks(picture, side, [](const uchar* row, int x, Sums& sum) {
            const uchar* p = row + 3 * x;
            sum.blue += p[0];
            sum.green += p[1];
            sum.red += p[2];
        });
    case QImage::Format_RGB32:
        return AverageBlocks(picture, side, [](const uchar* row, int x, Sums& sum) {
            const QRgb rgb = reinterpret_cast<const QRgb*>(row)[x];
            sum.blue += qBlue(rgb);
            sum.green += qGreen(rgb);
            sum.red += qRed(rgb);
        });
    case QImage::Format_Indexed8: {
        const std::vector<Colour3> colours = ColoursOf(picture);
        return AverageBlocks(picture, side, [&colours](const uchar* row, int x, Sums& sum) {
            Add(sum, colours[row[x]]);
        });
    }
    case QImage::Format_Mono: {
        const std::vector<Colour3> colours = ColoursOf(picture);
        return AverageBlocks(picture, side, [&colours](const uchar* row, int x, Sums& sum) {
            Add(sum, colours[(row[x >> 3] >> (7 - (x & 7))) & 1]);
        });
    }
    default: return picture.convertToFormat(QImage::Format_RGB32);
    }
}

// The picture scaled to `shown`, averaging areas: a big reduction first
// averages whole blocks straight from the picture's rows, and only the small
// remainder of the scale goes through the smooth scaler.
QImage ReducedCopy(const QImage& picture, QSize shown) {
    const int side = std::min(
        {picture.width() / shown.width(), picture.height() / shown.height(), kMaxBlockSide});
    QImage step = side >= 2 ? ShrunkBy(picture, side) : picture;
    if (step.isNull()) return step;
    if (step.size() != shown)
        step = step.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (step.format() != QImage::Format_RGB32) step = step.convertToFormat(QImage::Format_RGB32);
    return step;
}

// Enlarged: each picture pixel the area needs becomes a solid block. The
// target follows the exact picture-to-control scale, so a repaint of any
// part lands where the first paint put the same pixels.
void DrawEnlarged(QPainter& painter, const QRect& area, const QImage& picture, QSize shown) {
    const PaintPlan plan = PlanPaint(ViewRectOf(area), {picture.width(), picture.height()},
                                     {shown.width(), shown.height()});
    if (plan.source.Empty()) return;
    const QRect source = RectOf(plan.source);
    const double scaleX = double(shown.width()) / picture.width();
    const double scaleY = double(shown.height()) / picture.height();
    const QRectF target(source.left() * scaleX, source.top() * scaleY, source.width() * scaleX,
                        source.height() * scaleY);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (picture.format() == QImage::Format_RGB32) {
        painter.drawImage(target, picture, QRectF(source));
        return;
    }
    // The few pixels needed, in the format the painter scales fastest.
    const QImage pixels = picture.copy(source).convertToFormat(QImage::Format_RGB32);
    painter.drawImage(target, pixels, QRectF(pixels.rect()));
}

void DrawFrame(QPainter& painter, const ViewRect& frame, Qt::PenStyle style) {
    const QRect edge = RectOf(frame).adjusted(0, 0, -1, -1);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawRect(edge);
    painter.setPen(QPen(Qt::black, 0, style));
    painter.drawRect(edge);
}

} // namespace

Sky95::Sky95(QWidget* parent) : QWidget(parent) {
    // Every paint covers its whole region (picture or background), and a
    // suspended paint must leave the screen as it was.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetTool(MouseTool::Hand);
}

void Sky95::Show(const Bitmap* picture) {
    picture_ = picture;
    reduced_ = QImage();
    updateGeometry();
    update();
}

void Sky95::SetDisplaySize(QSize size) {
    displaySize_ = size;
    if (reduced_.size() != size) reduced_ = QImage();
    resize(size);
    updateGeometry();
    update();
}

void Sky95::SetBackground(const QColor& colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
    update();
}

void Sky95::SetPaintingSuspended(bool suspended) {
    const bool resuming = suspended_ && !suspended;
    suspended_ = suspended;
    if (resuming) update();
}

void Sky95::SetTool(MouseTool tool) {
    tool_ = tool;
    dragging_ = false;
    MoveBand({});
    setCursor(tool == MouseTool::Hand ? Qt::OpenHandCursor : Qt::CrossCursor);
}

void Sky95::SetSnap(int factor) {
    snap_ = std::max(1, factor);
}

void Sky95::SetSelectionFrame(const ViewRect& frame) {
    if (frame == frame_) return;
    update(OutlineOf(frame_));
    frame_ = frame.Empty() ? ViewRect{} : frame;
    update(OutlineOf(frame_));
}

QSize Sky95::sizeHint() const {
    if (displaySize_.isValid()) return displaySize_;
    if (picture_ && !picture_->Empty()) return {picture_->Width(), picture_->Height()};
    return {16, 16};
}

void Sky95::paintEvent(QPaintEvent* event) {
    if (suspended_) return;
    QPainter painter(this);
    const QRect clip = event->rect();
    painter.translate(clip.topLeft());
    PaintRegion(painter, clip);
}

void Sky95::PaintRegion(QPainter& painter, const QRect& clip) {
    if (clip.isEmpty()) return;
    std::unique_lock<std::mutex> surface;
    if (picture_ && !picture_->Empty()) {
        surface = std::unique_lock(picture_->Surface(), std::try_to_lock);
        if (!surface.owns_lock()) {
            PaintLater();
            return;
        }
    }
    painter.save();
    painter.translate(-clip.topLeft());
    painter.setClipRect(clip);
    const QRect control = rect();
    const QRect area = clip.intersected(control);
    QRegion background(clip);
    if (picture_ && !picture_->Empty() && !area.isEmpty()) {
        DrawPicture(painter, area);
        background -= control;
    }
    for (const QRect& part : background) painter.fillRect(part, palette().color(QPalette::Window));
    DrawFrames(painter);
    painter.restore();
}

void Sky95::DrawPicture(QPainter& painter, const QRect& area) {
    const QImage picture = ImageOfBitmap(*picture_);
    const QSize shown = size();
    if (shown == picture.size()) {
        painter.drawImage(area.topLeft(), picture, area);
        return;
    }
    if (shown.width() >= picture.width() && shown.height() >= picture.height()) {
        DrawEnlarged(painter, area, picture, shown);
        return;
    }
    if (reduced_.size() != shown) reduced_ = ReducedCopy(picture, shown);
    if (!reduced_.isNull()) {
        painter.drawImage(area.topLeft(), reduced_, area);
        return;
    }
    // No memory for the kept copy: let the painter scale what is exposed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(rect()), picture, QRectF(picture.rect()));
}

void Sky95::DrawFrames(QPainter& painter) const {
    if (!frame_.Empty()) DrawFrame(painter, frame_, Qt::DashLine);
    if (!band_.Empty()) DrawFrame(painter, band_, Qt::DotLine);
}

void Sky95::PaintLater() {
    if (repaintWanted_) return;
    repaintWanted_ = true;
    QTimer::singleShot(kRetryPaintMs, this, [this] {
        repaintWanted_ = false;
        update();
    });
}

void Sky95::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit rightClicked(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) {
        event->ignore(); // the window's own buttons (back, forward)
        return;
    }
    dragging_ = true;
    moved_ = false;
    if (tool_ == MouseTool::Hand) {
        // The control moves with the view while dragging, so the drag is
        // measured on the screen.
        dragStart_ = dragLast_ = event->globalPosition().toPoint();
        setCursor(Qt::ClosedHandCursor);
    } else {
        dragStart_ = event->position().toPoint();
        MoveBand({});
    }
}

void Sky95::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) DragTo(*event);
}

void Sky95::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) return;
    DragTo(*event);
    dragging_ = false;
    if (tool_ == MouseTool::Hand) {
        setCursor(Qt::OpenHandCursor);
    } else {
        const ViewRect band = band_;
        MoveBand({});
        if (moved_) emit rubberBandReleased(band, event->modifiers() & Qt::ShiftModifier);
    }
    if (!moved_) emit leftClicked();
}

void Sky95::DragTo(const QMouseEvent& event) {
    if (tool_ == MouseTool::Hand) {
        const QPoint position = event.globalPosition().toPoint();
        if (position != dragStart_) moved_ = true;
        const QPoint delta(SnapTowardZero(position.x() - dragLast_.x(), snap_),
                           SnapTowardZero(position.y() - dragLast_.y(), snap_));
        if (delta.isNull()) return;
        dragLast_ += delta;
        emit dragged(delta);
        return;
    }
    const QPoint position = event.position().toPoint();
    if (position != dragStart_) moved_ = true;
    if (moved_) MoveBand(BandTo(position));
}

// The band between the press and `position`, both kept inside the control,
// over whole snap cells: from the cell under one corner to the end of the
// cell under the other.
ViewRect Sky95::BandTo(QPoint position) const {
    if (width() <= 0 || height() <= 0) return {};
    const auto cells = [this](int a, int b, int limit) {
        a = std::clamp(a, 0, limit - 1);
        b = std::clamp(b, 0, limit - 1);
        return std::pair{SnapDown(std::min(a, b), snap_),
                         std::min(SnapDown(std::max(a, b), snap_) + snap_, limit)};
    };
    const auto [left, right] = cells(dragStart_.x(), position.x(), width());
    const auto [top, bottom] = cells(dragStart_.y(), position.y(), height());
    return {left, top, right, bottom};
}

void Sky95::MoveBand(const ViewRect& band) {
    if (band == band_) return;
    update(OutlineOf(band_));
    band_ = band;
    update(OutlineOf(band_));
}

} // namespace zv
