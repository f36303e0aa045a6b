#pragma once

#include "installer/InstallerPane.h"

#include "appkit/UIDescription.h"
#include "appkit/Window.h"

#include <functional>
#include <vector>

namespace installer {

// The installer's walk through its panes in one window: Back and Next move
// between neighbours, asking the pane it leaves (shouldExitPane) and telling
// the pane it enters (didEnterPane, after Next is made enabled); a pane's
// own gotoNextPane moves on without asking. Next on the last pane finishes
// the walk. Every step runs on the main thread; `changed` hears of
// everything the person should see again, `finished` of the end.
class PaneSequence final : public InstallerPaneHost {
public:
    struct Entry {
        foundation::Ref<InstallerPane> pane;
        // Keeps the pane's UI description alive; null for the installer's own panes.
        foundation::Ref<appkit::UIDescription> description;
    };

    enum class Move {
        Moved,
        Stayed,       // the pane answered false to shouldExitPane
        NextDisabled, // Next is off for this pane
        NoPane,       // Back on the first pane
        Finished,     // Next on the last pane
    };

    PaneSequence(foundation::Ref<appkit::Window> window, std::vector<Entry> entries, std::function<void()> changed,
                 std::function<void()> finished);
    ~PaneSequence();

    PaneSequence(const PaneSequence&) = delete;
    PaneSequence& operator=(const PaneSequence&) = delete;

    // Shows the first pane, entered forwards. Call once.
    void start();

    Move goNext();
    Move goBack();

    appkit::Window& window() const noexcept { return *window_; }
    InstallerPane& currentPane() const { return *entries_[index_].pane; }
    std::size_t currentIndex() const noexcept { return index_; }
    std::size_t count() const noexcept { return entries_.size(); }
    bool isNextEnabled() const { return currentPane().isNextEnabled(); }

    // The installer's own buttons, the same in every presenter: Back, on
    // every pane but the first, and the forward button goNext presses,
    // "Next", or "Close" on the last pane, enabled while isNextEnabled.
    bool isBackEnabled() const noexcept { return index_ > 0; }
    const char* forwardTitle() const noexcept { return index_ + 1 == entries_.size() ? "Close" : "Next"; }

    void paneDidSetNextEnabled(InstallerPane& pane, bool enabled) override;
    void paneRequestsNextPane(InstallerPane& pane) override;

private:
    void enter(std::size_t index, InstallerSectionDirection direction);
    Move advance();

    foundation::Ref<appkit::Window> window_;
    std::vector<Entry> entries_;
    std::function<void()> changed_;
    std::function<void()> finished_;
    std::size_t index_ = 0;
};

} // namespace installer
