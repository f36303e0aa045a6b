#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace foundation {

// A parsed strings table: the Apple text format of localized strings,
//   /* comment */  // comment
//   "key" = "value";
//   "only a key";            (the value is the key)
//   plain_key = "value";     (unquoted words of letters, digits and _$+/:.-)
// in UTF-8 (or UTF-16 with a byte-order mark). Quoted strings know the
// escapes \" \\ \n \t \r \a \b \f \v, \Uxxxx (UTF-16 units, surrogate pairs
// combined) and up to three octal digits; another escaped character stands
// for itself. A later entry for a key replaces an earlier one.
class StringsFile {
public:
    // On failure `error` says where and why ("line 3: missing ';'") and the
    // result is empty.
    [[nodiscard]] static StringsFile parse(std::string_view bytes, std::string& error);

    // Null when the key is not in the table.
    const std::string* find(std::string_view key) const;
    std::size_t size() const noexcept { return entries_.size(); }

private:
    std::unordered_map<std::string, std::string> entries_;
    friend class StringsParser;
};

} // namespace foundation
