#pragma once

#include "foundation/objects/Object.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace foundation {

// An immutable run of bytes.
class Data final : public Object {
public:
    static Ref<Data> create(const void* bytes, std::size_t length);
    static Ref<Data> create(std::string_view bytes) { return create(bytes.data(), bytes.size()); }
    // Takes over a block from malloc, freed with free when the data goes.
    static Ref<Data> adoptMallocBlock(void* block, std::size_t length);

    const std::uint8_t* bytes() const noexcept { return bytes_; }
    std::size_t length() const noexcept { return length_; }
    std::string_view view() const noexcept { return {reinterpret_cast<const char*>(bytes_), length_}; }

    const char* className() const override { return "NSData"; }
    std::string description() const override;
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override;

private:
    Data(std::uint8_t* bytes, std::size_t length) noexcept : Object(Kind::Data), bytes_(bytes), length_(length) {}
    ~Data() override;

    std::uint8_t* bytes_;
    std::size_t length_;
};

} // namespace foundation
