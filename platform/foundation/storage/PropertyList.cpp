#include "foundation/storage/PropertyList.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Base64.h"
#include "foundation/objects/Data.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/FastEnumeration.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <cmath>
#include <cstring>
#include <vector>

#include <nlohmann/json.hpp>

namespace foundation {

namespace {

using Json = nlohmann::json;

constexpr int documentVersion = 1;
// Deeper values are refused when read: a corrupt file must be set aside,
// not overflow the stack.
constexpr int maximumDepth = 512;

[[noreturn]] void raiseNotPropertyList(const Object* value)
{
    raise(ExceptionName::InvalidArgument,
          std::string("Attempt to insert non-property list object ") + (value ? value->description() : "nil"));
}

Ref<Object> copyArray(const Array& array)
{
    std::vector<Ref<Object>> elements;
    elements.reserve(array.count());
    for (std::size_t i = 0; i < array.count(); ++i)
        elements.push_back(propertyListCopy(*array.objectAtIndex(i)));
    return Array::create(elements);
}

Ref<Object> copyDictionary(const Dictionary& dictionary)
{
    Ref<MutableDictionary> copy = MutableDictionary::create();
    for (Object* key : FastEnumeration(dictionary)) {
        if (!key->isString())
            raiseNotPropertyList(key);
        copy->setObject(propertyListCopy(*dictionary.objectForKey(key)).get(), key);
    }
    return copy->copy();
}

// JSON has no NaN or infinities: those are written as text.
Json encodeDouble(double d)
{
    return std::isnan(d) ? Json("nan") : std::isinf(d) ? Json(d > 0 ? "inf" : "-inf") : Json(d);
}

Json encodeNumber(const Number& number)
{
    if (number.typeCode() == 'B')
        return {{"boolean", number.boolValue()}};
    Json value;
    if (number.isFloatingPoint()) {
        value = encodeDouble(number.doubleValue());
    } else if (number.isUnsigned()) {
        value = number.uint64Value();
    } else {
        value = number.int64Value();
    }
    return {{"number", {{"type", std::string(1, number.typeCode())}, {"value", value}}}};
}

Json encodeValue(const Object& value)
{
    switch (value.kind()) {
    case Kind::String:
        return {{"string", std::string(static_cast<const String&>(value).utf8())}};
    case Kind::Number:
        return encodeNumber(static_cast<const Number&>(value));
    case Kind::Date:
        return {{"date", encodeDouble(static_cast<const Date&>(value).timeIntervalSince1970())}};
    case Kind::Data:
        return {{"data", base64Encoded(static_cast<const Data&>(value).view())}};
    case Kind::Array: {
        Json elements = Json::array();
        for (Object* element : FastEnumeration(value))
            elements.push_back(encodeValue(*element));
        return {{"array", std::move(elements)}};
    }
    case Kind::Dictionary: {
        const auto& dictionary = static_cast<const Dictionary&>(value);
        Json members = Json::object();
        for (Object* key : FastEnumeration(dictionary))
            members[std::string(static_cast<const String*>(key)->utf8())] = encodeValue(*dictionary.objectForKey(key));
        return {{"dictionary", std::move(members)}};
    }
    default:
        raiseNotPropertyList(&value);
    }
}

// Decoding: a malformed part throws this, caught at the document level.
struct Malformed {
    std::string why;
};

double decodeDouble(const Json& value)
{
    if (value.is_number())
        return value.get<double>();
    if (value == "nan")
        return NAN;
    if (value == "inf")
        return INFINITY;
    if (value == "-inf")
        return -INFINITY;
    throw Malformed{"a floating-point number that is neither a number nor nan/inf/-inf"};
}

Ref<Object> decodeNumber(const Json& number)
{
    if (!number.is_object() || !number.contains("type") || !number.contains("value") || !number["type"].is_string())
        throw Malformed{"a number without its type and value"};
    std::string type = number["type"].get<std::string>();
    const Json& value = number["value"];
    if (type.size() == 1 && std::strchr("csilq", type[0]) && value.is_number_integer() && !value.is_number_unsigned())
        return Number::withSigned(value.get<std::int64_t>(), type[0]);
    if (type.size() == 1 && std::strchr("csilq", type[0]) && value.is_number_unsigned()
        && value.get<std::uint64_t>() <= static_cast<std::uint64_t>(INT64_MAX))
        return Number::withSigned(value.get<std::int64_t>(), type[0]);
    if (type.size() == 1 && std::strchr("CSILQ", type[0]) && value.is_number_unsigned())
        return Number::withUnsigned(value.get<std::uint64_t>(), type[0]);
    if (type == "d")
        return Number::withDouble(decodeDouble(value));
    if (type == "f")
        return Number::withFloat(static_cast<float>(decodeDouble(value)));
    throw Malformed{"a number of type \"" + type + "\" with a value that does not fit it"};
}

Ref<Object> decodeValue(const Json& tagged, int depth);

// `depth` counts the containers around `value`.
Ref<Object> decodeTagged(const std::string& tag, const Json& value, int depth)
{
    if (tag == "string" && value.is_string())
        return String::create(value.get<std::string>());
    if (tag == "number")
        return decodeNumber(value);
    if (tag == "boolean" && value.is_boolean())
        return Ref(Number::boolean(value.get<bool>()));
    if (tag == "date" && (value.is_number() || value.is_string()))
        return Date::withTimeIntervalSince1970(decodeDouble(value));
    if (tag == "data" && value.is_string()) {
        auto bytes = base64Decoded(value.get<std::string>());
        if (!bytes)
            throw Malformed{"data that is not Base64"};
        return Data::create(*bytes);
    }
    if ((tag == "array" || tag == "dictionary") && depth >= maximumDepth)
        throw Malformed{"values nested more than " + std::to_string(maximumDepth) + " deep"};
    if (tag == "array" && value.is_array()) {
        std::vector<Ref<Object>> elements;
        for (const Json& element : value)
            elements.push_back(decodeValue(element, depth + 1));
        return Array::create(elements);
    }
    if (tag == "dictionary" && value.is_object()) {
        Ref<MutableDictionary> dictionary = MutableDictionary::create();
        for (const auto& [key, member] : value.items())
            dictionary->setObject(decodeValue(member, depth + 1).get(), key);
        return dictionary->copy();
    }
    throw Malformed{"a value tagged \"" + tag + "\" that does not hold that type"};
}

Ref<Object> decodeValue(const Json& tagged, int depth)
{
    if (!tagged.is_object() || tagged.size() != 1)
        throw Malformed{"a value that is not an object with one type member"};
    Ref<Object> value = decodeTagged(tagged.begin().key(), tagged.begin().value(), depth);
    if (!value)
        throw Malformed{"a string that is not valid UTF-8"};
    return value;
}

} // namespace

Ref<Object> propertyListCopy(const Object& value)
{
    switch (value.kind()) {
    case Kind::String:
    case Kind::Number:
    case Kind::Date:
    case Kind::Data:
        return value.copy();
    case Kind::Array:
        return copyArray(static_cast<const Array&>(value));
    case Kind::Dictionary:
        return copyDictionary(static_cast<const Dictionary&>(value));
    default:
        raiseNotPropertyList(&value);
    }
}

std::string encodeDefaultsDocument(const Dictionary& values)
{
    Json members = Json::object();
    for (Object* key : FastEnumeration(values))
        members[std::string(static_cast<const String*>(key)->utf8())] = encodeValue(*values.objectForKey(key));
    Json document = {{"format", "defaults"}, {"version", documentVersion}, {"values", std::move(members)}};
    return document.dump(2) + "\n";
}

Ref<Dictionary> decodeDefaultsDocument(std::string_view text, std::string& why)
{
    Json document = Json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded()) {
        why = "not JSON";
        return nullptr;
    }
    if (!document.is_object() || document.value("format", Json()) != "defaults") {
        why = "not a defaults document";
        return nullptr;
    }
    if (document.value("version", Json()) != documentVersion) {
        why = "a defaults document of an unknown version";
        return nullptr;
    }
    if (!document.contains("values") || !document["values"].is_object()) {
        why = "a defaults document without values";
        return nullptr;
    }
    try {
        return static_ref_cast<Dictionary>(decodeTagged("dictionary", document["values"], 0));
    } catch (const Malformed& malformed) {
        why = "a defaults document holding " + malformed.why;
        return nullptr;
    }
}

} // namespace foundation
