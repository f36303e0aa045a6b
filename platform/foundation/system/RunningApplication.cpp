#include "foundation/system/RunningApplication.h"

namespace foundation {

const RunningApplication& RunningApplication::currentApplication()
{
    static const RunningApplication application;
    return application;
}

int RunningApplication::executableArchitecture() const noexcept
{
#if defined(__x86_64__)
    return BundleExecutableArchitectureX86_64;
#elif defined(__i386__)
    return BundleExecutableArchitectureI386;
#elif defined(__aarch64__)
    return BundleExecutableArchitectureARM64;
#else
    return 0;
#endif
}

} // namespace foundation
