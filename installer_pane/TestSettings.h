#pragma once

namespace quillon {

// Test builds only: QUILLON_CONNECT_TO ("127.0.0.1:<port>") sends the
// uploads for the user-info server to a loopback server instead, keeping
// the configured host name in the URL and the TLS checks. A setting it
// cannot use is reported with one line on standard error and ignored: a
// plug-in does not end its host. Release builds ignore it.
void applyTestSettings();

} // namespace quillon
