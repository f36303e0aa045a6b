#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace corvane {

// The vendor's public key as minisign writes it: the base64 line of its
// .pub file ("RW..."), 42 bytes of algorithm "Ed", key id and Ed25519 key.
struct PublicKey {
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, 32> key{};
};

// The key of a base64 key line (the comment line of a .pub file is not
// part of it); none for anything else.
std::optional<PublicKey> parsePublicKey(std::string_view line);

// A key id as minisign prints it: the eight bytes as one little-endian
// 64-bit number, in upper-case hex without leading zeros.
std::string keyIdText(const std::array<std::uint8_t, 8>& keyId);

// A minisign signature file, read but not yet verified: nothing in it may
// be believed until verifySignature() says so.
struct SignatureFile {
    // Signatures are a few hundred bytes; a longer file is refused unread,
    // so a hostile server cannot make the agent hold much.
    static constexpr std::size_t maximumBytes = 2048;

    // True for the Ed25519 signature over the file's BLAKE2b-512 hash
    // ("ED", what minisign writes by default), false for the legacy form
    // over the file's bytes ("Ed").
    bool prehashed = true;
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, 64> signature{};
    std::string trustedComment;  // the text after "trusted comment: "
    std::array<std::uint8_t, 64> globalSignature{};
};

// A signature file, or what is wrong with it (one phrase, for the refusal
// line). Lines end in a line feed, or a carriage return and a line feed.
std::variant<SignatureFile, std::string> parseSignatureFile(std::string_view text);

// The fields minisign writes into a trusted comment,
// "timestamp:<seconds>\tfile:<name>[\thashed]"; a field that is not there,
// or a timestamp that is not a decimal number, is none.
struct TrustedComment {
    std::optional<std::uint64_t> timestamp;
    std::optional<std::string> file;
};
TrustedComment readTrustedComment(std::string_view comment);

} // namespace corvane
