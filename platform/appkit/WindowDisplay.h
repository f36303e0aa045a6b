#pragma once

namespace appkit {

class Window;

// What makes windows real for a person: it hears when a window comes to the
// front and when anything else about a window changes (its text, its
// visibility, its end). At most one is installed (Window::setDisplay).
// Called on the main thread only; the window must not be retained from
// windowNeedsDisplay, which a window also sends while it is destroyed.
// The program owns its display and may hold it as a WindowDisplay.
class WindowDisplay {
public:
    virtual ~WindowDisplay() = default;
    virtual void windowDidOrderFront(Window& window) = 0;
    virtual void windowNeedsDisplay(Window& window) = 0;
};

} // namespace appkit
