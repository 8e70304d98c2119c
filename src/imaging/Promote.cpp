#include "imaging/Promote.h"

namespace zv {

namespace {

bool FormatForTag(int tag, PixelFormat& format) {
    switch (tag) {
    case 24: format = PixelFormat::Bits24; return true;
    case 8: format = PixelFormat::Bits8; return true;
    case 4: format = PixelFormat::Bits4; return true;
    default: return false;
    }
}

// Converts the picture; when that fails it is left cleared and the
// descriptor follows it before the failure goes on to the caller.
void SetFormat(ImagingContext& context, PixelFormat format) {
    try {
        context.current.SetPixelFormat(format);
    } catch (...) {
        context.descriptor.ImageWidth = context.current.Width();
        context.descriptor.ImageHeight = context.current.Height();
        throw;
    }
}

} // namespace

bool PromoteCommand(ImagingContext& context, PromoteHost& host, int tag) {
    PixelFormat format = PixelFormat::Bits24;
    if (!FormatForTag(tag, format)) return false;
    if (!host.AutoBackUp()) return false;
    host.ShowStatus("Promoting...");
    SetFormat(context, format);
    if (tag == 24) host.RecordBatchLine("TRUECOLOR");
    context.descriptor.ImageBits = static_cast<std::int16_t>(tag);
    host.RefreshView();
    host.MarkModified();
    host.ShowStatus("Ready.");
    return true;
}

} // namespace zv
