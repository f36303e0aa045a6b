#include "json/JotterDeserializing.h"

#include "json/JSONDecoder.h"

#include <string_view>

namespace jotter {

using foundation::Object;
using foundation::Ref;

namespace {

// Strings hold UTF-8 already, so both receivers come down to bytes.
Ref<Object> decodeOnce(std::string_view text, bool makeMutable, JTParseOptionFlags parseOptionFlags,
    Ref<foundation::Error>* error)
{
    Ref<JSONDecoder> decoder = JSONDecoder::decoderWithParseOptions(parseOptionFlags);
    if (!decoder)
        return nullptr;
    const char* bytes = text.empty() ? "" : text.data();
    return makeMutable ? decoder->mutableObjectWithUTF8String(bytes, text.size(), error)
                       : decoder->objectWithUTF8String(bytes, text.size(), error);
}

} // namespace

Ref<Object> objectFromJSONString(const foundation::String& string)
{
    return decodeOnce(string.utf8(), false, JTParseOptionNone, nullptr);
}

Ref<Object> objectFromJSONStringWithParseOptions(const foundation::String& string, JTParseOptionFlags parseOptionFlags,
    Ref<foundation::Error>* error)
{
    return decodeOnce(string.utf8(), false, parseOptionFlags, error);
}

Ref<Object> mutableObjectFromJSONString(const foundation::String& string)
{
    return decodeOnce(string.utf8(), true, JTParseOptionNone, nullptr);
}

Ref<Object> mutableObjectFromJSONStringWithParseOptions(const foundation::String& string,
    JTParseOptionFlags parseOptionFlags, Ref<foundation::Error>* error)
{
    return decodeOnce(string.utf8(), true, parseOptionFlags, error);
}

Ref<Object> objectFromJSONData(const foundation::Data& data)
{
    return decodeOnce(data.view(), false, JTParseOptionNone, nullptr);
}

Ref<Object> objectFromJSONDataWithParseOptions(const foundation::Data& data, JTParseOptionFlags parseOptionFlags,
    Ref<foundation::Error>* error)
{
    return decodeOnce(data.view(), false, parseOptionFlags, error);
}

Ref<Object> mutableObjectFromJSONData(const foundation::Data& data)
{
    return decodeOnce(data.view(), true, JTParseOptionNone, nullptr);
}

Ref<Object> mutableObjectFromJSONDataWithParseOptions(const foundation::Data& data, JTParseOptionFlags parseOptionFlags,
    Ref<foundation::Error>* error)
{
    return decodeOnce(data.view(), true, parseOptionFlags, error);
}

} // namespace jotter
