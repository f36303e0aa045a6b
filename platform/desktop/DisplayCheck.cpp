#include "desktop/DisplayCheck.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace desktop {

namespace {

const char* setting(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// Where a Wayland client connects: an absolute WAYLAND_DISPLAY as it is,
// else the name inside XDG_RUNTIME_DIR.
std::string waylandSocketPath(const char* display)
{
    if (display[0] == '/')
        return display;
    const char* runtime = setting("XDG_RUNTIME_DIR");
    return runtime ? std::string(runtime) + "/" + display : std::string();
}

bool waylandAnswers(const char* display)
{
    std::string path = waylandSocketPath(display);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    bool connected = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(socket);
    return connected;
}

bool x11Answers(const char* display)
{
    Display* connection = XOpenDisplay(display);
    if (!connection)
        return false;
    XCloseDisplay(connection);
    return true;
}

} // namespace

std::string unreachableDisplayMessage()
{
    const char* x11 = setting("DISPLAY");
    const char* wayland = setting("WAYLAND_DISPLAY");
    if (!x11 && !wayland)
        return "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
    return std::string("cannot open display ") + (x11 ? x11 : wayland);
}

bool displayReachable(std::string& error)
{
    // The toolkit tries Wayland first, then X11; either will do.
    const char* wayland = setting("WAYLAND_DISPLAY");
    const char* x11 = setting("DISPLAY");
    if ((wayland && waylandAnswers(wayland)) || (x11 && x11Answers(x11)))
        return true;
    error = unreachableDisplayMessage();
    return false;
}

} // namespace desktop
