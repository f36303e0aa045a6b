// The decoder under every option combination. The first byte picks the parse
// options, the mutable or immutable form and the encoder's options; the rest
// is the document. A document the decoder accepts must encode with any
// options into text the strict decoder reads, and that text must decode and
// encode again to the same text. Dictionaries enumerate in no fixed order,
// so the text compared is the sorted (pretty) form.

#include "json/JSONDecoder.h"
#include "json/JTSerializer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace jotter;

std::string encode(foundation::Object* tree, JTSerializeOptionFlags flags)
{
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> result =
        JTSerializer::serializeObject(tree, flags, JTEncodeOptionResultData, nullptr, nullptr, {}, &error);
    if (!result) {
        std::fprintf(stderr, "a decoded tree did not encode: %s\n", error->localizedDescription().c_str());
        std::abort();
    }
    return std::string(static_cast<foundation::Data&>(*result).view());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t selector = bytes[0];
    const JTParseOptionFlags parseOptions = selector & JTParseOptionMask;
    const bool makeMutable = selector & 0x10;
    const bool reuseDecoder = selector & 0x20;
    const JTSerializeOptionFlags serializeOptions =
        (selector & 0x40 ? JTSerializeOptionNonASCIIEscape : 0) | (selector & 0x80 ? JTSerializeOptionSlashEscape : 0);
    // libFuzzer hands over a heap copy of exactly `size` bytes and the
    // document is its tail, so any read past the document is a read past
    // the allocation, which AddressSanitizer reports.
    const char* text = reinterpret_cast<const char*>(bytes + 1);
    const std::size_t length = size - 1;

    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoderWithParseOptions(parseOptions);
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> tree = makeMutable ? decoder->mutableObjectWithUTF8String(text, length, &error)
                                                           : decoder->objectWithUTF8String(text, length, &error);
    if (!tree) {
        if (!error)
            std::abort();  // a refusal always says why
        return 0;
    }

    // The encoder writes strict JSON, so its output must read back with no
    // options at all; with a strict first decoder, through that same one,
    // whose cache of strings and numbers is warm.
    foundation::Ref<JSONDecoder> strict = reuseDecoder && parseOptions == JTParseOptionNone ? decoder : JSONDecoder::decoder();
    const std::string first = encode(tree.get(), serializeOptions | JTSerializeOptionPretty);
    foundation::Ref<foundation::Object> again = strict->objectWithUTF8String(first.data(), first.size(), &error);
    if (!again) {
        std::fprintf(stderr, "the decoder refused the encoder's text: %s\n", error->localizedDescription().c_str());
        std::abort();
    }
    const std::string second = encode(again.get(), serializeOptions | JTSerializeOptionPretty);
    if (first != second) {
        std::fprintf(stderr, "encode-decode-encode changed the text:\n%s\n%s\n", first.c_str(), second.c_str());
        std::abort();
    }
    const std::string compact = encode(tree.get(), serializeOptions);
    if (!strict->objectWithUTF8String(compact.data(), compact.size(), &error)) {
        std::fprintf(stderr, "the decoder refused the encoder's text: %s\n", error->localizedDescription().c_str());
        std::abort();
    }
    return 0;
}
