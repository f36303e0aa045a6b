#pragma once

#include <sys/types.h>

#include <string>

namespace testsupport {

// An X server of the test's own (Xvfb), on a display number the server
// picks itself among the free ones (-displayfd), so that a test never
// draws on a display it did not make. DISPLAY names it for the life of the
// object; the server is ended and reaped when the object goes.
class VirtualDisplay {
public:
    // By default the server also ends with its last client, should the test
    // die first; a display whose clients come and go (a program that only
    // checks for it at start) is kept until the object goes.
    enum class Lifetime { UntilLastClientLeaves, UntilDestroyed };

    // With `authorizationFile` (an Xauthority file holding a cookie), the
    // server refuses every client that does not present that cookie.
    explicit VirtualDisplay(Lifetime lifetime = Lifetime::UntilLastClientLeaves,
                            const std::string& authorizationFile = {});
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // Empty when Xvfb could not be started; then `error` says why.
    const std::string& name() const noexcept { return name_; }
    const std::string& error() const noexcept { return error_; }
    // The server's process, for looking at its connections in /proc.
    pid_t pid() const noexcept { return pid_; }

    // Ends the server as a crashed session's would end, and keeps its
    // display number from other servers until the object goes (they pick
    // free numbers by their lock files): a program that still names the
    // display finds nothing there, never another test's server.
    void vanish();

private:
    std::string lockPath() const;

    bool vanished_ = false;
    pid_t pid_ = -1;
    std::string name_;
    std::string error_;
    std::string previous_;
    bool hadPrevious_ = false;
};

} // namespace testsupport
