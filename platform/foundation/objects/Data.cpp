#include "foundation/objects/Data.h"

#include "foundation/objects/Hashing.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace foundation {

Ref<Data> Data::create(const void* bytes, std::size_t length)
{
    auto* block = static_cast<std::uint8_t*>(std::malloc(length ? length : 1));
    if (!block)
        throw std::bad_alloc();
    if (length)
        std::memcpy(block, bytes, length);
    return Ref<Data>::adopt(new Data(block, length));
}

Ref<Data> Data::adoptMallocBlock(void* block, std::size_t length)
{
    return Ref<Data>::adopt(new Data(static_cast<std::uint8_t*>(block), length));
}

Data::~Data()
{
    std::free(bytes_);
}

std::string Data::description() const
{
    // {length = 5, bytes = 0x68656c6c6f}; long data shows its ends only.
    static const char digits[] = "0123456789abcdef";
    auto appendHex = [&](std::string& text, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            text += digits[bytes_[i] >> 4];
            text += digits[bytes_[i] & 15];
        }
    };
    std::string text = "{length = " + std::to_string(length_) + ", bytes = 0x";
    if (length_ <= 24) {
        appendHex(text, 0, length_);
    } else {
        appendHex(text, 0, 16);
        text += " ... ";
        appendHex(text, length_ - 8, length_);
    }
    return text + "}";
}

bool Data::isEqual(const Object& other) const
{
    if (!other.isData())
        return false;
    const auto& data = static_cast<const Data&>(other);
    return data.length_ == length_ && (length_ == 0 || std::memcmp(data.bytes_, bytes_, length_) == 0);
}

std::uint64_t Data::hash() const
{
    return hashBytes(bytes_, length_);
}

} // namespace foundation
