#pragma once
// The model of the shared progress window: a text line, two bars and the stop
// flag that Cancel or Esc sets. Long commands take one and test Stopped()
// between items.

#include <cstdint>
#include <string>

namespace zv {

class Progress {
public:
    virtual ~Progress() = default;

    void SetText(const std::string& text);
    // Bar 0 or 1: position out of maximum (a maximum of 0 shows an empty bar).
    void SetBar(int bar, std::int64_t position, std::int64_t maximum);
    void RequestStop() { stopRequested_ = true; }
    void ResetStop() { stopRequested_ = false; }
    bool Stopped() const { return stopRequested_; }

    const std::string& Text() const { return text_; }
    std::int64_t Position(int bar) const { return bars_[Index(bar)].position; }
    std::int64_t Maximum(int bar) const { return bars_[Index(bar)].maximum; }
    // Percent done on a bar, 0..100.
    int Percent(int bar) const;

    // Lets the display catch up: the window repaints and runs pending events,
    // the terminal redraws its bar. Called by SetText and SetBar.
    virtual void Update() {}

private:
    struct Bar {
        std::int64_t position = 0;
        std::int64_t maximum = 0;
    };
    static int Index(int bar) { return bar == 1 ? 1 : 0; }

    std::string text_;
    Bar bars_[2];
    bool stopRequested_ = false;
};

} // namespace zv
