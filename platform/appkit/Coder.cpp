#include "appkit/Coder.h"

#include "foundation/objects/String.h"

#include <cmath>

namespace appkit {

Coder::Coder(std::string objectName, std::vector<Attribute> attributes)
    : objectName_(std::move(objectName))
{
    entries_.reserve(attributes.size());
    for (auto& attribute : attributes)
        entries_.push_back({std::move(attribute)});
}

Coder::Entry* Coder::find(std::string_view key)
{
    for (auto& entry : entries_) {
        if (entry.attribute.first == key)
            return &entry;
    }
    return nullptr;
}

const Coder::Entry* Coder::find(std::string_view key) const
{
    return const_cast<Coder*>(this)->find(key);
}

bool Coder::containsValueForKey(std::string_view key) const
{
    return find(key) != nullptr;
}

void Coder::fail(std::string message)
{
    if (!failure_)
        failure_ = std::move(message);
}

void Coder::failWrongType(const Entry& entry, const char* expected)
{
    fail(objectName_ + ": attribute \"" + entry.attribute.first + "\" must be " + expected);
}

std::optional<std::string> Coder::decodeStringForKey(std::string_view key)
{
    Entry* entry = find(key);
    if (!entry)
        return std::nullopt;
    entry->read = true;
    auto* text = std::get_if<std::string>(&entry->attribute.second);
    if (text && foundation::validatedUTF16Length(*text) >= 0)
        return *text;
    failWrongType(*entry, "a UTF-8 string");
    return std::nullopt;
}

bool Coder::decodeBoolForKey(std::string_view key)
{
    Entry* entry = find(key);
    if (!entry)
        return false;
    entry->read = true;
    if (auto* value = std::get_if<bool>(&entry->attribute.second))
        return *value;
    failWrongType(*entry, "true or false");
    return false;
}

std::int64_t Coder::decodeIntegerForKey(std::string_view key)
{
    Entry* entry = find(key);
    if (!entry)
        return 0;
    entry->read = true;
    if (auto* value = std::get_if<std::int64_t>(&entry->attribute.second))
        return *value;
    // 2^63 as a double: the first value past the 64-bit range.
    constexpr double limit = 9223372036854775808.0;
    auto* value = std::get_if<double>(&entry->attribute.second);
    if (value && std::trunc(*value) == *value && *value >= -limit && *value < limit)
        return static_cast<std::int64_t>(*value);
    failWrongType(*entry, "a whole number");
    return 0;
}

double Coder::decodeDoubleForKey(std::string_view key)
{
    Entry* entry = find(key);
    if (!entry)
        return 0;
    entry->read = true;
    if (auto* value = std::get_if<double>(&entry->attribute.second))
        return *value;
    if (auto* value = std::get_if<std::int64_t>(&entry->attribute.second))
        return static_cast<double>(*value);
    failWrongType(*entry, "a number");
    return 0;
}

std::vector<std::string> Coder::unreadKeys() const
{
    std::vector<std::string> keys;
    for (const auto& entry : entries_) {
        if (!entry.read)
            keys.push_back(entry.attribute.first);
    }
    return keys;
}

} // namespace appkit
