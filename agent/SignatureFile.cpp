#include "agent/SignatureFile.h"

#include <sodium.h>

#include <cctype>
#include <charconv>
#include <cstring>
#include <vector>

namespace corvane {

namespace {

constexpr std::string_view untrustedPrefix = "untrusted comment: ";
constexpr std::string_view trustedPrefix = "trusted comment: ";

// Exactly `size` bytes of standard, padded base64 filling the whole text.
template <std::size_t size>
std::optional<std::array<std::uint8_t, size>> decodeBase64(std::string_view text)
{
    std::array<std::uint8_t, size> bytes{};
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0
        || length != size || end != text.data() + text.size())
        return std::nullopt;
    return bytes;
}

// The lines of a file, each without its line feed and an optional carriage
// return before it; a final line feed ends the last line rather than
// starting another.
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

template <std::size_t size>
void copyInto(std::array<std::uint8_t, size>& to, const std::uint8_t* from)
{
    std::memcpy(to.data(), from, size);
}

} // namespace

std::optional<PublicKey> parsePublicKey(std::string_view line)
{
    auto bytes = decodeBase64<42>(line);
    if (!bytes || (*bytes)[0] != 'E' || (*bytes)[1] != 'd')
        return std::nullopt;
    PublicKey key;
    copyInto(key.keyId, bytes->data() + 2);
    copyInto(key.key, bytes->data() + 10);
    return key;
}

std::string keyIdText(const std::array<std::uint8_t, 8>& keyId)
{
    std::uint64_t number = 0;
    for (auto byte = keyId.rbegin(); byte != keyId.rend(); ++byte)
        number = number << 8 | *byte;
    char text[17];
    auto [end, error] = std::to_chars(std::begin(text), std::end(text), number, 16);
    (void)error;  // 16 hex digits always fit
    std::string digits(text, end);
    for (char& c : digits)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return digits;
}

std::variant<SignatureFile, std::string> parseSignatureFile(std::string_view text)
{
    if (text.size() > SignatureFile::maximumBytes)
        return "the signature file is longer than " + std::to_string(SignatureFile::maximumBytes) + " bytes";
    std::vector<std::string_view> lines = linesOf(text);
    if (lines.size() != 4)
        return std::string("the signature file does not have the four lines of a minisign signature");
    if (!lines[0].starts_with(untrustedPrefix))
        return std::string("the signature file's first line is not an untrusted comment");
    auto signature = decodeBase64<74>(lines[1]);
    if (!signature)
        return std::string("the signature file's signature line is not 74 bytes of base64");
    std::string_view algorithm(reinterpret_cast<const char*>(signature->data()), 2);
    if (algorithm != "ED" && algorithm != "Ed")
        return std::string("the signature file names an algorithm other than Ed25519");
    if (!lines[2].starts_with(trustedPrefix))
        return std::string("the signature file's third line is not a trusted comment");
    auto globalSignature = decodeBase64<64>(lines[3]);
    if (!globalSignature)
        return std::string("the signature file's comment signature is not 64 bytes of base64");

    SignatureFile file;
    file.prehashed = algorithm == "ED";
    copyInto(file.keyId, signature->data() + 2);
    copyInto(file.signature, signature->data() + 10);
    file.trustedComment = std::string(lines[2].substr(trustedPrefix.size()));
    file.globalSignature = *globalSignature;
    return file;
}

TrustedComment readTrustedComment(std::string_view comment)
{
    TrustedComment fields;
    while (true) {
        std::size_t end = comment.find('\t');
        std::string_view field = comment.substr(0, end);
        if (field.starts_with("timestamp:") && !fields.timestamp) {
            std::string_view digits = field.substr(10);
            std::uint64_t seconds = 0;
            auto [last, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
            if (error == std::errc() && last == digits.data() + digits.size() && !digits.empty())
                fields.timestamp = seconds;
        } else if (field.starts_with("file:") && !fields.file) {
            fields.file = std::string(field.substr(5));
        }
        if (end == std::string_view::npos)
            return fields;
        comment.remove_prefix(end + 1);
    }
}

} // namespace corvane
