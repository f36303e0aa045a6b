#pragma once

// What the desktop tests share: an Xvfb display of their own for the whole
// test program, the desktop presenter on it, and the means to look at and
// click its windows as a person would (xdotool, xprop, ImageMagick).
#include "desktop/DesktopPresenter.h"

#include "foundation/runloop/RunLoop.h"
#include "support/ChildProcess.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace testsupport {

// The display, started for the first test and ended when the program ends.
inline testsupport::VirtualDisplay& virtualDisplay()
{
    static testsupport::VirtualDisplay display;
    return display;
}

// Runs the main loop (and with it GTK) until `done`, in short slices so
// that a condition no loop event announces (a file a child wrote) is seen.
inline bool pumpUntil(const std::function<bool()>& done, double seconds = 20)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!foundation::RunLoop::main().runUntil(done, 0.02)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    }
    return true;
}

// Runs a tool to its end while the loop keeps serving the windows (the
// tool may wait on them); answers its standard output.
inline std::string runTool(const std::string& program, const std::vector<std::string>& arguments)
{
    testsupport::ChildProcess tool(program, arguments, {});
    tool.closeInput();
    int status = -1;
    EXPECT_TRUE(pumpUntil([&] { return status != -1 || (status = tool.waitForExit(0.01)) != -1; }))
        << program << " did not end";
    return tool.output();
}

class DesktopSession {
public:
    DesktopSession()
    {
        // The tests have no session bus for GTK's accessibility bridge to reach.
        ::setenv("NO_AT_BRIDGE", "1", 1);
        if (virtualDisplay().name().empty())
            ADD_FAILURE() << virtualDisplay().error();
        std::string error;
        presenter = desktop::DesktopPresenter::open(error);
        EXPECT_NE(presenter, nullptr) << error;
    }

    // The X window id of a model window's toplevel.
    unsigned long xid(const appkit::Window& window) const;
    // Root coordinates of the middle of a widget.
    std::pair<int, int> centre(GtkWidget* widget) const;
    // Clicks the middle of a widget with the X pointer.
    void click(GtkWidget* widget);
    // Waits until the toplevel of `window` is mapped and drawn once.
    bool waitUntilDrawn(const appkit::Window& window);

    std::unique_ptr<desktop::DesktopPresenter> presenter;
};

} // namespace testsupport
