#pragma once
// Sky95, the viewer's display control: shows the current Bitmap at the size
// the view gives it (1:1, reduced to fit, or enlarged by the zoom), painting
// only the exposed region. A reduced picture is scaled once and kept for
// repaints; an enlarged one is drawn from the picture pixels the region
// needs, so nothing is ever allocated at picture size x zoom. It also carries
// the mouse tools: the hand drags the view, the select tool draws the rubber
// band and keeps the selection frame.

#include "imaging/Bitmap.h"
#include "viewer/ViewGeometry.h"

#include <QImage>
#include <QWidget>

namespace zv {

enum class MouseTool { Hand, Select };

class Sky95 : public QWidget {
    Q_OBJECT
public:
    explicit Sky95(QWidget* parent = nullptr);

    // The picture shown; it must outlive the control or be replaced first.
    // Showing a picture (or the same one after its pixels changed) drops the
    // kept scaled copy.
    void Show(const Bitmap* picture);
    // The control's size: the picture's size x zoom, or the fitted size.
    void SetDisplaySize(QSize size);
    void SetBackground(const QColor& colour);
    // Long operations suspend painting; paint requests meanwhile are dropped
    // and one repaint follows the resume.
    void SetPaintingSuspended(bool suspended);

    void SetTool(MouseTool tool);
    MouseTool Tool() const { return tool_; }
    // Rubber band and hand drag positions snap to multiples of this.
    void SetSnap(int factor);
    // The selection frame, in control coordinates; an empty rect hides it.
    void SetSelectionFrame(const ViewRect& frame);
    ViewRect SelectionFrame() const { return frame_; }

    QSize sizeHint() const override;
    // Paints `clip` of the control into the painter's device at (0, 0); the
    // paint event and the benchmark both come here.
    void PaintRegion(QPainter& painter, const QRect& clip);

signals:
    // The hand tool dragged by this many control pixels (already snapped);
    // the owner scrolls the view the other way.
    void dragged(QPoint delta);
    // The select tool released a rubber band (control coordinates, half-open)
    // with or without Shift held.
    void rubberBandReleased(zv::ViewRect band, bool shift);
    void leftClicked();
    void rightClicked(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void DrawPicture(QPainter& painter, const QRect& area);
    void DrawFrames(QPainter& painter) const;
    void PaintLater();
    void DragTo(const QMouseEvent& event);
    ViewRect BandTo(QPoint position) const;
    void MoveBand(const ViewRect& band);

    const Bitmap* picture_ = nullptr;
    QSize displaySize_; // as last set; the widget's own size is what paints
    QImage reduced_;    // the picture scaled to the control, while reduced
    MouseTool tool_ = MouseTool::Hand;
    int snap_ = 1;
    ViewRect frame_;
    bool suspended_ = false;
    bool repaintWanted_ = false;
    // The drag under way.
    bool dragging_ = false;
    bool moved_ = false; // the press became a drag, so its release is no click
    QPoint dragStart_;
    QPoint dragLast_;
    ViewRect band_;
};

} // namespace zv
