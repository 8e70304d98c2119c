#pragma once
// A viewer stand-in for running corrections through the toolbox protocol:
// it answers as the test says and notes each call the protocol makes.

#include "processing/ToolboxProtocol.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace zvtest {

class CorrectionHost : public zv::ToolboxHost {
public:
    zv::Bitmap picture;
    std::optional<zv::EffectValues> dialogAnswer;
    zv::EffectValues dialogStart;
    std::vector<std::string> calls;
    std::vector<std::string> lines;

    zv::Bitmap& Picture() override { return picture; }
    int ScreenBits() const override { return 24; }
    int ImageBits() const override { return 24; }
    zv::WarningAnswer AskColourWarning(const std::string&) override {
        calls.push_back("warning");
        return zv::WarningAnswer::Yes;
    }
    bool TakeUndoCopy() override {
        calls.push_back("undo copy");
        undoCopy = picture;
        return true;
    }
    void Undo() override {
        calls.push_back("undo");
        picture = undoCopy;
    }
    void EnsureTrueColour() override { calls.push_back("true colour"); }
    std::optional<zv::EffectValues> ShowEffectDialog(const zv::ToolboxOperation& op,
                                                     const zv::EffectValues& start) override {
        calls.push_back("dialog " + std::to_string(op.effectCode));
        dialogStart = start;
        return dialogAnswer;
    }
    void BeginBusy(const std::string& status) override { calls.push_back("busy " + status); }
    void EndBusy() override { calls.push_back("ready"); }
    void Repaint() override { calls.push_back("repaint"); }
    void MarkModified() override { calls.push_back("modified"); }
    void Offer256Colours() override { calls.push_back("offer 256"); }
    bool Recording() const override { return true; }
    void AppendBatchLine(const std::string& line) override { lines.push_back(line); }

private:
    zv::Bitmap undoCopy;
};

// The correction host with working bitmaps, a selection and its warnings,
// for the two-picture, buffer and selection commands.
class PairHost : public CorrectionHost {
public:
    zv::ImagingContext working;
    zv::Bitmap& duplicate = working.DuplicateBitmap;
    zv::PictureRect selection;
    std::vector<std::string> warnings;
    zv::ImagingContext* Working() override { return &working; }
    zv::PictureRect Selection() const override { return selection; }
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }
};

// One line on the host with a fresh toolbox.
inline zv::LineResult RunLine(zv::ToolboxHost& host, const std::string& line,
                              zv::LineScope scope = zv::LineScope::Script) {
    zv::ToolboxContext tb;
    zv::EffectValues kept;
    return RunToolboxLine(line, zv::TheToolbox(), kept, host, tb, scope);
}

// Runs batch lines on a picture with a fresh toolbox; returns the picture.
inline zv::Bitmap RunCorrectionLines(zv::Bitmap picture, const std::vector<std::string>& lines) {
    CorrectionHost host;
    host.picture = std::move(picture);
    zv::ToolboxContext tb;
    zv::EffectValues kept;
    for (const std::string& line : lines) RunToolboxLine(line, zv::TheToolbox(), kept, host, tb);
    return std::move(host.picture);
}

} // namespace zvtest

#include <random>

namespace zvtest {

// A picture of random bytes in lo..hi, the same for the same seed.
inline zv::Bitmap RandomLevelPicture(std::int32_t width, std::int32_t height, unsigned seed,
                                     int lo = 0, int hi = 255) {
    zv::Bitmap picture;
    picture.Create(width, height, zv::PixelFormat::Bits24);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(lo, hi);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* p = picture.ScanLine(y);
        for (std::int32_t x = 0; x < 3 * width; ++x)
            p[x] = static_cast<std::uint8_t>(level(random));
    }
    return picture;
}

// Whether two 24-bit pictures have the same size and pixels.
inline bool SamePixels(const zv::Bitmap& a, const zv::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (std::int32_t y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + 3 * a.Width(), b.ScanLine(y))) return false;
    return true;
}

} // namespace zvtest
