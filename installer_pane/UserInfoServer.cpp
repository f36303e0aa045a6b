#include "installer_pane/UserInfoServer.h"

namespace quillon::UserInfoServer {

std::string_view host()
{
    return USERINFO_SERVER_HOST;
}

std::string_view password()
{
    return USERINFO_PASSWORD;
}

std::string_view basicToken()
{
    return USERINFO_BASIC_TOKEN;
}

} // namespace quillon::UserInfoServer
