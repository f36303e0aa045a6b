#pragma once

#include "foundation/objects/Dictionary.h"

#include <string>
#include <string_view>

namespace foundation {

// Property lists: strings, numbers (booleans included), dates, data, and
// arrays and string-keyed dictionaries of them, nested to any depth.

// A deep, immutable copy of a property list. Anything else (null, an error,
// a dictionary key that is not a string, an object of another class) raises
// the platform's invalid-argument exception, naming what was found.
[[nodiscard]] Ref<Object> propertyListCopy(const Object& value);

// The text form used for stored defaults: JSON in which every value is an
// object with one member naming its type, so every value reads back exactly
// as it was written (number type codes, every double bit, binary data):
//   {"string": "26.1.2"}
//   {"number": {"type": "q", "value": -5}}   type is the number's type code;
//   {"number": {"type": "d", "value": "nan"}}  non-finite doubles as text
//   {"boolean": true}
//   {"date": 1796411105.25}                  seconds since 1970 UTC, non-finite as text
//   {"data": "AAEC"}                         Base64
//   {"array": [value, ...]}
//   {"dictionary": {"key": value, ...}}
// A document is {"format": "defaults", "version": 1, "values": {"key": value, ...}}.
[[nodiscard]] std::string encodeDefaultsDocument(const Dictionary& values);
// Null, with the reason in `why`, for text that is not such a document, or
// that nests arrays and dictionaries more than 512 deep.
[[nodiscard]] Ref<Dictionary> decodeDefaultsDocument(std::string_view text, std::string& why);

} // namespace foundation
