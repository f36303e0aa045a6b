// A signature file and a key line as a hostile server or a vendor's typo
// might give them: any bytes through the signature-file parser, the
// trusted-comment reader and the key-line parser, and a parsed signature
// checked against a fixed key. Nothing may crash; a file longer than the
// limit is never accepted, and nothing is ever found to verify (no input
// here carries a valid signature by the fixed key).

#include "agent/SignatureCheck.h"
#include "agent/SignatureFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

const corvane::PublicKey& fixedKey()
{
    static const corvane::PublicKey key = *corvane::parsePublicKey("RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkv");
    return key;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)corvane::parsePublicKey(text);
    (void)corvane::readTrustedComment(text);
    auto parsed = corvane::parseSignatureFile(text);
    const auto* signature = std::get_if<corvane::SignatureFile>(&parsed);
    if (!signature)
        return 0;
    if (size > corvane::SignatureFile::maximumBytes)
        fail("a signature file longer than the limit was accepted");
    (void)corvane::readTrustedComment(signature->trustedComment);
    (void)corvane::keyIdText(signature->keyId);
    if (!corvane::refusalOfContent(fixedKey(), *signature, "data.json", text))
        fail("a signature verified without the key's secret");
    return 0;
}
