#include "json/JotterSerializing.h"

namespace jotter {

using foundation::Data;
using foundation::Object;
using foundation::Ref;
using foundation::String;

namespace {

struct Formatter {
    const FormatterBlock* block = nullptr;
    Object* delegate = nullptr;
    std::string_view selector;
};

Ref<Object> serialize(Object* root, JTSerializeOptionFlags serializeOptions, JTEncodeOption encodeOption,
    const Formatter& formatter, ErrorOut error)
{
    return JTSerializer::serializeObject(root, serializeOptions, encodeOption, formatter.block, formatter.delegate,
        formatter.selector, error);
}

Ref<Data> collectionData(JotterCollection collection, JTSerializeOptionFlags serializeOptions,
    const Formatter& formatter, ErrorOut error)
{
    return foundation::static_ref_cast<Data>(serialize(collection.object(), serializeOptions,
        JTEncodeOptionResultData | JTEncodeOptionCollectionObj, formatter, error));
}

Ref<String> collectionString(JotterCollection collection, JTSerializeOptionFlags serializeOptions,
    const Formatter& formatter, ErrorOut error)
{
    return foundation::static_ref_cast<String>(serialize(collection.object(), serializeOptions,
        JTEncodeOptionResultString | JTEncodeOptionCollectionObj, formatter, error));
}

JTEncodeOption stringRoot(JTEncodeOption result, bool includeQuotes)
{
    return result | JTEncodeOptionStringObj | (includeQuotes ? 0 : JTEncodeOptionStringObjTrimQuotes);
}

Object* root(const String& string)
{
    return const_cast<String*>(&string);  // see JotterCollection
}

} // namespace

Ref<Data> JSONData(const String& string)
{
    return JSONDataWithOptions(string, JTSerializeOptionNone, true, nullptr);
}

Ref<Data> JSONDataWithOptions(const String& string, JTSerializeOptionFlags serializeOptions, bool includeQuotes,
    ErrorOut error)
{
    return foundation::static_ref_cast<Data>(serialize(root(string), serializeOptions,
        stringRoot(JTEncodeOptionResultData, includeQuotes), {}, error));
}

Ref<String> JSONString(const String& string)
{
    return JSONStringWithOptions(string, JTSerializeOptionNone, true, nullptr);
}

Ref<String> JSONStringWithOptions(const String& string, JTSerializeOptionFlags serializeOptions, bool includeQuotes,
    ErrorOut error)
{
    return foundation::static_ref_cast<String>(serialize(root(string), serializeOptions,
        stringRoot(JTEncodeOptionResultString, includeQuotes), {}, error));
}

Ref<Data> JSONData(JotterCollection collection)
{
    return collectionData(collection, JTSerializeOptionNone, {}, nullptr);
}

Ref<Data> JSONDataWithOptions(JotterCollection collection, JTSerializeOptionFlags serializeOptions, ErrorOut error)
{
    return collectionData(collection, serializeOptions, {}, error);
}

Ref<String> JSONString(JotterCollection collection)
{
    return collectionString(collection, JTSerializeOptionNone, {}, nullptr);
}

Ref<String> JSONStringWithOptions(JotterCollection collection, JTSerializeOptionFlags serializeOptions, ErrorOut error)
{
    return collectionString(collection, serializeOptions, {}, error);
}

Ref<Data> JSONDataWithOptions(JotterCollection collection, JTSerializeOptionFlags serializeOptions, Object* delegate,
    std::string_view selector, ErrorOut error)
{
    return collectionData(collection, serializeOptions, {nullptr, delegate, selector}, error);
}

Ref<String> JSONStringWithOptions(JotterCollection collection, JTSerializeOptionFlags serializeOptions,
    Object* delegate, std::string_view selector, ErrorOut error)
{
    return collectionString(collection, serializeOptions, {nullptr, delegate, selector}, error);
}

Ref<Data> JSONDataWithOptions(JotterCollection collection, JTSerializeOptionFlags serializeOptions,
    const FormatterBlock& block, ErrorOut error)
{
    return collectionData(collection, serializeOptions, {&block, nullptr, {}}, error);
}

Ref<String> JSONStringWithOptions(JotterCollection collection, JTSerializeOptionFlags serializeOptions,
    const FormatterBlock& block, ErrorOut error)
{
    return collectionString(collection, serializeOptions, {&block, nullptr, {}}, error);
}

} // namespace jotter
