#include "installer_pane/TestSettings.h"

#if ENABLE_TEST_SEAMS
#include "installer_pane/UserInfoServer.h"

#include "foundation/url/ConnectToOverride.h"
#endif

namespace quillon {

void applyTestSettings()
{
#if ENABLE_TEST_SEAMS
    (void)foundation::ConnectToOverride::applySetting("QUILLON_CONNECT_TO", UserInfoServer::host(), UserInfoServer::port);
#endif
}

} // namespace quillon
