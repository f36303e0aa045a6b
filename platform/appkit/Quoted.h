#pragma once

#include <string>
#include <string_view>

namespace appkit {

// The text between double quotes, as messages name things.
inline std::string inQuotes(std::string_view text)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back('"');
    quoted.append(text);
    quoted.push_back('"');
    return quoted;
}

} // namespace appkit
