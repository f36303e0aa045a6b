#pragma once

// Measurements made in a fresh child process (this program, started again
// with a mode option), so that one library's freed memory neither serves
// nor scatters the next: the peak memory of one decode, and the times of a
// decode and an encode in a fresh process and after many decode-and-free
// cycles.

#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// A size from /proc/self/status (VmRSS, VmHWM), in bytes.
inline std::size_t residentBytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stoull(line.substr(field.size() + 1)) * 1024;
    }
    throw std::runtime_error("no " + field + " in /proc/self/status");
}

// Gives the memory freed so far back to the system and restarts the
// high-water mark from the resident size, so that what follows cannot hide
// under an earlier peak (reading the corpus peaks at two copies of it) or
// reuse memory freed before it. Returns the resident size.
inline std::size_t restartHighWaterMark()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return residentBytes("VmRSS");
}

// Runs `program mode library corpusPath` and returns the `count` numbers it
// prints.
inline std::vector<double> numbersFromChild(const std::string& program, const std::string& mode,
    const std::string& library, const std::string& corpusPath, std::size_t count)
{
    std::string command = "'" + program + "' " + mode + " '" + library + "' '" + corpusPath + "'";
    FILE* child = popen(command.c_str(), "r");
    if (!child)
        throw std::runtime_error("cannot start " + command);
    std::vector<double> numbers(count);
    std::size_t read = 0;
    while (read < count && std::fscanf(child, "%lf", &numbers[read]) == 1)
        ++read;
    if (pclose(child) != 0 || read != count)
        throw std::runtime_error("no figures from " + command);
    return numbers;
}

} // namespace bench
