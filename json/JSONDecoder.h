#pragma once

// The decoder: UTF-8 JSON text to the library's collections, strings and
// numbers.
//
//   foundation::Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoder();
//   foundation::Ref<foundation::Error> error;
//   foundation::Ref<foundation::Object> tree = decoder->objectWithUTF8String(text, length, &error);
//   if (!tree) report(error->localizedDescription());  // with JTAtIndexKey, JTLineNumberKey
//
// Arrays come out as JTArray, objects as JTDictionary (immutable, or
// mutable from the mutable… forms), strings as String (the empty one
// shared), integers as 'q' numbers (a 'Q' one above 2^63 − 1), numbers with
// a fraction or exponent and -0 as 'd' numbers, true/false/null as the
// shared constants. The top level must be an array or an object.
//
// A decoder keeps a cache of the strings and numbers it made from one parse
// to the next, so documents that repeat keys and values share their
// objects. It serves one parse at a time.
//
// Bad input gives null and, when asked, an error of JTErrorDomain, code -1,
// whose description is the message and whose user info carries JTAtIndexKey
// and JTLineNumberKey; nothing built by a failed parse survives it.
// Programmer errors (bad options, no input) raise foundation::Exception.

#include "foundation/objects/Data.h"
#include "foundation/objects/Error.h"
#include "json/JTParseOptions.h"

#include <cstddef>

namespace jotter {

struct JTParseState;

class JSONDecoder final : public foundation::Object {
public:
    // Options above JTParseOptionMask raise NSInvalidArgumentException
    // "Invalid parse options."; null when memory for the state runs out.
    static foundation::Ref<JSONDecoder> decoder() { return decoderWithParseOptions(JTParseOptionNone); }
    static foundation::Ref<JSONDecoder> decoderWithParseOptions(JTParseOptionFlags parseOptionFlags);

    // A null `string` raises "The string argument is NULL."; a null
    // `jsonData` "The jsonData argument is NULL.".
    foundation::Ref<foundation::Object> objectWithUTF8String(const char* string, std::size_t length,
        foundation::Ref<foundation::Error>* error = nullptr);
    foundation::Ref<foundation::Object> mutableObjectWithUTF8String(const char* string, std::size_t length,
        foundation::Ref<foundation::Error>* error = nullptr);
    foundation::Ref<foundation::Object> objectWithData(const foundation::Data* jsonData,
        foundation::Ref<foundation::Error>* error = nullptr);
    foundation::Ref<foundation::Object> mutableObjectWithData(const foundation::Data* jsonData,
        foundation::Ref<foundation::Error>* error = nullptr);

    // Other names for objectWithUTF8String and objectWithData.
    foundation::Ref<foundation::Object> parseUTF8String(const char* string, std::size_t length,
        foundation::Ref<foundation::Error>* error = nullptr)
    {
        return objectWithUTF8String(string, length, error);
    }
    foundation::Ref<foundation::Object> parseJSONData(const foundation::Data* jsonData,
        foundation::Ref<foundation::Error>* error = nullptr)
    {
        return objectWithData(jsonData, error);
    }

    // Empties the cache: its strings and numbers are released.
    void clearCache();

    // The state behind the decoder, for the tests that look at its cache.
    const JTParseState& parseStateForTesting() const noexcept { return *parseState_; }

    const char* className() const override { return "JSONDecoder"; }

private:
    explicit JSONDecoder(JTParseState* parseState) noexcept : parseState_(parseState) {}
    ~JSONDecoder() override;

    foundation::Ref<foundation::Object> parse(bool makeMutable, const char* string, std::size_t length,
        foundation::Ref<foundation::Error>* error);
    foundation::Ref<foundation::Object> parseData(bool makeMutable, const foundation::Data* jsonData,
        foundation::Ref<foundation::Error>* error);

    JTParseState* parseState_;  // owned
};

} // namespace jotter
