#include "installer_desktop/InstallerWindow.h"

namespace installer {

InstallerWindow::InstallerWindow(desktop::DesktopPresenter& presenter, PaneSequence& sequence,
                                 std::function<void(foundation::ExitStatus)> quit)
    : presenter_(presenter)
    , sequence_(sequence)
{
    PaneSequence* steps = &sequence;
    presenter.setControls(sequence.window(), {
        {[] { return std::string("Back"); }, [steps] { return steps->isBackEnabled(); }, [steps] { steps->goBack(); }},
        {[steps] { return std::string(steps->forwardTitle()); }, [steps] { return steps->isNextEnabled(); },
         [steps] { steps->goNext(); }},
    });
    presenter.setCloseHandler(sequence.window(), [quit = std::move(quit)] { quit(foundation::ExitStatus::Failure); });
}

void InstallerWindow::paneChanged()
{
    presenter_.windowNeedsDisplay(sequence_.window());
}

} // namespace installer
