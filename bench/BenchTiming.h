#pragma once

// Timing for the JSON benchmark: contenders take turns in short rounds, so a
// slow spell of a shared machine hits them all alike, and each is reported
// by the median and interquartile range of its per-round figures.

#include "foundation/system/FileIO.h"

#include <algorithm>
#include <ctime>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// The processor time this thread has used, user and system (page faults
// included). On a shared machine wall time mostly measures the wait for a
// core, and a longer operation is preempted more often, which skews the
// ratios against whichever library is slower; processor time does not.
inline double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// One contender: `run` does one timed operation and returns the seconds it
// measured (setup and teardown it does around the timed part are its own
// business, so a decoder's first and second parse can be timed apart).
struct Contender {
    Contender(std::string name, std::function<double()> run) : name(std::move(name)), run(std::move(run)) {}

    std::string name;
    std::function<double()> run;
    std::size_t repetitions = 1;  // per round, chosen so a round takes a few milliseconds
    std::vector<double> samples;  // mean seconds per run of each round
};

struct Summary {
    double median;
    double lowerQuartile;
    double upperQuartile;
};

inline double quantile(const std::vector<double>& sorted, double q)
{
    double position = q * static_cast<double>(sorted.size() - 1);
    std::size_t below = static_cast<std::size_t>(position);
    std::size_t above = std::min(below + 1, sorted.size() - 1);
    double fraction = position - static_cast<double>(below);
    return sorted[below] + (sorted[above] - sorted[below]) * fraction;
}

inline Summary summarize(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return {quantile(samples, 0.5), quantile(samples, 0.25), quantile(samples, 0.75)};
}

// Warms each contender up, sizes its rounds to about `roundSeconds`, then
// runs `rounds` rounds in which every contender has its turn, the order
// rotating from one round to the next.
inline void runInTurns(std::vector<Contender>& contenders, int rounds, double roundSeconds = 0.004)
{
    for (Contender& contender : contenders) {
        double once = contender.run();
        once = std::min(once, contender.run());
        contender.repetitions = std::max<std::size_t>(1, static_cast<std::size_t>(roundSeconds / once));
        contender.samples.clear();
    }
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t turn = 0; turn < contenders.size(); ++turn) {
            Contender& contender = contenders[(turn + static_cast<std::size_t>(round)) % contenders.size()];
            double total = 0;
            for (std::size_t repetition = 0; repetition < contender.repetitions; ++repetition)
                total += contender.run();
            contender.samples.push_back(total / static_cast<double>(contender.repetitions));
        }
    }
}

// glibc puts the small blocks a free releases on quick lists and merges
// them only at the next large request. Left alone, the contender that runs
// after one that freed a big tree of small blocks (JsonCpp's: about 20 MB on
// canada) pays for merging that tree, which put whoever came next about 40%
// behind. A large request made here, untimed, settles each contender's
// freed memory on its own account, as the freeing itself is.
inline void settleFreedMemory()
{
    void* volatile block = std::malloc(64 * 1024);
    std::free(block);
}

// Times `operation` alone; what it returns is destroyed after the clock
// stops, and the memory it freed is settled before the next contender runs.
template <typename Operation>
double timed(Operation&& operation)
{
    double seconds;
    {
        double start = threadSeconds();
        [[maybe_unused]] auto result = operation();
        seconds = threadSeconds() - start;
    }
    settleFreedMemory();
    return seconds;
}

// The whole of a file the benchmark cannot run without.
inline std::string fileContents(const std::string& path)
{
    std::string contents;
    if (int failure = foundation::readFile(path, contents))
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(failure));
    return contents;
}

} // namespace bench
