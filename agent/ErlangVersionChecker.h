#pragma once

#include <optional>
#include <string>

namespace corvane {

// Reads the installed Erlang version from the file the distribution package
// installs beside the Erlang libraries.
class ErlangVersionChecker {
public:
    // Reads the file at `versionFilePath` (the product's is
    // ProductPaths::installedVersionFile).
    explicit ErlangVersionChecker(std::string versionFilePath) : versionFilePath_(std::move(versionFilePath)) {}

    // The file's text without surrounding white space, read anew on every
    // call; no value when the file cannot be read as UTF-8 text, after one
    // "Error: " line on standard output.
    std::optional<std::string> currentErlangVersion() const;

private:
    std::string versionFilePath_;
};

} // namespace corvane
