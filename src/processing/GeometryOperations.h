#pragma once
// The geometry and colour-depth entries of the toolbox: resizing, rotation,
// mirroring and colour reduction of the whole picture, through the imaging
// library's operations, at the picture's own depth.

#include "processing/Resize.h"
#include "processing/ToolboxProtocol.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> GeometryOperations();

// Auto > Resize: Resample to the size the viewer fits the picture into
// (its fit of the view area), recorded as RESAMPLE. It leaves the modified
// mark as it was, so edits made before still count as unsaved, and a
// picture only made to fit does not.
const ToolboxOperation& AutoResizeOperation();
RunOutcome RunAutoResize(ToolboxHost& host, ToolboxContext& tb, PictureSize fitted);

// The menu's Resample: pictures of fewer than 8 bits are resized instead.
const ToolboxOperation& ResampleCommandFor(int imageBits);

// Rotate > Fine: clockwise by hundredths of a degree (1 .. 35999). Its line
// is ROTATE with the whole degrees the batch word can replay.
const ToolboxOperation& RotateFineOperation();
// The degrees a fine rotation records, 360 - (36000 - a) div 100; 0 when
// that is 360 (above 359.00 degrees), which the batch word cannot take, so
// nothing is recorded.
int RecordedDegrees(int hundredths);
// Runs Rotate > Fine from the menu and records its line.
RunOutcome RunRotateFine(ToolboxHost& host, ToolboxContext& tb, int hundredths);

} // namespace zv
