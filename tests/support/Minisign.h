#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A vendor's key pair made by the real minisign program (without a
// password), and signatures made with it, as a vendor makes them. A failure
// of the program fails the test.
//
//   testsupport::MinisignKey key(directory.path());
//   std::string signature = key.sign(directory / "data.json");        // the .minisig text
//   std::string legacy = key.sign(file, MinisignKey::Form::Legacy);
//   std::string old = key.signWithComment(file, "timestamp:100\tfile:data.json\thashed");
class MinisignKey {
public:
    // Over the file's hash (minisign's default), or the legacy form over
    // the file's bytes.
    enum class Form { Prehashed, Legacy };

    // Writes <name>.pub and <name>.key into `directory`.
    explicit MinisignKey(const std::filesystem::path& directory, const std::string& name = "vendor");

    // The second line of the .pub file, as a build is given it.
    const std::string& publicKeyLine() const noexcept { return publicKeyLine_; }
    const std::filesystem::path& secretKeyFile() const noexcept { return secretKey_; }
    // The key id as the .pub file's comment prints it.
    const std::string& keyIdText() const noexcept { return keyIdText_; }

    // Signs `file` and answers the signature file's text (also left in a
    // file beside it, named after the file plus ".minisig").
    std::string sign(const std::filesystem::path& file, Form form = Form::Prehashed) const;
    // The same with `comment` in place of minisign's own trusted comment
    // ("timestamp:<now>\tfile:<name>\thashed").
    std::string signWithComment(const std::filesystem::path& file, const std::string& comment) const;

private:
    std::string signing(const std::filesystem::path& file, std::vector<std::string> options) const;

    std::filesystem::path secretKey_;
    std::string publicKeyLine_;
    std::string keyIdText_;
};

// The current time in seconds since 1970, for trusted comments.
long long secondsSince1970();

} // namespace testsupport
