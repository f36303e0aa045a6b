#pragma once

#if ENABLE_TEST_SEAMS

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// Test builds only: sends every connection for host:port to 127.0.0.1 at a
// loopback port instead, while the request keeps its URL, its Host header and
// the TLS server name (and so the certificate check) of the configured host.
// This lets a test put a local server in place of the product's fixed
// servers without touching name resolution. Process-wide and thread-safe;
// transfers started afterwards see the change.
//
//   foundation::ConnectToOverride::set("userinfo.example", 6984, server.port());
//   ...
//   foundation::ConnectToOverride::clear();
class ConnectToOverride {
public:
    static void set(std::string_view host, int port, int loopbackPort);
    static void remove(std::string_view host, int port);
    static void clear();

    // Applies a tester's environment setting `variable`, "127.0.0.1:<port>"
    // (or "localhost:<port>"), as set(host, port, <port>). Answers true when
    // it is applied or not set; false, after one diagnostic naming the
    // variable, for any other text, which changes nothing.
    [[nodiscard]] static bool applySetting(const char* variable, std::string_view host, int port);

    // libcurl's connect-to entries, "host:port:127.0.0.1:loopbackPort".
    static std::vector<std::string> entries();
};

} // namespace foundation

#endif
