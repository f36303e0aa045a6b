// The encoder on trees built from the fuzz input. The first byte picks the
// encoder's options; the rest is a little program that builds the tree:
// each byte's low three bits say what comes next (a string of the following
// n bytes, a signed or unsigned integer, a double of the next eight bytes,
// a boolean, null, the start of an array or a dictionary, the end of one).
// Strings that are not UTF-8 are skipped, as String refuses them, and so
// are strings holding U+0000 or a noncharacter: the encoder writes those,
// but the decoder refuses them by design. NaN and the infinities stay in, as
// the encoder must refuse them with an error. Whatever the encoder writes,
// the strict decoder must read.

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/internal/ConvertSingleCodePointInUTF8.h"
#include "json/JSONDecoder.h"
#include "json/JTSerializer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using foundation::Object;
using foundation::Ref;

class TreeBuilder {
public:
    TreeBuilder(const std::uint8_t* bytes, std::size_t size) : p_(bytes), end_(bytes + size) {}

    Ref<Object> build()
    {
        Ref<foundation::MutableArray> root = foundation::MutableArray::create();
        open_.push_back(Ref<Object>(root.get()));
        while (p_ < end_)
            step();
        return Ref<Object>(root.get());
    }

private:
    void step()
    {
        const std::uint8_t op = *p_++;
        switch (op & 7) {
        case 0: add(string(op >> 3)); break;
        case 1: add(foundation::Number::withSigned(static_cast<std::int64_t>(word()), "csilq"[(op >> 3) % 5])); break;
        case 2: add(foundation::Number::withUnsigned(word(), "CSILQ"[(op >> 3) % 5])); break;
        case 3: {
            std::uint64_t bits = word();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            add(op & 8 ? foundation::Number::withFloat(static_cast<float>(value)) : foundation::Number::withDouble(value));
            break;
        }
        case 4: add(Ref<Object>(op & 8 ? static_cast<Object*>(foundation::Number::boolean(op & 16)) : foundation::Null::null())); break;
        case 5: {
            Ref<foundation::MutableArray> array = foundation::MutableArray::create();
            add(Ref<Object>(array.get()));
            open_.push_back(Ref<Object>(array.get()));
            break;
        }
        case 6: {
            Ref<foundation::MutableDictionary> dictionary = foundation::MutableDictionary::create();
            add(Ref<Object>(dictionary.get()));
            open_.push_back(Ref<Object>(dictionary.get()));
            break;
        }
        case 7:
            if (open_.size() > 1)
                open_.pop_back();
            break;
        }
    }

    Ref<Object> string(std::size_t length)
    {
        length = std::min<std::size_t>(length, static_cast<std::size_t>(end_ - p_));
        const std::uint8_t* start = p_;
        p_ += length;
        for (const std::uint8_t* at = start; at < p_;) {
            const std::uint8_t* next = at + 1;
            std::uint32_t codePoint = 0;
            if (*at == 0 ||
                jotter::ConvertSingleCodePointInUTF8(at, p_, &next, &codePoint) != jotter::ConversionResult::ConversionOK)
                return nullptr;
            at = next;
        }
        return Ref<Object>(foundation::String::create({reinterpret_cast<const char*>(start), length}).get());
    }

    std::uint64_t word()
    {
        std::uint64_t value = 0;
        for (int i = 0; i < 8 && p_ < end_; ++i)
            value = value << 8 | *p_++;
        return value;
    }

    // Into the innermost open collection; a dictionary takes the value under
    // the string that was added to it last (or under "" when none was).
    void add(const Ref<Object>& value)
    {
        if (!value)
            return;
        Object* into = open_.back().get();
        if (into->isDictionary()) {
            auto* dictionary = static_cast<foundation::MutableDictionary*>(into);
            if (value->isString() && !pendingKey_) {
                pendingKey_ = value;
                return;
            }
            dictionary->setObject(value.get(), pendingKey_ ? pendingKey_.get() : foundation::String::empty());
            pendingKey_ = nullptr;
            return;
        }
        static_cast<foundation::MutableArray*>(into)->addObject(value.get());
    }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::vector<Ref<Object>> open_;
    Ref<Object> pendingKey_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const jotter::JTSerializeOptionFlags options = bytes[0] & (jotter::JTSerializeOptionPretty |
        jotter::JTSerializeOptionNonASCIIEscape | jotter::JTSerializeOptionSlashEscape);
    Ref<Object> tree = TreeBuilder(bytes + 1, size - 1).build();

    Ref<foundation::Error> error;
    Ref<Object> text = jotter::JTSerializer::serializeObject(tree.get(), options, jotter::JTEncodeOptionResultData,
        nullptr, nullptr, {}, &error);
    if (!text) {
        if (!error)
            std::abort();  // a refusal always says why
        return 0;
    }
    const auto& data = static_cast<foundation::Data&>(*text);
    if (!jotter::JSONDecoder::decoder()->objectWithUTF8String(data.view().data(), data.view().size(), &error)) {
        std::fprintf(stderr, "the decoder refused the encoder's text: %s\n%.*s\n",
            error->localizedDescription().c_str(), static_cast<int>(data.view().size()), data.view().data());
        std::abort();
    }
    return 0;
}
