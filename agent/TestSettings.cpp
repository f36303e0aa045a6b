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
#include <string_view>
#endif

namespace corvane {

#if ENABLE_TEST_SEAMS
namespace {

// A day in under a tenth of a second is as fast as any test needs; beyond
// that (or at infinity) the daily timer's dates stop meaning anything.
constexpr double largestClockScale = 1e6;

bool applyClockScale(const char* setting)
{
    // Read without the locale: the setting has a decimal point under any.
    std::string_view text(setting);
    double scale = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
    if (error != std::errc() || end != text.data() + text.size() || !(scale > 0 && scale <= largestClockScale)) {
        foundation::logDiagnostic(std::string("CORVANE_CLOCK_SCALE must be a positive number up to 1000000, not \"")
                                  + setting + "\"");
        return false;
    }
    foundation::RunLoop::main().setClock(std::make_shared<foundation::ScaledClock>(scale));
    return true;
}

// "host:port" of a loopback server that stands in for the package server.
bool applyConnectTo(const std::string& setting)
{
    std::optional<int> loopbackPort = foundation::ConnectToOverride::loopbackPortOf(setting);
    if (!loopbackPort) {
        foundation::logDiagnostic("CORVANE_CONNECT_TO must be 127.0.0.1:<port> of a loopback server, not \"" + setting + "\"");
        return false;
    }
    foundation::Ref<foundation::URL> server = foundation::URL::create(ProductPaths::current().packageServer);
    int serverPort = server->port().value_or(server->scheme() == "https" ? 443 : 80);
    foundation::ConnectToOverride::set(server->host(), serverPort, *loopbackPort);
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
