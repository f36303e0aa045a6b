#pragma once

#include "appkit/Coder.h"
#include "foundation/objects/Object.h"

#include <functional>
#include <string>
#include <string_view>

namespace appkit {

// The classes a UI description can name, each with its maker. "Window",
// "View", "TextField" and "Button" are always there; an application
// registers its own before it loads its description:
//   ClassRegistry::registerClass("AppDelegate", [] { return AppDelegate::create(); });
//   ClassRegistry::registerClass("ASView", [](Coder& coder) { return ASView::initWithCoder(coder); });
// Views take the description's attributes through the coder (and may yield
// nothing); other objects are made plainly and must have no attributes.
// Registering a name again replaces its maker. Safe from any thread.
class ClassRegistry {
public:
    using Maker = std::function<foundation::Ref<foundation::Object>(Coder&)>;
    using PlainMaker = std::function<foundation::Ref<foundation::Object>()>;

    static void registerClass(std::string name, Maker maker);
    static void registerClass(std::string name, PlainMaker maker);

    // The maker of a class, or an empty function for an unknown name.
    static Maker makerForClass(std::string_view name);
};

} // namespace appkit
