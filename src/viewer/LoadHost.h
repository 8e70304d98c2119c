#pragma once
// What picture loading asks of the window that shows the picture: its status
// bar, its view area and the view's state. The viewer window implements it;
// tests use a fake.

#include <string>

namespace zv {

struct ViewArea {
    int width = 800;
    int height = 600;
};

class LoadHost {
public:
    virtual ~LoadHost() = default;

    virtual void SetStatusText(const std::string& text) = 0;
    // A bar across the status bar's message panel, percent 0..100.
    virtual void DrawProgress(int percent) { (void)percent; }
    // The view area's client size, or the window's during a slideshow.
    virtual ViewArea ViewSize() const = 0;
    virtual bool SlideshowRunning() const { return false; }
    // The viewer window has been activated once (start-up is over).
    virtual bool Activated() const { return true; }
    virtual bool DeferredStartOpenPending() const { return false; }
    // Undo state discarded before a new picture (the undo copy, its file).
    virtual void DiscardUndo() {}
    // The empty 16 x 16 picture, after a failed read.
    virtual void ShowEmptyPicture() {}
    // The picture is ready: fit or 100 %, repaint, caption, "&Reload".
    virtual void PictureShown() {}
};

} // namespace zv
