#pragma once

#include "agent/SignatureFile.h"

#include "foundation/objects/Error.h"

#include <functional>
#include <string>
#include <variant>

namespace corvane {

// What fetching the signature file beside a vendor's file came to: the
// file read (not yet verified), a refusal (no signature file there, one too
// long or malformed), or a transfer that failed (the error), which says
// nothing about the vendor's files.
using FetchedSignature = std::variant<SignatureFile, std::string, foundation::Ref<foundation::Error>>;

// Fetches `fileAddress` + ".minisig" from the same server and hands what
// came of it to `completion`, on the URL-loading background queue. Reads at
// most SignatureFile::maximumBytes of the reply.
void fetchSignature(const std::string& fileAddress, std::function<void(FetchedSignature)> completion);

} // namespace corvane
