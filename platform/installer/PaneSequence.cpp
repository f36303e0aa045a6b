#include "installer/PaneSequence.h"

#include "foundation/objects/Exception.h"

namespace installer {

using foundation::Ref;

PaneSequence::PaneSequence(Ref<appkit::Window> window, std::vector<Entry> entries, std::function<void()> changed,
                           std::function<void()> finished)
    : window_(std::move(window)), entries_(std::move(entries)), changed_(std::move(changed)), finished_(std::move(finished))
{
    FOUNDATION_PARAMETER_ASSERT(!entries_.empty());
    for (auto& entry : entries_)
        entry.pane->setHost(this);
}

PaneSequence::~PaneSequence()
{
    for (auto& entry : entries_)
        entry.pane->setHost(nullptr);
}

void PaneSequence::start()
{
    window_->makeKeyAndOrderFront(nullptr);
    enter(0, InstallerDirectionForward);
}

void PaneSequence::enter(std::size_t index, InstallerSectionDirection direction)
{
    index_ = index;
    InstallerPane& pane = currentPane();
    window_->setContentView(pane.contentView() ? Ref<appkit::View>(pane.contentView()) : appkit::View::create());
    window_->setTitle(pane.title());
    pane.setNextEnabled(true);
    pane.didEnterPane(direction);
    changed_();
}

PaneSequence::Move PaneSequence::advance()
{
    if (index_ + 1 == entries_.size()) {
        finished_();
        return Move::Finished;
    }
    enter(index_ + 1, InstallerDirectionForward);
    return Move::Moved;
}

PaneSequence::Move PaneSequence::goNext()
{
    if (!isNextEnabled())
        return Move::NextDisabled;
    // The pane may drop the last reference to itself while it decides.
    Ref<InstallerPane> pane(&currentPane());
    if (!pane->shouldExitPane(InstallerDirectionForward)) {
        changed_();
        return Move::Stayed;
    }
    return advance();
}

PaneSequence::Move PaneSequence::goBack()
{
    if (index_ == 0)
        return Move::NoPane;
    Ref<InstallerPane> pane(&currentPane());
    if (!pane->shouldExitPane(InstallerDirectionBackward)) {
        changed_();
        return Move::Stayed;
    }
    enter(index_ - 1, InstallerDirectionBackward);
    return Move::Moved;
}

void PaneSequence::paneDidSetNextEnabled(InstallerPane&, bool)
{
    changed_();
}

void PaneSequence::paneRequestsNextPane(InstallerPane& pane)
{
    // Only the pane on show moves the installer; one left behind has no say.
    if (&pane == &currentPane())
        advance();
}

} // namespace installer
