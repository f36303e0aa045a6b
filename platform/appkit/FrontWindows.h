#pragma once

#include "appkit/Window.h"
#include "foundation/objects/Ref.h"

#include <vector>

namespace appkit {

// The windows that came to the front, each once, in the order they last
// did (the front one last), held weakly: what a display keeps to know
// which window to show. Main thread only, like the windows.
class FrontWindows {
public:
    void orderedFront(Window& window);
    // The frontmost window that is visible; those in front of it that are
    // hidden or gone are forgotten (a window shown again comes to the front
    // again). Null when none is.
    foundation::Ref<Window> frontVisible();
    // The windows still alive, back to front; forgets them all.
    std::vector<foundation::Ref<Window>> takeAll();

private:
    std::vector<foundation::WeakRef<Window>> order_;
};

} // namespace appkit
