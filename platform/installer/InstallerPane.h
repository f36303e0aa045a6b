#pragma once

#include "appkit/View.h"
#include "foundation/objects/String.h"

namespace installer {

// Which way the installer moves from or into a pane. Forward is 0, as the
// plug-in interface fixes; panes compare against it.
enum InstallerSectionDirection : long {
    InstallerDirectionForward = 0,
    InstallerDirectionBackward = 1,
    InstallerDirectionUndefined = 2,
};

class InstallerPane;

// The installer side of a pane: what setNextEnabled and gotoNextPane reach.
class InstallerPaneHost {
public:
    virtual void paneDidSetNextEnabled(InstallerPane& pane, bool enabled) = 0;
    virtual void paneRequestsNextPane(InstallerPane& pane) = 0;

protected:
    ~InstallerPaneHost() = default;
};

// One page of the installer's sequence (the plug-in interface's
// InstallerPane). A plug-in subclasses it and registers the subclass by
// class name; the installer makes the pane, loads the pane's UI description
// with the pane as its owner (the outlet "owner.contentView" names the
// pane's content), and then, on its main thread:
//   - asks title() for the pane's heading;
//   - calls didEnterPane each time the pane is shown, after making Next
//     enabled, so a pane that wants it off turns it off there;
//   - calls shouldExitPane before leaving by Back or Next; false keeps the
//     pane. gotoNextPane moves on without asking.
// A pane that is not in an installer (no host) ignores setNextEnabled and
// gotoNextPane.
class InstallerPane : public foundation::Object {
public:
    static foundation::Ref<InstallerPane> create();

    virtual foundation::Ref<foundation::String> title() const;
    virtual void didEnterPane(InstallerSectionDirection direction);
    virtual bool shouldExitPane(InstallerSectionDirection direction);

    // Enables or disables the installer's Next button.
    void setNextEnabled(bool enabled);
    bool isNextEnabled() const noexcept { return nextEnabled_; }
    // Moves the installer on to the next pane.
    void gotoNextPane();

    appkit::View* contentView() const noexcept { return contentView_.get(); }
    void setContentView(foundation::Ref<appkit::View> view) { contentView_ = std::move(view); }

    // The installer: set when the pane joins a sequence, cleared when it leaves.
    void setHost(InstallerPaneHost* host) noexcept { host_ = host; }

    const char* className() const override { return "InstallerPane"; }
    const foundation::OperationTable& operations() const override;

protected:
    InstallerPane() = default;

private:
    foundation::Ref<appkit::View> contentView_;
    InstallerPaneHost* host_ = nullptr;
    bool nextEnabled_ = true;
};

} // namespace installer
