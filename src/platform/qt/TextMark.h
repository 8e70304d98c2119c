#pragma once
// Text marks drawn by Qt: QPainter on a QImage over the picture's rows, in
// the canvas font. The viewer uses it inside its running application; a
// program without windows (zelvan-tool) keeps an OffscreenGui alive while it
// draws.

#include "platform/TextMarkPainter.h"

#include <QtGlobal>

#include <memory>

class QGuiApplication;

namespace zv {

class QtTextMarkPainter : public TextMarkPainter {
public:
    void Draw(const TextCanvas& canvas, std::string_view text, const TextBox& box, bool alignRight,
              std::span<const TextStroke> strokes) override;
};

// Qt's fonts need a QGuiApplication. This makes one on the offscreen
// platform when none runs yet, and ends it with itself.
class OffscreenGui {
public:
    OffscreenGui();
    ~OffscreenGui();
    OffscreenGui(const OffscreenGui&) = delete;
    OffscreenGui& operator=(const OffscreenGui&) = delete;

private:
    int argc_ = 1;
    char name_[12] = "zelvan-tool";
    char* argv_[2] = {name_, nullptr};
    QtMessageHandler previousHandler_ = nullptr;
    std::unique_ptr<QGuiApplication> application_;
};

} // namespace zv
