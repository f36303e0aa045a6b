#pragma once

// Measurements made in a fresh child process (this program, started again
// with a mode option), so that one library's freed memory neither serves
// nor scatters the next: the peak memory of one decode, and the times of a
// decode and an encode in a fresh process and after many decode-and-free
// cycles.

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// The resident high-water mark of this process, in bytes.
inline std::size_t residentHighWaterMark()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024;
    }
    throw std::runtime_error("no VmHWM in /proc/self/status");
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
