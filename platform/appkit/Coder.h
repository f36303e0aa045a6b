#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace appkit {

// The attributes of one object of a UI description, as its class reads them
// while it is made (the stand-in of the archive an initWithCoder: reads).
//
// A missing key reads as false, 0 or no string, as the platform's keyed
// decoding does. A key whose value has the wrong type also reads that way,
// and marks the coder failed: the object made from it must then yield
// nothing (see View::initWithCoder). The loader reports the failure and
// any attribute that no class read.
class Coder {
public:
    using Value = std::variant<bool, std::int64_t, double, std::string>;
    using Attribute = std::pair<std::string, Value>;

    // `objectName` names the object in failure messages.
    Coder(std::string objectName, std::vector<Attribute> attributes);

    bool containsValueForKey(std::string_view key) const;
    // Valid UTF-8 text; anything else is the wrong type.
    std::optional<std::string> decodeStringForKey(std::string_view key);
    bool decodeBoolForKey(std::string_view key);
    // A whole number; a floating value with a fraction is the wrong type.
    std::int64_t decodeIntegerForKey(std::string_view key);
    double decodeDoubleForKey(std::string_view key);

    // Marks the coder failed with a message that says why.
    void fail(std::string message);
    bool hasFailed() const noexcept { return failure_.has_value(); }
    const std::string& failure() const { return *failure_; }

    // The keys present but never decoded, in their order in the description.
    std::vector<std::string> unreadKeys() const;

private:
    struct Entry {
        Attribute attribute;
        bool read = false;
    };
    Entry* find(std::string_view key);
    const Entry* find(std::string_view key) const;
    void failWrongType(const Entry& entry, const char* expected);

    std::string objectName_;
    std::vector<Entry> entries_;
    std::optional<std::string> failure_;
};

} // namespace appkit
