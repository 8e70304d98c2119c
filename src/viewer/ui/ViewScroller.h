#pragma once
// The view area: a scroll area whose viewport may leave a strip free at the
// right and bottom, so an enlarged picture shows only whole pixels.

#include <QScrollArea>

namespace zv {

class ViewScroller : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    void SetFreeStrip(int right, int bottom) { setViewportMargins(0, 0, right, bottom); }
};

} // namespace zv
