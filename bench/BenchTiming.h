#pragma once

// What the JSON benchmark programs share: reading a corpus and timing one
// run, best of several rounds.

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace bench {

// Seconds per call of `run` (which returns its output size), best of five
// rounds of at least a quarter second each.
inline double secondsPerRun(const std::function<std::size_t()>& run, std::size_t& outputBytes)
{
    using Clock = std::chrono::steady_clock;
    outputBytes = run();  // warm up
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        std::size_t iterations = 0;
        Clock::time_point start = Clock::now();
        double elapsed;
        do {
            outputBytes = run();
            ++iterations;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < 0.25);
        best = std::min(best, elapsed / static_cast<double>(iterations));
    }
    return best;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace bench
