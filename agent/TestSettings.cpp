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

// A loopback server in place of the package server.
bool applyConnectTo()
{
    foundation::Ref<foundation::URL> server = foundation::URL::create(ProductPaths::current().packageServer);
    int serverPort = server->port().value_or(server->scheme() == "https" ? 443 : 80);
    return foundation::ConnectToOverride::applySetting("CORVANE_CONNECT_TO", server->host(), serverPort);
}

} // namespace

bool applyTestSettings()
{
    if (const char* scale = std::getenv("CORVANE_CLOCK_SCALE"); scale && *scale && !applyClockScale(scale))
        return false;
    return applyConnectTo();
}
#else
bool applyTestSettings()
{
    return true;
}
#endif

} // namespace corvane
