#include "foundation/url/ConnectToOverride.h"

#if ENABLE_TEST_SEAMS

#include "foundation/system/Log.h"

#include <charconv>
#include <cstdlib>
#include <map>
#include <mutex>

namespace foundation {
namespace {

struct Overrides {
    std::mutex mutex;
    std::map<std::string, int> loopbackPorts;  // "host:port" -> loopback port
};

Overrides& overrides()
{
    static Overrides* shared = new Overrides;  // used by transfers until the process ends
    return *shared;
}

std::string key(std::string_view host, int port)
{
    return std::string(host) + ":" + std::to_string(port);
}

// The loopback port of a "127.0.0.1:<port>" or "localhost:<port>" setting.
std::optional<int> loopbackPortOf(std::string_view setting)
{
    std::size_t colon = setting.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::string_view host = setting.substr(0, colon);
    std::string_view portText = setting.substr(colon + 1);
    int port = 0;
    auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if ((host != "127.0.0.1" && host != "localhost") || error != std::errc() || end != portText.data() + portText.size()
        || port <= 0 || port > 65535)
        return std::nullopt;
    return port;
}

} // namespace

bool ConnectToOverride::applySetting(const char* variable, std::string_view host, int port)
{
    const char* setting = std::getenv(variable);
    if (!setting || !*setting)
        return true;
    std::optional<int> loopbackPort = loopbackPortOf(setting);
    if (!loopbackPort) {
        logDiagnostic(std::string(variable) + " must be 127.0.0.1:<port> of a loopback server, not \"" + setting + "\"");
        return false;
    }
    set(host, port, *loopbackPort);
    return true;
}

void ConnectToOverride::set(std::string_view host, int port, int loopbackPort)
{
    std::lock_guard lock(overrides().mutex);
    overrides().loopbackPorts[key(host, port)] = loopbackPort;
}

void ConnectToOverride::remove(std::string_view host, int port)
{
    std::lock_guard lock(overrides().mutex);
    overrides().loopbackPorts.erase(key(host, port));
}

void ConnectToOverride::clear()
{
    std::lock_guard lock(overrides().mutex);
    overrides().loopbackPorts.clear();
}

std::vector<std::string> ConnectToOverride::entries()
{
    std::lock_guard lock(overrides().mutex);
    std::vector<std::string> list;
    for (const auto& [hostAndPort, loopbackPort] : overrides().loopbackPorts)
        list.push_back(hostAndPort + ":127.0.0.1:" + std::to_string(loopbackPort));
    return list;
}

} // namespace foundation

#endif
