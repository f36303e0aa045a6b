#pragma once

// Peak memory of one decode: a fresh child process (this program, started
// again with --peak-memory) reads the corpus, notes its resident high-water
// mark, decodes once, keeps the tree and reports how far the mark rose. A
// fresh process per library and corpus keeps one library's freed memory
// from serving the next.

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

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

// Runs `program --peak-memory library corpusPath` and returns the bytes it
// reports.
inline std::size_t peakMemoryInChild(const std::string& program, const std::string& library,
    const std::string& corpusPath)
{
    std::string command = "'" + program + "' --peak-memory '" + library + "' '" + corpusPath + "'";
    FILE* child = popen(command.c_str(), "r");
    if (!child)
        throw std::runtime_error("cannot start " + command);
    unsigned long long bytes = 0;
    int fields = std::fscanf(child, "%llu", &bytes);
    if (pclose(child) != 0 || fields != 1)
        throw std::runtime_error("no peak memory from " + command);
    return bytes;
}

} // namespace bench
