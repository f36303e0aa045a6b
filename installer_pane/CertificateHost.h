#pragma once

#include "foundation/url/ServerTrust.h"

#include <string_view>

namespace quillon {

// Whether the leaf certificate the server presented is made out to `host`
// (its subject alternative names, or its common name when it has none,
// wildcards as browsers take them). Nothing else about the certificate is
// checked: the user-info server's certificate is its own, not a
// certificate authority's.
bool certificateNamesHost(const foundation::ServerTrust& trust, std::string_view host);

} // namespace quillon
