#pragma once

// One-call decoding of a string or a data object holding JSON text. Each
// call uses a fresh decoder, so nothing is cached between calls; keep a
// JSONDecoder to share strings and numbers across documents.
//
//   foundation::Ref<foundation::Error> error;
//   auto tree = jotter::objectFromJSONStringWithParseOptions(*text, jotter::JTParseOptionAllowComments, &error);
//
// The results and errors are JSONDecoder's; the mutable… forms make the
// arrays and dictionaries mutable. Options above JTParseOptionMask raise.

#include "foundation/objects/Data.h"
#include "foundation/objects/Error.h"
#include "foundation/objects/String.h"
#include "json/JTParseOptions.h"

namespace jotter {

foundation::Ref<foundation::Object> objectFromJSONString(const foundation::String& string);
foundation::Ref<foundation::Object> objectFromJSONStringWithParseOptions(const foundation::String& string,
    JTParseOptionFlags parseOptionFlags, foundation::Ref<foundation::Error>* error = nullptr);
foundation::Ref<foundation::Object> mutableObjectFromJSONString(const foundation::String& string);
foundation::Ref<foundation::Object> mutableObjectFromJSONStringWithParseOptions(const foundation::String& string,
    JTParseOptionFlags parseOptionFlags, foundation::Ref<foundation::Error>* error = nullptr);

foundation::Ref<foundation::Object> objectFromJSONData(const foundation::Data& data);
foundation::Ref<foundation::Object> objectFromJSONDataWithParseOptions(const foundation::Data& data,
    JTParseOptionFlags parseOptionFlags, foundation::Ref<foundation::Error>* error = nullptr);
foundation::Ref<foundation::Object> mutableObjectFromJSONData(const foundation::Data& data);
foundation::Ref<foundation::Object> mutableObjectFromJSONDataWithParseOptions(const foundation::Data& data,
    JTParseOptionFlags parseOptionFlags, foundation::Ref<foundation::Error>* error = nullptr);

} // namespace jotter
