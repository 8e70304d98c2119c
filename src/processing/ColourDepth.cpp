#include "processing/ColourDepth.h"

#include "imaging/PixelConvert.h"
#include "processing/ColourOperations.h"
#include "processing/LentPicture.h"

namespace zv {

namespace {

int ScreenBitsOf(const ToolboxJob& job) {
    return job.working ? job.working->descriptor.ScreenBits : 24;
}

// 256 colours cannot all be shown on an 8-bit display, which keeps 20 of
// its own.
int PaletteColours(int screenBits) {
    return screenBits == 8 ? 236 : 256;
}

void ReduceTo(ToolboxJob& job, ReductionMode how) {
    LentPicture lent(job.picture);
    job.error = lent.Settle(lent.Library().ImgReduceColors(lent.Handle(), how.colours, how.mode));
    if (job.error.empty()) NoteNewPicture(job);
}

} // namespace

ReductionMode ReductionModeOf(Reduction reduction, int method, int screenBits) {
    // Standard, the picture's own colours, Optimal; each with diffusion.
    constexpr int kPalettes[] = {kReduceFixed, kReducePopularity, kReduceOptimal};
    // Two colours: a threshold, the ordered dither, diffusion.
    constexpr int kTwoColours[] = {kReduceThreshold, kReduceOrdered, kReduceDiffuse};
    const int choice = method < 0 ? 0 : (method > 2 ? 2 : method);
    const int dithered = kPalettes[choice] | kReduceDiffuse;
    switch (reduction) {
    case Reduction::Colours256: return {PaletteColours(screenBits), dithered};
    case Reduction::Greys256: return {PaletteColours(screenBits), dithered | kReduceGrey};
    case Reduction::Colours16: return {16, dithered};
    case Reduction::BlackWhite: return {2, kTwoColours[choice]};
    }
    return {};
}

void Poster16Work(ToolboxJob& job) {
    ReduceTo(job, {16, kReducePopularity});
}

void Poster256Work(ToolboxJob& job) {
    ReduceTo(job, {PaletteColours(ScreenBitsOf(job)), kReducePopularity});
}

void GrayShadesWork(ToolboxJob& job) {
    if (ScreenBitsOf(job) == 8) {
        ReduceTo(job, {job.picture.BitsPerPixel() < 8 ? 16 : 256, kReduceGrey});
        return;
    }
    if (job.picture.Format() != PixelFormat::Bits24) {
        job.picture = ConvertPixels(job.picture, PixelFormat::Bits24, job.picture.Colours());
        NoteNewPicture(job);
    }
    GrayShades(job.picture);
}

template <Reduction R> void ReduceWork(ToolboxJob& job) {
    ReduceTo(job, ReductionModeOf(R, job.values.V1, ScreenBitsOf(job)));
}

template void ReduceWork<Reduction::Colours256>(ToolboxJob&);
template void ReduceWork<Reduction::Greys256>(ToolboxJob&);
template void ReduceWork<Reduction::Colours16>(ToolboxJob&);
template void ReduceWork<Reduction::BlackWhite>(ToolboxJob&);

} // namespace zv
