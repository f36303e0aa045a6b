#include "agent/ProductPaths.h"

#include <cstdlib>

namespace corvane {

ProductPaths ProductPaths::defaults()
{
    return {PACKAGE_SERVER, "/usr/local/lib/erlang/zvk_otp_version", "/tmp", "/usr/bin/hdiutil"};
}

ProductPaths ProductPaths::current()
{
    ProductPaths paths = defaults();
#if ENABLE_TEST_SEAMS
    auto override = [](std::string& value, const char* name) {
        if (const char* setting = std::getenv(name); setting && *setting)
            value = setting;
    };
    override(paths.installedVersionFile, "CORVANE_VERSION_FILE");
    override(paths.temporaryDirectory, "CORVANE_TMP_DIR");
    override(paths.diskImageTool, "CORVANE_HDIUTIL");
#endif
    return paths;
}

} // namespace corvane
