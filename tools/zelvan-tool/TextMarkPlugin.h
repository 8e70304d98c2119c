#pragma once
// Finds and opens the text-mark module (zelvan-textmark.so) and makes its
// painter. Text marks are the one thing the tool draws with Qt, so Qt is
// loaded only when a mark is drawn.

#include "platform/TextMarkPainter.h"

#include <memory>

namespace zvtool {

// The painter, or null when the module is not found or does not load (a
// build without windows has none). The module stays loaded to the end.
std::unique_ptr<zv::TextMarkPainter> LoadTextMarkPainter();

} // namespace zvtool
