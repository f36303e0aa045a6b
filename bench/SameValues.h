#pragma once

// The check every contender passes before it is timed: its tree (or the
// text it wrote, read back) holds the same values as the corpus. Each
// library's tree is brought to nlohmann-json's form and compared with the
// corpus as nlohmann-json reads it; that reading is itself checked through
// the comparison with every other library.
//
// Doubles may differ in the last bits: RapidJSON's default (not full
// precision) number reading is allowed to be off by a few units in the last
// place, so numbers compare within a relative 1e-14.

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <boost/json.hpp>
#include <json/json.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <simdjson.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

using nlohmann::json;

inline json fromJotter(const foundation::Object& object)
{
    switch (object.kind()) {
    case foundation::Kind::Null:
        return nullptr;
    case foundation::Kind::String:
        return std::string(static_cast<const foundation::String&>(object).utf8());
    case foundation::Kind::Number: {
        const auto& number = static_cast<const foundation::Number&>(object);
        if (number.isBooleanSingleton())
            return number.boolValue();
        if (number.isFloatingPoint())
            return number.doubleValue();
        if (number.isUnsigned())
            return number.uint64Value();
        return number.int64Value();
    }
    case foundation::Kind::Array: {
        const auto& array = static_cast<const foundation::Array&>(object);
        json result = json::array();
        for (std::size_t index = 0; index < array.count(); ++index)
            result.push_back(fromJotter(*array.objectAtIndex(index)));
        return result;
    }
    case foundation::Kind::Dictionary: {
        const auto& dictionary = static_cast<const foundation::Dictionary&>(object);
        std::vector<foundation::Object*> keys(dictionary.count()), values(dictionary.count());
        dictionary.getObjectsAndKeys(values.data(), keys.data());
        json result = json::object();
        for (std::size_t index = 0; index < keys.size(); ++index)
            result[std::string(static_cast<const foundation::String&>(*keys[index]).utf8())] = fromJotter(*values[index]);
        return result;
    }
    default:
        throw std::runtime_error("Jotter made a value of no JSON kind");
    }
}

inline json fromRapidJSON(const rapidjson::Value& value)
{
    if (value.IsNull())
        return nullptr;
    if (value.IsBool())
        return value.GetBool();
    if (value.IsString())
        return std::string(value.GetString(), value.GetStringLength());
    if (value.IsInt64())
        return value.GetInt64();
    if (value.IsUint64())
        return value.GetUint64();
    if (value.IsNumber())
        return value.GetDouble();
    if (value.IsArray()) {
        json result = json::array();
        for (const rapidjson::Value& element : value.GetArray())
            result.push_back(fromRapidJSON(element));
        return result;
    }
    json result = json::object();
    for (const auto& member : value.GetObject())
        result[std::string(member.name.GetString(), member.name.GetStringLength())] = fromRapidJSON(member.value);
    return result;
}

inline json fromBoost(const boost::json::value& value)
{
    switch (value.kind()) {
    case boost::json::kind::null:
        return nullptr;
    case boost::json::kind::bool_:
        return value.get_bool();
    case boost::json::kind::int64:
        return value.get_int64();
    case boost::json::kind::uint64:
        return value.get_uint64();
    case boost::json::kind::double_:
        return value.get_double();
    case boost::json::kind::string:
        return std::string(value.get_string());
    case boost::json::kind::array: {
        json result = json::array();
        for (const boost::json::value& element : value.get_array())
            result.push_back(fromBoost(element));
        return result;
    }
    case boost::json::kind::object: {
        json result = json::object();
        for (const auto& member : value.get_object())
            result[std::string(member.key())] = fromBoost(member.value());
        return result;
    }
    }
    throw std::runtime_error("Boost.JSON made a value of no JSON kind");
}

inline json fromJsonCpp(const Json::Value& value)
{
    switch (value.type()) {
    case Json::nullValue:
        return nullptr;
    case Json::booleanValue:
        return value.asBool();
    case Json::intValue:
        return static_cast<std::int64_t>(value.asInt64());
    case Json::uintValue:
        return static_cast<std::uint64_t>(value.asUInt64());
    case Json::realValue:
        return value.asDouble();
    case Json::stringValue:
        return value.asString();
    case Json::arrayValue: {
        json result = json::array();
        for (const Json::Value& element : value)
            result.push_back(fromJsonCpp(element));
        return result;
    }
    case Json::objectValue: {
        json result = json::object();
        for (auto member = value.begin(); member != value.end(); ++member)
            result[member.name()] = fromJsonCpp(*member);
        return result;
    }
    }
    throw std::runtime_error("JsonCpp made a value of no JSON kind");
}

inline json fromSimdjson(simdjson::dom::element element)
{
    switch (element.type()) {
    case simdjson::dom::element_type::NULL_VALUE:
        return nullptr;
    case simdjson::dom::element_type::BOOL:
        return bool(element.get_bool());
    case simdjson::dom::element_type::INT64:
        return std::int64_t(element.get_int64());
    case simdjson::dom::element_type::UINT64:
        return std::uint64_t(element.get_uint64());
    case simdjson::dom::element_type::DOUBLE:
        return double(element.get_double());
    case simdjson::dom::element_type::STRING:
        return std::string(std::string_view(element.get_string()));
    case simdjson::dom::element_type::ARRAY: {
        json result = json::array();
        for (simdjson::dom::element child : element.get_array())
            result.push_back(fromSimdjson(child));
        return result;
    }
    case simdjson::dom::element_type::OBJECT: {
        json result = json::object();
        for (simdjson::dom::key_value_pair field : element.get_object())
            result[std::string(field.key)] = fromSimdjson(field.value);
        return result;
    }
    }
    throw std::runtime_error("simdjson made a value of no JSON kind");
}

// Whether two values are the same JSON value (see the note on doubles);
// `path` names the first difference.
inline bool sameValues(const json& a, const json& b, std::string& path)
{
    if (a.is_number() && b.is_number()) {
        if (a.is_number_float() || b.is_number_float()) {
            double x = a.get<double>(), y = b.get<double>();
            if (x == y || std::fabs(x - y) <= 1e-14 * std::max(std::fabs(x), std::fabs(y)))
                return true;
        } else if (a == b) {
            return true;
        }
        path += ": " + a.dump() + " vs " + b.dump();
        return false;
    }
    if (a.type() != b.type() || a.size() != b.size()) {
        path += ": kinds or sizes differ";
        return false;
    }
    if (a.is_array()) {
        for (std::size_t index = 0; index < a.size(); ++index) {
            std::string inner = path + "[" + std::to_string(index) + "]";
            if (!sameValues(a[index], b[index], inner)) {
                path = inner;
                return false;
            }
        }
        return true;
    }
    if (a.is_object()) {
        for (auto x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y) {
            std::string inner = path + "." + x.key();
            if (x.key() != y.key() || !sameValues(x.value(), y.value(), inner)) {
                path = inner;
                return false;
            }
        }
        return true;
    }
    if (a != b) {
        path += ": " + a.dump() + " vs " + b.dump();
        return false;
    }
    return true;
}

// Throws, naming the contender and the first difference, unless `actual`
// holds the corpus's values.
inline void checkSameValues(const std::string& contender, const json& corpus, const json& actual)
{
    std::string path = "$";
    if (!sameValues(corpus, actual, path))
        throw std::runtime_error(contender + " does not give the corpus's values at " + path);
}

} // namespace bench
