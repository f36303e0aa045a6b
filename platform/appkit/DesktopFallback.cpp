#include "appkit/DesktopFallback.h"

#include "foundation/system/Log.h"

namespace appkit {

bool fallBackFromDesktop(const std::string& reason, bool forced, std::string_view instead)
{
    if (forced) {
        foundation::logDiagnostic(reason);
        return false;
    }
    foundation::logDiagnostic(reason + "; showing " + std::string(instead));
    return true;
}

} // namespace appkit
