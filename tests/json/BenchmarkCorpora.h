#pragma once

#include "foundation/system/FileIO.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace testsupport {

// The three benchmark corpora, unpacked at configuration from the copy kept
// with the tests (json/corpora.tar.xz). The round-trip tests check them, so
// one that cannot be read fails the test that asked for it: a run must not
// pass while checking less.
inline constexpr const char* benchmarkCorpora[] = {"canada.json", "citm_catalog.json", "twitter.json"};

inline std::optional<std::string> corpusText(const char* name)
{
    std::string path = std::string(JOTTER_CORPORA_DIR) + "/" + name;
    std::string contents;
    if (int failure = foundation::readFile(path, contents)) {
        ADD_FAILURE() << "cannot read the benchmark corpus " << path << ": " << std::strerror(failure);
        return std::nullopt;
    }
    return contents;
}

} // namespace testsupport
