#pragma once

#include "foundation/objects/Object.h"
#include "foundation/objects/SmallObjectPool.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace foundation {

// An immutable UTF-8 string. The bytes live in the same allocation as the
// object, so making one costs one allocation.
class String final : public Object {
public:
    // Null when the bytes are not valid UTF-8.
    static Ref<String> create(std::string_view utf8);
    // For bytes the caller has already validated as UTF-8. Nothing checks
    // them in a release build; a debug check stops bytes that are not.
    static Ref<String> createUnchecked(std::string_view validUTF8);
    // The shared empty string.
    static String* empty() noexcept;

    std::string_view utf8() const noexcept { return {bytes(), byteLength_}; }
    const char* c_str() const noexcept { return bytes(); }  // NUL-terminated
    std::size_t byteLength() const noexcept { return byteLength_; }
    // The platform's length: UTF-16 code units.
    std::size_t length() const noexcept { return utf16Length_; }
    bool isASCII() const noexcept { return byteLength_ == utf16Length_; }

    bool isEqualToString(const String& other) const noexcept { return utf8() == other.utf8(); }
    // Orders by code point (UTF-8 byte order is code-point order): -1, 0 or 1.
    int compare(const String& other) const noexcept;

    const char* className() const override { return "NSString"; }
    std::string description() const override { return std::string(utf8()); }
    // Inside a collection's description: quoted and escaped when needed.
    std::string descriptionWithIndent(unsigned level) const override;
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override;

    // The block holds the object and its bytes, so freeing it needs the
    // length: a destroying delete reads it before the destructor runs.
    static void* operator new(std::size_t size, std::size_t extraBytes);
    static void operator delete(String* string, std::destroying_delete_t) noexcept;

private:
    String(std::size_t byteLength, std::size_t utf16Length) noexcept
        : Object(Kind::String), byteLength_(byteLength), utf16Length_(utf16Length) {}
    static Ref<String> make(std::string_view utf8, std::size_t utf16Length);

    static std::size_t blockSize(std::size_t byteLength) noexcept { return sizeof(String) + byteLength + 1; }
    char* bytes() const noexcept { return const_cast<char*>(reinterpret_cast<const char*>(this + 1)); }

    std::size_t byteLength_;
    std::size_t utf16Length_;
    mutable std::atomic<std::uint64_t> hash_{0};  // 0 until first asked
};

// The number of UTF-16 code units of valid UTF-8 text, or -1 when invalid.
std::ptrdiff_t validatedUTF16Length(std::string_view utf8) noexcept;

// A platform string from text known to be valid UTF-8 (literals, our own output).
inline Ref<String> str(std::string_view validUTF8) { return String::createUnchecked(validUTF8); }

// The bytes with each ill-formed UTF-8 sequence replaced by U+FFFD, for text
// that must become a String whatever it holds (a message quoting the input,
// text a library handed over unchecked).
[[nodiscard]] std::string withInvalidUTF8Replaced(std::string_view bytes);

} // namespace foundation
