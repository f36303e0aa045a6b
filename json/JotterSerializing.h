#pragma once

// The convenience operations on strings, arrays and dictionaries: one call
// turns a value into JSON text, as a Data or as a String.
//
//   foundation::Ref<foundation::MutableDictionary> info = foundation::MutableDictionary::create();
//   info->setObject(foundation::str("Ada"), "firstName");
//   foundation::Ref<foundation::String> json = jotter::JSONString(*info);  // {"firstName":"Ada"}
//
//   foundation::Ref<foundation::Error> error;
//   auto pretty = jotter::JSONStringWithOptions(*info, jotter::JTSerializeOptionPretty, &error);
//   if (!pretty) log(error->localizedDescription());
//
// Each returns null on failure; the WithOptions forms also give the reason
// in `error` when it is not null.

#include "foundation/objects/Array.h"
#include "foundation/objects/Data.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Error.h"
#include "foundation/objects/String.h"
#include "json/JTSerializer.h"

#include <string_view>

namespace jotter {

// An array or a dictionary: the receivers of the collection operations.
// The encoder never changes the tree; it hands values to a formatter as
// plain objects, the way the platform's collections hand out their elements.
class JotterCollection {
public:
    JotterCollection(const foundation::Array& array) noexcept
        : object_(const_cast<foundation::Array*>(&array)) {}
    JotterCollection(const foundation::Dictionary& dictionary) noexcept
        : object_(const_cast<foundation::Dictionary*>(&dictionary)) {}

    foundation::Object* object() const noexcept { return object_; }

private:
    foundation::Object* object_;
};

using ErrorOut = foundation::Ref<foundation::Error>*;

// Strings: a JSON string, with or without its surrounding quotes.
[[nodiscard]] foundation::Ref<foundation::Data> JSONData(const foundation::String& string);
[[nodiscard]] foundation::Ref<foundation::Data> JSONDataWithOptions(const foundation::String& string,
    JTSerializeOptionFlags serializeOptions, bool includeQuotes, ErrorOut error);
[[nodiscard]] foundation::Ref<foundation::String> JSONString(const foundation::String& string);
[[nodiscard]] foundation::Ref<foundation::String> JSONStringWithOptions(const foundation::String& string,
    JTSerializeOptionFlags serializeOptions, bool includeQuotes, ErrorOut error);

// Arrays and dictionaries: a JSON array or object.
[[nodiscard]] foundation::Ref<foundation::Data> JSONData(JotterCollection collection);
[[nodiscard]] foundation::Ref<foundation::Data> JSONDataWithOptions(JotterCollection collection,
    JTSerializeOptionFlags serializeOptions, ErrorOut error);
[[nodiscard]] foundation::Ref<foundation::String> JSONString(JotterCollection collection);
[[nodiscard]] foundation::Ref<foundation::String> JSONStringWithOptions(JotterCollection collection,
    JTSerializeOptionFlags serializeOptions, ErrorOut error);

// With a formatter for unsupported values: the delegate's operation named
// `selector` (serializeUnsupportedClassesUsingDelegate:selector:) …
[[nodiscard]] foundation::Ref<foundation::Data> JSONDataWithOptions(JotterCollection collection,
    JTSerializeOptionFlags serializeOptions, foundation::Object* delegate, std::string_view selector, ErrorOut error);
[[nodiscard]] foundation::Ref<foundation::String> JSONStringWithOptions(JotterCollection collection,
    JTSerializeOptionFlags serializeOptions, foundation::Object* delegate, std::string_view selector, ErrorOut error);

// … or a block (serializeUnsupportedClassesUsingBlock:).
[[nodiscard]] foundation::Ref<foundation::Data> JSONDataWithOptions(JotterCollection collection,
    JTSerializeOptionFlags serializeOptions, const FormatterBlock& block, ErrorOut error);
[[nodiscard]] foundation::Ref<foundation::String> JSONStringWithOptions(JotterCollection collection,
    JTSerializeOptionFlags serializeOptions, const FormatterBlock& block, ErrorOut error);

} // namespace jotter
