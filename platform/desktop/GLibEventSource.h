#pragma once

#include "foundation/runloop/RunLoop.h"

#include <glib.h>

#include <vector>

namespace desktop {

// GLib's default main context, served by the platform run loop, so that the
// user interface has one thread and one loop.
//
// How the two loops are joined: the RunLoop stays the loop that runs (run,
// runUntil, advanceBy keep their meaning, and its clock stays the only
// clock its timers read). While this source is installed, every turn of
// the RunLoop first runs its posted work and due timers as before; then,
// instead of sleeping on its own descriptors alone, it asks GLib what it
// needs (g_main_context_prepare and query: GLib's descriptors, among them
// the X connection and GLib's own wake-up descriptor, and GLib's next
// timeout), sleeps in one ppoll on both sets with the shorter of the two
// timeouts, and after waking hands GLib its descriptors back
// (g_main_context_check) and lets it dispatch what is ready (GTK's events,
// redraws, idle work) before running the handlers of its own readable
// descriptors. Posted work and timers therefore keep their order among
// themselves, a post from any thread still wakes the sleep, and a manual
// clock still moves only when a test advances it: GLib's own timeouts run
// on real time and drive only GTK's internals.
//
// The context is acquired for the loop's thread while the source exists;
// create and destroy it on that thread. Nothing here blocks: GTK work that
// would run a nested loop (dialogs run modally) is not used.
class GLibEventSource final : public foundation::RunLoopEventSource {
public:
    explicit GLibEventSource(foundation::RunLoop& loop);
    ~GLibEventSource();

    GLibEventSource(const GLibEventSource&) = delete;
    GLibEventSource& operator=(const GLibEventSource&) = delete;

    double prepare(std::vector<pollfd>& fds) override;
    void dispatch(const std::vector<pollfd>& fds) override;

private:
    foundation::RunLoop& loop_;
    GMainContext* context_;
    std::vector<GPollFD> polled_;
    gint priority_ = 0;
};

} // namespace desktop
