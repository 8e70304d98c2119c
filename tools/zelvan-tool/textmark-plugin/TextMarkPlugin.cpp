// The text-mark painter as a loadable module: zelvan-tool opens it on the
// first text mark, so that the tool itself links no Qt and starts as fast as
// the command-line decoders it is measured against.

#include "platform/qt/TextMark.h"

namespace {

// The Qt painter with the offscreen application its fonts need, made before
// the first drawing and ended with the painter.
class OffscreenTextMarkPainter : public zv::QtTextMarkPainter {
private:
    zv::OffscreenGui gui_;
};

} // namespace

extern "C" __attribute__((visibility("default"))) zv::TextMarkPainter* ZvMakeTextMarkPainter() {
    return new OffscreenTextMarkPainter;
}
