#include "appkit/InstalledDisplay.h"

#include "appkit/Window.h"

namespace appkit {

InstalledDisplay::InstalledDisplay(WindowDisplay& display)
    : display_(&display)
{
    Window::setDisplay(display_);
}

InstalledDisplay::~InstalledDisplay()
{
    if (Window::display() == display_)
        Window::setDisplay(nullptr);
}

void InstalledDisplay::handOver(WindowDisplay& display)
{
    display_ = &display;
    Window::setDisplay(display_);
}

} // namespace appkit
