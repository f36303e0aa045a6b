#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace testsupport {

// The three benchmark corpora, read from beside the checkout (the build's
// BENCH_DATA_DIR). The round-trip tests check them, so one that is missing
// fails the test that asked for it: a run without them must not pass while
// checking less.
inline constexpr const char* benchmarkCorpora[] = {"canada.json", "citm_catalog.json", "twitter.json"};

inline std::optional<std::string> corpusText(const char* name)
{
    std::string path = std::string(JOTTER_BENCH_DATA_DIR) + "/" + name;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ADD_FAILURE() << "cannot read the benchmark corpus " << path
                      << "; configure with -DBENCH_DATA_DIR=<the folder of " << benchmarkCorpora[0] << ", "
                      << benchmarkCorpora[1] << " and " << benchmarkCorpora[2] << ">";
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

} // namespace testsupport
