#pragma once

namespace corvane {

// Test builds only: applies the testers' environment settings that act on
// the platform (CORVANE_CLOCK_SCALE, CORVANE_CONNECT_TO; the path settings
// are read by ProductPaths, the update key by UpdateTrust). Answers false, after one line on standard
// error, for a setting it cannot use. Release builds ignore them all.
[[nodiscard]] bool applyTestSettings();

} // namespace corvane
