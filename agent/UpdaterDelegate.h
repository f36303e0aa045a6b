#pragma once

#include "foundation/objects/Object.h"

#include <string>

namespace corvane {

// How the Updater drives the notification window. Its implementer is an
// object, so that the Updater can hold it weakly: the window's owner owns
// the Updater, not the reverse.
class UpdaterDelegate : public foundation::Object {
public:
    // Shows the announcement for `version` and brings the window on screen.
    virtual void showWindow(const std::string& version) = 0;
    // Takes the window off screen. The Updater never calls it.
    virtual void hideWindow() = 0;
    // Whether the notification window is on screen now.
    virtual bool windowIsVisible() = 0;
};

} // namespace corvane
