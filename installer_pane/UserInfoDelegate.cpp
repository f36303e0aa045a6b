#include "installer_pane/UserInfoDelegate.h"

#include "installer_pane/CertificateHost.h"
#include "installer_pane/UserInfoServer.h"

#include "foundation/objects/String.h"
#include "foundation/system/Log.h"

namespace quillon {

using foundation::Ref;

Ref<UserInfoDelegate> UserInfoDelegate::create()
{
    return Ref<UserInfoDelegate>::adopt(new UserInfoDelegate);
}

void UserInfoDelegate::didReceiveData(foundation::URLConnection&, const Ref<foundation::Data>& data)
{
    Ref<foundation::String> text = foundation::String::create(
        std::string_view(reinterpret_cast<const char*>(data->bytes()), data->length()));
    foundation::logFormat("received data %@", text.get());
}

bool UserInfoDelegate::canAuthenticateAgainstProtectionSpace(foundation::URLConnection&,
                                                             const foundation::URLProtectionSpace& space)
{
    foundation::logFormat("auth %@", foundation::str(space.authenticationMethod()).get());
    return space.authenticationMethod() == foundation::URLAuthenticationMethod::ServerTrust;
}

void UserInfoDelegate::didReceiveAuthenticationChallenge(foundation::URLConnection&,
                                                         const Ref<foundation::URLAuthenticationChallenge>& challenge)
{
    foundation::URLProtectionSpace& space = challenge->protectionSpace();
    foundation::logFormat("challange %@", foundation::str(space.host()).get());
    foundation::ServerTrust* trust = space.serverTrust();
    if (space.authenticationMethod() == foundation::URLAuthenticationMethod::ServerTrust && trust
        && space.host() == UserInfoServer::host() && certificateNamesHost(*trust, UserInfoServer::host())) {
        challenge->sender().useCredential(foundation::URLCredential::credentialForTrust(trust),
                                          *challenge);
        return;
    }
    challenge->sender().continueWithoutCredential(*challenge);
}

} // namespace quillon
