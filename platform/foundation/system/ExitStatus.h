#pragma once

namespace foundation {

// What every program's exit status means, written once:
//   0  it did what was asked
//   1  it could not (a file it could not read, a person who left before
//      the end, a display that was forced but cannot be had)
//   2  it was asked wrongly (the command line or a setting), and did nothing
enum class ExitStatus : int { Success = 0, Failure = 1, Usage = 2 };

constexpr int exitCode(ExitStatus status) noexcept
{
    return static_cast<int>(status);
}

} // namespace foundation
