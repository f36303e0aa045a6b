#pragma once

#include "desktop/GLibEventSource.h"

#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/DisplaySchedule.h"
#include "appkit/InstalledDisplay.h"
#include "appkit/WindowDisplay.h"

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace desktop {

// Makes windows real on a desktop, with GTK 3 on X11 (or Wayland). While it
// exists it is the windows' display: each window model that comes to the
// front gets a toplevel GTK window, kept in step with the model whenever
// the model says it changed, and hidden, not destroyed, when the model is
// hidden, so that the same window serves every showing.
//
// What the models ask for, and how it is drawn:
//  - a level above the normal one (the floating level): keep-above, a
//    utility window type and no task-bar or pager entry;
//  - a window that is not opaque: an RGBA visual, no frame, and the window's
//    background colour (clear, usually) painted as it is, so that only the
//    views show; an opaque window paints its background colour;
//  - a layer-backed view: its layer's background colour as a rounded
//    rectangle of the layer's corner radius behind its subviews;
//  - a text field: a label (attributed text with its fonts and sizes), or,
//    when editable, an entry whose every edit reaches the model through
//    textDidChangeByUser, as the terminal's do;
//  - buttons: push buttons, side by side, whose click calls performClick;
//  - a window's attached sheet (an alert): a modal window of its own, in
//    front of and transient for its parent.
// Views carry no geometry, so the layout is the presenter's: the views in
// view order, top to bottom, consecutive buttons in one row at the end.
// Closing a window with the window manager closes the model (hidden, kept).
//
// Threads and order: main thread only, with the GLib main context joined
// to the main run loop (GLibEventSource) for the presenter's life. Model
// changes are drawn when the run loop next turns, never in the middle of a
// model call; clicks and edits reach the models from GTK's signal handlers
// on the main thread.
//
// Failures: open() answers null and says why when GTK cannot reach a
// display (displayReachable checks for one without initialising GTK). A display that goes away while the program runs ends the
// program through GTK's own handling (one message on standard error, exit
// status 1): with no display there is no one left to show the windows to.
// The presenter never writes to standard output.
class DesktopPresenter final : public appkit::WindowDisplay {
public:
    // Controls the host adds below a window's content (the installer's
    // Back and Next): asked for their title and state on every redraw.
    struct Control {
        std::function<std::string()> title;
        std::function<bool()> enabled;
        std::function<void()> pressed;
    };

    // Initialises GTK on the display named by WAYLAND_DISPLAY or DISPLAY;
    // null, with `error` saying why, when there is none or it cannot be
    // reached. GTK, once initialised, stays so for the process's life.
    static std::unique_ptr<DesktopPresenter> open(std::string& error);
    ~DesktopPresenter() override;

    DesktopPresenter(const DesktopPresenter&) = delete;
    DesktopPresenter& operator=(const DesktopPresenter&) = delete;

    void windowDidOrderFront(appkit::Window& window) override;
    void windowNeedsDisplay(appkit::Window& window) override;

    // Replaces the host's controls of `window`.
    void setControls(const appkit::Window& window, std::vector<Control> controls);
    // What the window manager's close does to `window`: by default the
    // model is closed (hidden, kept); a host whose window is the program
    // (the installer) ends the program instead.
    void setCloseHandler(const appkit::Window& window, std::function<void()> handler);

    // Brings every GTK window up to date with its model now.
    void display();

    // The GTK toplevel of a model window, and the widget drawn for a view of
    // it; null while there is none. For the desktop tests' looking and
    // clicking.
    GtkWidget* toplevelForTesting(const appkit::Window& window) const;
    GtkWidget* widgetForViewForTesting(const appkit::View& view) const;
    GtkWidget* controlWidgetForTesting(const appkit::Window& window, std::size_t index) const;

    // What the presenter keeps of one model window (defined with the presenter).
    struct Shown;

private:
    DesktopPresenter();
    void scheduleDisplay();
    Shown& shownFor(appkit::Window& window);
    void update(Shown& shown);
    void rebuild(Shown& shown, std::vector<const appkit::View*> structure);
    void updateView(Shown& shown, const appkit::View& view);
    void updateControls(Shown& shown);
    void attachSheets();

    GLibEventSource source_;
    std::vector<std::unique_ptr<Shown>> shown_;
    appkit::DisplaySchedule schedule_{[this] { display(); }};
    std::optional<appkit::InstalledDisplay> installed_{std::in_place, *this};
};

} // namespace desktop
