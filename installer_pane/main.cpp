// The plug-in's entry: what runs when the installer loads the bundle's
// library (dlopen runs the static initialisers). The installer then finds
// the pane by the class name its section list gives.
#include "installer_pane/QuillonPane.h"
#include "installer_pane/TestSettings.h"

#include "appkit/ClassRegistry.h"

namespace {

[[maybe_unused]] const bool registered = [] {
    quillon::applyTestSettings();
    appkit::ClassRegistry::registerClass("QuillonPane", appkit::ClassRegistry::PlainMaker([] {
        return foundation::Ref<foundation::Object>(quillon::QuillonPane::init());
    }));
    return true;
}();

} // namespace
