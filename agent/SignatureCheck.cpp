#include "agent/SignatureCheck.h"

#include "foundation/system/FileIO.h"

#include <sodium.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace corvane {

namespace {

using Hash = std::array<std::uint8_t, crypto_generichash_BYTES_MAX>;

bool librarySetUp()
{
    // Safe to call from several threads; it picks the fastest code once.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

bool verifies(const std::array<std::uint8_t, 64>& signature, const std::uint8_t* message, std::size_t length,
              const PublicKey& key)
{
    return crypto_sign_verify_detached(signature.data(), message, length, key.key.data()) == 0;
}

// What comes before the content: the key, the comment's signature.
std::optional<std::string> refusalOfEnvelope(const PublicKey& key, const SignatureFile& signature)
{
    if (!librarySetUp())
        return std::string("the signature library could not be started");
    if (signature.keyId != key.keyId)
        return "it is signed by another key (key id " + keyIdText(signature.keyId) + ", not " + keyIdText(key.keyId) + ")";
    std::string signed_(signature.signature.begin(), signature.signature.end());
    signed_ += signature.trustedComment;
    if (!verifies(signature.globalSignature, reinterpret_cast<const std::uint8_t*>(signed_.data()), signed_.size(), key))
        return std::string("its signature is bad (the trusted comment does not verify)");
    return std::nullopt;
}

// What comes after the content: the name the signer gave it.
std::optional<std::string> refusalOfName(const SignatureFile& signature, std::string_view expectedName)
{
    std::optional<std::string> name = readTrustedComment(signature.trustedComment).file;
    if (!name)
        return std::string("its signature names no file");
    if (*name != expectedName)
        return "its signature is for \"" + *name + "\", not \"" + std::string(expectedName) + "\"";
    return std::nullopt;
}

// `message` is what the content signature covers: the file's hash in the
// prehashed form, its bytes in the legacy one.
std::optional<std::string> refusalOfMessage(const PublicKey& key, const SignatureFile& signature,
                                            std::string_view expectedName, std::string_view message)
{
    if (auto refusal = refusalOfEnvelope(key, signature))
        return refusal;
    if (!verifies(signature.signature, reinterpret_cast<const std::uint8_t*>(message.data()), message.size(), key))
        return std::string("it was changed after signing (it does not match its signature)");
    return refusalOfName(signature, expectedName);
}

// BLAKE2b-512 of the file, read in pieces; none with the errno that stopped it.
std::optional<Hash> hashOfFile(const std::string& path, int& failure)
{
    foundation::FileDescriptor file = foundation::FileDescriptor::open(path, O_RDONLY);
    if (!file) {
        failure = errno;
        return std::nullopt;
    }
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
    std::array<std::uint8_t, 1 << 16> buffer;
    while (true) {
        ssize_t count = ::read(file.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            failure = errno;
            return std::nullopt;
        }
        if (count == 0)
            break;
        crypto_generichash_update(&state, buffer.data(), static_cast<std::size_t>(count));
    }
    Hash hash;
    crypto_generichash_final(&state, hash.data(), hash.size());
    return hash;
}

Hash hashOf(std::string_view content)
{
    Hash hash;
    crypto_generichash(hash.data(), hash.size(), reinterpret_cast<const std::uint8_t*>(content.data()), content.size(),
                       nullptr, 0);
    return hash;
}

std::string unreadable(int failure)
{
    return std::string("it could not be read (") + std::strerror(failure) + ")";
}

} // namespace

std::optional<std::string> refusalOfContent(const PublicKey& key, const SignatureFile& signature,
                                            std::string_view expectedName, std::string_view content)
{
    if (!signature.prehashed)
        return refusalOfMessage(key, signature, expectedName, content);
    Hash hash = hashOf(content);
    return refusalOfMessage(key, signature, expectedName, {reinterpret_cast<const char*>(hash.data()), hash.size()});
}

std::optional<std::string> refusalOfFile(const PublicKey& key, const SignatureFile& signature,
                                         std::string_view expectedName, const std::string& path)
{
    int failure = 0;
    if (!signature.prehashed) {
        std::string content;
        if ((failure = foundation::readFile(path, content)))
            return unreadable(failure);
        return refusalOfMessage(key, signature, expectedName, content);
    }
    std::optional<Hash> hash = hashOfFile(path, failure);
    if (!hash)
        return unreadable(failure);
    return refusalOfMessage(key, signature, expectedName, {reinterpret_cast<const char*>(hash->data()), hash->size()});
}

} // namespace corvane
