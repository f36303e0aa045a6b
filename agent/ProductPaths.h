#pragma once

#include <string>

namespace corvane {

// The fixed places the agent works with, read once at launch and handed to
// the objects that use them. Release builds use the product's constants
// only; test builds also honour the testers' environment settings (see
// README), so tests never touch the real paths or the real server.
struct ProductPaths {
    std::string packageServer;         // scheme and host, no trailing slash
    std::string installedVersionFile;  // holds the installed Erlang version
    std::string temporaryDirectory;    // where downloads are moved; "/tmp"
    std::string diskImageTool;         // "/usr/bin/hdiutil"

    // The product's constants.
    static ProductPaths defaults();
    // The constants, with the testers' overrides in test builds.
    static ProductPaths current();
};

} // namespace corvane
