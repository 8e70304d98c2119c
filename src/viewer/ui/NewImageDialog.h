#pragma once
// The "New Image" dialog: the width, height and colour of a new picture.

#include "viewer/ViewerDocument.h"

#include <QSize>

#include <optional>

class QWidget;

namespace zv {

// Starts at the given size; sides are limited to 32000. Nothing when cancelled.
std::optional<NewPictureRequest> AskNewImage(QWidget* parent, QSize initial);

} // namespace zv
