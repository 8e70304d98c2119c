#pragma once
// The "AVL running" mark between instances: held by the instance that plays a
// script slideshow, seen by every instance that starts meanwhile. It dies with
// the process that holds it, so a crash leaves nothing behind.

namespace zv {

class InstanceLock {
public:
    virtual ~InstanceLock() = default;

    // True when another process holds the mark now.
    virtual bool HeldElsewhere() const = 0;
    // Takes the mark for this process; false when another process holds it.
    virtual bool Acquire() = 0;
    // Gives the mark up if this process holds it; harmless otherwise.
    virtual void Release() = 0;
    virtual bool HeldHere() const = 0;
};

} // namespace zv
