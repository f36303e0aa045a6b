#pragma once

#include "appkit/WindowDisplay.h"

namespace appkit {

// A display installed as the windows' display (Window::setDisplay) for the
// guard's life. On destruction the guard takes it away again, unless
// another display has been installed since, which then stays. handOver()
// installs another display in its place, which the guard then answers for
// instead. Main thread only.
class InstalledDisplay {
public:
    explicit InstalledDisplay(WindowDisplay& display);
    ~InstalledDisplay();

    InstalledDisplay(const InstalledDisplay&) = delete;
    InstalledDisplay& operator=(const InstalledDisplay&) = delete;

    void handOver(WindowDisplay& display);

private:
    WindowDisplay* display_;
};

} // namespace appkit
