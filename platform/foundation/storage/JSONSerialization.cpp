#include "foundation/storage/JSONSerialization.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/CocoaError.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <nlohmann/json.hpp>
#include <vector>

namespace foundation {
namespace {

struct Failure {
    std::string message;
    std::size_t index = 0;
};

// Builds platform objects straight from the parser's events, without an
// intermediate document. Containers under construction sit on a stack,
// each with the key its next value goes under.
class ObjectBuilder final : public nlohmann::json_sax<nlohmann::json> {
public:
    Ref<Object> root;
    std::optional<Failure> failure;

    bool null() override { return add(Ref<Object>(Null::null())); }
    bool boolean(bool value) override { return add(Ref<Object>(Number::boolean(value))); }
    bool number_integer(number_integer_t value) override { return add(Number::withSigned(value, 'q')); }
    bool number_unsigned(number_unsigned_t value) override
    {
        if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return add(Number::withSigned(static_cast<std::int64_t>(value), 'q'));
        return add(Number::withUnsigned(value, 'Q'));
    }
    bool number_float(number_float_t value, const string_t&) override { return add(Number::withDouble(value)); }
    bool string(string_t& value) override
    {
        Ref<String> text = String::create(value);
        return text ? add(text) : refuse("invalid UTF-8 in a string");
    }
    bool binary(binary_t&) override { return refuse("binary values are not JSON"); }

    bool start_object(std::size_t) override { return open(MutableDictionary::create()); }
    bool key(string_t& value) override
    {
        Ref<String> text = String::create(value);
        if (!text)
            return refuse("invalid UTF-8 in a key");
        levels_.back().key = text;
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(MutableArray::create()); }
    bool end_array() override { return close(); }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override
    {
        failure = Failure{error.what(), position};
        return false;
    }

private:
    struct Level {
        Ref<Object> container;
        Ref<String> key;
    };

    bool refuse(std::string message)
    {
        failure = Failure{std::move(message), 0};
        return false;
    }

    bool open(Ref<Object> container)
    {
        if (levels_.size() >= JSONSerialization::MaximumDepth)
            return refuse("nesting deeper than " + std::to_string(JSONSerialization::MaximumDepth) + " levels");
        levels_.push_back({std::move(container), nullptr});
        return true;
    }

    bool close()
    {
        Ref<Object> finished = std::move(levels_.back().container);
        levels_.pop_back();
        return add(std::move(finished));
    }

    bool add(Ref<Object> value)
    {
        if (levels_.empty()) {
            root = std::move(value);
            return true;
        }
        Level& level = levels_.back();
        if (level.container->isArray())
            static_cast<MutableArray*>(level.container.get())->addObject(value.get());
        else
            static_cast<MutableDictionary*>(level.container.get())->setObject(value.get(), level.key.get());
        return true;
    }

    std::vector<Level> levels_;
};

Ref<Error> corruptError(const std::string& detail, std::size_t index)
{
    return cocoaError(JSONReadingCorruptError, "The data couldn\xE2\x80\x99t be read because it isn\xE2\x80\x99t in the correct format.",
        {{"NSDebugDescription", pathString(detail)},
            {"NSJSONSerializationErrorIndex", Number::withUnsigned(index, 'Q')}});
}

} // namespace

Ref<Object> JSONSerialization::JSONObjectWithData(const Data& data, unsigned options, Ref<Error>* error)
{
    if (data.length() == 0) {
        report(error, corruptError("Unable to parse empty data.", 0));
        return nullptr;
    }
    ObjectBuilder builder;
    try {
        const char* begin = reinterpret_cast<const char*>(data.bytes());
        nlohmann::json::sax_parse(begin, begin + data.length(), &builder);
    } catch (const std::exception& exception) {
        builder.failure = Failure{exception.what(), 0};
    }
    if (builder.failure || !builder.root) {
        Failure failure = builder.failure.value_or(Failure{"no value", 0});
        report(error, corruptError(failure.message, failure.index));
        return nullptr;
    }
    if (!(options & JSONReadingOptions::AllowFragments) && !builder.root->isArray() && !builder.root->isDictionary()) {
        report(error, corruptError("JSON text did not start with array or object and option to allow fragments not set.", 0));
        return nullptr;
    }
    return builder.root;
}

} // namespace foundation
