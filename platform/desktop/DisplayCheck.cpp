#include "desktop/DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

// Standard error on /dev/null for the object's life.
class StandardErrorSilenced {
public:
    StandardErrorSilenced()
        : saved_(::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0))
    {
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~StandardErrorSilenced()
    {
        if (saved_ < 0)
            return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StandardErrorSilenced(const StandardErrorSilenced&) = delete;
    StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

private:
    int saved_;
};

// A server that refuses the connection (no authorization, say) sends its
// reason, and the X library writes it on standard error itself: the
// program's own line says what happened, and that line must stay one.
bool x11Answers(const char* display)
{
    StandardErrorSilenced quiet;
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    bool connected = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return connected;
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
