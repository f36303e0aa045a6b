#include "agent/TestSettings.h"

#include "agent/ProductPaths.h"

#if ENABLE_TEST_SEAMS
#include "foundation/runloop/Clock.h"
#include "foundation/url/ConnectToOverride.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/system/Log.h"
#include "foundation/objects/URL.h"

#include <charconv>
#include <cstdlib>
#include <memory>
#include <string>
#endif

namespace corvane {

#if ENABLE_TEST_SEAMS
namespace {

bool applyClockScale(const char* setting)
{
    char* end = nullptr;
    double scale = std::strtod(setting, &end);
    if (end == setting || *end != '\0' || !(scale > 0)) {
        foundation::logDiagnostic(std::string("CORVANE_CLOCK_SCALE must be a positive number, not \"") + setting + "\"");
        return false;
    }
    foundation::RunLoop::main().setClock(std::make_shared<foundation::ScaledClock>(scale));
    return true;
}

// "host:port" of a loopback server that stands in for the package server.
bool applyConnectTo(const std::string& setting)
{
    std::size_t colon = setting.rfind(':');
    int loopbackPort = 0;
    std::string host = colon == std::string::npos ? "" : setting.substr(0, colon);
    const char* portText = setting.c_str() + (colon == std::string::npos ? setting.size() : colon + 1);
    auto [end, error] = std::from_chars(portText, setting.c_str() + setting.size(), loopbackPort);
    if ((host != "127.0.0.1" && host != "localhost") || error != std::errc() || *end != '\0' || loopbackPort <= 0
        || loopbackPort > 65535) {
        foundation::logDiagnostic("CORVANE_CONNECT_TO must be 127.0.0.1:<port> of a loopback server, not \"" + setting + "\"");
        return false;
    }
    foundation::Ref<foundation::URL> server = foundation::URL::create(ProductPaths::current().packageServer);
    int serverPort = server->port().value_or(server->scheme() == "https" ? 443 : 80);
    foundation::ConnectToOverride::set(server->host(), serverPort, loopbackPort);
    return true;
}

} // namespace

bool applyTestSettings()
{
    if (const char* scale = std::getenv("CORVANE_CLOCK_SCALE"); scale && *scale && !applyClockScale(scale))
        return false;
    if (const char* connectTo = std::getenv("CORVANE_CONNECT_TO"); connectTo && *connectTo && !applyConnectTo(connectTo))
        return false;
    return true;
}
#else
bool applyTestSettings()
{
    return true;
}
#endif

} // namespace corvane
