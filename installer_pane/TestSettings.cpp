#include "installer_pane/TestSettings.h"

#if ENABLE_TEST_SEAMS
#include "installer_pane/UserInfoServer.h"

#include "foundation/system/Log.h"
#include "foundation/url/ConnectToOverride.h"

#include <cstdlib>
#include <string>
#endif

namespace quillon {

void applyTestSettings()
{
#if ENABLE_TEST_SEAMS
    const char* setting = std::getenv("QUILLON_CONNECT_TO");
    if (!setting || !*setting)
        return;
    if (auto loopbackPort = foundation::ConnectToOverride::loopbackPortOf(setting))
        foundation::ConnectToOverride::set(UserInfoServer::host(), UserInfoServer::port, *loopbackPort);
    else
        foundation::logDiagnostic("Quillon: QUILLON_CONNECT_TO must be 127.0.0.1:<port> of a loopback server, not \""
                                  + std::string(setting) + "\"");
#endif
}

} // namespace quillon
