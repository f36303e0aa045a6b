#pragma once

namespace foundation {

// The platform's executable-architecture codes (processor type of a binary).
inline constexpr int BundleExecutableArchitectureI386 = 7;
inline constexpr int BundleExecutableArchitectureX86_64 = 16777223;
inline constexpr int BundleExecutableArchitectureARM64 = 16777228;

// The running process as an application.
class RunningApplication {
public:
    static const RunningApplication& currentApplication();

    // The processor type this executable was built for: known at build time,
    // since the process runs its own binary.
    int executableArchitecture() const noexcept;
};

} // namespace foundation
