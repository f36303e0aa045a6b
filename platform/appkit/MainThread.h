#pragma once

#include "foundation/objects/DebugCheck.h"
#include "foundation/runloop/RunLoop.h"

#include <source_location>

namespace appkit {

// Windows and views belong to the main thread: nothing locks them, the
// display reads them there, and a view's superview and window are plain
// pointers. A change from another thread races with all of that and can
// free a view while the main thread walks it. Every change to a window or
// a view starts with this; in checked builds it stops a call from any other
// thread and names the caller.
inline void requireMainThread(std::source_location caller = std::source_location::current()) noexcept
{
    FOUNDATION_DEBUG_CHECK_AT(caller, foundation::RunLoop::isMainThread(),
        "a window or view changed off the main thread (windows and views belong to the main thread)",
        "make the change on the main thread: post it with foundation::RunLoop::main().post(...) or "
        "foundation::OperationQueue::mainQueue().addOperationWithBlock(...)");
}

} // namespace appkit
