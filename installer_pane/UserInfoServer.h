#pragma once

#include <string_view>

namespace quillon {

// Where and as whom the user's details are uploaded: build-time
// configuration (USERINFO_SERVER_HOST, USERINFO_PASSWORD; the Basic token is
// derived from the password when the plug-in is built).
namespace UserInfoServer {

std::string_view host();
inline constexpr int port = 6984;
inline constexpr std::string_view user = "installer";
std::string_view password();
// Base64 of "installer:" and the password: 28 characters.
std::string_view basicToken();

} // namespace UserInfoServer

} // namespace quillon
