#pragma once

// Builds a platform object tree from a JSON value read by nlohmann-json: the
// reference reader for the round-trip tests.

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <vector>

namespace testsupport {

inline foundation::Ref<foundation::Object> platformTree(const nlohmann::json& value)
{
    using nlohmann::json;
    switch (value.type()) {
    case json::value_t::null:
        return foundation::Ref(foundation::Null::null());
    case json::value_t::boolean:
        return foundation::Ref(foundation::Number::boolean(value.get<bool>()));
    case json::value_t::number_integer:
        return foundation::Number::withSigned(value.get<std::int64_t>());
    case json::value_t::number_unsigned:
        return foundation::Number::withUnsigned(value.get<std::uint64_t>());
    case json::value_t::number_float:
        return foundation::Number::withDouble(value.get<double>());
    case json::value_t::string:
        return foundation::String::create(value.get_ref<const std::string&>());
    case json::value_t::array: {
        std::vector<foundation::Ref<foundation::Object>> elements;
        elements.reserve(value.size());
        for (const json& element : value)
            elements.push_back(platformTree(element));
        return foundation::Array::create(elements);
    }
    case json::value_t::object: {
        foundation::Ref<foundation::MutableDictionary> dictionary = foundation::MutableDictionary::create();
        for (const auto& [key, element] : value.items())
            dictionary->setObject(platformTree(element).get(), foundation::String::create(key).get());
        return dictionary;
    }
    default:
        throw std::invalid_argument("no platform form for this JSON value");
    }
}

} // namespace testsupport
