#pragma once

#include "desktop/DesktopPresenter.h"
#include "installer/PaneSequence.h"
#include "foundation/system/ExitStatus.h"

#include <functional>

namespace installer {

// The installer's window on the desktop: the pane's own views (its fields,
// texts and buttons, and the sheet it raises) drawn by the desktop
// presenter, and below them the installer's Back (off on the first pane)
// and Next ("Close" on the last pane), Next enabled exactly while the pane
// says so (setNextEnabled:). Closing the window with the window manager
// leaves the installer: `quit` hears Failure. Finishing the walk is the
// sequence's own `finished`.
//
// Main thread only. Tell it of every change the sequence reports
// (paneChanged, from the sequence's `changed`), so that the window is
// redrawn when the run loop next turns.
class InstallerWindow {
public:
    InstallerWindow(desktop::DesktopPresenter& presenter, PaneSequence& sequence, std::function<void(foundation::ExitStatus status)> quit);

    InstallerWindow(const InstallerWindow&) = delete;
    InstallerWindow& operator=(const InstallerWindow&) = delete;

    void paneChanged();

    // The GTK buttons of Back and Next, for the tests' clicking.
    GtkWidget* backButtonForTesting() const { return presenter_.controlWidgetForTesting(sequence_.window(), 0); }
    GtkWidget* nextButtonForTesting() const { return presenter_.controlWidgetForTesting(sequence_.window(), 1); }

private:
    desktop::DesktopPresenter& presenter_;
    PaneSequence& sequence_;
};

} // namespace installer
