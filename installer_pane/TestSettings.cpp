#include "installer_pane/TestSettings.h"

#if ENABLE_TEST_SEAMS
#include "installer_pane/UserInfoServer.h"

#include "foundation/url/ConnectToOverride.h"

#include <cstdio>
#include <cstdlib>
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
        std::fprintf(stderr, "Quillon: QUILLON_CONNECT_TO must be 127.0.0.1:<port> of a loopback server, not \"%s\"\n", setting);
#endif
}

} // namespace quillon
