#pragma once

#include "agent/SignatureFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Whether a signature file vouches for content under the vendor's key, in
// the order an attacker's attempts are told apart: the key id, the
// signature over the trusted comment (a bad or altered signature), the
// signature over the content (content changed after signing), and last the
// comment's "file:" field, which must name `expectedName` so that a validly
// signed old file cannot be served under another name.
//
// Each answers none when the content is good, else the reason it is not,
// as a phrase for the refusal line ("it was changed after signing").
// Safe from any thread.

std::optional<std::string> refusalOfContent(const PublicKey& key, const SignatureFile& signature,
                                            std::string_view expectedName, std::string_view content);

// The same for a file on disk, read in pieces for the prehashed form (a disk
// image may be large) and whole for the legacy form, which signs the bytes
// themselves.
std::optional<std::string> refusalOfFile(const PublicKey& key, const SignatureFile& signature,
                                         std::string_view expectedName, const std::string& path);

} // namespace corvane
