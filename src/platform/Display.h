#pragma once
// The display the program draws on.

namespace zv {

struct DisplayInfo {
    int width = 1920; // pixels of the primary screen
    int height = 1080;
    int availableLeft = 0; // the screen area windows may use
    int availableTop = 0;
    int availableWidth = 1920;
    int availableHeight = 1080;
    int screenBits = 24; // bits per pixel x colour planes: 8, 15, 16, 24 or 32
    int dotsPerInch = 96;
};

class Display {
public:
    virtual ~Display() = default;
    virtual DisplayInfo Info() const = 0;
};

// A display with fixed values: for the command-line tool and tests, and to
// exercise the 8-bit display branches by setting screenBits.
class FixedDisplay : public Display {
public:
    explicit FixedDisplay(DisplayInfo info = {}) : info_(info) {}
    DisplayInfo Info() const override { return info_; }
    void Set(const DisplayInfo& info) { info_ = info; }

private:
    DisplayInfo info_;
};

} // namespace zv
