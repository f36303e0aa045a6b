#include "agent/ProductPaths.h"

#include <cstdlib>
#include <mutex>

namespace corvane {

namespace {

ProductPaths fromEnvironment()
{
    ProductPaths paths = ProductPaths::defaults();
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

// Read from the main thread and from download completions, replaced only
// by tests.
std::mutex& pathsMutex()
{
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

// Never destroyed: a download completion may still read it while the
// process exits.
ProductPaths& currentPaths()
{
    static ProductPaths* paths = new ProductPaths(fromEnvironment());
    return *paths;
}

} // namespace

ProductPaths ProductPaths::defaults()
{
    return {PACKAGE_SERVER, "/usr/local/lib/erlang/zvk_otp_version", "/tmp", "/usr/bin/hdiutil"};
}

ProductPaths ProductPaths::current()
{
    std::lock_guard lock(pathsMutex());
    return currentPaths();
}

void ProductPaths::setCurrent(ProductPaths paths)
{
#if ENABLE_TEST_SEAMS
    std::lock_guard lock(pathsMutex());
    currentPaths() = std::move(paths);
#else
    (void)paths;
#endif
}

} // namespace corvane
